#include "support/XMLNamespaces.h"

#include "support/StringUtils.h"

#include <memory>
#include <string_view>

namespace orbisk {

namespace {

constexpr bool OnCurrentHost(std::string_view uri)
{
    return uri.starts_with(kCurrentSchemaHost);
}
static_assert(OnCurrentHost(kTypesNamespace) && OnCurrentHost(kPreferencesNamespace) &&
              OnCurrentHost(kDocumentPropertiesNamespace) && OnCurrentHost(kReferencesNamespace) &&
              OnCurrentHost(kMaterialNamespace) && OnCurrentHost(kStyleNamespace) &&
              OnCurrentHost(kNPRNamespace) && OnCurrentHost(kWatermarkListNamespace));

constexpr bool SameText(std::string_view narrow, std::wstring_view wide)
{
    if (narrow.size() != wide.size())
        return false;
    for (size_t i = 0; i < narrow.size(); ++i)
        if (static_cast<wchar_t>(narrow[i]) != wide[i])
            return false;
    return true;
}
static_assert(SameText(kDocumentPropertiesNamespace, kDocumentPropertiesNamespaceW) &&
              SameText(kReferencesNamespace, kReferencesNamespaceW));

std::unique_ptr<OrbiskNamespaceConversionMap> conversionMap;

std::wstring Uri(const char* host, const char* path)
{
    return utils::WideFromUtf8(host) + utils::WideFromUtf8(path);
}

}  // namespace

OrbiskNamespaceConversionMap::OrbiskNamespaceConversionMap()
{
    const std::wstring references = utils::WideFromUtf8(kReferencesNamespace);
    const std::wstring documentProperties = utils::WideFromUtf8(kDocumentPropertiesNamespace);
    const std::wstring preferences = utils::WideFromUtf8(kPreferencesNamespace);
    const std::wstring types = utils::WideFromUtf8(kTypesNamespace);
    const std::wstring schemaInstance = utils::WideFromUtf8(kXMLSchemaInstanceNamespace);

    m_map[Uri(kFormerProductHost, "/schemas/1.0/references")] = references;
    m_map[Uri(kFormerProductHost, "/schemas/1.0/documentproperties")] = documentProperties;
    m_map[Uri(kFormerProductHost, "/schemas/1.0/preferences")] = preferences;
    m_map[Uri(kFormerProductHost, "/schemas/1.0/types")] = types;
    m_map[Uri(kMakerHost, "/schemas/zephyron/1.0/references")] = references;
    m_map[Uri(kMakerHost, "/schemas/zephyron/1.0/documentproperties")] = documentProperties;
    m_map[Uri(kMakerHost, "/schemas/orbisk/preferences")] = preferences;
    m_map[Uri(kMakerHost, "/schemas/orbisk/types")] = types;
    m_map[Uri(kMakerHost, "/schemas/zephyron/preferences")] = preferences;
    for (const std::wstring& current : {references, documentProperties, preferences, types, schemaInstance})
        m_map[current] = current;
}

const OrbiskNamespaceConversionMap& GetOrbiskNamespaceConversionMap()
{
    if (!conversionMap)
        conversionMap = std::make_unique<OrbiskNamespaceConversionMap>();
    return *conversionMap;
}

void ReleaseXMLNamespaceMaps()
{
    conversionMap.reset();
}

}  // namespace orbisk
