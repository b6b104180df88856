#pragma once
// The test-side reader of the display settings' XML forms: IXMLSettingsInput over an element
// of a document parsed by Xerces (tests/support/XmlTestSupport.h). Finding a name again after
// an element of that name was left enters the next element of that name; NextSibling moves to
// the next element of the current one's name.

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "database/XmlValueHelpers.h"
#include "tests/support/XmlTestSupport.h"

class XmlTestInput : public IXMLSettingsInput {
public:
    explicit XmlTestInput(const orbisk::testing::xml::DOMElement* element) : m_elements{element} {}

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
    bool ReadAttribute(const std::wstring& name, std::wstring& value) override;
    bool ReadAttribute(const std::wstring& name, bool& value) override;
    bool ReadAttribute(const std::wstring& name, std::uint32_t& value) override;
    bool ReadObject(orbisk::IXMLSerializableObject*& object) override;
    bool NextSibling() override;

private:
    using Element = const orbisk::testing::xml::DOMElement*;
    Element Current() const { return m_elements.back(); }
    std::optional<std::wstring> AttributeText(const std::wstring& name) const;

    std::vector<Element> m_elements;
    // Per parent and name, the child entered last.
    std::map<std::pair<Element, std::wstring>, Element> m_entered;
};
