#include "database/OptionsManager.h"

#include "database/CurrentModel.h"
#include "database/IModelContext.h"
#include "database/IRenderingOptions.h"
#include "database/NamedOptions.h"
#include "database/PageOptions.h"
#include "database/PrintOptions.h"
#include "database/SlideshowOptions.h"
#include "database/UnitsOptions.h"
#include "platform/mfc/Archive.h"
#include "support/NotificationCenter.h"
#include "support/StringUtils.h"

using orbisk::utils::CTypedValue;

namespace {

constexpr int32_t kRecordVersion = 2;

std::unique_ptr<COptionsManager>& Registry()
{
    static std::unique_ptr<COptionsManager> registry;
    return registry;
}

bool RegisterSystemProviders()
{
    RegisterOptionsProvider(std::make_unique<CUnitsOptions>());
    RegisterOptionsProvider(std::make_unique<CNamedOptions>());
    RegisterOptionsProvider(std::make_unique<CPageOptions>());
    RegisterOptionsProvider(std::make_unique<CSlideshowOptions>());
    RegisterOptionsProvider(std::make_unique<CPrintOptions>());
    return true;
}

const bool g_systemProvidersRegistered = RegisterSystemProviders();

bool EqualsNoCase(const CString& a, const wchar_t* b)
{
    return orbisk::utils::CompareNoCase(a.GetString(), b) == 0;
}

// Files of version 1 kept the axes display as an option of a provider that no longer exists.
void ApplyLegacyAxesOption(const CTypedValue& value)
{
    bool shown = false;
    if (!value.TryGetBool(shown))
        return;
    IModelContext* model = GetCurrentModel();
    IRenderingOptions* options = model ? model->GetRenderingOptions() : nullptr;
    if (!options)
        return;
    orbisk::utils::CNotificationSuspender quiet;
    options->SetAxesShown(shown);
}

}  // namespace

void COptionsManager::Add(std::unique_ptr<COptionsProvider> provider)
{
    if (provider)
        m_providers.push_back(std::move(provider));
}

COptionsProvider* COptionsManager::GetAt(int index) const
{
    return index >= 0 && index < GetCount() ? m_providers[static_cast<size_t>(index)].get() : nullptr;
}

COptionsProvider* COptionsManager::FindProvider(const CString& name) const
{
    for (const auto& provider : m_providers) {
        if (provider->GetName() == name)
            return provider.get();
    }
    return nullptr;
}

void COptionsManager::MakeAllCurrent()
{
    for (const auto& provider : m_providers)
        provider->MakeCurrent();
}

void COptionsManager::Serialize(CArchive& ar)
{
    if (ar.IsLoading())
        Read(ar);
    else
        Write(ar);
}

void COptionsManager::Read(CArchive& ar)
{
    int32_t version = 0;
    int32_t count = 0;
    ar >> version >> count;
    // Every block takes at least its name and end marker from the file, so a false count ends
    // at the end of the data.
    for (int32_t block = 0; block < count; ++block) {
        CString providerName;
        ar.ReadString(providerName);
        COptionsProvider* provider = FindProvider(providerName);
        const bool legacyAxes = !provider && version < 2 && EqualsNoCase(providerName, L"AxisOptions");
        for (;;) {
            CString optionName;
            ar.ReadString(optionName);
            if (optionName.IsEmpty())
                break;
            CTypedValue value;
            ar >> value;
            if (provider)
                provider->SetOption(optionName, value);
            else if (legacyAxes && EqualsNoCase(optionName, L"DisplayAxes"))
                ApplyLegacyAxesOption(value);
        }
    }
}

void COptionsManager::Write(CArchive& ar) const
{
    ar << kRecordVersion << static_cast<int32_t>(m_providers.size());
    for (const auto& provider : m_providers) {
        ar.WriteString(provider->GetName());
        for (int index = 0; index < provider->GetOptionCount(); ++index) {
            const CString name = provider->GetOptionName(index);
            if (!provider->IsSavedWithModel(name))
                continue;
            ar.WriteString(name);
            ar << provider->GetOption(name);
        }
        ar.WriteString(CString());
    }
}

void RegisterOptionsProvider(std::unique_ptr<COptionsProvider> provider)
{
    if (!Registry())
        Registry() = std::make_unique<COptionsManager>();
    Registry()->Add(std::move(provider));
}

const COptionsManager* GetOptionsRegistry()
{
    return Registry().get();
}

std::unique_ptr<COptionsManager> CreateOptionsManager()
{
    auto manager = std::make_unique<COptionsManager>();
    const COptionsManager* registry = GetOptionsRegistry();
    for (int index = 0; registry && index < registry->GetCount(); ++index)
        manager->Add(registry->GetAt(index)->Clone());
    return manager;
}

bool CopyToRegisteredDefaults(const COptionsProvider& provider)
{
    COptionsProvider* prototype = Registry() ? Registry()->FindProvider(provider.GetName()) : nullptr;
    if (!prototype)
        return false;
    for (int index = 0; index < provider.GetOptionCount(); ++index) {
        const CString name = provider.GetOptionName(index);
        prototype->SetOption(name, provider.GetOption(name));
    }
    return true;
}
