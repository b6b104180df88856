// Photoshop, IFF-85, PICT and Windows metafiles: the tools' files decode to their
// patterns (or to the tool's own decode), and what no tool here writes is checked on
// hand-made files.

#include "DecoderCases.h"

#include "image/PLTextException.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace imagetest;
using Type = PLAnyPicDecoder::FileType;

INSTANTIATE_TEST_SUITE_P(Later, Decode,
                         testing::Values(DecodeCase{"rle.psd", Type::PSD, "X8R8G8B8", 0, kColour},
                                         DecodeCase{"raw.psd", Type::PSD, "X8R8G8B8", 0, kColour},
                                         DecodeCase{"rgba.psd", Type::PSD, "A8R8G8B8", 0, kColourAlpha},
                                         DecodeCase{"grey.psd", Type::PSD, "L8", 0, kGrey},
                                         DecodeCase{"palette.psd", Type::PSD, "I8", 0, kColour},
                                         DecodeCase{"rgb16.psd", Type::PSD, "X8R8G8B8", 0, kColour},
                                         DecodeCase{"palette.ilbm", Type::IFF85, "I8", 0, kColour},
                                         DecodeCase{"raw.ilbm", Type::IFF85, "I8", 0, kColour},
                                         DecodeCase{"grey4.ilbm", Type::IFF85, "I8", 0, kLevels16},
                                         DecodeCase{"deep.ilbm", Type::IFF85, "X8R8G8B8", 0, kColour},
                                         DecodeCase{"rgb.pict", Type::PICT, "X8R8G8B8", 0, kColour},
                                         DecodeCase{"rgba.pict", Type::PICT, "A8R8G8B8", 0, kColourAlpha},
                                         DecodeCase{"palette.pict", Type::PICT, "I8", 0, kColour},
                                         // The tool's JPEG decode uses the integer DCT and smooth upsampling.
                                         DecodeCase{"jpeg.pict", Type::PICT, "X8R8G8B8", 2,
                                                    ToolDecode("jpeg.pict")}),
                         CaseName);

// A Photoshop file: header, colour-mode data, the given resources, no layers, then the
// image data's compression and bytes.
std::vector<uint8_t> Psd(int channels, int rows, int columns, int mode, const Bytes& resources,
                         int compression, const Bytes& data)
{
    Bytes b;
    b.Text("8BPS")
        .Be16(1)
        .Fill(6)
        .Be16(channels)
        .Be32(uint32_t(rows))
        .Be32(uint32_t(columns))
        .Be16(8)
        .Be16(mode);
    b.Be32(0).Be32(uint32_t(resources.Size())).Append(resources.Data()).Be32(0);
    b.Be16(compression).Append(data.Data());
    return b.Data();
}

TEST(LaterDecoder, PsdUsesTheFirstFourChannelsOfRgb)
{
    Bytes data;
    data.U8(10).U8(20).U8(30).U8(40).U8(50);
    const PLAnyBmp bmp = DecodeBytes(Psd(5, 1, 1, 3, {}, 0, data));
    EXPECT_EQ(bmp.GetPixelFormat().GetName(), "A8R8G8B8");
    EXPECT_EQ(PixelAt(bmp, 0, 0), (PLPixel32{30, 20, 10, 40}));
}

TEST(LaterDecoder, PsdResolutionIsTheIntegerPart)
{
    Bytes resources;
    const uint32_t dpi = 72 * 65536 + 32768;  // 72.5 in 16.16 fixed point
    resources.Text("8BIM").Be16(0x03ED).U8(0).U8(0).Be32(16).Be32(dpi).Be16(1).Be16(1).Be32(dpi).Be16(1).Be16(
        1);
    Bytes data;
    data.U8(7);
    const PLAnyBmp bmp = DecodeBytes(Psd(1, 1, 1, 1, resources, 0, data));
    EXPECT_EQ(bmp.GetResolution(), (PLPoint{72, 72}));
}

TEST(LaterDecoder, PsdNarrowRowsArePackedToo)
{
    // A 4 x 1 grey image whose one row is a run of four 9s.
    Bytes data;
    data.Be16(2).U8(0xFD).U8(9);
    const PLAnyBmp bmp = DecodeBytes(Psd(1, 1, 4, 1, {}, 1, data));
    EXPECT_EQ(MaxDistance(bmp, [](int, int) { return GreyPixel(9); }), 0);
}

TEST(LaterDecoder, PsdVariantsThatAreRefused)
{
    struct Case {
        std::vector<uint8_t> file;
        int code;
        const char* text;
    };
    Bytes one;
    one.U8(0);
    const Case cases[] = {
        {Psd(4, 1, 1, 4, {}, 0, one), PLErr::NotSupported,
         "Decoder error: This PSD color mode is not supported.\n"},
        {Psd(1, 1, 1, 1, {}, 2, one), PLErr::FormatUnknown,
         "Decoder error: PSD decoder: Compression type not supported.\n"},
        {Psd(1, 1, 1, 1, {}, 7, one), PLErr::FormatUnknown,
         "Decoder error: PSD decoder: Compression unknown.\n"},
    };
    for (const Case& c : cases) {
        std::string text;
        EXPECT_EQ(CodeOf([&] { DecodeBytes(c.file); }, &text), c.code);
        EXPECT_EQ(text, c.text);
    }
}

// An IFF chunk, padded to whole words.
Bytes& Chunk(Bytes& b, const char* id, const Bytes& body)
{
    b.Text(id).Be32(uint32_t(body.Size())).Append(body.Data());
    if (body.Size() % 2)
        b.U8(0);
    return b;
}

Bytes Form(const char* type, const Bytes& chunks)
{
    Bytes b;
    b.Text("FORM").Be32(uint32_t(4 + chunks.Size())).Text(type).Append(chunks.Data());
    return b;
}

Bytes Bmhd(int width, int height, int planes, int masking = 0, int compression = 0)
{
    Bytes b;
    b.Be16(width).Be16(height).Be16(0).Be16(0).U8(planes).U8(masking).U8(compression).U8(0);
    return b.Be16(0).U8(1).U8(1).Be16(width).Be16(height);
}

// Rows of pixel values as bit planes, each plane row padded to 16 pixels.
Bytes Planes(const std::vector<std::vector<int>>& rows, int planes)
{
    Bytes b;
    for (const std::vector<int>& row : rows) {
        const size_t bytes = (row.size() + 15) / 16 * 2;
        for (int j = 0; j < planes; ++j) {
            std::vector<uint8_t> plane(bytes);
            for (size_t x = 0; x < row.size(); ++x)
                plane[x / 8] |= uint8_t(((row[x] >> j) & 1) << (7 - x % 8));
            b.Append(plane);
        }
    }
    return b;
}

TEST(LaterDecoder, PbmIsOneBytePerPixelAndOddChunksArePadded)
{
    Bytes chunks, cmap, body;
    Chunk(chunks, "BMHD", Bmhd(3, 2, 8));
    cmap.U8(255).U8(0).U8(0).U8(0).U8(255).U8(0).U8(0).U8(0).U8(255);  // 9 bytes: padded
    Chunk(chunks, "CMAP", cmap);
    body.U8(0).U8(1).U8(2).U8(0).U8(2).U8(1).U8(0).U8(0);  // rows of 3 padded to 4
    Chunk(chunks, "BODY", body);
    const PLAnyBmp bmp = DecodeBytes(Form("PBM ", chunks).Data());
    ASSERT_EQ(bmp.GetSize(), (PLPoint{3, 2}));
    EXPECT_EQ(PixelAt(bmp, 1, 0), (PLPixel32{0, 255, 0, 255}));
    EXPECT_EQ(PixelAt(bmp, 0, 1), (PLPixel32{255, 0, 0, 255}));
}

TEST(LaterDecoder, HamPixelsChangeOneComponentOfTheLast)
{
    Bytes chunks, cmap, camg;
    Chunk(chunks, "BMHD", Bmhd(4, 1, 6));
    for (int i = 0; i < 16; ++i)
        cmap.U8(10 * i).U8(20 * i).U8(30 * i);
    Chunk(chunks, "CMAP", cmap);
    Chunk(chunks, "CAMG", camg.Be32(0x800));
    // Palette entry 1, then blue 15, red 8, green 3 (4-bit fields repeated to 8 bits).
    Chunk(chunks, "BODY", Planes({{0x01, 0x1F, 0x28, 0x33}}, 6));
    const PLAnyBmp bmp = DecodeBytes(Form("ILBM", chunks).Data());
    EXPECT_EQ(bmp.GetPixelFormat().GetName(), "X8R8G8B8");
    EXPECT_EQ(PixelAt(bmp, 0, 0), (PLPixel32{30, 20, 10, 255}));
    EXPECT_EQ(PixelAt(bmp, 1, 0), (PLPixel32{255, 20, 10, 255}));
    EXPECT_EQ(PixelAt(bmp, 2, 0), (PLPixel32{255, 20, 0x88, 255}));
    EXPECT_EQ(PixelAt(bmp, 3, 0), (PLPixel32{255, 0x33, 0x88, 255}));
}

TEST(LaterDecoder, HamFilesShowTheToolsColoursAtTheirPrecision)
{
    // A HAM6 field holds 4 bits and a HAM8 one 6: the decodes agree in those bits (the
    // tool rounds the fields to 8 bits in its own way).
    struct Case {
        const char* file;
        int shift;
    };
    for (const Case& c : {Case{"ham6.ilbm", 4}, Case{"ham8.ilbm", 2}}) {
        const PLAnyBmp bmp = DecodeBytes(ReadData(c.file));
        ASSERT_EQ(bmp.GetSize(), (PLPoint{kWidth, kHeight})) << c.file;
        const auto tool = ToolDecode(c.file);
        const auto fields = [&](PLPixel32 p) {
            return PLPixel32{uint8_t(p.b >> c.shift), uint8_t(p.g >> c.shift), uint8_t(p.r >> c.shift), p.a};
        };
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                EXPECT_EQ(fields(PixelAt(bmp, x, y)), fields(tool(x, y))) << c.file << " " << x << ", " << y;
    }
}

TEST(LaterDecoder, IlbmWithTooManyColoursOrNoBodyIsRefused)
{
    Bytes cmap;
    cmap.Fill(65 * 3);
    Bytes tooMany;
    Chunk(Chunk(Chunk(tooMany, "BMHD", Bmhd(16, 1, 6)), "CMAP", cmap), "BODY",
          Planes({std::vector<int>(16)}, 6));
    Bytes noBody;
    Chunk(Chunk(noBody, "BMHD", Bmhd(16, 1, 6)), "CMAP", Bytes().Fill(6));
    struct Case {
        Bytes file;
        const char* text;
    };
    for (const Case& c : {Case{Form("ILBM", tooMany), "Decoder error: Too many CMAP entries.\n"},
                          Case{Form("ILBM", noBody), "Decoder error: Body not found.\n"},
                          Case{Form("ACBM", noBody), "Decoder error: Unknown form type.\n"}}) {
        std::string text;
        EXPECT_EQ(CodeOf([&] { DecodeBytes(c.file.Data()); }, &text), PLErr::FormatUnknown);
        EXPECT_EQ(text, c.text);
    }
}

TEST(LaterDecoder, TransparentColourHasNoAlpha)
{
    Bytes chunks, bmhd = Bmhd(2, 1, 1, 2);
    bmhd[12] = 0;
    bmhd[13] = 1;  // transparent colour 1
    Chunk(chunks, "BMHD", bmhd);
    Chunk(chunks, "CMAP", Bytes().Fill(3, 10).Fill(3, 200));
    Chunk(chunks, "BODY", Bytes().U8(0x40).U8(0));
    const PLAnyBmp bmp = DecodeBytes(Form("ILBM", chunks).Data());
    EXPECT_EQ(bmp.GetPixelFormat().GetName(), "A8R8G8B8");
    EXPECT_EQ(PixelAt(bmp, 0, 0), GreyPixel(10));
    EXPECT_EQ(PixelAt(bmp, 1, 0), GreyPixel(200, 0));
}

TEST(LaterDecoder, MaskPlaneIsReadAndDropped)
{
    Bytes chunks;
    Chunk(chunks, "BMHD", Bmhd(2, 2, 1, 1));
    Chunk(chunks, "CMAP", Bytes().Fill(3).Fill(3, 255));
    // Each row: the one plane, then the mask plane (all set).
    Bytes body;
    body.U8(0x80).U8(0).U8(0xC0).U8(0).U8(0x40).U8(0).U8(0xC0).U8(0);
    Chunk(chunks, "BODY", body);
    const PLAnyBmp bmp = DecodeBytes(Form("ILBM", chunks).Data());
    EXPECT_EQ(Indices(bmp), (std::vector<int>{1, 0, 0, 1}));
}

// The 512-byte preamble, picture size and frame of a PICT file, then the given bytes.
std::vector<uint8_t> Pict(const Bytes& picture)
{
    Bytes b;
    b.Fill(512).Be16(0).Be16(0).Be16(0).Be16(2).Be16(8).Append(picture.Data());
    b.Fill(40);  // room for the recognition test, which looks 540 bytes in
    return b.Data();
}

TEST(LaterDecoder, PictOfVectorsOnlyIsRefused)
{
    Bytes picture;
    picture.Be16(0x0011).Be16(0x02FF).Be16(0x0C00).Be16(0xFFFE).Fill(22);
    picture.Be16(0x0001).Be16(10).Be16(0).Be16(0).Be16(2).Be16(8);  // clip rectangle
    picture.Be16(0x0030).Be16(0).Be16(0).Be16(2).Be16(8);           // frame rectangle
    picture.Be16(0x0028).Be16(1).Be16(1).U8(3).Text("abc");         // long text
    picture.Be16(0x00A1).Be16(100).Be16(4).Be32(0);                 // long comment
    picture.Be16(0x00FF);
    std::string text;
    EXPECT_EQ(CodeOf([&] { DecodeBytes(Pict(picture)); }, &text), PLErr::NotSupported);
    EXPECT_EQ(text, "Decoder error: PICT contained only vector data!\n\n");
}

TEST(LaterDecoder, PictVersionOneBitmapIsWhiteAndBlack)
{
    Bytes picture;
    picture.U8(0x00).U8(0x11).U8(0x01).U8(0x90).Be16(2);
    for (int i = 0; i < 3; ++i)
        picture.Be16(0).Be16(0).Be16(2).Be16(8);  // bounds, source, destination
    picture.Be16(0).U8(0xA5).U8(0).U8(0x0F).U8(0).U8(0xFF);
    PLAnyPicDecoder decoder;
    const PLAnyBmp bmp = DecodeBytes(Pict(picture), &decoder);
    EXPECT_EQ(decoder.GetFileType(), Type::PICT);
    ASSERT_EQ(bmp.GetSize(), (PLPoint{8, 2}));
    EXPECT_EQ(Indices(bmp), (std::vector<int>{1, 0, 1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 1, 1, 1}));
    EXPECT_EQ(bmp.GetPalette()[0], GreyPixel(255));
}

TEST(LaterDecoder, PictSixteenBitPixelsRepeatInPairsOfBytes)
{
    // Direct bits of 4 x 1 pixels, 16 bits each: one packed run of four pure reds.
    Bytes picture;
    picture.Be16(0x0011).Be16(0x02FF).Be16(0x009A).Be32(0xFF).Be16(0x8008);
    picture.Be16(0).Be16(0).Be16(1).Be16(4);                        // bounds
    picture.Be16(0).Be16(3).Be32(0).Be32(72 << 16).Be32(72 << 16);  // version, pack type and size, resolution
    picture.Be16(16).Be16(16).Be16(3).Be16(5).Be32(0).Be32(0).Be32(0);
    picture.Be16(0).Be16(0).Be16(1).Be16(4).Be16(0).Be16(0).Be16(1).Be16(4).Be16(0);  // rectangles, mode
    picture.U8(3).U8(0xFD).Be16(0x7C00).Be16(0x00FF);
    const PLAnyBmp bmp = DecodeBytes(Pict(picture));
    ASSERT_EQ(bmp.GetSize(), (PLPoint{4, 1}));
    EXPECT_EQ(bmp.GetResolution(), (PLPoint{72, 72}));
    EXPECT_EQ(MaxDistance(bmp, [](int, int) { return PLPixel32{0, 0, 255, 255}; }), 0);
}

PLAnyBmp DecodeAs(const std::string& name, const std::vector<uint8_t>& data, PLAnyPicDecoder& decoder)
{
    TempFolder folder;
    const std::string path = (folder / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), long(data.size()));
    PLAnyBmp bmp;
    decoder.DecodeFile(path.c_str(), bmp);
    return bmp;
}

TEST(LaterDecoder, PlaceableMetafileIsDrawnAtScreenResolutionOnWhite)
{
    PLAnyPicDecoder decoder;
    const PLAnyBmp bmp = DecodeAs("drawing.wmf", PlaceableMetafile(), decoder);
    EXPECT_EQ(decoder.GetFileType(), Type::WMF);
    ASSERT_EQ(bmp.GetSize(), (PLPoint{96, 48}));  // 1 x 0.5 inches at 96 dots per inch
    EXPECT_EQ(bmp.GetPixelFormat().GetName(), "B8G8R8A8");
    EXPECT_EQ(PixelAt(bmp, 10, 24), (PLPixel32{0, 0, 255, 255}));
    EXPECT_EQ(PixelAt(bmp, 80, 24), (PLPixel32{255, 255, 255, 255}));
}

TEST(LaterDecoder, EnhancedMetafilesAreRefused)
{
    PLAnyPicDecoder decoder;
    std::string text;
    EXPECT_EQ(CodeOf([&] { DecodeAs("drawing.emf", PlaceableMetafile(), decoder); }, &text),
              PLErr::NotCompiled);
    EXPECT_EQ(text, "Decoder error: Library not compiled for EMF.\n");
    EXPECT_EQ(decoder.GetFileType(), Type::EMF);
}

TEST(LaterDecoder, BrokenMetafilesAreRefused)
{
    std::vector<uint8_t> badRecord = PlaceableMetafile();
    const std::vector<uint8_t> cut(badRecord.begin(), badRecord.end() - 10);  // no end record
    badRecord[22 + 18] = 0xFF;                                                // the first record's size
    PLAnyPicDecoder decoder;
    for (const std::vector<uint8_t>& data : {cut, badRecord, std::vector<uint8_t>(5, 1)})
        EXPECT_EQ(CodeOf([&] { DecodeAs("broken.wmf", data, decoder); }), PLErr::NotSupported);
}

}  // namespace
