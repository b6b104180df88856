#pragma once
// The element shapes that the XML forms of the display settings share (materials, textures,
// watermark lists, styles, stroke sets): a typed value, an entity's attribute dictionaries, and
// the map that turns the namespaces of older documents into the current ones. Image references
// are in settings/XMLImageReference.h.
//
// Element names are qualified as the writer takes them: a namespace URI, ":" and the local
// name. Attribute dictionaries are in the types namespace; typed-value children ("point",
// "vector", "unitVector", "transform") have no namespace.
//
// Typed value: the attribute "type" with the value's code on the element the caller opened,
// then the value as text (a time as its low 32 bits, a colour as its 32-bit word), or as a
// child element for points, vectors, unit vectors and transformations; nothing for the empty
// value and arrays.

#include <map>
#include <string>

#include "support/XMLInput.h"

namespace orbisk {
class IXMLOutput;
namespace utils {
class CTypedValue;
}
}  // namespace orbisk

class CAttributeContainer;
class CAttributeNamed;
class CEntity;

// What the readers of these forms need beyond IXMLInput: attributes as text, bools and unsigned
// numbers, and the walk to the next element of the current one's name. Readers given an input
// without them read nothing and fail.
class IXMLSettingsInput : public orbisk::IXMLInput {
public:
    using orbisk::IXMLInput::ReadAttribute;

    virtual bool ReadAttribute(const std::wstring& name, std::wstring& value) = 0;
    virtual bool ReadAttribute(const std::wstring& name, bool& value) = 0;
    virtual bool ReadAttribute(const std::wstring& name, std::uint32_t& value) = 0;
    // The current element becomes the next sibling of the same name; false, nothing moved,
    // when there is none.
    virtual bool NextSibling() = 0;
};

// The input's settings additions, or null.
IXMLSettingsInput* AsSettingsInput(orbisk::IXMLInput& input);

// User text as it was before the writer's XMLEscapedText form: "&lt;" and "&gt;" back to "<"
// and ">".
std::wstring UnescapeXMLText(const std::wstring& text);

// The wide text followed by the ASCII text.
std::wstring WStringPlusAscii(const std::wstring& wide, const char* ascii);

void WriteTypedValueXML(orbisk::IXMLOutput& output, const orbisk::utils::CTypedValue& value);
// Reads the "type" attribute and the value; the double-valued kinds come back as doubles (code
// 6), a time sign-extended from 32 bits. An unknown code leaves `value` as it was. Always true.
bool ReadTypedValueXML(orbisk::IXMLInput& input, orbisk::utils::CTypedValue& value);

// The saveable dictionaries of the container (none for null), with their count; returns false
// only when the element cannot be opened.
bool WriteAttributeDictionariesXML(orbisk::IXMLOutput& output, const CAttributeContainer* container);
// Adds each dictionary read to the owner. True when there is no dictionaries element; false
// when its count is missing.
bool ReadAttributeDictionariesXML(orbisk::IXMLInput& input, CEntity& owner);
bool WriteAttributeDictionaryXML(orbisk::IXMLOutput& output, const CAttributeNamed& dictionary);
// A new dictionary (the caller's), or null when there is none to read.
CAttributeNamed* ReadAttributeDictionaryXML(orbisk::IXMLInput& input);

// The support library's namespace map with the material, stroke-set, style and watermark-list
// namespaces of the product's former host and of the maker's host added, and every current one
// (the metadata namespace too) mapped to itself.
class ZephyronNamespaceConversionMap {
public:
    using Map = std::map<std::wstring, std::wstring>;

    ZephyronNamespaceConversionMap();
    const Map& GetMap() const { return m_map; }

private:
    Map m_map;
};

// Built on first use; lives until ReleaseZephyronNamespaceMap.
const ZephyronNamespaceConversionMap::Map& GetNamespaceConversionMap();
// The exit step: frees the map and the support library's.
void ReleaseZephyronNamespaceMap();
