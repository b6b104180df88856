#include "image/PLExif.h"

#include "image/PLExifTables.h"
#include "image/PLTextException.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace {

// The code of a PLTextException that carries an EXIF error.
constexpr int kExifErrorCode = 14;

constexpr uint32_t kMaxComponents = 0x10000;
constexpr uint64_t kMaxValueLength = 0x10000;
constexpr int kMaxComponentsShown = 16;

enum class Reader { Unsigned, Signed, UnsignedRational, SignedRational, Text, Bytes };

struct Format {
    int size;      // bytes per component
    int swapUnit;  // bytes reversed together between byte orders, 0 for none
    Reader reader;
};

// By EXIF format code 1 to 12.
constexpr Format kFormats[12] = {
    {1, 0, Reader::Unsigned},          // byte
    {1, 0, Reader::Text},              // ASCII
    {2, 2, Reader::Unsigned},          // short
    {4, 4, Reader::Unsigned},          // long
    {8, 4, Reader::UnsignedRational},  // rational: two longs
    {1, 0, Reader::Signed},            // signed byte
    {1, 0, Reader::Bytes},             // undefined
    {2, 2, Reader::Signed},            // signed short
    {4, 4, Reader::Signed},            // signed long
    {8, 4, Reader::SignedRational},    // signed rational
    {4, 0, Reader::Bytes},             // float
    {8, 0, Reader::Bytes},             // double
};

const Format* FindFormat(int code)
{
    return code >= 1 && code <= 12 ? &kFormats[code - 1] : nullptr;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

constexpr bool kHostBigEndian = std::endian::native == std::endian::big;

// Characters up to a zero byte or the end; control characters escaped, the rest shown as
// hexadecimal codes. At most kMaxTextLength characters.
std::string ReadText(const uint8_t* data, size_t size)
{
    std::string text;
    for (size_t i = 0; i < size && data[i]; ++i) {
        if (text.size() >= PLExif::kMaxTextLength) {
            text += " ...";
            break;
        }
        const uint8_t c = data[i];
        switch (c) {
            case '\b': text += "\\b"; break;
            case '\t': text += "\\t"; break;
            case '\n': text += "\\n"; break;
            case '\r': text += "\\r"; break;
            default:
                if (c >= 0x20 && c <= 0x7F) {
                    text += char(c);
                } else {
                    char code[8];
                    std::snprintf(code, sizeof code, "\\0x%02x", c);
                    text += code;
                }
        }
    }
    return text;
}

bool LooksLikeText(const uint8_t* data, size_t size)
{
    return std::all_of(data, data + size, [](uint8_t c) {
        return (c >= 0x20 && c <= 0x7F) || c == 0 || c == 8 || c == 9 || c == 10 || c == 13;
    });
}

std::string ReadBytes(const uint8_t* data, size_t size)
{
    if (LooksLikeText(data, size))
        return ReadText(data, size);
    std::string text = "{ ";
    char hex[4];
    for (size_t i = 0; i < size && i < 16; ++i) {
        std::snprintf(hex, sizeof hex, "%02x ", data[i]);
        text += hex;
    }
    if (size > 16)
        text += "... ";
    return text + "}";
}

template <class T>
T Load(const uint8_t* p)
{
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// An integer component of 1, 2 or 4 bytes, in host order.
int64_t ReadInteger(const uint8_t* p, int size, bool isSigned)
{
    switch (size) {
        case 1: return isSigned ? int64_t(int8_t(*p)) : int64_t(*p);
        case 2: return isSigned ? int64_t(Load<int16_t>(p)) : int64_t(Load<uint16_t>(p));
        default: return isSigned ? int64_t(Load<int32_t>(p)) : int64_t(Load<uint32_t>(p));
    }
}

}  // namespace

void PLExif::Clear()
{
    m_raw.reset();
    m_all.clear();
    m_main.clear();
    m_sub.clear();
    m_maker.clear();
    m_byKey.clear();
    m_pos = 0;
    m_base = 0;
    m_bigEndian = false;
}

void PLExif::ReadData(const jpeg_marker_struct* markers)
{
    // Of several APP1 segments the last EXIF one counts: the others hold other metadata
    // (XMP usually follows the EXIF segment).
    const jpeg_marker_struct* exif = nullptr;
    for (const jpeg_marker_struct* m = markers; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0)
            exif = m;
    }
    if (!exif) {
        Clear();
        return;
    }
    ReadSegment(exif->data, exif->data_length);
}

void PLExif::ReadSegment(const uint8_t* data, size_t size)
{
    Clear();
    if (!data || size < 6 || size > kMaxSegmentSize || std::memcmp(data, "Exif\0\0", 6) != 0)
        return;
    m_raw = std::make_shared<std::vector<uint8_t>>(data, data + size);
    try {
        ReadBlock();
    } catch (const PLExifException& e) {
        throw PLTextException(kExifErrorCode, e.GetMessage());
    }
}

void PLExif::ReadBlock()
{
    const std::vector<uint8_t>& raw = *m_raw;
    // "II" or anything else is little-endian; the TIFF magic number is not needed.
    m_bigEndian = raw.size() >= 8 && raw[6] == 'M' && raw[7] == 'M';
    m_base = 6;
    // The main directory always follows the 8-byte TIFF header.
    ReadDirectoryAt(m_base + 8, kExifMainTable, "Main.", m_main);

    if (const PLExifTag* offset = GetTag("Main.ExifOffset"); offset && offset->GetRoundedValue() >= 0)
        ReadDirectoryAt(m_base + uint64_t(offset->GetRoundedValue()), kExifSubTable, "Sub.", m_sub);

    const auto maker = m_byKey.find("sub.maker");
    if (maker != m_byKey.end()) {
        const std::shared_ptr<PLExifTag> note = maker->second;
        ReadMakerNote(*note);
    }

    for (const auto& tag : m_all)
        std::vector<uint8_t>().swap(tag->m_data);
}

void PLExif::ReadMakerNote(const PLExifTag& maker)
{
    const PLExifTag* makeTag = GetTag("Main.Make");
    if (!makeTag)
        return;
    const std::string make = Lower(makeTag->GetValueText());
    const uint64_t m = m_base + uint64_t(maker.m_valueOffset);

    if (make.find("nikon") != std::string::npos) {
        const bool second = maker.m_data.size() >= 5 && std::memcmp(maker.m_data.data(), "Nikon", 5) == 0;
        if (second)
            ReadDirectoryAt(m + 8, kExifNikon2Table, "Nikon2.", m_maker);
        else
            ReadDirectoryAt(m, kExifNikonTable, "Nikon.", m_maker);
    } else if (make.find("olympus") != std::string::npos) {
        ReadDirectoryAt(m + 8, kExifOlympusTable, "Oly.", m_maker);
    } else if (make.find("canon") != std::string::npos) {
        ReadDirectoryAt(m, kExifCanonTable, "Canon.", m_maker);
        ExpandArray("Canon.CnSet1", kExifCanonSet1Table, 3);
        ExpandArray("Canon.CnSet2", kExifCanonSet2Table, 3);
        ReadCanonCustomFunctions();
    } else if (make.find("fujifilm") != std::string::npos) {
        // Fujifilm's note is little-endian whatever the file, with offsets from its start.
        m_bigEndian = false;
        m_base = size_t(m);
        ReadDirectoryAt(m + 12, kExifFujiTable, "Fuji.", m_maker);
    } else if (make.find("casio") != std::string::npos) {
        ReadDirectoryAt(m, kExifCasioTable, "Casio.", m_maker);
        // This model stores red-eye reduction as 4.
        const PLExifTag* model = GetTag("Main.Model");
        const auto flash = m_byKey.find("casio.flashmode");
        if (model && model->GetDisplayText() == "QV-2000UX" && flash != m_byKey.end() &&
            flash->second->m_roundedValue == 4)
            flash->second->m_valueText = flash->second->m_displayText = "Red Eye Reduction";
    }
}

void PLExif::ReadDirectoryAt(uint64_t at, const PLExifTagDescription* table, const char* prefix,
                             TagList& list)
{
    if (at >= m_raw->size())
        return;
    m_pos = size_t(at);
    ReadDirectory(table, prefix, list);
}

void PLExif::ReadDirectory(const PLExifTagDescription* table, const char* prefix, TagList& list)
{
    try {
        const unsigned count = Read16(m_pos);
        for (unsigned i = 0; i < count; ++i) {
            const uint64_t entry = uint64_t(m_pos) + 2 + 12 * uint64_t(i);
            if (entry + 12 > m_raw->size())
                throw PLExifException("EXIF directory entry lies outside the segment");
            ReadEntry(size_t(entry), table, prefix, list);
        }
    } catch (const PLExifException&) {
        // A malformed entry ends its directory; the tags before it stay.
    }
}

void PLExif::ReadEntry(size_t entry, const PLExifTagDescription* table, const char* prefix, TagList& list)
{
    const uint16_t id = Read16(entry);
    const uint16_t code = Read16(entry + 2);
    const uint32_t count = Read32(entry + 4);
    if (count == 0)
        return;
    const Format* format = FindFormat(code);
    if (!format)
        throw PLExifException("EXIF Tag format field not understood");
    const uint64_t length = uint64_t(count) * uint64_t(format->size);
    if (count > kMaxComponents || length > kMaxValueLength)
        throw PLExifException("EXIF NoComp field not understood");

    // Up to four bytes lie in the entry itself, longer values at an offset from the base.
    const uint64_t at = length <= 4 ? entry + 8 : m_base + uint64_t(Read32(entry + 8));
    if (at < m_base || at + length > m_raw->size())
        throw PLExifException("EXIF value lies outside the segment");

    char hexId[8];
    std::snprintf(hexId, sizeof hexId, "%04x", id);
    const PLExifTagDescription* description = FindExifTagDescription(table, id);
    auto tag = NewTag(id, code, count, uint32_t(length), uint32_t(at - m_base), description,
                      std::string(prefix) + (description ? description->shortName : hexId));

    const uint8_t* value = m_raw->data() + at;
    tag->m_data.assign(value, value + length);
    if (m_bigEndian != kHostBigEndian && format->swapUnit > 1) {
        for (size_t i = 0; i + size_t(format->swapUnit) <= tag->m_data.size(); i += size_t(format->swapUnit))
            std::reverse(tag->m_data.begin() + std::ptrdiff_t(i),
                         tag->m_data.begin() + std::ptrdiff_t(i) + format->swapUnit);
    }
    FormatTag(*tag);
    Add(tag, list);
}

void PLExif::ExpandArray(const char* name, const PLExifTagDescription* table, int formatCode)
{
    const auto found = m_byKey.find(Lower(name));
    if (found == m_byKey.end() || found->second->m_formatCode != formatCode)
        return;
    // Held: adding the elements may replace the map's entry.
    const std::shared_ptr<PLExifTag> array = found->second;
    const Format& format = *FindFormat(formatCode);
    const std::string prefix = array->m_name.substr(array->m_name.find('.') + 1) + ".";
    // The array's data is in host order already: the elements are not swapped again.
    for (const PLExifTagDescription* row = table; row->shortName && row->id < array->m_count; ++row) {
        auto tag =
            NewTag(uint16_t(row->id), formatCode, 1, uint32_t(format.size),
                   array->m_valueOffset + row->id * uint32_t(format.size), row, prefix + row->shortName);
        const auto first = array->m_data.begin() + std::ptrdiff_t(row->id * uint32_t(format.size));
        tag->m_data.assign(first, first + format.size);
        FormatTag(*tag);
        Add(tag, m_maker);
    }
}

void PLExif::ReadCanonCustomFunctions()
{
    const auto found = m_byKey.find("canon.customfnc");
    if (found == m_byKey.end())
        return;
    const std::shared_ptr<PLExifTag> functions = found->second;
    const std::vector<uint8_t>& data = functions->m_data;
    // Words in host order; the first is the block's length in bytes.
    const size_t words = data.size() / 2;
    const auto word = [&](size_t i) { return Load<uint16_t>(data.data() + 2 * i); };
    if (words == 0)
        return;
    const unsigned length = word(0);
    const size_t n = length / 2;
    // The block must hold the words its length announces.
    if (length <= 1 || words < n)
        return;
    for (size_t k = 1; k < n; ++k) {
        const unsigned w = word(k);
        if (w <= 255)
            continue;
        const unsigned number = w >> 8;
        const unsigned value = w & 0xFF;
        char digits[8];
        std::snprintf(digits, sizeof digits, "%02u", number);
        const PLExifTagDescription* description = FindExifTagDescription(kExifCanonCustomTable, number);
        // A byte without data: the value is the word's low byte.
        auto tag = NewTag(uint16_t(number), 1, 1, 1, functions->m_valueOffset + uint32_t(2 * k), description,
                          std::string("CanonCFn.") + (description ? description->shortName : digits));
        tag->m_numerator = tag->m_roundedValue = tag->m_lookupValue = value;
        tag->m_doubleValue = value;
        tag->m_valueText = tag->m_displayText = std::to_string(value);
        ApplyValueNames(*tag);
        Add(tag, m_maker);
    }
}

std::shared_ptr<PLExifTag> PLExif::NewTag(uint16_t id, int formatCode, uint32_t count, uint32_t length,
                                          uint32_t valueOffset, const PLExifTagDescription* description,
                                          std::string name)
{
    auto tag = std::make_shared<PLExifTag>();
    tag->m_tagId = id;
    tag->m_formatCode = formatCode;
    tag->m_count = count;
    tag->m_length = length;
    tag->m_valueOffset = valueOffset;
    tag->m_description = description;
    tag->m_name = std::move(name);
    return tag;
}

void PLExif::FormatTag(PLExifTag& tag)
{
    const Format& format = *FindFormat(tag.m_formatCode);
    const uint8_t* data = tag.m_data.data();
    const size_t size = tag.m_data.size();
    std::string text;
    switch (format.reader) {
        case Reader::Text: text = ReadText(data, size); break;
        case Reader::Bytes:
            text = ReadBytes(data, size);
            if (size)
                tag.m_numerator = data[size - 1];
            break;
        default: {
            const bool isSigned = format.reader == Reader::Signed || format.reader == Reader::SignedRational;
            const bool rational =
                format.reader == Reader::UnsignedRational || format.reader == Reader::SignedRational;
            const size_t components = size / size_t(format.size);
            for (size_t i = 0; i < components; ++i) {
                if (i == kMaxComponentsShown) {
                    text += " ...";
                    break;
                }
                if (i)
                    text += ' ';
                const uint8_t* p = data + i * size_t(format.size);
                if (rational) {
                    tag.m_numerator = ReadInteger(p, 4, isSigned);
                    tag.m_denominator = ReadInteger(p + 4, 4, isSigned);
                    text += std::to_string(tag.m_numerator) + "/" + std::to_string(tag.m_denominator);
                } else {
                    tag.m_numerator = ReadInteger(p, format.size, isSigned);
                    text += std::to_string(tag.m_numerator);
                }
            }
        }
    }
    tag.m_valueText = std::move(text);

    if (tag.m_denominator != 0) {
        // Both parts are at most 32 bits: the quotient always fits.
        tag.m_doubleValue = double(tag.m_numerator) / double(tag.m_denominator);
        tag.m_roundedValue = tag.m_lookupValue = std::llround(tag.m_doubleValue);
    }
    const PLExifFormatter formatter = tag.m_description ? tag.m_description->formatter : nullptr;
    tag.m_displayText = formatter ? formatter(tag) : tag.m_valueText;
    ApplyValueNames(tag);
    while (!tag.m_valueText.empty() && tag.m_valueText.back() == ' ')
        tag.m_valueText.pop_back();
}

void PLExif::ApplyValueNames(PLExifTag& tag)
{
    const PLExifValueName* names = tag.m_description ? tag.m_description->values : nullptr;
    if (!names || !names->text)
        return;
    if (names->value == kExifUnit) {
        tag.m_valueText += std::string(" ") + names->text;
        tag.m_displayText += std::string(" ") + names->text;
        return;
    }
    if (names->value == kExifCapitalise) {
        for (std::string* text : {&tag.m_valueText, &tag.m_displayText}) {
            *text = Lower(*text);
            if (!text->empty())
                (*text)[0] = char(std::toupper(static_cast<unsigned char>((*text)[0])));
        }
        return;
    }
    for (; names->text; ++names) {
        if (names->value == tag.m_lookupValue) {
            tag.m_valueText = tag.m_displayText = names->text;
            return;
        }
    }
}

void PLExif::Add(const std::shared_ptr<PLExifTag>& tag, TagList& list)
{
    tag->m_key = Lower(tag->m_name);
    m_all.push_back(tag);
    list.push_back(tag);
    m_byKey[tag->m_key] = tag;
}

const PLExifTag* PLExif::GetTag(const std::string& name) const
{
    const auto found = m_byKey.find(Lower(name));
    return found == m_byKey.end() ? nullptr : found->second.get();
}

uint16_t PLExif::Read16(size_t at) const
{
    if (uint64_t(at) + 2 > m_raw->size())
        throw PLExifException("EXIF data ends early");
    const uint8_t* p = m_raw->data() + at;
    return uint16_t(m_bigEndian ? p[0] << 8 | p[1] : p[1] << 8 | p[0]);
}

uint32_t PLExif::Read32(size_t at) const
{
    if (uint64_t(at) + 4 > m_raw->size())
        throw PLExifException("EXIF data ends early");
    const uint8_t* p = m_raw->data() + at;
    if (m_bigEndian)
        return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

void PLExif::WriteToJpeg(jpeg_compress_struct* info) const
{
    if (!m_raw || m_raw->empty())
        return;
    jpeg_write_marker(info, JPEG_APP0 + 1, m_raw->data(), unsigned(m_raw->size()));
}
