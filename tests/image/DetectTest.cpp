#include "ImageTestUtil.h"

#include "image/PLAnyPicDecoder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using imagetest::CodeOf;
using imagetest::ReadData;
using Type = PLAnyPicDecoder::FileType;

std::vector<uint8_t> LeadingBytes(std::initializer_list<int> leading, size_t size = 32)
{
    std::vector<uint8_t> bytes(std::max(size, leading.size()), 0);
    std::copy(leading.begin(), leading.end(), bytes.begin());
    return bytes;
}

std::vector<uint8_t> WithByte(std::vector<uint8_t> bytes, size_t offset, uint8_t value)
{
    bytes[offset] = value;
    return bytes;
}

// A PICT file: 512 bytes of preamble, the picture size and frame, then the version opcode.
std::vector<uint8_t> Pict(size_t size, std::initializer_list<int> version)
{
    std::vector<uint8_t> bytes(size, 0);
    std::copy(version.begin(), version.end(), bytes.begin() + 522);
    return bytes;
}

// An EPS binary header whose TIFF preview starts at byte 30.
std::vector<uint8_t> Eps(const std::vector<uint8_t>& tiff)
{
    std::vector<uint8_t> bytes = LeadingBytes({0xC5, 0xD0, 0xD3, 0xC6}, 30);
    bytes[20] = 30;
    const uint32_t length = uint32_t(tiff.size());
    std::memcpy(bytes.data() + 24, &length, 4);
    bytes.insert(bytes.end(), tiff.begin(), tiff.end());
    return bytes;
}

int Detect(const std::vector<uint8_t>& bytes)
{
    return PLAnyPicDecoder::DetectFileType(bytes.data(), bytes.size());
}

TEST(Detect, LeadingBytesNameTheFormat)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int type;
    };
    const std::vector<uint8_t> tga = WithByte(LeadingBytes({0, 0, 2, 0, 0, 0, 0, 24}), 16, 24);
    const Case cases[] = {
        {"BMP", LeadingBytes({'B', 'M'}), Type::BMP},
        {"OS/2 icon", LeadingBytes({'C', 'I'}), Type::BMP},
        {"TGA", tga, Type::TGA},
        {"GIF", LeadingBytes({'G', 'I', 'F', '8', '9', 'a'}), Type::GIF},
        {"TIFF Intel", LeadingBytes({'I', 'I', 0x2A, 0}), Type::TIFF},
        {"TIFF Motorola", LeadingBytes({'M', 'M', 0, 0x2A}), Type::TIFF},
        {"PNG", LeadingBytes({0x89, 'P', 'N', 'G'}), Type::PNG},
        {"PICT 2", Pict(600, {0x00, 0x11, 0x02, 0xFF}), Type::PICT},
        {"PICT 1", Pict(600, {0x11, 0x01, 0x01, 0x00}), Type::PICT},
        {"JPEG", LeadingBytes({0xFF, 0xD8, 0xFF, 0xE0}), Type::JPEG},
        {"EPS", Eps(std::vector<uint8_t>(8, 1)), Type::EPSTIFF},
        {"PCX", LeadingBytes({0x0A, 5, 1, 8, 0, 0, 0, 1}), Type::PCX},
        {"PGM", LeadingBytes({'P', '5'}), Type::PGM},
        {"PPM", LeadingBytes({'P', '3'}), Type::PPM},
        {"PSD", LeadingBytes({'8', 'B', 'P', 'S'}), Type::PSD},
        {"SGI", LeadingBytes({0x01, 0xDA}), Type::SGI},
        {"IFF", LeadingBytes({'F', 'O', 'R', 'M'}), Type::IFF85},
        {"text", LeadingBytes({'h', 'e', 'l', 'l', 'o'}), Type::Unknown},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Detect(c.bytes), c.type) << c.what;
}

TEST(Detect, TheOrderOfTheTestsDecidesBetweenLookalikes)
{
    // A PCX of version 0 whose bytes 7 and 16 look like a TGA header is taken for a TGA.
    const std::vector<uint8_t> pcx = WithByte(LeadingBytes({0x0A, 0, 1, 8}), 16, 8);
    EXPECT_EQ(Detect(pcx), Type::TGA);
    EXPECT_EQ(Detect(WithByte(pcx, 16, 7)), Type::PCX);
}

TEST(Detect, NeededBytesBeyondTheInputNeverMatch)
{
    EXPECT_EQ(Detect(Pict(540, {0x00, 0x11, 0x02, 0xFF})), Type::Unknown);
    const std::vector<uint8_t> tga = WithByte(LeadingBytes({0, 0, 2, 0, 0, 0, 0, 24}, 17), 16, 24);
    EXPECT_EQ(PLAnyPicDecoder::DetectFileType(tga.data(), 16), Type::Unknown);
    EXPECT_EQ(PLAnyPicDecoder::DetectFileType(tga.data(), 17), Type::TGA);
    EXPECT_EQ(PLAnyPicDecoder::DetectFileType(nullptr, 0), Type::Unknown);
}

TEST(Detect, EpsWithoutAPreviewIsUnknown)
{
    std::vector<uint8_t> eps = Eps(std::vector<uint8_t>(8, 1));
    std::fill(eps.begin() + 24, eps.begin() + 28, 0);
    EXPECT_EQ(Detect(eps), Type::Unknown);
    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    EXPECT_EQ(CodeOf([&] { decoder.DecodeMemory(eps.data(), eps.size(), bmp); }), PLErr::UnknownFileType);
}

TEST(Detect, EpsDecodesItsTiffPreview)
{
    const std::vector<uint8_t> eps = Eps(ReadData("rgb.tif"));
    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    decoder.DecodeMemory(eps.data(), eps.size(), bmp);
    EXPECT_EQ(decoder.GetFileType(), Type::EPSTIFF);
    EXPECT_EQ(imagetest::MaxDistance(bmp, imagetest::Colour), 0);
}

TEST(Detect, EpsPreviewBeyondTheEndIsEndOfData)
{
    std::vector<uint8_t> eps = Eps(ReadData("rgb.tif"));
    eps[21] = 0x10;  // preview offset 4126
    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    EXPECT_EQ(CodeOf([&] { decoder.DecodeMemory(eps.data(), eps.size(), bmp); }), PLErr::EndOfData);
}

TEST(Detect, UnknownDataIsCodeEight)
{
    const std::vector<uint8_t> text = LeadingBytes({'h', 'e', 'l', 'l', 'o'});
    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    std::string message;
    EXPECT_EQ(CodeOf([&] { decoder.DecodeMemory(text.data(), text.size(), bmp); }, &message),
              PLErr::UnknownFileType);
    EXPECT_EQ(message, "Decoder error: Unknown file type.\n");
    EXPECT_EQ(decoder.GetFileType(), Type::Unknown);
}

TEST(Detect, SignaturesAloneAreNamedAndRefused)
{
    struct Case {
        std::vector<uint8_t> bytes;
        int type;
    };
    const Case cases[] = {
        {LeadingBytes({'B', 'M'}), Type::BMP},           {LeadingBytes({'P', '6'}), Type::PPM},
        {LeadingBytes({'8', 'B', 'P', 'S'}), Type::PSD}, {LeadingBytes({'F', 'O', 'R', 'M'}), Type::IFF85},
        {Pict(600, {0x00, 0x11, 0x01}), Type::PICT},
    };
    PLAnyPicDecoder decoder;
    for (const Case& c : cases) {
        PLAnyBmp bmp;
        EXPECT_NE(CodeOf([&] { decoder.DecodeMemory(c.bytes.data(), c.bytes.size(), bmp); }), 0);
        EXPECT_EQ(decoder.GetFileType(), c.type);
    }
}

TEST(Detect, MetafilesAreKnownByTheirNameAlone)
{
    TempFolder folder;
    const std::vector<uint8_t> png = ReadData("rgb.png");
    struct Case {
        const char* name;
        int type;
    };
    for (const Case& c :
         {Case{"logo.wmf", Type::WMF}, Case{"image.EMF.bak", Type::EMF}, Case{"logo.png", Type::PNG}}) {
        std::ofstream(folder / c.name, std::ios::binary)
            .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
        PLAnyPicDecoder decoder;
        PLAnyBmp bmp;
        const int code = CodeOf([&] { decoder.DecodeFile((folder / c.name).c_str(), bmp); });
        EXPECT_EQ(decoder.GetFileType(), c.type) << c.name;
        // A PNG is no metafile; enhanced metafiles have no renderer here.
        EXPECT_EQ(code, c.type == Type::PNG   ? 0
                        : c.type == Type::WMF ? PLErr::NotSupported
                                              : PLErr::NotCompiled)
            << c.name;
    }
    // In memory there is no name, so the PNG shows.
    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    decoder.DecodeMemory(png.data(), png.size(), bmp);
    EXPECT_EQ(decoder.GetFileType(), Type::PNG);
}

TEST(Detect, WideMetafileNamesAreKnownToo)
{
    TempFolder folder;
    const std::vector<uint8_t> png = ReadData("rgb.png");
    std::ofstream(folder / "LOGO.Wmf", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    const std::string base = (folder / "").string();
    const std::wstring path = std::wstring(base.begin(), base.end()) + L"LOGO.Wmf";
    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    EXPECT_EQ(CodeOf([&] { decoder.DecodeFile(path.c_str(), bmp); }), PLErr::NotSupported);
    EXPECT_EQ(decoder.GetFileType(), Type::WMF);
}

}  // namespace
