#include "database/XmlValueHelpers.h"

#include <memory>

#include "database/AttributeContainer.h"
#include "database/AttributeNamed.h"
#include "database/Entity.h"
#include "geometry/Point3d.h"
#include "geometry/Transform3d.h"
#include "geometry/UnitVector3d.h"
#include "support/StringUtils.h"
#include "support/TypedValue.h"
#include "support/XMLNamespaces.h"
#include "support/XMLOutput.h"
#include "support/XMLValueElements.h"

using orbisk::IXMLInput;
using orbisk::IXMLOutput;
using orbisk::utils::CTypedValue;
namespace geometry = orbisk::geometry;
namespace utils = orbisk::utils;

namespace {

const std::wstring& TypesNamespace()
{
    static const std::wstring uri = utils::WideFromUtf8(orbisk::kTypesNamespace);
    return uri;
}

std::wstring TypesName(const char* localName)
{
    return WStringPlusAscii(TypesNamespace(), ":") + utils::WideFromUtf8(localName);
}

std::unique_ptr<ZephyronNamespaceConversionMap> conversionMap;

}  // namespace

IXMLSettingsInput* AsSettingsInput(IXMLInput& input)
{
    return dynamic_cast<IXMLSettingsInput*>(&input);
}

std::wstring UnescapeXMLText(const std::wstring& text)
{
    std::wstring result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 4, L"&lt;") == 0) {
            result += L'<';
            i += 3;
        } else if (text.compare(i, 4, L"&gt;") == 0) {
            result += L'>';
            i += 3;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::wstring WStringPlusAscii(const std::wstring& wide, const char* ascii)
{
    std::wstring result = wide;
    for (const char* c = ascii; c && *c; ++c)
        result += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return result;
}

void WriteTypedValueXML(IXMLOutput& output, const CTypedValue& value)
{
    const int32_t type = value.GetType();
    output.WriteAttribute(L"type", static_cast<int>(type));
    switch (type) {
        case utils::kTypeByte: output.WriteText(static_cast<unsigned char>(value.GetByte())); break;
        case utils::kTypeShort: {
            int16_t v = 0;
            value.TryGetShort(v);
            output.WriteText(static_cast<short>(v));
            break;
        }
        case utils::kTypeInt: output.WriteText(static_cast<long>(value.GetInt())); break;
        case utils::kTypeFloat: output.WriteText(value.GetFloat()); break;
        case utils::kTypeDouble:
        case 12:
        case 13:
        case 14:
        case 15:
        case 16: output.WriteText(value.GetDouble()); break;
        case utils::kTypeBool: output.WriteText(value.GetBool()); break;
        case utils::kTypeColor: {
            utils::CColor color;
            value.TryGetColor(color);
            output.WriteText(static_cast<unsigned long>(color.GetPacked()));
            break;
        }
        case utils::kTypeTime: {
            int64_t seconds = 0;
            value.TryGetTime(seconds);
            // The form keeps 32 bits only: the low word, read back sign-extended.
            output.WriteText(static_cast<long>(static_cast<int32_t>(static_cast<uint32_t>(seconds))));
            break;
        }
        case utils::kTypeString:
            output.WriteText(orbisk::XMLEscapedText{value.GetString().GetString()});
            break;
        case utils::kTypePoint:
        case utils::kTypeVector:
        case utils::kTypeUnitVector: {
            double x = 0, y = 0, z = 0;
            if (type == utils::kTypePoint) {
                geometry::CPoint3d p;
                value.TryGetPoint(p);
                x = p.x, y = p.y, z = p.z;
            } else if (type == utils::kTypeVector) {
                geometry::CVector3d v;
                value.TryGetVector(v);
                x = v.x, y = v.y, z = v.z;
            } else {
                geometry::CUnitVector3d v;
                value.TryGetUnitVector(v);
                x = v.x, y = v.y, z = v.z;
            }
            const wchar_t* name = type == utils::kTypePoint    ? L"point"
                                  : type == utils::kTypeVector ? L"vector"
                                                               : L"unitVector";
            orbisk::WritePoint3dXML(output, name, x, y, z);
            break;
        }
        case utils::kTypeTransform: {
            geometry::CTransform3d transform;
            value.TryGetTransform(transform);
            orbisk::WriteTransformXML(output, L"transform", transform);
            break;
        }
        default: break;
    }
}

bool ReadTypedValueXML(IXMLInput& input, CTypedValue& value)
{
    int32_t type = 0;
    if (!input.ReadAttribute(L"type", type))
        return true;
    switch (type) {
        case utils::kTypeByte: {
            uint8_t v = 0;
            if (input.ReadByte(v))
                value.SetByte(v);
            break;
        }
        case utils::kTypeShort: {
            int16_t v = 0;
            if (input.ReadShort(v))
                value.SetShort(v);
            break;
        }
        case utils::kTypeInt: {
            int32_t v = 0;
            if (input.ReadInt(v))
                value.SetInt(v);
            break;
        }
        case utils::kTypeFloat: {
            float v = 0;
            if (input.ReadFloat(v))
                value.SetFloat(v);
            break;
        }
        case utils::kTypeDouble:
        case 12:
        case 13:
        case 14:
        case 15:
        case 16: {
            double v = 0;
            if (input.ReadDouble(v))
                value.SetDouble(v);
            break;
        }
        case utils::kTypeBool: {
            bool v = false;
            if (input.ReadBool(v))
                value.SetBool(v);
            break;
        }
        case utils::kTypeColor: {
            // Written as the unsigned 32-bit word; read as the same bits.
            int64_t v = 0;
            if (input.ReadInt64(v))
                value.SetColor(utils::CColor(static_cast<uint32_t>(v)));
            break;
        }
        case utils::kTypeTime: {
            int32_t v = 0;
            if (input.ReadInt(v))
                value.SetTime(static_cast<int64_t>(v));
            break;
        }
        case utils::kTypeString: {
            std::wstring text;
            if (input.ReadText(text))
                value.SetString(CString(UnescapeXMLText(text).c_str()));
            break;
        }
        case utils::kTypePoint: {
            geometry::CPoint3d p(0, 0, 0);
            orbisk::ReadPoint3dXML(input, L"point", p);
            value.SetPoint(p);
            break;
        }
        case utils::kTypeVector: {
            geometry::CVector3d v(0, 0, 0);
            orbisk::ReadVector3dXML(input, L"vector", v);
            value.SetVector(v);
            break;
        }
        case utils::kTypeUnitVector: {
            geometry::CUnitVector3d v(0, 0, 1);
            orbisk::ReadUnitVector3dXML(input, L"unitVector", v);
            value.SetUnitVector(v);
            break;
        }
        case utils::kTypeTransform: {
            geometry::CTransform3d t;
            orbisk::ReadTransformXML(input, L"transform", t);
            value.SetTransform(t);
            break;
        }
        default: break;
    }
    return true;
}

bool WriteAttributeDictionaryXML(IXMLOutput& output, const CAttributeNamed& dictionary)
{
    const std::wstring element = TypesName("AttributeDictionary");
    if (!output.BeginElement(element))
        return false;
    output.WriteAttribute(L"name", orbisk::XMLEscapedText{dictionary.GetName().GetString()});
    output.WriteAttribute(L"count", static_cast<int>(dictionary.GetDictionary().size()));
    const std::wstring entry = TypesName("Attribute");
    for (const auto& [key, value] : dictionary.GetDictionary()) {
        if (!output.BeginElement(entry))
            continue;
        output.WriteAttribute(L"key", orbisk::XMLEscapedText{key.GetString()});
        WriteTypedValueXML(output, value);
        output.EndElement(entry);
    }
    output.EndElement(element);
    return true;
}

bool WriteAttributeDictionariesXML(IXMLOutput& output, const CAttributeContainer* container)
{
    const std::wstring element = TypesName("AttributeDictionaries");
    if (!output.BeginElement(element))
        return false;
    int written = 0;
    for (int i = 0; container && i < container->GetCount(); ++i) {
        const auto* dictionary = dynamic_cast<const CAttributeNamed*>(container->GetAt(i));
        if (!dictionary || !dictionary->IsPersistent())
            continue;
        if (WriteAttributeDictionaryXML(output, *dictionary))
            ++written;
    }
    output.WriteAttribute(L"count", written);
    output.EndElement(element);
    return true;
}

CAttributeNamed* ReadAttributeDictionaryXML(IXMLInput& input)
{
    IXMLSettingsInput* settingsInput = AsSettingsInput(input);
    if (!settingsInput || !input.EnterElement(TypesName("AttributeDictionary")))
        return nullptr;
    std::wstring name;
    int32_t count = 0;
    settingsInput->ReadAttribute(L"name", name);
    input.ReadAttribute(L"count", count);
    auto dictionary = std::make_unique<CAttributeNamed>(CString(UnescapeXMLText(name).c_str()));
    const std::wstring entry = TypesName("Attribute");
    // The entries are walked one element at a time, so a hostile count costs nothing.
    for (int32_t i = 0; i < count; ++i) {
        if (!input.EnterElement(entry))
            break;
        std::wstring key;
        settingsInput->ReadAttribute(L"key", key);
        CTypedValue value;
        ReadTypedValueXML(input, value);
        dictionary->SetValue(CString(UnescapeXMLText(key).c_str()), value);
        input.LeaveElement();
    }
    input.LeaveElement();
    return dictionary.release();
}

bool ReadAttributeDictionariesXML(IXMLInput& input, CEntity& owner)
{
    if (!input.EnterElement(TypesName("AttributeDictionaries")))
        return true;
    int32_t count = 0;
    const bool result = input.ReadAttribute(L"count", count);
    for (int32_t i = 0; result && i < count; ++i) {
        CAttributeNamed* dictionary = ReadAttributeDictionaryXML(input);
        if (!dictionary)
            break;
        owner.AddAttributeDictionary(dictionary);
    }
    input.LeaveElement();
    return result;
}

ZephyronNamespaceConversionMap::ZephyronNamespaceConversionMap()
    : m_map(orbisk::GetOrbiskNamespaceConversionMap().GetMap())
{
    const auto uri = [](const char* host, const char* path) {
        return utils::WideFromUtf8(host) + utils::WideFromUtf8(path);
    };
    using orbisk::kCurrentSchemaHost;
    using orbisk::kFormerProductHost;
    using orbisk::kMakerHost;
    const char* const kinds[] = {"material", "npr", "style", "wmlist"};
    for (const char* kind : kinds) {
        const std::string path = std::string("/schemas/zephyron/1.0/") + kind;
        const std::wstring current = uri(kCurrentSchemaHost, path.c_str());
        m_map[uri(kFormerProductHost, path.c_str())] = current;
        m_map[uri(kMakerHost, (std::string("/schemas/orbisk/") + kind).c_str())] = current;
        m_map[current] = current;
    }
    const std::wstring metadata = uri(kCurrentSchemaHost, "/schemas/zephyron/1.0/metadata");
    m_map[metadata] = metadata;
    const std::wstring schemaInstance = utils::WideFromUtf8(orbisk::kXMLSchemaInstanceNamespace);
    m_map[schemaInstance] = schemaInstance;
}

const ZephyronNamespaceConversionMap::Map& GetNamespaceConversionMap()
{
    if (!conversionMap)
        conversionMap = std::make_unique<ZephyronNamespaceConversionMap>();
    return conversionMap->GetMap();
}

void ReleaseZephyronNamespaceMap()
{
    conversionMap.reset();
    orbisk::ReleaseXMLNamespaceMaps();
}
