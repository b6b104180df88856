#include "tests/settings/XmlTestInput.h"

#include <cwchar>
#include <limits>

#include "support/StringUtils.h"
#include "support/XMLSerializableClassInfo.h"
#include "support/XMLSerializableObject.h"

using orbisk::testing::ExpandedName;
using orbisk::testing::NameOf;
using orbisk::testing::TextOf;

namespace {

ExpandedName SplitName(const std::wstring& name)
{
    const size_t colon = name.rfind(L':');
    if (colon == std::wstring::npos)
        return {L"", name};
    return {name.substr(0, colon), name.substr(colon + 1)};
}

// A plain name matches an element of that local name in any namespace.
bool Matches(const orbisk::testing::xml::DOMElement* element, const ExpandedName& wanted)
{
    const ExpandedName found = NameOf(element);
    return found.localName == wanted.localName && (wanted.namespaceURI.empty() || found == wanted);
}

template <typename T>
bool ParseInteger(std::wstring text, T& value)
{
    text = orbisk::utils::Trim(text);
    if (text.empty())
        return false;
    wchar_t* end = nullptr;
    errno = 0;
    const long long parsed = std::wcstoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != L'\0' || parsed < static_cast<long long>(std::numeric_limits<T>::min()) ||
        parsed > static_cast<long long>(std::numeric_limits<T>::max()))
        return false;
    value = static_cast<T>(parsed);
    return true;
}

bool ParseDouble(std::wstring text, double& value)
{
    text = orbisk::utils::Trim(text);
    if (text.empty())
        return false;
    wchar_t* end = nullptr;
    const double parsed = std::wcstod(text.c_str(), &end);
    if (*end != L'\0')
        return false;
    value = parsed;
    return true;
}

bool ParseBool(std::wstring text, bool& value)
{
    text = orbisk::utils::Trim(text);
    if (text != L"0" && text != L"1")
        return false;
    value = text == L"1";
    return true;
}

}  // namespace

std::optional<std::wstring> XmlTestInput::AttributeText(const std::wstring& name) const
{
    const ExpandedName expanded = SplitName(name);
    return orbisk::testing::Attribute(Current(), expanded.namespaceURI, expanded.localName);
}

bool XmlTestInput::ReadText(std::wstring& text)
{
    text = TextOf(Current());
    return true;
}

bool XmlTestInput::ReadBool(bool& value)
{
    return ParseBool(TextOf(Current()), value);
}

bool XmlTestInput::ReadUInt(std::uint32_t& value)
{
    return ParseInteger(TextOf(Current()), value);
}

bool XmlTestInput::ReadInt(std::int32_t& value)
{
    return ParseInteger(TextOf(Current()), value);
}

bool XmlTestInput::ReadInt64(std::int64_t& value)
{
    return ParseInteger(TextOf(Current()), value);
}

bool XmlTestInput::ReadByte(std::uint8_t& value)
{
    return ParseInteger(TextOf(Current()), value);
}

bool XmlTestInput::ReadShort(std::int16_t& value)
{
    return ParseInteger(TextOf(Current()), value);
}

bool XmlTestInput::ReadFloat(float& value)
{
    double parsed = 0;
    if (!ParseDouble(TextOf(Current()), parsed))
        return false;
    value = static_cast<float>(parsed);
    return true;
}

bool XmlTestInput::ReadDouble(double& value)
{
    return ParseDouble(TextOf(Current()), value);
}

bool XmlTestInput::EnterElement(const std::wstring& name)
{
    const ExpandedName wanted = SplitName(name);
    Element& last = m_entered[{Current(), name}];
    Element child = last ? last->getNextElementSibling() : Current()->getFirstElementChild();
    for (; child; child = child->getNextElementSibling()) {
        if (Matches(child, wanted)) {
            last = child;
            m_elements.push_back(child);
            return true;
        }
    }
    return false;
}

bool XmlTestInput::LeaveElement()
{
    if (m_elements.size() < 2)
        return false;
    m_elements.pop_back();
    return true;
}

bool XmlTestInput::NextSibling()
{
    if (m_elements.size() < 2)
        return false;
    const ExpandedName name = NameOf(Current());
    for (Element sibling = Current()->getNextElementSibling(); sibling;
         sibling = sibling->getNextElementSibling()) {
        if (NameOf(sibling) == name) {
            m_elements.back() = sibling;
            return true;
        }
    }
    return false;
}

bool XmlTestInput::ReadAttribute(const std::wstring& name, std::int32_t& value)
{
    const auto text = AttributeText(name);
    return text && ParseInteger(*text, value);
}

bool XmlTestInput::ReadAttribute(const std::wstring& name, double& value)
{
    const auto text = AttributeText(name);
    return text && ParseDouble(*text, value);
}

bool XmlTestInput::ReadAttribute(const std::wstring& name, std::wstring& value)
{
    const auto text = AttributeText(name);
    if (!text)
        return false;
    value = *text;
    return true;
}

bool XmlTestInput::ReadAttribute(const std::wstring& name, bool& value)
{
    const auto text = AttributeText(name);
    return text && ParseBool(*text, value);
}

bool XmlTestInput::ReadAttribute(const std::wstring& name, std::uint32_t& value)
{
    const auto text = AttributeText(name);
    return text && ParseInteger(*text, value);
}

bool XmlTestInput::ReadObject(orbisk::IXMLSerializableObject*& object)
{
    Element child = Current()->getFirstElementChild();
    if (!child)
        return false;
    const ExpandedName name = NameOf(child);
    const orbisk::XMLSerializableClassInfo* record = orbisk::XMLSerializableClassInfo::Find(
        orbisk::utils::ToUtf8(name.namespaceURI + L":" + name.localName));
    orbisk::IXMLSerializableObject* created = record && record->factory ? record->factory() : nullptr;
    if (!created)
        return false;
    m_elements.push_back(child);
    const bool read = created->ReadXML(*this);
    m_elements.pop_back();
    if (!read) {
        delete created;
        return false;
    }
    object = created;
    return true;
}
