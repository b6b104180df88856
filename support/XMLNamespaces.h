#pragma once
// The namespace URIs of the system's XML documents, and the map that turns the URIs of
// older documents into the current ones.
//
// Every namespace but the W3C's XML Schema instance one is a web address of the maker
// on one of three hosts: the current schema host (every current namespace), the
// product's former web host and the maker's main web host (namespaces of older
// documents).

#include <map>
#include <string>

namespace orbisk {

inline constexpr char kCurrentSchemaHost[] = "http://xmlns.quenta.com";
inline constexpr char kFormerProductHost[] = "http://www.zephyron.com";
inline constexpr char kMakerHost[] = "http://www.quenta.com";

inline constexpr char kTypesNamespace[] = "http://xmlns.quenta.com/schemas/1.0/types";
inline constexpr char kPreferencesNamespace[] = "http://xmlns.quenta.com/schemas/1.0/preferences";
inline constexpr char kDocumentPropertiesNamespace[] =
    "http://xmlns.quenta.com/schemas/1.0/documentproperties";
inline constexpr char kReferencesNamespace[] = "http://xmlns.quenta.com/schemas/1.0/references";
inline constexpr char kMaterialNamespace[] = "http://xmlns.quenta.com/schemas/zephyron/1.0/material";
inline constexpr char kStyleNamespace[] = "http://xmlns.quenta.com/schemas/zephyron/1.0/style";
inline constexpr char kNPRNamespace[] = "http://xmlns.quenta.com/schemas/zephyron/1.0/npr";
inline constexpr char kWatermarkListNamespace[] = "http://xmlns.quenta.com/schemas/zephyron/1.0/wmlist";
inline constexpr char kXMLSchemaInstanceNamespace[] = "http://www.w3.org/2001/XMLSchema-instance";

inline constexpr wchar_t kDocumentPropertiesNamespaceW[] =
    L"http://xmlns.quenta.com/schemas/1.0/documentproperties";
inline constexpr wchar_t kReferencesNamespaceW[] = L"http://xmlns.quenta.com/schemas/1.0/references";

// Older namespace URI to current one; every current URI of the support library (types,
// preferences, document properties, references, XML Schema instance) maps to itself.
class OrbiskNamespaceConversionMap {
public:
    using Map = std::map<std::wstring, std::wstring>;

    OrbiskNamespaceConversionMap();

    const Map& GetMap() const { return m_map; }

private:
    Map m_map;
};

// Built on first use; lives until ReleaseXMLNamespaceMaps.
const OrbiskNamespaceConversionMap& GetOrbiskNamespaceConversionMap();
// The exit step: frees the map; a later use builds a new one.
void ReleaseXMLNamespaceMaps();

}  // namespace orbisk
