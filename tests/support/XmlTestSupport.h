#pragma once
// Reading written documents back as an independent reader would: Xerces with
// namespaces on and no external DTD loading. DomXMLInput is the test-side IXMLInput over
// a parsed element (the program itself has no XML reader).

#include "support/DocumentPersister.h"
#include "support/XMLInput.h"

#include <xercesc/dom/DOM.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbisk::testing {

namespace xml = XERCES_CPP_NAMESPACE;

std::wstring Wide(const XMLCh* text);

// An element's or attribute's name as a namespace-aware reader resolves it.
struct ExpandedName {
    std::wstring namespaceURI;
    std::wstring localName;
    friend bool operator==(const ExpandedName&, const ExpandedName&) = default;
};
ExpandedName NameOf(const xml::DOMNode* node);
std::vector<const xml::DOMElement*> ChildElements(const xml::DOMElement* element);
std::vector<ExpandedName> ChildNames(const xml::DOMElement* element);
// The first child element of the name, or null.
const xml::DOMElement* Child(const xml::DOMElement* element, const std::wstring& namespaceURI,
                             const std::wstring& localName);
// An attribute in the namespace (none when empty), or nothing.
std::optional<std::wstring> Attribute(const xml::DOMElement* element, const std::wstring& namespaceURI,
                                      const std::wstring& localName);
std::wstring TextOf(const xml::DOMElement* element);

class ParsedDocument {
public:
    explicit ParsedDocument(std::string_view utf8);
    static ParsedDocument FromText(const std::wstring& text);
    static ParsedDocument FromFile(const std::filesystem::path& path);
    ~ParsedDocument();
    ParsedDocument(const ParsedDocument&) = delete;
    ParsedDocument& operator=(const ParsedDocument&) = delete;

    bool IsWellFormed() const { return m_wellFormed; }
    // Null when the document is not well-formed.
    const xml::DOMElement* Root() const;

private:
    struct Platform {
        Platform();
        ~Platform();
    } m_platform;
    std::unique_ptr<xml::XercesDOMParser> m_parser;
    bool m_wellFormed = false;
};

class DomXMLInput : public IXMLInput {
public:
    explicit DomXMLInput(const xml::DOMElement* element) : m_elements{element} {}

    bool ReadText(std::wstring& text) override;
    bool ReadBool(bool& value) override;
    bool ReadUInt(std::uint32_t& value) override;
    bool ReadInt(std::int32_t& value) override;
    bool ReadInt64(std::int64_t& value) override;
    bool ReadByte(std::uint8_t& value) override;
    bool ReadShort(std::int16_t& value) override;
    bool ReadFloat(float& value) override;
    bool ReadDouble(double& value) override;
    bool EnterElement(const std::wstring& name) override;
    bool LeaveElement() override;
    bool ReadAttribute(const std::wstring& name, std::int32_t& value) override;
    bool ReadAttribute(const std::wstring& name, double& value) override;
    bool ReadObject(IXMLSerializableObject*& object) override;

private:
    const xml::DOMElement* Current() const { return m_elements.back(); }
    std::vector<const xml::DOMElement*> m_elements;
};

// A document with no content of its own: what every document writes and reads around it.
class EmptyTestDocument : public DocumentPersister {
public:
    EmptyTestDocument()
        : DocumentPersister({L"testDocument", kDocumentPartFileName, L"tst", L"urn:test", L"urn:test.xsd"})
    {}
    bool WriteContent(IXMLOutput&) override { return true; }
    bool ReadContent(IXMLInput&) override { return true; }
};

}  // namespace orbisk::testing
