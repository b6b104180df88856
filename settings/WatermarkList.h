#pragma once
// CWatermarkList: the watermark list of a style (the value of its property 5001), a
// reference-counted XML object in the shape of the model's list: background watermarks, a
// null separator, overlays. It holds one use of every watermark it lists.
//
// XML form: element "wmlist" with the attribute "count" (entries, separators included) and
// the element "screenimages" holding one "screenimage" per entry; a separator is an entry
// named "<MODEL SPACE>", a watermark one with its settings as attributes and its image as an
// image list beside the document.

#include <string>
#include <vector>

#include "support/XMLSerializableClassInfo.h"
#include "support/XMLSerializableObjectBase.h"

class CWatermark;

// The name under which a separator is written.
inline constexpr wchar_t kModelSpaceName[] = L"<MODEL SPACE>";

class CWatermarkList : public orbisk::XMLSerializableObjectBase {
public:
    CWatermarkList() = default;
    // Each non-null entry gets a use; nulls are kept.
    explicit CWatermarkList(const std::vector<CWatermark*>& entries);
    CWatermarkList(const CWatermarkList& other);
    CWatermarkList& operator=(const CWatermarkList&) = delete;
    ~CWatermarkList() override;

    static const orbisk::XMLSerializableClassInfo& ClassInfo();

    int GetCount() const { return static_cast<int>(m_entries.size()); }
    // Null outside the list and for a separator.
    CWatermark* GetAt(int index) const;
    const std::vector<CWatermark*>& GetEntries() const { return m_entries; }

    // Same count, and position by position both separators or IsEqual watermarks.
    bool Equals(const CWatermarkList& other) const;
    // This very watermark is listed.
    bool Contains(const CWatermark* watermark) const;
    // Adds the watermark at the end of its part, taking a use; an equal one listed already
    // makes this do nothing, and a listed name (ignoring case) gives the watermark a unique one.
    void Add(CWatermark* watermark, bool background);
    // Adds every watermark of the other list to its part.
    void Merge(const CWatermarkList& other);
    // Releases every use and empties the list.
    void Clear();

    const orbisk::XMLSerializableClassInfo& GetClassInfo() const override { return ClassInfo(); }
    bool WriteXML(orbisk::IXMLOutput& output) override;
    // Needs a current model with a watermark manager and an input with the settings'
    // additions (settings/XmlValueHelpers.h). False on a missing or negative count, an entry
    // without its name or a setting, or a count that does not match the entries.
    bool ReadXML(orbisk::IXMLInput& input) override;

private:
    std::vector<CWatermark*> m_entries;
};
