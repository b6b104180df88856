#include "settings/Style.h"

#include <cmath>
#include <memory>

#include "database/UndoManager.h"
#include "database/XmlValueHelpers.h"
#include "settings/NPREdge.h"
#include "settings/RenderingOptions.h"
#include "settings/StyleProperties.h"
#include "settings/WatermarkList.h"
#include "support/StringUtils.h"
#include "support/XMLNamespaces.h"
#include "support/XMLOutput.h"

namespace orbisk {

namespace {

IXMLSerializableObject* NewStyle()
{
    return new Style();
}

const XMLSerializableClassInfo styleClassInfo("Style", "style", kStyleNamespace, 0, 0, &NewStyle);

const std::wstring& StyleNamespace()
{
    static const std::wstring uri = utils::WideFromUtf8(kStyleNamespace);
    return uri;
}

std::wstring ItemName()
{
    return StyleNamespace() + L":item";
}

DocumentPartInfo StylePart()
{
    return {L"styleDocument", kDocumentPartFileName, L"sty", StyleNamespace(), StyleNamespace() + L".xsd"};
}

template <class T>
T* ObjectOf(const Variant& value)
{
    XMLSerializableObjectBase* object = nullptr;
    if (value.GetType() == Variant::kObject)
        value.GetObject(object);
    return dynamic_cast<T*>(object);
}

// A Variant holding a new object made from the source; the Variant's reference is the only one.
template <class T>
Variant CopiedObject(const T& source)
{
    return Variant(static_cast<XMLSerializableObjectBase*>(new T(source)));
}

}  // namespace

Style::Style() : DocumentPersister(StylePart())
{
    GetDocumentProperties().generatorName = L"Style";
    GetDocumentProperties().generatorVersion = 1.0f;
    GetNamespaceConversionMap() = ::GetNamespaceConversionMap();
    SetDefaults();
}

Style::Style(const Style& other) : XMLSerializableObjectBase(other), DocumentPersister(StylePart())
{
    GetNamespaceConversionMap() = ::GetNamespaceConversionMap();
    SetDefaults();
    Assign(other);
}

Style& Style::operator=(const Style& other)
{
    if (this != &other) {
        Reset();
        Assign(other);
    }
    return *this;
}

Style::~Style() = default;

const XMLSerializableClassInfo& Style::ClassInfo()
{
    return styleClassInfo;
}

Variant Style::GetProperty(int id) const
{
    const auto it = m_properties.find(id);
    return it == m_properties.end() ? Variant() : it->second;
}

void Style::SetProperty(int id, const Variant& value)
{
    if (value.IsEmpty())
        return;
    DiscardThumbnail();
    m_properties[id] = value;
}

bool Style::RemoveProperty(int id)
{
    if (m_properties.erase(id) == 0)
        return false;
    DiscardThumbnail();
    return true;
}

NPREdge* Style::GetNPREdge() const
{
    const auto it = m_properties.find(style::kStrokeSetId);
    return it == m_properties.end() ? nullptr : ObjectOf<NPREdge>(it->second);
}

CWatermarkList* Style::GetWatermarkList() const
{
    const auto it = m_properties.find(style::kWatermarkListId);
    return it == m_properties.end() ? nullptr : ObjectOf<CWatermarkList>(it->second);
}

bool Style::PropertiesEqual(const Style& other) const
{
    if (m_properties.size() != other.m_properties.size())
        return false;
    for (const auto& [id, theirs] : other.m_properties) {
        const Variant mine = GetProperty(id);
        if (mine == theirs)
            continue;
        if (id == style::kStrokeSetId) {
            const NPREdge* a = ObjectOf<NPREdge>(mine);
            const NPREdge* b = ObjectOf<NPREdge>(theirs);
            if (a && b && a->Equals(*b))
                continue;
        } else if (id == style::kWatermarkListId) {
            const CWatermarkList* a = ObjectOf<CWatermarkList>(mine);
            const CWatermarkList* b = ObjectOf<CWatermarkList>(theirs);
            if (a && b && a->Equals(*b))
                continue;
        }
        return false;
    }
    return true;
}

bool Style::Equals(const Style& other) const
{
    return m_name == other.m_name && m_description == other.m_description && PropertiesEqual(other);
}

void Style::SetDefaults()
{
    // The options are a scratch object: making it must not enter any undo record.
    CSuspendUndo suspend;
    const auto options = std::make_unique<CRenderingOptions>();
    for (const style::PropertyEntry& entry : style::GetPropertyTable())
        SetProperty(entry.id, entry.get(*options));
}

void Style::Reset()
{
    DiscardThumbnail();
    m_properties.clear();
    SetDefaults();
}

void Style::CopyPropertiesFrom(const Style& source)
{
    for (const auto& [id, value] : source.m_properties) {
        if (const NPREdge* strokes = id == style::kStrokeSetId ? ObjectOf<NPREdge>(value) : nullptr)
            SetProperty(id, CopiedObject(*strokes));
        else if (const CWatermarkList* list =
                     id == style::kWatermarkListId ? ObjectOf<CWatermarkList>(value) : nullptr)
            SetProperty(id, CopiedObject(*list));
        else
            SetProperty(id, value);
    }
}

void Style::Assign(const Style& source)
{
    if (this == &source)
        return;
    m_name = source.m_name;
    m_description = source.m_description;
    CopyPropertiesFrom(source);
    // After the properties, whose setting discards the thumbnail: the copy shows the same
    // style, so the source's thumbnail still shows it.
    if (CDib* thumbnail = source.GetThumbnail()) {
        CDib* copy = new CDib();
        copy->Assign(*thumbnail);
        SetThumbnail(copy);
    } else {
        DiscardThumbnail();
    }
}

bool Style::NearlyEqual(double a, double b)
{
    return std::fabs(a - b) <= 0.001;
}

bool Style::WriteXML(IXMLOutput& output)
{
    output.DeclareNamespace(utils::WideFromUtf8(kTypesNamespace), L"t");
    output.WriteAttribute(L"name", XMLEscapedText{m_name});
    output.WriteAttribute(L"desc", XMLEscapedText{m_description});
    const std::wstring item = ItemName();
    for (auto& [id, value] : m_properties) {
        if (!output.BeginElement(item))
            continue;
        output.WriteAttribute(L"id", id);
        output.WriteObject(&value);
        output.EndElement(item);
    }
    return true;
}

bool Style::ReadXML(IXMLInput& input)
{
    IXMLSettingsInput* settingsInput = AsSettingsInput(input);
    if (!settingsInput)
        return false;
    bool result = true;
    std::wstring text;
    if (settingsInput->ReadAttribute(L"name", text))
        m_name = UnescapeXMLText(text);
    else
        result = false;
    if (settingsInput->ReadAttribute(L"desc", text))
        m_description = UnescapeXMLText(text);
    else
        result = false;
    if (!input.EnterElement(ItemName()))
        return result;
    do {
        int32_t id = 0;
        if (!input.ReadAttribute(L"id", id))
            result = false;
        IXMLSerializableObject* object = nullptr;
        if (!input.ReadObject(object)) {
            result = false;
            continue;
        }
        std::unique_ptr<IXMLSerializableObject> owned(object);
        if (const auto* value = dynamic_cast<const Variant*>(object))
            SetProperty(id, *value);
        else
            result = false;
    } while (settingsInput->NextSibling());
    input.LeaveElement();
    return result;
}

bool Style::Save(const std::wstring& path)
{
    GetDocumentProperties().title = m_name;
    GetDocumentProperties().description = m_description;
    return DocumentPersister::Save(path);
}

bool Style::WriteThumbnailFile(const std::wstring& path)
{
    CDib* thumbnail = GetThumbnail();
    return thumbnail && thumbnail->GetImageRep() && thumbnail->SaveFile(path);
}

bool Style::WriteContent(IXMLOutput& output)
{
    return output.WriteObject(this);
}

bool Style::ReadThumbnailFile(const std::wstring& path)
{
    DiscardThumbnail();
    CDibRef thumbnail(new CDib());
    if (!thumbnail->LoadFile(path))
        return false;
    m_thumbnail = thumbnail;
    return true;
}

bool Style::ReadContent(IXMLInput& input)
{
    if (!input.EnterElement(WStringPlusAscii(StyleNamespace(), ":style")))
        return false;
    const bool result = ReadXML(input);
    input.LeaveElement();
    return result;
}

}  // namespace orbisk
