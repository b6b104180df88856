// BMP, TGA, PCX, PGM, PPM and SGI: the tools' files decode to their patterns, and the
// variants no tool here writes are checked on hand-made files.

#include "DecoderCases.h"

#include "image/PLTextException.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace imagetest;
using Type = PLAnyPicDecoder::FileType;

INSTANTIATE_TEST_SUITE_P(
    Simple, Decode,
    testing::Values(DecodeCase{"rgb.bmp", Type::BMP, "X8R8G8B8", 0, kColour},
                    DecodeCase{"palette.bmp", Type::BMP, "I8", 0, kColour},
                    DecodeCase{"rle8.bmp", Type::BMP, "I8", 0, kColour},
                    DecodeCase{"grey4.bmp", Type::BMP, "I8", 0, kLevels16},
                    DecodeCase{"bilevel.bmp", Type::BMP, "I8", 0, kBilevel},
                    DecodeCase{"rgb565.bmp", Type::BMP, "X8R8G8B8", 1, ToolDecode("rgb565.bmp")},
                    DecodeCase{"rgb555.bmp", Type::BMP, "X8R8G8B8", 1, ToolDecode("rgb555.bmp")},
                    DecodeCase{"rgba.bmp", Type::BMP, "A8R8G8B8", 0, kColourAlpha},
                    DecodeCase{"os2.bmp", Type::BMP, "X8R8G8B8", 0, kColour},
                    DecodeCase{"os2-palette.bmp", Type::BMP, "I8", 0, kColour},
                    DecodeCase{"rgb.tga", Type::TGA, "X8R8G8B8", 0, kColour},
                    DecodeCase{"rle.tga", Type::TGA, "X8R8G8B8", 0, kColour},
                    DecodeCase{"rgba.tga", Type::TGA, "A8R8G8B8", 0, kColourAlpha},
                    DecodeCase{"palette.tga", Type::TGA, "I8", 0, kColour},
                    DecodeCase{"palette-rle.tga", Type::TGA, "I8", 0, kColour},
                    DecodeCase{"grey.tga", Type::TGA, "L8", 0, kGrey},
                    DecodeCase{"grey-rle.tga", Type::TGA, "L8", 0, kGrey},
                    DecodeCase{"top.tga", Type::TGA, "X8R8G8B8", 0, kColour},
                    DecodeCase{"rgb.pcx", Type::PCX, "X8R8G8B8", 0, kColour},
                    DecodeCase{"palette.pcx", Type::PCX, "X8R8G8B8", 0, kColour},
                    DecodeCase{"bilevel.pcx", Type::PCX, "X8R8G8B8", 0, kBilevel},
                    DecodeCase{"planes4.pcx", Type::PCX, "X8R8G8B8", 0, kLevels16},
                    DecodeCase{"packed2.pcx", Type::PCX, "X8R8G8B8", 0, kLevels4},
                    DecodeCase{"packed4.pcx", Type::PCX, "X8R8G8B8", 0, kLevels16},
                    DecodeCase{"grey.pgm", Type::PGM, "L8", 0, kGrey},
                    DecodeCase{"grey-text.pgm", Type::PGM, "L8", 0, kGrey},
                    DecodeCase{"levels15.pgm", Type::PGM, "L8", 0, kLevels16},
                    DecodeCase{"grey16.pgm", Type::PGM, "L8", 0, kGrey},
                    DecodeCase{"colour.ppm", Type::PPM, "X8R8G8B8", 0, kColour},
                    DecodeCase{"colour-text.ppm", Type::PPM, "X8R8G8B8", 0, kColour},
                    DecodeCase{"colour16.ppm", Type::PPM, "X8R8G8B8", 0, kColour},
                    DecodeCase{"rgb.sgi", Type::SGI, "X8R8G8B8", 0, kColour},
                    DecodeCase{"rle.sgi", Type::SGI, "X8R8G8B8", 0, kColour},
                    DecodeCase{"rgba.sgi", Type::SGI, "A8R8G8B8", 0, kColourAlpha},
                    DecodeCase{"grey.sgi", Type::SGI, "L8", 0, kGrey},
                    DecodeCase{"rgb16.sgi", Type::SGI, "X8R8G8B8", 0, kColour},
                    DecodeCase{"rle16.sgi", Type::SGI, "X8R8G8B8", 0, kColour}),
    CaseName);

// A 24-bit Windows bitmap of the colour pattern, rows top-down when asked (negative height).
std::vector<uint8_t> HandMadeBmp(bool topDown)
{
    const int rowBytes = (kWidth * 3 + 3) / 4 * 4;
    Bytes b;
    b.Text("BM").Le32(uint32_t(54 + rowBytes * kHeight)).Le32(0).Le32(54);
    b.Le32(40).Le32(kWidth).Le32(uint32_t(topDown ? -kHeight : kHeight)).Le16(1).Le16(24);
    b.Le32(0).Le32(0).Le32(2835).Le32(2835).Le32(0).Le32(0);
    for (int row = 0; row < kHeight; ++row) {
        const int y = topDown ? row : kHeight - 1 - row;
        for (int x = 0; x < kWidth; ++x) {
            const PLPixel32 c = Colour(x, y);
            b.U8(c.b).U8(c.g).U8(c.r);
        }
        b.Fill(size_t(rowBytes - kWidth * 3), 0x20);
    }
    return b.Data();
}

TEST(SimpleDecoder, BmpRowsComeInEitherOrder)
{
    for (const bool topDown : {false, true}) {
        const PLAnyBmp bmp = DecodeBytes(HandMadeBmp(topDown));
        EXPECT_EQ(bmp.GetSize(), (PLPoint{kWidth, kHeight}));
        EXPECT_EQ(MaxDistance(bmp, kColour), 0) << (topDown ? "top-down" : "bottom-up");
        EXPECT_EQ(bmp.GetResolution(), (PLPoint{72, 72}));  // 2835 pixels per metre
    }
}

TEST(SimpleDecoder, BmpInABitmapArrayIsTheFirstBitmap)
{
    // An OS/2 bitmap array header before the bitmap; offsets count from the file's start.
    std::vector<uint8_t> bitmap = HandMadeBmp(false);
    bitmap[10] += 14;
    Bytes b;
    b.Text("BA").Le32(uint32_t(14 + bitmap.size())).Le32(0).Le16(0).Le16(0).Append(bitmap);
    EXPECT_EQ(MaxDistance(DecodeBytes(b.Data()), kColour), 0);
}

// A 4 x 3 bitmap of 4 or 8 bits and the given compression, with a 16-colour grey palette
// (entry i is grey 17 i), then the pixel data as given.
std::vector<uint8_t> SmallPaletteBmp(int bits, int compression, const std::vector<uint8_t>& pixels)
{
    Bytes b;
    const int entries = 16;
    b.Text("BM").Le32(uint32_t(54 + 4 * entries + pixels.size())).Le32(0).Le32(54 + 4 * entries);
    b.Le32(40).Le32(4).Le32(3).Le16(1).Le16(bits).Le32(uint32_t(compression));
    b.Le32(uint32_t(pixels.size())).Le32(0).Le32(0).Le32(entries).Le32(0);
    for (int i = 0; i < entries; ++i)
        b.U8(17 * i).U8(17 * i).U8(17 * i).U8(0);
    b.Append(pixels);
    return b.Data();
}

TEST(SimpleDecoder, BmpRunLengthRowsDecodeAndRunsStopAtTheRowEnd)
{
    // Bottom row first: a run cut at the row end; a literal of 3 (padded); a run, a row end
    // and the end of the bitmap, which leaves the top row 0.
    const PLAnyBmp rle8 =
        DecodeBytes(SmallPaletteBmp(8, 1, {9, 5, 0, 0, 0, 3, 1, 2, 3, 0, 1, 7, 0, 0, 0, 1}));
    EXPECT_EQ(Indices(rle8), (std::vector<int>{0, 0, 0, 0, 1, 2, 3, 7, 5, 5, 5, 5}));
    // RLE4: a run alternating two nibbles, a literal of 3 nibbles (2 bytes, no pad), the
    // end of a row, a run of one.
    const PLAnyBmp rle4 =
        DecodeBytes(SmallPaletteBmp(4, 2, {4, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 0, 1, 0xF0, 0, 1}));
    EXPECT_EQ(Indices(rle4), (std::vector<int>{15, 0, 0, 0, 3, 4, 5, 0, 1, 2, 1, 2}));
}

TEST(SimpleDecoder, BmpDeltaEscapeIsRefused)
{
    std::string text;
    EXPECT_EQ(CodeOf(
                  [] {
                      DecodeBytes(SmallPaletteBmp(8, 1, {0, 2, 1, 1, 0, 1}));
                  },
                  &text),
              PLErr::NotSupported);
    EXPECT_EQ(text, "Decoder error: Encountered delta escape.\n");
}

TEST(SimpleDecoder, BmpOfThirtyTwoBitsWithoutAlphaIsOpaque)
{
    // Fourth bytes all 0 mean no alpha channel; any non-zero one makes them alpha.
    for (const uint8_t fourth : {0, 0x40}) {
        Bytes b;
        b.Text("BM").Le32(54 + 8).Le32(0).Le32(54);
        b.Le32(40).Le32(2).Le32(1).Le16(1).Le16(32).Le32(0).Le32(8).Le32(0).Le32(0).Le32(0).Le32(0);
        b.U8(10).U8(20).U8(30).U8(0).U8(40).U8(50).U8(60).U8(fourth);
        const PLAnyBmp bmp = DecodeBytes(b.Data());
        EXPECT_EQ(PixelAt(bmp, 0, 0), (PLPixel32{10, 20, 30, uint8_t(fourth ? 0 : 255)}));
        EXPECT_EQ(PixelAt(bmp, 1, 0), (PLPixel32{40, 50, 60, uint8_t(fourth ? fourth : 255)}));
    }
}

TEST(SimpleDecoder, BmpPixelsStartAtTheDataOffset)
{
    // A 1-bit OS/2 bitmap with a gap between the palette and the pixels.
    Bytes b;
    b.Text("BM").Le32(0).Le32(0).Le32(14 + 12 + 6 + 10);
    b.Le32(12).Le16(2).Le16(1).Le16(1).Le16(1);
    b.U8(0).U8(0).U8(255).U8(255).U8(0).U8(0);  // red, blue
    b.Fill(10, 0xEE).U8(0x40).Fill(3);
    const PLAnyBmp bmp = DecodeBytes(b.Data());
    EXPECT_EQ(PixelAt(bmp, 0, 0), (PLPixel32{0, 0, 255, 255}));
    EXPECT_EQ(PixelAt(bmp, 1, 0), (PLPixel32{255, 0, 0, 255}));
}

// An 18-byte TGA header: no ID, no colour map, the type, size 2 x 1, depth, descriptor.
Bytes TgaHeader(int type, int depth, int descriptor, int width = 2, int height = 1)
{
    Bytes b;
    b.U8(0).U8(0).U8(type).Fill(5).Le16(0).Le16(0).Le16(width).Le16(height).U8(depth).U8(descriptor);
    return b;
}

TEST(SimpleDecoder, TgaSixteenBitAttributeBitMakesThePixelOpaque)
{
    Bytes b = TgaHeader(2, 16, 0);
    b.Le16(0x8000).Le16(0x7FFF);
    const PLAnyBmp bmp = DecodeBytes(b.Data());
    EXPECT_EQ(bmp.GetPixelFormat().GetName(), "A8R8G8B8");
    EXPECT_EQ(PixelAt(bmp, 0, 0), (PLPixel32{0, 0, 0, 255}));
    EXPECT_EQ(PixelAt(bmp, 1, 0), (PLPixel32{255, 255, 255, 0}));
}

TEST(SimpleDecoder, TgaColumnsAndRowsFollowTheDescriptor)
{
    // 2 x 2 pixels of 24 bits in file order a b / c d, for each descriptor's orientation.
    struct Case {
        int descriptor;
        int topLeft;  // which file pixel lands top left: 0 a, 1 b, 2 c, 3 d
    };
    for (const Case& c : {Case{0x00, 2}, Case{0x20, 0}, Case{0x10, 3}, Case{0x30, 1}}) {
        Bytes b = TgaHeader(2, 24, c.descriptor, 2, 2);
        for (int i = 0; i < 4; ++i)
            b.U8(i).U8(i).U8(i);
        const PLAnyBmp bmp = DecodeBytes(b.Data());
        EXPECT_EQ(PixelAt(bmp, 0, 0).b, c.topLeft) << "descriptor " << c.descriptor;
    }
}

TEST(SimpleDecoder, TgaRunsGoOnIntoTheNextRow)
{
    // One run of 4 grey pixels covers both rows of a 2 x 2 image.
    Bytes b = TgaHeader(11, 8, 0x20, 2, 2);
    b.U8(0x83).U8(99);
    const PLAnyBmp bmp = DecodeBytes(b.Data());
    EXPECT_EQ(MaxDistance(bmp, [](int, int) { return GreyPixel(99); }), 0);
}

TEST(SimpleDecoder, PcxCutShortDecodesWhatItHas)
{
    std::vector<uint8_t> data = ReadData("rgb.pcx");
    data.resize(128 + 40);
    const PLAnyBmp bmp = DecodeBytes(data);
    EXPECT_EQ(bmp.GetSize(), (PLPoint{kWidth, kHeight}));
    EXPECT_EQ(PixelAt(bmp, 0, 0), Colour(0, 0));
    EXPECT_EQ(PixelAt(bmp, kWidth - 1, kHeight - 1), (PLPixel32{0, 0, 0, 255}));
}

TEST(SimpleDecoder, PcxRunPastTheImageIsRefused)
{
    std::vector<uint8_t> data = ReadData("packed2.pcx");
    data.resize(128);
    data.push_back(0xFF);  // a run of 63 in an image of 3 x 7 bytes
    data.push_back(0);
    std::string text;
    EXPECT_EQ(CodeOf([&] { DecodeBytes(data); }, &text), PLErr::Internal);
    EXPECT_EQ(text, "Decoder error: repeat count spans end of image.\n");
}

TEST(SimpleDecoder, PgmHeaderWithCommentAndSmallMaximum)
{
    const std::string header = "P5\n# made by hand\n4 2\t15\n";
    Bytes b;
    b.Text(header).U8(0).U8(5).U8(10).U8(15).U8(15).U8(10).U8(5).U8(0);
    const PLAnyBmp bmp = DecodeBytes(b.Data());
    ASSERT_EQ(bmp.GetSize(), (PLPoint{4, 2}));
    EXPECT_EQ(Indices(bmp), (std::vector<int>{0, 85, 170, 255, 255, 170, 85, 0}));
}

TEST(SimpleDecoder, NetpbmHeadersWithJunkAreRefused)
{
    for (const char* text : {"P5 4 x 2 255\n", "P6 99999999999 1 255\n", "P2 1 1 70000\n"}) {
        Bytes b;
        b.Text(text).Fill(16);
        EXPECT_EQ(CodeOf([&] { DecodeBytes(b.Data()); }), PLErr::FormatUnknown) << text;
    }
}

// A 512-byte SGI header.
Bytes SgiHeader(int storage, int bytes, int dimension, int x, int y, int z)
{
    Bytes b;
    b.Be16(474).U8(storage).U8(bytes).Be16(dimension).Be16(x).Be16(y).Be16(z).Be32(0).Be32(255);
    return b.Fill(512 - b.Size());
}

TEST(SimpleDecoder, SgiVariantsThatAreRefused)
{
    struct Case {
        Bytes file;
        int code;
        const char* text;
    };
    const Case cases[] = {
        {SgiHeader(0, 1, 3, 2, 1, 2).Fill(4), PLErr::NotSupported,
         "Two-channel SGI RGB files are not supported."},
        {SgiHeader(0, 1, 1, 2, 1, 1).Fill(4), PLErr::NotSupported,
         "One-dimensional SGI RGB files are not supported."},
        {SgiHeader(2, 1, 3, 2, 1, 3).Fill(8), PLErr::NotSupported,
         "Unknown SGI RGB file compression format."},
    };
    for (const Case& c : cases) {
        std::string text;
        EXPECT_EQ(CodeOf([&] { DecodeBytes(c.file.Data()); }, &text), c.code);
        EXPECT_EQ(text, c.text);
    }
}

TEST(SimpleDecoder, ImagesWithoutColumnsDecodeToNothing)
{
    // Width 0 and a few rows: PCX (xmax just below xmin, 0 bytes a line), run-length SGI,
    // TGA. Each decodes to an empty bitmap without reading or writing a pixel.
    Bytes pcx;
    pcx.U8(0x0A).U8(5).U8(1).U8(8).Le16(12).Le16(0).Le16(11).Le16(6).Fill(53).U8(1).Le16(0).Fill(60);
    Bytes sgi = SgiHeader(1, 1, 3, 0, 2, 3);
    sgi.Fill(48);
    Bytes tga = TgaHeader(10, 24, 0, 0, 3);
    for (const Bytes* file : {&pcx, &sgi, &tga}) {
        const PLAnyBmp bmp = DecodeBytes(file->Data());
        EXPECT_EQ(bmp.GetWidth(), 0);
    }
}

TEST(SimpleDecoder, SgiRunLengthRowsStayInsideTheirRow)
{
    // A 3 x 1 grey image whose only row says: a run of 9 (cut to 3).
    Bytes b = SgiHeader(1, 1, 2, 3, 1, 1);
    b.Be32(520).Be32(3).U8(9).U8(77).U8(0);
    const PLAnyBmp bmp = DecodeBytes(b.Data());
    EXPECT_EQ(Indices(bmp), (std::vector<int>{77, 77, 77}));
}

}  // namespace
