#pragma once

// EXIF metadata of JPEG files: the APP1 segment that starts with "Exif" and holds a
// TIFF-structured set of directories, little-endian ("II") or big-endian ("MM"). Read are
// the main image directory, the EXIF sub-directory and the maker notes of Nikon, Olympus,
// Canon, Fujifilm and Casio cameras, into tags found by name ("Main.Make", "Sub.FStop",
// "CnSet1.Macro"), each with a text and a number. Nothing is written back into the
// directories; the segment's bytes are kept and can be written unchanged into a JPEG file.
//
// The bytes are untrusted: every offset, count and size is checked against the segment
// before it is used, a malformed directory ends that directory only, and no next-directory
// link is followed, so no chain of offsets can loop.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct jpeg_compress_struct;
struct jpeg_marker_struct;

class PLExifTag;

// A value with a name: the table of a tag's named values ends with a null text. A list whose
// first value is kExifUnit has the unit of the tag instead; kExifCapitalise asks for the
// value text capitalised.
struct PLExifValueName {
    int32_t value;
    const char* text;
};
inline constexpr int32_t kExifUnit = -1;
inline constexpr int32_t kExifCapitalise = -2;

// Gives the display text of a tag from its value.
using PLExifFormatter = std::string (*)(const PLExifTag& tag);

// One row of a tag table; a table ends with a row whose short name is null.
struct PLExifTagDescription {
    uint32_t id;
    const char* shortName;
    const PLExifValueName* values;  // or null
    PLExifFormatter formatter;      // or null: the display text is the value text
    const char* description;        // the tag's name for people, e.g. "Camera Make"
};

// An error in the EXIF structure; it ends the directory being read.
class PLExifException {
public:
    explicit PLExifException(std::string message) : m_message(std::move(message)) {}
    const std::string& GetMessage() const { return m_message; }

private:
    std::string m_message;
};

// One entry of a directory, with its value as text and as numbers. The numbers are those
// of the last component read (at most 16 are read).
class PLExifTag {
public:
    const std::string& GetName() const { return m_name; }
    const std::string& GetKey() const { return m_key; }
    uint16_t GetTagId() const { return m_tagId; }
    int GetFormatCode() const { return m_formatCode; }
    uint32_t GetCount() const { return m_count; }
    uint32_t GetLength() const { return m_length; }
    // Where the value lies, from the start of the TIFF header.
    uint32_t GetValueOffset() const { return m_valueOffset; }
    const std::string& GetValueText() const { return m_valueText; }
    const std::string& GetDisplayText() const { return m_displayText; }
    int64_t GetNumerator() const { return m_numerator; }
    int64_t GetDenominator() const { return m_denominator; }
    int64_t GetRoundedValue() const { return m_roundedValue; }
    int64_t GetLookupValue() const { return m_lookupValue; }
    double GetDoubleValue() const { return m_doubleValue; }
    const PLExifTagDescription* GetDescription() const { return m_description; }

private:
    friend class PLExif;

    const PLExifTagDescription* m_description = nullptr;
    std::string m_name;
    std::string m_key;
    uint16_t m_tagId = 0;
    int m_formatCode = 0;
    uint32_t m_count = 0;
    uint32_t m_length = 0;
    uint32_t m_valueOffset = 0;
    // The value in host byte order; released once the segment is read.
    std::vector<uint8_t> m_data;
    std::string m_valueText;
    std::string m_displayText;
    int64_t m_numerator = 0;
    int64_t m_denominator = 1;
    int64_t m_roundedValue = 0;
    int64_t m_lookupValue = 0;
    double m_doubleValue = 0;
};

class PLExif {
public:
    using TagList = std::vector<std::shared_ptr<PLExifTag>>;

    // Clears the reader and reads the last APP1 marker of the list that libjpeg saved.
    void ReadData(const jpeg_marker_struct* markers);
    // Clears the reader and reads the data of one APP1 segment ("Exif", two zero bytes,
    // then the TIFF structure). Data that is not EXIF leaves the reader empty.
    void ReadSegment(const uint8_t* data, size_t size);
    // The tag whose name equals name without regard to case, or null.
    const PLExifTag* GetTag(const std::string& name) const;
    // Writes the segment as it was read, as one APP1 marker; between jpeg_start_compress
    // and the first scanline.
    void WriteToJpeg(jpeg_compress_struct* info) const;
    void Clear();

    bool IsEmpty() const { return m_all.empty(); }
    const TagList& GetAllTags() const { return m_all; }
    const TagList& GetMainTags() const { return m_main; }
    const TagList& GetSubTags() const { return m_sub; }
    const TagList& GetMakerTags() const { return m_maker; }
    const uint8_t* GetRawData() const { return m_raw ? m_raw->data() : nullptr; }
    size_t GetRawSize() const { return m_raw ? m_raw->size() : 0; }

    // The largest segment a JPEG marker can carry.
    static constexpr size_t kMaxSegmentSize = 65533;
    // Longer texts are cut and end in " ...": dozens of entries may all point at the same
    // long value, and each would otherwise hold its own copy of it as text.
    static constexpr size_t kMaxTextLength = 1024;

private:
    void ReadBlock();
    void ReadDirectory(const PLExifTagDescription* table, const char* prefix, TagList& list);
    void ReadEntry(size_t entry, const PLExifTagDescription* table, const char* prefix, TagList& list);
    void ReadMakerNote(const PLExifTag& maker);
    void ExpandArray(const char* name, const PLExifTagDescription* table, int formatCode);
    void ReadCanonCustomFunctions();
    void Add(const std::shared_ptr<PLExifTag>& tag, TagList& list);
    static std::shared_ptr<PLExifTag> NewTag(uint16_t id, int formatCode, uint32_t count, uint32_t length,
                                             uint32_t valueOffset, const PLExifTagDescription* description,
                                             std::string name);
    // The texts and numbers of a tag from its data.
    static void FormatTag(PLExifTag& tag);
    static void ApplyValueNames(PLExifTag& tag);
    // Reads at an absolute position of the segment, in the segment's byte order.
    uint16_t Read16(size_t at) const;
    uint32_t Read32(size_t at) const;
    // Reads the directory of a maker note at an absolute position, when it lies inside.
    void ReadDirectoryAt(uint64_t at, const PLExifTagDescription* table, const char* prefix, TagList& list);

    std::shared_ptr<std::vector<uint8_t>> m_raw;
    size_t m_pos = 0;
    size_t m_base = 0;
    bool m_bigEndian = false;
    TagList m_all;
    TagList m_main;
    TagList m_sub;
    TagList m_maker;
    std::map<std::string, std::shared_ptr<PLExifTag>> m_byKey;
};
