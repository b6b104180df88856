#include "tests/support/XmlTestSupport.h"

#include "support/StringUtils.h"
#include "support/XMLSerializableClassInfo.h"
#include "support/XMLSerializableObject.h"

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <cerrno>
#include <cwchar>
#include <fstream>
#include <limits>
#include <sstream>

namespace orbisk::testing {

namespace {

// The name split as IXMLOutput splits it: at the last colon, the URI before it.
ExpandedName SplitName(const std::wstring& name)
{
    const size_t colon = name.rfind(L':');
    if (colon == std::wstring::npos)
        return {L"", name};
    return {name.substr(0, colon), name.substr(colon + 1)};
}

std::optional<std::wstring> AttributeByName(const xml::DOMElement* element, const std::wstring& name)
{
    const ExpandedName expanded = SplitName(name);
    return Attribute(element, expanded.namespaceURI, expanded.localName);
}

std::wstring Trimmed(std::wstring text)
{
    return utils::Trim(text);
}

// The whole text as an integer within the bounds.
bool ParseInteger(const std::wstring& text, long long low, long long high, long long& value)
{
    const std::wstring trimmed = Trimmed(text);
    if (trimmed.empty())
        return false;
    wchar_t* end = nullptr;
    errno = 0;
    const long long parsed = std::wcstoll(trimmed.c_str(), &end, 10);
    if (errno != 0 || *end != L'\0' || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

bool ParseDouble(const std::wstring& text, double& value)
{
    const std::wstring trimmed = Trimmed(text);
    if (trimmed.empty())
        return false;
    wchar_t* end = nullptr;
    const double parsed = std::wcstod(trimmed.c_str(), &end);
    if (*end != L'\0')
        return false;
    value = parsed;
    return true;
}

template <typename T>
bool ReadIntegerText(const std::wstring& text, T& value)
{
    long long parsed = 0;
    if (!ParseInteger(text, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), parsed))
        return false;
    value = static_cast<T>(parsed);
    return true;
}

}  // namespace

std::wstring Wide(const XMLCh* text)
{
    std::wstring wide;
    if (!text)
        return wide;
    for (const XMLCh* unit = text; *unit; ++unit) {
        const char32_t high = *unit;
        if (high >= 0xD800 && high <= 0xDBFF && unit[1] >= 0xDC00 && unit[1] <= 0xDFFF) {
            wide += static_cast<wchar_t>(0x10000 + ((high - 0xD800) << 10) + (*++unit - 0xDC00));
            continue;
        }
        wide += static_cast<wchar_t>(high);
    }
    return wide;
}

ExpandedName NameOf(const xml::DOMNode* node)
{
    return {Wide(node->getNamespaceURI()), Wide(node->getLocalName())};
}

std::vector<const xml::DOMElement*> ChildElements(const xml::DOMElement* element)
{
    std::vector<const xml::DOMElement*> children;
    for (const xml::DOMElement* child = element->getFirstElementChild(); child;
         child = child->getNextElementSibling())
        children.push_back(child);
    return children;
}

std::vector<ExpandedName> ChildNames(const xml::DOMElement* element)
{
    std::vector<ExpandedName> names;
    for (const xml::DOMElement* child : ChildElements(element))
        names.push_back(NameOf(child));
    return names;
}

const xml::DOMElement* Child(const xml::DOMElement* element, const std::wstring& namespaceURI,
                             const std::wstring& localName)
{
    for (const xml::DOMElement* child : ChildElements(element))
        if (NameOf(child) == ExpandedName{namespaceURI, localName})
            return child;
    return nullptr;
}

std::optional<std::wstring> Attribute(const xml::DOMElement* element, const std::wstring& namespaceURI,
                                      const std::wstring& localName)
{
    const std::u16string uri(namespaceURI.begin(), namespaceURI.end());
    const std::u16string local(localName.begin(), localName.end());
    const XMLCh* ns = uri.empty() ? nullptr : uri.c_str();
    if (!element->hasAttributeNS(ns, local.c_str()))
        return std::nullopt;
    return Wide(element->getAttributeNS(ns, local.c_str()));
}

std::wstring TextOf(const xml::DOMElement* element)
{
    return Wide(element->getTextContent());
}

ParsedDocument::Platform::Platform()
{
    xml::XMLPlatformUtils::Initialize();
}
ParsedDocument::Platform::~Platform()
{
    xml::XMLPlatformUtils::Terminate();
}

ParsedDocument::ParsedDocument(std::string_view utf8) : m_parser(std::make_unique<xml::XercesDOMParser>())
{
    m_parser->setDoNamespaces(true);
    m_parser->setLoadExternalDTD(false);
    m_parser->setValidationScheme(xml::XercesDOMParser::Val_Never);
    m_parser->setCreateEntityReferenceNodes(false);
    const xml::MemBufInputSource source(reinterpret_cast<const XMLByte*>(utf8.data()), utf8.size(),
                                        "written");
    try {
        m_parser->parse(source);
        m_wellFormed = m_parser->getErrorCount() == 0 && m_parser->getDocument() &&
                       m_parser->getDocument()->getDocumentElement();
    } catch (...) {
        m_wellFormed = false;
    }
}

ParsedDocument ParsedDocument::FromText(const std::wstring& text)
{
    return ParsedDocument(utils::ToUtf8(text));
}

ParsedDocument ParsedDocument::FromFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return ParsedDocument(bytes.str());
}

ParsedDocument::~ParsedDocument()
{
    m_parser.reset();
}

const xml::DOMElement* ParsedDocument::Root() const
{
    return m_wellFormed ? m_parser->getDocument()->getDocumentElement() : nullptr;
}

bool DomXMLInput::ReadText(std::wstring& text)
{
    text = TextOf(Current());
    return true;
}

bool DomXMLInput::ReadBool(bool& value)
{
    const std::wstring text = Trimmed(TextOf(Current()));
    if (text != L"0" && text != L"1")
        return false;
    value = text == L"1";
    return true;
}

bool DomXMLInput::ReadUInt(std::uint32_t& value)
{
    return ReadIntegerText(TextOf(Current()), value);
}
bool DomXMLInput::ReadInt(std::int32_t& value)
{
    return ReadIntegerText(TextOf(Current()), value);
}
bool DomXMLInput::ReadInt64(std::int64_t& value)
{
    return ReadIntegerText(TextOf(Current()), value);
}
bool DomXMLInput::ReadByte(std::uint8_t& value)
{
    return ReadIntegerText(TextOf(Current()), value);
}
bool DomXMLInput::ReadShort(std::int16_t& value)
{
    return ReadIntegerText(TextOf(Current()), value);
}

bool DomXMLInput::ReadFloat(float& value)
{
    double parsed = 0;
    if (!ParseDouble(TextOf(Current()), parsed))
        return false;
    value = static_cast<float>(parsed);
    return true;
}

bool DomXMLInput::ReadDouble(double& value)
{
    return ParseDouble(TextOf(Current()), value);
}

bool DomXMLInput::EnterElement(const std::wstring& name)
{
    const ExpandedName wanted = SplitName(name);
    for (const xml::DOMElement* child : ChildElements(Current())) {
        const ExpandedName found = NameOf(child);
        // A plain name is written in whatever default namespace is in scope.
        if (found.localName == wanted.localName && (wanted.namespaceURI.empty() || found == wanted)) {
            m_elements.push_back(child);
            return true;
        }
    }
    return false;
}

bool DomXMLInput::LeaveElement()
{
    if (m_elements.size() < 2)
        return false;
    m_elements.pop_back();
    return true;
}

bool DomXMLInput::ReadAttribute(const std::wstring& name, std::int32_t& value)
{
    const std::optional<std::wstring> text = AttributeByName(Current(), name);
    return text && ReadIntegerText(*text, value);
}

bool DomXMLInput::ReadAttribute(const std::wstring& name, double& value)
{
    const std::optional<std::wstring> text = AttributeByName(Current(), name);
    return text && ParseDouble(*text, value);
}

bool DomXMLInput::ReadObject(IXMLSerializableObject*& object)
{
    const xml::DOMElement* child = Current()->getFirstElementChild();
    if (!child)
        return false;
    const ExpandedName name = NameOf(child);
    const XMLSerializableClassInfo* record =
        XMLSerializableClassInfo::Find(utils::ToUtf8(name.namespaceURI + L":" + name.localName));
    IXMLSerializableObject* created = record && record->factory ? record->factory() : nullptr;
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

}  // namespace orbisk::testing
