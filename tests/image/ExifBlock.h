#pragma once

// Writes EXIF segments for the tests: "Exif", two zero bytes, then a TIFF structure in
// either byte order, directory by directory. Values longer than four bytes follow their
// directory; an entry may also point anywhere, or carry raw fields, to build broken data.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace exiftest {

struct Entry {
    uint16_t tag = 0;
    uint16_t format = 0;
    uint32_t count = 0;
    std::vector<uint8_t> value;      // in the writer's byte order
    std::optional<uint32_t> offset;  // written instead of the value's place
};

class ExifWriter {
public:
    explicit ExifWriter(bool bigEndian) : m_big(bigEndian)
    {
        m_tiff = bigEndian ? std::vector<uint8_t>{'M', 'M', 0, 42} : std::vector<uint8_t>{'I', 'I', 42, 0};
        Put32(8);
    }

    bool BigEndian() const { return m_big; }

    // Components in the writer's byte order.
    std::vector<uint8_t> U16s(std::initializer_list<uint16_t> values) const
    {
        std::vector<uint8_t> out;
        for (uint16_t v : values)
            Append(out, v, 2);
        return out;
    }
    std::vector<uint8_t> U32s(std::initializer_list<uint32_t> values) const
    {
        std::vector<uint8_t> out;
        for (uint32_t v : values)
            Append(out, v, 4);
        return out;
    }

    Entry Ascii(uint16_t tag, const std::string& text) const
    {
        std::vector<uint8_t> bytes(text.begin(), text.end());
        bytes.push_back(0);
        return {tag, 2, uint32_t(bytes.size()), bytes, {}};
    }
    Entry Short(uint16_t tag, std::initializer_list<uint16_t> values) const
    {
        return {tag, 3, uint32_t(values.size()), U16s(values), {}};
    }
    Entry SignedShort(uint16_t tag, int16_t value) const { return {tag, 8, 1, U16s({uint16_t(value)}), {}}; }
    Entry Long(uint16_t tag, uint32_t value) const { return {tag, 4, 1, U32s({value}), {}}; }
    Entry Rational(uint16_t tag, uint32_t numerator, uint32_t denominator) const
    {
        return {tag, 5, 1, U32s({numerator, denominator}), {}};
    }
    Entry SignedRational(uint16_t tag, int32_t numerator, int32_t denominator) const
    {
        return {tag, 10, 1, U32s({uint32_t(numerator), uint32_t(denominator)}), {}};
    }
    Entry Undefined(uint16_t tag, std::vector<uint8_t> bytes) const
    {
        return {tag, 7, uint32_t(bytes.size()), std::move(bytes), {}};
    }
    // An entry whose value lies at offset (from the TIFF header), count bytes long.
    Entry Pointing(uint16_t tag, uint16_t format, uint32_t count, uint32_t offset) const
    {
        return {tag, format, count, {}, offset};
    }

    // Appends a directory and its values; returns its offset from the TIFF header.
    uint32_t Directory(const std::vector<Entry>& entries)
    {
        const auto at = uint32_t(m_tiff.size());
        size_t values = at + 2 + 12 * entries.size() + 4;
        Put16(uint16_t(entries.size()));
        std::vector<uint8_t> tail;
        for (const Entry& e : entries) {
            Put16(e.tag);
            Put16(e.format);
            Put32(e.count);
            if (e.offset) {
                Put32(*e.offset);
            } else if (e.value.size() <= 4) {
                std::vector<uint8_t> field = e.value;
                field.resize(4);
                m_tiff.insert(m_tiff.end(), field.begin(), field.end());
            } else {
                Put32(uint32_t(values + tail.size()));
                tail.insert(tail.end(), e.value.begin(), e.value.end());
            }
        }
        Put32(0);
        m_tiff.insert(m_tiff.end(), tail.begin(), tail.end());
        return at;
    }

    // Raw bytes appended; returns their offset.
    uint32_t Bytes(const std::vector<uint8_t>& bytes)
    {
        const auto at = uint32_t(m_tiff.size());
        m_tiff.insert(m_tiff.end(), bytes.begin(), bytes.end());
        return at;
    }

    // The value field of entry index of the directory at dir.
    static uint32_t ValueField(uint32_t dir, int index) { return dir + 2 + 12 * uint32_t(index) + 8; }
    void Patch32(uint32_t at, uint32_t value)
    {
        std::vector<uint8_t> bytes;
        Append(bytes, value, 4);
        std::copy(bytes.begin(), bytes.end(), m_tiff.begin() + at);
    }

    uint32_t Size() const { return uint32_t(m_tiff.size()); }
    // The TIFF structure alone, from its header on.
    const std::vector<uint8_t>& Tiff() const { return m_tiff; }

    std::vector<uint8_t> Segment() const
    {
        std::vector<uint8_t> segment = {'E', 'x', 'i', 'f', 0, 0};
        segment.insert(segment.end(), m_tiff.begin(), m_tiff.end());
        return segment;
    }

private:
    void Append(std::vector<uint8_t>& out, uint32_t v, int size) const
    {
        for (int i = 0; i < size; ++i) {
            const int shift = m_big ? 8 * (size - 1 - i) : 8 * i;
            out.push_back(uint8_t(v >> shift));
        }
    }
    void Put16(uint16_t v) { Append(m_tiff, v, 2); }
    void Put32(uint32_t v) { Append(m_tiff, v, 4); }

    bool m_big;
    std::vector<uint8_t> m_tiff;
};

}  // namespace exiftest
