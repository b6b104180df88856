#include "ExifBlock.h"
#include "ImageTestUtil.h"

#include "image/PLExif.h"
#include "image/PLJPEGDecoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>

#include <jpeglib.h>

namespace {

using exiftest::Entry;
using exiftest::ExifWriter;

PLExif Read(const std::vector<uint8_t>& segment)
{
    PLExif exif;
    exif.ReadSegment(segment.data(), segment.size());
    return exif;
}

std::string Display(const PLExif& exif, const std::string& name)
{
    const PLExifTag* tag = exif.GetTag(name);
    return tag ? tag->GetDisplayText() : "<absent " + name + ">";
}

std::vector<std::string> Names(const PLExif::TagList& tags)
{
    std::vector<std::string> names;
    for (const auto& tag : tags)
        names.push_back(tag->GetName());
    return names;
}

// A main directory of make and model, a maker note written by note (which gives where it
// starts), and an EXIF sub-directory of the entries given and the maker note.
using NoteWriter = std::function<uint32_t(ExifWriter&)>;
std::vector<uint8_t> CameraBlock(bool big, const std::string& make, const std::string& model,
                                 const NoteWriter& note,
                                 const std::function<std::vector<Entry>(const ExifWriter&)>& entries = {})
{
    ExifWriter w(big);
    const uint32_t main = w.Directory({w.Ascii(0x010f, make), w.Ascii(0x0110, model), w.Long(0x8769, 0)});
    std::vector<Entry> sub = entries ? entries(w) : std::vector<Entry>{};
    if (note) {
        const uint32_t start = note(w);
        sub.push_back(w.Pointing(0x927c, 7, w.Size() - start, start));
    }
    w.Patch32(ExifWriter::ValueField(main, 2), w.Directory(sub));
    return w.Segment();
}

std::vector<uint8_t> SubBlock(bool big, const std::function<std::vector<Entry>(const ExifWriter&)>& entries)
{
    return CameraBlock(big, "Test", "Camera", {}, entries);
}

// A Canon camera: main directory, EXIF sub-directory and a maker note with both settings
// arrays and the custom functions.
std::vector<uint8_t> CanonBlock(bool big)
{
    ExifWriter w(big);
    const uint32_t main = w.Directory({w.Ascii(0x010f, "Canon"), w.Ascii(0x0110, "Canon EOS D30"),
                                       w.Short(0x0128, {2}), w.Long(0x8769, 0), w.Short(0xa420, {7})});
    std::vector<uint16_t> set1(33, 0);
    set1[1] = 1;               // macro
    set1[19] = 12291;          // AF point: centre
    set1[29] = 0x4000 | 0x10;  // flash details
    std::vector<uint16_t> set2(19, 0);
    set2[7] = 1;        // sunny
    set2[14] = 0x3001;  // focus point used: centre
    set2[15] = 65504;   // flash bias −1 EV
    const auto shorts = [&](uint16_t tag, const std::vector<uint16_t>& values) {
        Entry e{tag, 3, uint32_t(values.size()), {}, {}};
        for (uint16_t v : values) {
            const auto bytes = w.U16s({v});
            e.value.insert(e.value.end(), bytes.begin(), bytes.end());
        }
        return e;
    };
    const uint32_t note = w.Directory({
        shorts(0x0001, set1),
        shorts(0x0004, set2),
        w.Ascii(0x0006, "IMG:EOS D30 JPEG"),
        w.Long(0x0008, 1001234),
        w.Long(0x000c, 0x00560001),
        // Length in bytes, then one word per set function: number << 8 | value. The
        // word 0x0005 has no function number and is skipped.
        w.Short(0x000f, {10, 0x0101, 0x0005, 0x0200, 0x0E05}),
    });
    const uint32_t noteSize = w.Size() - note;
    const uint32_t sub = w.Directory({
        w.Rational(0x829a, 1, 125),
        w.Rational(0x829d, 28, 10),
        w.Undefined(0x9101, {1, 2, 3, 0}),
        w.Short(0x9209, {7}),
        w.Pointing(0x927c, 7, noteSize, note),
    });
    w.Patch32(ExifWriter::ValueField(main, 3), sub);
    return w.Segment();
}

class ExifByteOrder : public testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(Exif, ExifByteOrder, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& order) {
                             return order.param ? "BigEndian" : "LittleEndian";
                         });

TEST(Exif, HandWrittenBlocksOfBothByteOrdersReadAlike)
{
    // One directory at offset 8: Make (ASCII, at offset 38) and Orientation (a short held
    // in the entry itself, left-justified in its four bytes).
    const std::vector<uint8_t> little = {
        'E',  'x',  'i', 'f', 0,   0, 'I', 'I', 0x2A, 0, 8, 0, 0, 0,  // header
        2,    0,                                                      // two entries
        0x0F, 0x01, 2,   0,   6,   0, 0,   0,   38,   0, 0, 0,        // Make, 6 chars
        0x12, 0x01, 3,   0,   1,   0, 0,   0,   6,    0, 0, 0,        // Orientation 6
        0,    0,    0,   0,                                           // no next
        'N',  'i',  'k', 'o', 'n', 0};
    const std::vector<uint8_t> big = {'E', 'x', 'i',  'f',  0,    0,   'M', 'M', 0,   0x2A, 0, 0, 0,
                                      8,   0,   2,    0x01, 0x0F, 0,   2,   0,   0,   0,    6, 0, 0,
                                      0,   38,  0x01, 0x12, 0,    3,   0,   0,   0,   1,    0, 6, 0,
                                      0,   0,   0,    0,    0,    'N', 'i', 'k', 'o', 'n',  0};
    for (const auto& segment : {little, big}) {
        const PLExif exif = Read(segment);
        EXPECT_EQ(Names(exif.GetMainTags()), (std::vector<std::string>{"Main.Make", "Main.Ori"}));
        EXPECT_EQ(Display(exif, "Main.Make"), "Nikon");
        EXPECT_EQ(exif.GetTag("Main.Ori")->GetRoundedValue(), 6);
        EXPECT_EQ(exif.GetTag("Main.Make")->GetValueOffset(), 38u);
        EXPECT_TRUE(exif.GetMakerTags().empty());
    }
}

TEST_P(ExifByteOrder, CanonCameraReadsEveryDirectory)
{
    const PLExif exif = Read(CanonBlock(GetParam()));
    ASSERT_NE(exif.GetTag("MAIN.MAKE"), nullptr);
    EXPECT_EQ(exif.GetTag("MAIN.MAKE")->GetName(), "Main.Make");
    EXPECT_EQ(exif.GetTag("MAIN.MAKE")->GetKey(), "main.make");
    EXPECT_EQ(Display(exif, "Main.Make"), "Canon");
    EXPECT_EQ(Display(exif, "Main.ResUnit"), "inch");
    EXPECT_EQ(Display(exif, "Main.a420"), "7");  // not in the table: named by its id

    EXPECT_EQ(
        Names(exif.GetSubTags()),
        (std::vector<std::string>{"Sub.Shutter", "Sub.FStop", "Sub.CompConfig", "Sub.Flash", "Sub.Maker"}));
    EXPECT_EQ(Display(exif, "Sub.Shutter"), "1/125 s");
    EXPECT_EQ(Display(exif, "Sub.FStop"), "f2.8");
    EXPECT_EQ(Display(exif, "Sub.CompConfig"), "YCbCr");
    EXPECT_EQ(Display(exif, "Sub.Flash"), "Yes, return detected");

    const std::map<std::string, std::string> maker = {
        {"Canon.ImageType", "IMG:EOS D30 JPEG"},
        {"Canon.ImageNo", "100-1234"},
        {"Canon.SerialNo", "005600001"},
        {"CnSet1.Macro", "Macro"},
        {"CnSet1.AFPoint", "Center"},
        {"CnSet1.FlashDet", "External E-TTL FP sync enabled "},
        {"CnSet1.Contrast", "Normal"},
        {"CnSet2.WhiteBal", "Sunny"},
        {"CnSet2.AF Point", "Centre"},
        {"CnSet2.FlashBias", "-1 EV"},
        {"CanonCFn.NoiseRed", "On"},
        {"CanonCFn.Lock", "AF/AE lock"},
        {"CanonCFn.14", "5"},
    };
    for (const auto& [name, text] : maker)
        EXPECT_EQ(Display(exif, name), text) << name;
    // Rows beyond an array are not read: the first array has 33 elements, so its last row
    // (index 0x20) is read; the second has 19, so index 0x13 is not.
    EXPECT_NE(exif.GetTag("CnSet1.FocusMode"), nullptr);
    EXPECT_EQ(exif.GetTag("CnSet2.SubjectDist"), nullptr);
    EXPECT_EQ(exif.GetTag("CnSet1.Macro")->GetDescription()->description, std::string("Canon Macro Mode"));
    for (const auto& tag : exif.GetMakerTags())
        EXPECT_TRUE(tag->GetName().starts_with("Canon") || tag->GetName().starts_with("CnSet"))
            << tag->GetName();
    EXPECT_EQ(exif.GetAllTags().size(),
              exif.GetMainTags().size() + exif.GetSubTags().size() + exif.GetMakerTags().size());
}

TEST(Exif, BothByteOrdersGiveTheSameTags)
{
    const PLExif little = Read(CanonBlock(false));
    const PLExif big = Read(CanonBlock(true));
    ASSERT_EQ(Names(little.GetAllTags()), Names(big.GetAllTags()));
    for (size_t i = 0; i < little.GetAllTags().size(); ++i) {
        const PLExifTag& a = *little.GetAllTags()[i];
        const PLExifTag& b = *big.GetAllTags()[i];
        if (a.GetFormatCode() == 7)
            continue;  // raw bytes, such as the maker note, differ with the byte order
        EXPECT_EQ(a.GetValueText(), b.GetValueText()) << a.GetName();
        EXPECT_EQ(a.GetDisplayText(), b.GetDisplayText()) << a.GetName();
        EXPECT_EQ(a.GetRoundedValue(), b.GetRoundedValue()) << a.GetName();
    }
}

TEST_P(ExifByteOrder, ValuesAreFormattedForPeople)
{
    struct Case {
        std::function<Entry(const ExifWriter&)> entry;
        const char* name;
        const char* display;
    };
    const std::vector<uint8_t> many = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const Case cases[] = {
        {[](auto& w) { return w.Rational(0x829a, 1, 125); }, "Sub.Shutter", "1/125 s"},
        {[](auto& w) { return w.Rational(0x829a, 10, 1250); }, "Sub.Shutter", "1/125 s"},
        {[](auto& w) { return w.Rational(0x829a, 2, 1); }, "Sub.Shutter", "2 s"},
        {[](auto& w) { return w.Rational(0x829d, 28, 10); }, "Sub.FStop", "f2.8"},
        {[](auto& w) { return w.Rational(0x829d, 28, 0); }, "Sub.FStop", "28/0"},
        {[](auto& w) { return w.Rational(0x9202, 3, 1); }, "Sub.Aperturea", "f2.8"},
        {[](auto& w) { return w.SignedRational(0x9201, 7, 1); }, "Sub.Shuttera", "1/128 s"},
        {[](auto& w) { return w.SignedRational(0x9204, -2, 3); }, "Sub.Expbiasa", "-0.666667"},
        {[](auto& w) { return w.Rational(0x920a, 50, 1); }, "Sub.Focal", "50 mm"},
        {[](auto& w) {
             return w.Undefined(0x9101, {1, 2, 3, 0});
         },
         "Sub.CompConfig", "YCbCr"},
        {[](auto& w) {
             return w.Undefined(0x9101, {4, 5, 6, 9});
         },
         "Sub.CompConfig", "RGB 09"},
        {[](auto& w) { return w.Ascii(0x9003, "a\tb\x01"); }, "Sub.OrigTime", "a\\tb\\0x01"},
        {[](auto& w) { return w.Short(0xa001, {65535}); }, "Sub.ColorSpace", "Uncalibrated"},
        {[](auto& w) { return w.Short(0xa001, {2}); }, "Sub.ColorSpace", "2"},
        {[](auto& w) { return w.Undefined(0xa300, {3}); }, "Sub.FileSource", "Digital still camera"},
        {[](auto& w) {
             return w.Undefined(0x9000, {'0', '2', '1', '0'});
         },
         "Sub.ExifVer", "0210"},
        {[&](auto& w) { return w.Undefined(0xa302, many); }, "Sub.CFAPat",
         "{ 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f ... }"},
        {[](auto& w) { return w.SignedShort(0x8827, -6); }, "Sub.Iso", "-6"},
    };
    for (const Case& c : cases) {
        const PLExif exif =
            Read(SubBlock(GetParam(), [&](const ExifWriter& w) { return std::vector<Entry>{c.entry(w)}; }));
        EXPECT_EQ(Display(exif, c.name), c.display) << c.name;
    }
}

TEST_P(ExifByteOrder, UnitsStandInTheValueTextToo)
{
    const PLExif exif = Read(
        SubBlock(GetParam(), [](const ExifWriter& w) { return std::vector{w.Rational(0x829a, 10, 1250)}; }));
    const PLExifTag& tag = *exif.GetTag("Sub.Shutter");
    EXPECT_EQ(tag.GetValueText(), "10/1250 s");
    EXPECT_EQ(tag.GetDisplayText(), "1/125 s");
    EXPECT_DOUBLE_EQ(tag.GetDoubleValue(), 0.008);
    EXPECT_EQ(tag.GetRoundedValue(), 0);
}

TEST_P(ExifByteOrder, AtMostSixteenComponentsAreShown)
{
    const PLExif exif = Read(SubBlock(GetParam(), [](const ExifWriter& w) {
        Entry e{0xa20e, 3, 20, {}, {}};
        for (uint16_t v = 0; v < 20; ++v) {
            const auto bytes = w.U16s({v});
            e.value.insert(e.value.end(), bytes.begin(), bytes.end());
        }
        return std::vector{e};
    }));
    const PLExifTag& tag = *exif.GetTag("Sub.FPXRes");
    EXPECT_EQ(tag.GetValueText(), "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 ...");
    EXPECT_EQ(tag.GetNumerator(), 15);
}

TEST(Exif, LongTextsAreCut)
{
    const PLExif exif = Read(SubBlock(
        false, [](const ExifWriter& w) { return std::vector{w.Ascii(0x9003, std::string(3000, 'a'))}; }));
    const std::string& text = exif.GetTag("Sub.OrigTime")->GetValueText();
    EXPECT_EQ(text, std::string(PLExif::kMaxTextLength, 'a') + " ...");
}

TEST_P(ExifByteOrder, CasioEVShiftIsSigned)
{
    for (const char* model : {"QV-2000UX", "QV-3000EX"}) {
        const PLExif exif = Read(CameraBlock(GetParam(), "CASIO", model, [](ExifWriter& w) {
            return w.Directory({w.SignedShort(0x0101, -6), w.Short(0x0004, {4})});
        }));
        EXPECT_EQ(exif.GetTag("Casio.EVShift")->GetRoundedValue(), -6);
        EXPECT_EQ(Display(exif, "Casio.EVShift"), "-2.0 EV");
        // Only that model stores red-eye reduction as 4.
        EXPECT_EQ(Display(exif, "Casio.FlashMode"),
                  std::string(model) == "QV-2000UX" ? "Red Eye Reduction" : "4");
    }
}

TEST_P(ExifByteOrder, NikonOlympusAndFujifilmNotes)
{
    const bool big = GetParam();
    const std::vector<uint8_t> nikonHeader = {'N', 'i', 'k', 'o', 'n', 0, 1, 0};
    const std::vector<uint8_t> olympusHeader = {'O', 'L', 'Y', 'M', 'P', 0, 1, 0};
    {
        // A note starting "Nikon" has its directory 8 bytes in.
        const PLExif exif = Read(CameraBlock(big, "NIKON", "E990", [&](ExifWriter& w) {
            const uint32_t note = w.Bytes(nikonHeader);
            w.Directory({w.Short(0x0003, {5}), w.Rational(0x000a, 2, 1)});
            return note;
        }));
        EXPECT_EQ(Display(exif, "Nikon2.Quality"), "SXGA Normal");
        EXPECT_EQ(Display(exif, "Nikon2.DigZoom"), "2 x");
    }
    {
        // Otherwise at its start, with capitalised texts.
        const PLExif exif = Read(CameraBlock(big, "NIKON CORPORATION", "D1", [](ExifWriter& w) {
            return w.Directory({w.Ascii(0x0004, "FINE"), w.Ascii(0x0007, "AF-S")});
        }));
        EXPECT_EQ(Display(exif, "Nikon.Quality"), "Fine");
        EXPECT_EQ(Display(exif, "Nikon.Focus"), "Af-s");
    }
    {
        const PLExif exif = Read(CameraBlock(big, "OLYMPUS OPTICAL CO.,LTD", "C2000Z", [&](ExifWriter& w) {
            const uint32_t note = w.Bytes(olympusHeader);
            w.Directory({w.Short(0x0201, {3}), w.Short(0x0202, {1})});
            return note;
        }));
        EXPECT_EQ(Display(exif, "Oly.Quality"), "SHQ");
        EXPECT_EQ(Display(exif, "Oly.Macro"), "Macro");
    }
    {
        // Fujifilm's note is little-endian in every file, its offsets counted from its start.
        ExifWriter fuji(false);
        fuji.Bytes({12, 0, 0, 0});
        fuji.Directory({fuji.Short(0x1001, {3}), fuji.Ascii(0x1000, "FINE "), fuji.Short(0x1010, {3})});
        std::vector<uint8_t> noteBytes = fuji.Tiff();
        std::memcpy(noteBytes.data(), "FUJIFILM", 8);
        ExifWriter w(big);
        const uint32_t main = w.Directory({w.Ascii(0x010f, "FUJIFILM"), w.Long(0x8769, 0)});
        const uint32_t note = w.Bytes(noteBytes);
        w.Patch32(ExifWriter::ValueField(main, 1),
                  w.Directory({w.Pointing(0x927c, 7, uint32_t(noteBytes.size()), note)}));
        const PLExif exif = Read(w.Segment());
        EXPECT_EQ(Display(exif, "Fuji.Sharpness"), "Normal");
        EXPECT_EQ(Display(exif, "Fuji.Quality"), "Fine ");
        EXPECT_EQ(exif.GetTag("Fuji.Quality")->GetValueText(), "Fine");
        EXPECT_EQ(Display(exif, "Fuji.FlashMode"), "Red-eye reduction");
    }
}

// Broken structures: each ends the directory it is in, keeps what was read before it, and
// leaves the other directories readable.
TEST_P(ExifByteOrder, MalformedEntriesEndTheirDirectoryOnly)
{
    struct Case {
        const char* what;
        std::function<Entry(const ExifWriter&, uint32_t size)> entry;
    };
    const Case cases[] = {
        {"format code 13",
         [](auto&, uint32_t) {
             return Entry{0x0110, 13, 1, {0, 0, 0, 0}, {}};
         }},
        {"format code 0",
         [](auto&, uint32_t) {
             return Entry{0x0110, 0, 1, {0, 0, 0, 0}, {}};
         }},
        {"too many components",
         [](auto&, uint32_t) {
             return Entry{0x0110, 2, 0x10001, {}, 8u};
         }},
        // 0x20000001 × 8 bytes is 8 in 32-bit arithmetic.
        {"count times size overflows",
         [](auto&, uint32_t) {
             return Entry{0x011a, 5, 0x20000001, {}, 8u};
         }},
        {"offset beyond the data", [](auto& w, uint32_t) { return w.Pointing(0x0110, 2, 16, 0xFFFFFFF8); }},
        {"value running past the end",
         [](auto& w, uint32_t size) { return w.Pointing(0x0110, 2, 64, size - 8); }},
    };
    for (const Case& c : cases) {
        ExifWriter w(GetParam());
        // Main: Make, ExifOffset, the broken entry, Software; the sub-directory follows.
        const uint32_t main = w.Directory(
            {w.Ascii(0x010f, "Canon"), w.Long(0x8769, 0), c.entry(w, 200), w.Ascii(0x0131, "firmware")});
        w.Patch32(ExifWriter::ValueField(main, 1), w.Directory({w.Rational(0x829d, 28, 10)}));
        std::vector<uint8_t> segment = w.Segment();
        segment.resize(std::max<size_t>(segment.size(), 206), 0);
        const PLExif exif = Read(segment);
        EXPECT_EQ(Names(exif.GetMainTags()), (std::vector<std::string>{"Main.Make", "Main.ExifOffset"}))
            << c.what;
        EXPECT_EQ(Display(exif, "Sub.FStop"), "f2.8") << c.what;
    }
}

TEST_P(ExifByteOrder, DirectoryCountBeyondTheDataStopsAtTheEnd)
{
    ExifWriter w(GetParam());
    const uint32_t main = w.Directory({w.Ascii(0x010f, "Canon"), w.Short(0x0128, {2})});
    std::vector<uint8_t> segment = w.Segment();
    segment[6 + main] = segment[6 + main + 1] = 0xFF;  // 65535 entries
    const PLExif exif = Read(segment);
    // A third entry would run past the end of the data.
    ASSERT_EQ(exif.GetMainTags().size(), 2u);
    EXPECT_EQ(Display(exif, "Main.Make"), "Canon");
    EXPECT_EQ(Display(exif, "Main.ResUnit"), "inch");
}

TEST_P(ExifByteOrder, OffsetsThatLeadBackAreReadOnceEach)
{
    // The sub-directory offset points at the main directory, and the maker note at the
    // sub-directory: each is read once more under the next name, and reading ends.
    ExifWriter w(GetParam());
    const uint32_t main =
        w.Directory({w.Ascii(0x010f, "Canon"), w.Long(0x8769, 8), w.Pointing(0x927c, 7, 20, 8)});
    EXPECT_EQ(main, 8u);
    const PLExif exif = Read(w.Segment());
    EXPECT_EQ(Names(exif.GetSubTags()), (std::vector<std::string>{"Sub.010f", "Sub.8769", "Sub.Maker"}));
    EXPECT_EQ(Names(exif.GetMakerTags()),
              (std::vector<std::string>{"Canon.010f", "Canon.8769", "Canon.927c"}));
}

TEST_P(ExifByteOrder, OffsetsOutOfRangeReadNothing)
{
    for (uint32_t offset : {0xFFFFFFFFu, 0x7FFFFFFFu, 4000u}) {
        ExifWriter w(GetParam());
        w.Directory({w.Ascii(0x010f, "Canon"), w.Long(0x8769, offset), w.Pointing(0x927c, 7, 8, offset)});
        const PLExif exif = Read(w.Segment());
        EXPECT_EQ(exif.GetMainTags().size(), 2u) << offset;  // the maker note lies outside
        EXPECT_TRUE(exif.GetSubTags().empty()) << offset;
    }
}

TEST_P(ExifByteOrder, EveryTruncationReadsAPartOfTheWhole)
{
    const std::vector<uint8_t> whole = CanonBlock(GetParam());
    const PLExif full = Read(whole);
    for (size_t size = 0; size < whole.size(); ++size) {
        const std::vector<uint8_t> part(whole.begin(), whole.begin() + std::ptrdiff_t(size));
        const PLExif exif = Read(part);
        for (const auto& tag : exif.GetAllTags()) {
            const PLExifTag* same = full.GetTag(tag->GetName());
            ASSERT_NE(same, nullptr) << size << " " << tag->GetName();
            EXPECT_EQ(tag->GetValueText(), same->GetValueText()) << size << " " << tag->GetName();
        }
    }
}

TEST_P(ExifByteOrder, CanonCustomFunctionsLongerThanTheirTagAreRefused)
{
    // The length word announces 6 words; the tag holds 4.
    const PLExif exif = Read(CameraBlock(GetParam(), "Canon", "EOS", [](ExifWriter& w) {
        return w.Directory({w.Short(0x000f, {12, 0x0101, 0x0201, 0x0301})});
    }));
    EXPECT_NE(exif.GetTag("Canon.CustomFnc"), nullptr);
    for (const auto& tag : exif.GetMakerTags())
        EXPECT_FALSE(tag->GetName().starts_with("CanonCFn.")) << tag->GetName();
}

TEST(Exif, SegmentsThatAreNotExifLeaveTheReaderEmpty)
{
    const std::vector<uint8_t> block = CanonBlock(false);
    std::vector<uint8_t> wrongHeader = block;
    wrongHeader[5] = 1;
    for (const auto& segment : {wrongHeader, std::vector<uint8_t>{'E', 'x', 'i', 'f', 0},
                                std::vector<uint8_t>(block.begin(), block.begin() + 6)}) {
        const PLExif exif = Read(segment);
        EXPECT_TRUE(exif.IsEmpty());
        EXPECT_EQ(exif.GetTag("Main.Make"), nullptr);
    }
    // A segment larger than a JPEG marker can carry does not come from a JPEG file.
    std::vector<uint8_t> huge = block;
    huge.resize(PLExif::kMaxSegmentSize + 1);
    EXPECT_TRUE(Read(huge).IsEmpty());
}

TEST(Exif, ClearEmptiesEverything)
{
    PLExif exif = Read(CanonBlock(false));
    ASSERT_FALSE(exif.IsEmpty());
    exif.Clear();
    EXPECT_TRUE(exif.GetAllTags().empty());
    EXPECT_TRUE(exif.GetMainTags().empty());
    EXPECT_TRUE(exif.GetSubTags().empty());
    EXPECT_TRUE(exif.GetMakerTags().empty());
    EXPECT_EQ(exif.GetTag("Main.Make"), nullptr);
    EXPECT_EQ(exif.GetRawSize(), 0u);
    // Reading again starts from nothing.
    const std::vector<uint8_t> again = CanonBlock(true);
    exif.ReadSegment(again.data(), again.size());
    EXPECT_EQ(exif.GetAllTags().size(), Read(CanonBlock(true)).GetAllTags().size());
}

// libjpeg's list of saved markers, over the test's own segments.
struct MarkerList {
    std::vector<std::vector<uint8_t>> data;
    std::vector<jpeg_marker_struct> markers;

    explicit MarkerList(std::vector<std::pair<int, std::vector<uint8_t>>> segments)
    {
        for (const auto& segment : segments)
            data.push_back(segment.second);
        markers.resize(segments.size());
        for (size_t i = 0; i < segments.size(); ++i) {
            markers[i].next = i + 1 < segments.size() ? &markers[i + 1] : nullptr;
            markers[i].marker = uint8_t(segments[i].first);
            markers[i].original_length = unsigned(data[i].size());
            markers[i].data_length = unsigned(data[i].size());
            markers[i].data = data[i].data();
        }
    }
    const jpeg_marker_struct* First() const { return markers.empty() ? nullptr : &markers[0]; }
};

TEST(Exif, TheLastExifSegmentOfAJpegCounts)
{
    const std::vector<uint8_t> first = CanonBlock(false);
    ExifWriter w(true);
    w.Directory({w.Ascii(0x010f, "NIKON")});
    const std::vector<uint8_t> second = w.Segment();
    const std::string xmpText = "http://ns.adobe.com/xap/1.0/";
    const std::vector<uint8_t> xmp(xmpText.c_str(), xmpText.c_str() + xmpText.size() + 1);
    const std::vector<uint8_t> jfif = {'J', 'F', 'I', 'F', 0};

    struct Case {
        MarkerList list;
        const char* make;
    };
    const Case cases[] = {
        {MarkerList({{JPEG_APP0 + 1, first}, {JPEG_APP0 + 1, second}}), "NIKON"},
        // XMP usually follows the EXIF segment; it does not hide it.
        {MarkerList({{JPEG_APP0 + 1, first}, {JPEG_APP0 + 1, xmp}}), "Canon"},
        {MarkerList({{JPEG_APP0, jfif}, {JPEG_APP0 + 1, first}, {JPEG_APP0 + 2, second}}), "Canon"},
        {MarkerList({{JPEG_APP0 + 1, xmp}}), nullptr},
        {MarkerList({}), nullptr},
    };
    for (const Case& c : cases) {
        PLExif exif;
        exif.ReadData(c.list.First());
        if (c.make)
            EXPECT_EQ(Display(exif, "Main.Make"), c.make);
        else
            EXPECT_TRUE(exif.IsEmpty());
    }
}

// An 8 × 8 JPEG written through libjpeg, carrying the segment of exif.
std::vector<uint8_t> JpegWithExif(const PLExif& exif)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = 8;
    info.image_height = 8;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    exif.WriteToJpeg(&info);
    std::vector<uint8_t> row(8 * 3, 200);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> jpeg(out, out + size);
    std::free(out);
    return jpeg;
}

TEST(Exif, TheJpegDecoderReadsTheSegmentOfAWrittenFile)
{
    const PLExif written = Read(CanonBlock(true));
    const std::vector<uint8_t> jpeg = JpegWithExif(written);
    TempFolder folder;
    const std::string path = (folder / "camera.jpg").string();
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(jpeg.data(), 1, jpeg.size(), file);
        std::fclose(file);
    }
    PLJPEGDecoder decoder;
    EXPECT_EQ(decoder.GetExif(), nullptr);
    decoder.OpenFile(path.c_str());
    const PLExif* exif = decoder.GetExif();
    ASSERT_NE(exif, nullptr);
    ASSERT_EQ(exif->GetRawSize(), written.GetRawSize());
    EXPECT_EQ(std::memcmp(exif->GetRawData(), written.GetRawData(), written.GetRawSize()), 0);
    EXPECT_EQ(Display(*exif, "Sub.FStop"), "f2.8");
    EXPECT_EQ(Display(*exif, "CnSet1.Macro"), "Macro");
    PLAnyBmp bmp;
    decoder.GetImage(bmp);
    EXPECT_EQ(bmp.GetWidth(), 8);
    decoder.Close();
    EXPECT_EQ(decoder.GetExif(), nullptr);
}

// colour.jpg with an APP1 segment put in right after its start-of-image marker.
std::vector<uint8_t> WithApp1(const std::vector<uint8_t>& segment)
{
    std::vector<uint8_t> jpeg = imagetest::ReadData("colour.jpg");
    const size_t length = segment.size() + 2;
    std::vector<uint8_t> marker = {0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length)};
    marker.insert(marker.end(), segment.begin(), segment.end());
    jpeg.insert(jpeg.begin() + 2, marker.begin(), marker.end());
    return jpeg;
}

TEST(Exif, BrokenExifDoesNotStopTheJpegFromDecoding)
{
    std::vector<uint8_t> garbage = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0xFF, 0xFF, 0xFF, 0xFF};
    garbage.resize(300, 0xEE);
    std::vector<uint8_t> truncated = CanonBlock(false);
    truncated.resize(truncated.size() / 2);
    const std::vector<uint8_t> plain = imagetest::ReadData("colour.jpg");
    PLJPEGDecoder decoder;
    PLAnyBmp expected;
    decoder.DecodeMemory(plain.data(), plain.size(), expected);
    for (const auto& segment : {garbage, truncated, CanonBlock(true)}) {
        const std::vector<uint8_t> jpeg = WithApp1(segment);
        PLAnyBmp bmp;
        decoder.DecodeMemory(jpeg.data(), jpeg.size(), bmp);
        ASSERT_EQ(bmp.GetSize(), expected.GetSize());
        EXPECT_EQ(
            imagetest::MaxDistance(bmp, [&](int x, int y) { return imagetest::PixelAt(expected, x, y); }), 0);
    }
}

}  // namespace
