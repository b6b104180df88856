#pragma once
// Style: the content of a style, a named and described set of display-setting values keyed by
// property id, with an optional thumbnail. It is independent of the model database: the style
// entity (CZphStyle) embeds one, the style manager builds styles from display settings and
// applies them back, and drawing asks the active style for its stroke set.
//
// Property ids group by thousands: 1000s edges, 2000s faces, 4000s background, sky and ground,
// 5000s watermarks, 7000s modelling aids, 8000s the background photo. 1013 holds the stroke set
// (an NPREdge) and 5001 the watermark list (a CWatermarkList), both by reference through their
// Variant; every other id mirrors one setting of CRenderingOptions (StyleProperties.h gives the
// table). Any change of a property discards the thumbnail, which no longer shows the style.
//
// A Style is also its own XML document ("styleDocument" in the part "document.xml"): the
// element "style" with the attributes "name" and "desc" and one "item" per property in
// ascending id, holding the property's "variant".

#include <map>
#include <string>

#include "database/Dib.h"
#include "support/DocumentPersister.h"
#include "support/Variant.h"
#include "support/XMLSerializableClassInfo.h"
#include "support/XMLSerializableObjectBase.h"

class CWatermarkList;

namespace orbisk {

class NPREdge;

class Style : public XMLSerializableObjectBase, public DocumentPersister {
public:
    using Properties = std::map<int, Variant>;

    // Holds every default (SetDefaults); the document generator is "Style" 1.0.
    Style();
    // The defaults, then Assign.
    Style(const Style& other);
    // Reset, then Assign.
    Style& operator=(const Style& other);
    ~Style() override;

    static const XMLSerializableClassInfo& ClassInfo();

    std::wstring GetName() const { return m_name; }
    std::wstring GetDescription() const { return m_description; }
    void SetName(const std::wstring& name) { m_name = name; }
    void SetDescription(const std::wstring& description) { m_description = description; }

    // A copy of the value, or an empty Variant when the id is absent.
    Variant GetProperty(int id) const;
    bool HasProperty(int id) const { return m_properties.count(id) != 0; }
    // An empty value is ignored (nothing set or removed, the thumbnail kept); otherwise the
    // thumbnail is discarded and the value stored.
    void SetProperty(int id, const Variant& value);
    // False when absent; otherwise removed, with the thumbnail discarded.
    bool RemoveProperty(int id);
    const Properties& GetProperties() const { return m_properties; }
    Properties::const_iterator BeginProperties() const { return m_properties.begin(); }
    Properties::const_iterator EndProperties() const { return m_properties.end(); }
    int GetPropertyCount() const { return static_cast<int>(m_properties.size()); }

    // The objects of 1013 and 5001, or null when absent or of another class.
    NPREdge* GetNPREdge() const;
    CWatermarkList* GetWatermarkList() const;

    // Same count and, id by id, equal values; stroke sets and watermark lists held by both
    // compare by content.
    bool PropertiesEqual(const Style& other) const;
    // Names and descriptions equal (case-sensitive) and PropertiesEqual.
    bool Equals(const Style& other) const;

    // Stores the value of every id of the table that a new CRenderingOptions has (all but 1013
    // and 5001), overwriting those and keeping the others.
    void SetDefaults();
    // No thumbnail, no property but the defaults.
    void Reset();
    // Every property of the source; the stroke set and the watermark list as new copies, so
    // that two styles never share them.
    void CopyPropertiesFrom(const Style& source);
    // Name, description, a copy of the thumbnail (or none), then CopyPropertiesFrom.
    void Assign(const Style& source);

    CDib* GetThumbnail() const { return m_thumbnail.Get(); }
    // Replaces the thumbnail (null removes it).
    void SetThumbnail(CDib* thumbnail) { m_thumbnail.Reset(thumbnail); }
    void DiscardThumbnail() { m_thumbnail.Reset(); }

    // Within the library tolerance 0.001.
    static bool NearlyEqual(double a, double b);

    // IXMLSerializableObject.
    const XMLSerializableClassInfo& GetClassInfo() const override { return ClassInfo(); }
    bool WriteXML(IXMLOutput& output) override;
    // Reads the name, the description and every item; false when any of them is missing or
    // unreadable, keeping what was read. Needs an input with the settings' additions
    // (settings/XmlValueHelpers.h); false with any other.
    bool ReadXML(IXMLInput& input) override;

    // DocumentPersister.
    // The document's title and description become the style's name and description.
    bool Save(const std::wstring& path) override;
    // Writes the thumbnail's image, in the format the path's extension names; false without a
    // thumbnail or when it cannot be written.
    bool WriteThumbnailFile(const std::wstring& path) override;
    bool WriteContent(IXMLOutput& output) override;
    // Discards the thumbnail and loads a new one from the file; false (no thumbnail) when the
    // file cannot be loaded.
    bool ReadThumbnailFile(const std::wstring& path) override;
    void ResetContent() override { Reset(); }
    bool ReadContent(IXMLInput& input) override;

private:
    Properties m_properties;
    CDibRef m_thumbnail;
    std::wstring m_name;
    std::wstring m_description;
};

}  // namespace orbisk
