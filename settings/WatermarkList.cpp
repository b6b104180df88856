#include "settings/WatermarkList.h"

#include <algorithm>
#include <cwctype>
#include <memory>

#include "database/UndoManager.h"
#include "database/XMLImageReference.h"
#include "database/XmlValueHelpers.h"
#include "settings/Watermark.h"
#include "settings/WatermarkManager.h"
#include "support/DocumentPersister.h"
#include "support/PathUtils.h"
#include "support/StringUtils.h"
#include "support/XMLNamespaces.h"
#include "support/XMLOutput.h"

using orbisk::IXMLInput;
using orbisk::IXMLOutput;
using orbisk::XMLEscapedText;
namespace utils = orbisk::utils;

namespace {

orbisk::IXMLSerializableObject* NewWatermarkList()
{
    return new CWatermarkList();
}

const orbisk::XMLSerializableClassInfo listClassInfo("CWatermarkList", "wmlist",
                                                     orbisk::kWatermarkListNamespace, 0, 0,
                                                     &NewWatermarkList);

std::wstring ListName(const char* localName)
{
    return WStringPlusAscii(utils::WideFromUtf8(orbisk::kWatermarkListNamespace), ":") +
           utils::WideFromUtf8(localName);
}

bool SameNameIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    return utils::CompareNoCase(a, b) == 0;
}

// The image file kinds that the image library writes.
bool IsWritableExtension(std::wstring extension)
{
    utils::ToLowerInPlace(extension);
    for (const wchar_t* kind : {L"jpg", L"jpeg", L"bmp", L"tif", L"tiff", L"png"})
        if (extension == kind)
            return true;
    return false;
}

void WriteEntry(IXMLOutput& output, CWatermark* watermark)
{
    if (!watermark) {
        output.WriteAttribute(L"name", kModelSpaceName);
        return;
    }
    std::wstring fileName;
    bool found = false;
    int32_t time = 0;
    watermark->GetInfo(fileName, found, time);
    output.WriteAttribute(L"name", XMLEscapedText{watermark->GetName()});
    output.WriteAttribute(L"info_found", found);
    output.WriteAttribute(L"info_filename", XMLEscapedText{fileName});
    output.WriteAttribute(L"info_time", static_cast<long>(time));
    output.WriteAttribute(L"position", static_cast<int>(watermark->GetPosition()));
    output.WriteAttribute(L"tiled", watermark->IsTiled());
    output.WriteAttribute(L"stretched", watermark->IsStretched());
    output.WriteAttribute(L"maintainAR", watermark->GetMaintainAR());
    output.WriteAttribute(L"background", watermark->IsBackground());
    output.WriteAttribute(L"intensForAlpha", watermark->GetIntensForAlpha());
    output.WriteAttribute(L"alphaScale", watermark->GetAlphaScale());
    output.WriteAttribute(L"scale", watermark->GetScale());

    CDib* image = watermark->GetImage();
    std::wstring imageName = utils::GetFileName(fileName, true);
    const std::wstring extension = utils::GetFileExtension(imageName);
    if (image && !(IsWritableExtension(extension) && image->CanSaveAs(imageName)))
        imageName = utils::AppendExtension(utils::GetFileName(imageName, false), L"png");
    orbisk::DocumentPersister* persister = orbisk::DocumentPersister::GetCurrent();
    const std::wstring folder = persister ? persister->GetReferencesFolder() : std::wstring();
    WriteImageListXML(output, CWatermarkList::ClassInfo(), image, utils::JoinPath(folder, imageName));
}

// A watermark read from one "screenimage", or a separator (null with `separator` set); false
// when the entry lacks its name or a setting.
bool ReadEntry(IXMLSettingsInput& input, CWatermarkManager& manager, CWatermark*& result)
{
    result = nullptr;
    std::wstring name;
    if (!input.ReadAttribute(L"name", name))
        return false;
    // A separator is written as the plain text; a watermark's name in the escaped form, which
    // never reads as that text.
    if (name == kModelSpaceName)
        return true;
    name = UnescapeXMLText(name);
    bool found = false, tiled = false, stretched = false, maintainAR = false, background = false,
         intensForAlpha = false;
    std::wstring fileName;
    int32_t time = 0, position = 0;
    double alphaScale = 0, scale = 0;
    if (!input.ReadAttribute(L"info_found", found) || !input.ReadAttribute(L"info_filename", fileName) ||
        !input.ReadAttribute(L"info_time", time) || !input.ReadAttribute(L"position", position) ||
        !input.ReadAttribute(L"tiled", tiled) || !input.ReadAttribute(L"stretched", stretched) ||
        !input.ReadAttribute(L"maintainAR", maintainAR) || !input.ReadAttribute(L"background", background) ||
        !input.ReadAttribute(L"intensForAlpha", intensForAlpha) ||
        !input.ReadAttribute(L"alphaScale", alphaScale) || !input.ReadAttribute(L"scale", scale))
        return false;
    fileName = UnescapeXMLText(fileName);
    const CDibRef image = ReadImageListXML(input, CWatermarkList::ClassInfo());

    CSuspendUndo suspend;
    auto watermark = std::make_unique<CWatermark>();
    watermark->SetName(name);
    watermark->SetImage(image.Get());
    watermark->SetInfoFileName(fileName);
    watermark->SetInfo(fileName, found, time);
    watermark->SetPosition(position);
    watermark->SetTiled(tiled);
    watermark->SetStretched(stretched);
    watermark->SetMaintainAR(maintainAR);
    watermark->SetBackground(background);
    watermark->SetIntensForAlpha(intensForAlpha);
    watermark->SetScale(scale);
    watermark->SetAlphaScale(alphaScale);
    // The style and the model share a watermark they both show.
    if (CWatermark* shared = manager.FindEqual(*watermark)) {
        result = shared;
        return true;
    }
    if (manager.FindByName(name))
        watermark->SetName(manager.MakeUniqueName(name));
    result = watermark.release();
    return true;
}

}  // namespace

CWatermarkList::CWatermarkList(const std::vector<CWatermark*>& entries) : m_entries(entries)
{
    for (CWatermark* watermark : m_entries)
        if (watermark)
            watermark->AddUse();
}

CWatermarkList::CWatermarkList(const CWatermarkList& other) : CWatermarkList(other.m_entries) {}

CWatermarkList::~CWatermarkList()
{
    Clear();
}

const orbisk::XMLSerializableClassInfo& CWatermarkList::ClassInfo()
{
    return listClassInfo;
}

CWatermark* CWatermarkList::GetAt(int index) const
{
    return index >= 0 && index < GetCount() ? m_entries[static_cast<size_t>(index)] : nullptr;
}

bool CWatermarkList::Equals(const CWatermarkList& other) const
{
    if (m_entries.size() != other.m_entries.size())
        return false;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const CWatermark* a = m_entries[i];
        const CWatermark* b = other.m_entries[i];
        if (!a != !b || (a && !a->IsEqual(*b)))
            return false;
    }
    return true;
}

bool CWatermarkList::Contains(const CWatermark* watermark) const
{
    return watermark && std::find(m_entries.begin(), m_entries.end(), watermark) != m_entries.end();
}

void CWatermarkList::Add(CWatermark* watermark, bool background)
{
    if (!watermark)
        return;
    for (CWatermark* listed : m_entries) {
        if (!listed)
            continue;
        if (listed->IsEqual(*watermark))
            return;
        if (SameNameIgnoringCase(listed->GetName(), watermark->GetName())) {
            CSuspendUndo suspend;
            // Without a model the list's own names decide.
            CWatermarkManager* manager = GetCurrentWatermarkManager();
            watermark->SetName(manager ? manager->MakeUniqueName(watermark->GetName())
                                       : CWatermarkManager::MakeUniqueName(watermark->GetName(), m_entries));
        }
    }
    const auto separator = std::find(m_entries.begin(), m_entries.end(), nullptr);
    if (background) {
        if (separator == m_entries.end()) {
            m_entries.push_back(watermark);
            m_entries.push_back(nullptr);
        } else {
            m_entries.insert(separator, watermark);
        }
    } else {
        if (separator == m_entries.end())
            m_entries.push_back(nullptr);
        m_entries.push_back(watermark);
    }
    watermark->AddUse();
}

void CWatermarkList::Merge(const CWatermarkList& other)
{
    bool background = true;
    for (CWatermark* watermark : other.m_entries) {
        if (!watermark)
            background = false;
        else
            Add(watermark, background);
    }
}

void CWatermarkList::Clear()
{
    std::vector<CWatermark*> entries;
    entries.swap(m_entries);
    for (CWatermark* watermark : entries)
        if (watermark)
            watermark->ReleaseUse();
}

bool CWatermarkList::WriteXML(IXMLOutput& output)
{
    const int count = GetCount();
    output.WriteAttribute(L"count", count);
    if (count <= 0)
        return true;
    const std::wstring images = ListName("screenimages");
    const std::wstring image = ListName("screenimage");
    if (!output.BeginElement(images))
        return false;
    for (CWatermark* watermark : m_entries) {
        if (!output.BeginElement(image))
            continue;
        WriteEntry(output, watermark);
        output.EndElement(image);
    }
    output.EndElement(images);
    return true;
}

bool CWatermarkList::ReadXML(IXMLInput& input)
{
    CWatermarkManager* manager = GetCurrentWatermarkManager();
    IXMLSettingsInput* settingsInput = AsSettingsInput(input);
    if (!manager || !settingsInput)
        return false;
    int32_t count = 0;
    if (!input.ReadAttribute(L"count", count) || count < 0)
        return false;
    int32_t read = 0;
    if (input.EnterElement(ListName("screenimages"))) {
        if (input.EnterElement(ListName("screenimage"))) {
            bool ok = true;
            do {
                CWatermark* watermark = nullptr;
                if (!ReadEntry(*settingsInput, *manager, watermark)) {
                    ok = false;
                    break;
                }
                if (watermark)
                    watermark->AddUse();
                m_entries.push_back(watermark);
                ++read;
            } while (settingsInput->NextSibling());
            input.LeaveElement();
            if (!ok) {
                input.LeaveElement();
                return false;
            }
        }
        input.LeaveElement();
    }
    return read == count;
}
