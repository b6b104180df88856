#pragma once

// What the decoder tests of the formats read without a library share: the patterns of the
// test files, the tool's own decode of a file where the tool changes colours, a table case
// of a file and what it must decode to, and a writer of hand-made test files.

#include "ImageTestUtil.h"

#include "image/PLAnyPicDecoder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace imagetest {

inline PLPixel32 GreyPixel(uint8_t v, uint8_t alpha = 255)
{
    return {v, v, v, alpha};
}

inline const std::function<PLPixel32(int, int)> kColour = [](int x, int y) { return Colour(x, y); };
inline const std::function<PLPixel32(int, int)> kColourAlpha = [](int x, int y) {
    PLPixel32 c = Colour(x, y);
    c.a = Alpha(x, y);
    return c;
};
inline const std::function<PLPixel32(int, int)> kGrey = [](int x, int y) { return GreyPixel(Grey(x, y)); };
inline const std::function<PLPixel32(int, int)> kGreyAlpha = [](int x, int y) {
    return GreyPixel(Grey(x, y), Alpha(x, y));
};
inline const std::function<PLPixel32(int, int)> kLevels4 = [](int x, int y) {
    return GreyPixel(uint8_t(85 * ((x + y) % 4)));
};
inline const std::function<PLPixel32(int, int)> kLevels16 = [](int x, int y) {
    return GreyPixel(uint8_t(17 * ((x + y) % 16)));
};
inline const std::function<PLPixel32(int, int)> kBilevel = [](int x, int y) {
    return GreyPixel((x + y) % 3 == 0 ? 0 : 255);
};

inline PLAnyBmp DecodeBytes(const std::vector<uint8_t>& data, PLAnyPicDecoder* decoder = nullptr)
{
    PLAnyPicDecoder own;
    PLAnyPicDecoder& d = decoder ? *decoder : own;
    PLAnyBmp bmp;
    d.DecodeMemory(data.data(), data.size(), bmp);
    return bmp;
}

// The tool's decode of a test file, <file>.ppm beside it (binary PPM, read as raw bytes
// so that no decoder under test is involved).
inline std::function<PLPixel32(int, int)> ToolDecode(const std::string& file)
{
    auto pixels = std::make_shared<std::vector<PLPixel32>>();
    const std::vector<uint8_t> data = ReadData(file + ".ppm");
    // "P6\n12 7\n255\n" as the tools write it: the pixels follow the third line end.
    size_t at = 0;
    for (int lines = 0; at < data.size() && lines < 3; ++at)
        lines += data[at] == '\n';
    for (; at + 2 < data.size(); at += 3)
        pixels->push_back({data[at + 2], data[at + 1], data[at], 255});
    return [pixels](int x, int y) {
        const size_t i = size_t(y) * kWidth + x;
        return i < pixels->size() ? (*pixels)[i] : PLPixel32{};
    };
}

// The bytes of an 8-bit bitmap, row after row.
inline std::vector<int> Indices(const PLBmp& bmp)
{
    std::vector<int> indices;
    for (int y = 0; y < bmp.GetHeight(); ++y)
        for (int x = 0; x < bmp.GetWidth(); ++x)
            indices.push_back(bmp.GetLine(y)[x]);
    return indices;
}

struct DecodeCase {
    const char* file;
    int type;
    const char* format;
    int tolerance;
    std::function<PLPixel32(int, int)> expected;
};

// Each file instantiates it with its own cases; the test itself is in DecoderTest.cpp.
class Decode : public testing::TestWithParam<DecodeCase> {};

inline void PrintTo(const DecodeCase& c, std::ostream* os)
{
    *os << c.file;
}

inline std::string CaseName(const testing::TestParamInfo<DecodeCase>& info)
{
    std::string name = info.param.file;
    for (char& c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

// Checks that a test file decodes to its pattern in its format.
inline void ExpectDecodes(const DecodeCase& c)
{
    const std::vector<uint8_t> data = ReadData(c.file);
    ASSERT_FALSE(data.empty()) << "missing test file " << c.file;
    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    decoder.DecodeMemory(data.data(), data.size(), bmp);
    EXPECT_EQ(decoder.GetFileType(), c.type);
    EXPECT_EQ(bmp.GetPixelFormat().GetName(), c.format);
    EXPECT_EQ(decoder.GetPixelFormat().GetName(), c.format);
    ASSERT_EQ(bmp.GetSize(), (PLPoint{kWidth, kHeight}));
    EXPECT_LE(MaxDistance(bmp, c.expected), c.tolerance);
}

// Builds the bytes of a hand-made test file.
class Bytes {
public:
    Bytes& U8(int v)
    {
        m_data.push_back(uint8_t(v));
        return *this;
    }
    Bytes& Le16(int v) { return U8(v).U8(v >> 8); }
    Bytes& Le32(uint32_t v) { return Le16(int(v & 0xFFFF)).Le16(int(v >> 16)); }
    Bytes& Be16(int v) { return U8(v >> 8).U8(v); }
    Bytes& Be32(uint32_t v) { return Be16(int(v >> 16)).Be16(int(v & 0xFFFF)); }
    Bytes& Text(const std::string& text)
    {
        m_data.insert(m_data.end(), text.begin(), text.end());
        return *this;
    }
    Bytes& Fill(size_t count, int v = 0)
    {
        m_data.insert(m_data.end(), count, uint8_t(v));
        return *this;
    }
    Bytes& Append(const std::vector<uint8_t>& more)
    {
        m_data.insert(m_data.end(), more.begin(), more.end());
        return *this;
    }
    size_t Size() const { return m_data.size(); }
    uint8_t& operator[](size_t i) { return m_data[i]; }
    const std::vector<uint8_t>& Data() const { return m_data; }

private:
    std::vector<uint8_t> m_data;
};

// A placeable Windows metafile of bbox x 720 units at 1440 per inch, with a red rectangle
// over its left half.
inline std::vector<uint8_t> PlaceableMetafile(int width = 1440)
{
    Bytes records;
    records.Le32(5).Le16(0x020B).Le16(0).Le16(0);                            // SetWindowOrg 0, 0
    records.Le32(5).Le16(0x020C).Le16(720).Le16(width);                      // SetWindowExt
    records.Le32(7).Le16(0x02FC).Le16(0).Le32(0x0000FF).Le16(0);             // solid red brush
    records.Le32(4).Le16(0x012D).Le16(0);                                    // select it
    records.Le32(8).Le16(0x02FA).Le16(5).Le16(0).Le16(0).Le32(0);            // null pen
    records.Le32(4).Le16(0x012D).Le16(1);                                    // select it
    records.Le32(7).Le16(0x041B).Le16(720).Le16(width / 2).Le16(0).Le16(0);  // rectangle
    records.Le32(3).Le16(0);
    Bytes b;
    b.Le32(0x9AC6CDD7).Le16(0).Le16(0).Le16(0).Le16(width).Le16(720).Le16(1440).Le32(0);
    b.Le16(0);  // checksum, not checked
    b.Le16(1).Le16(9).Le16(0x300).Le32(uint32_t(9 + records.Size() / 2)).Le16(2).Le32(8).Le16(0);
    return b.Append(records.Data()).Data();
}

}  // namespace imagetest
