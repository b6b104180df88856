// The writer's bytes, checked against bytes written out by hand from the file layout: every
// model-file test relies on them.
#include "tests/support/ModelFileWriter.h"

#include <gtest/gtest.h>

namespace {

Bytes Utf16String(std::u16string_view text)
{
    return Bytes{0xFF, 0xFE, 0xFF, static_cast<uint8_t>(text.size())} + Utf16Le(text);
}

TEST(ModelFileWriter, WritesTheHeaderAndVersionMapOfANewestFile)
{
    ModelFileWriter file;
    ModelFileWriter::Header header;
    header.guid = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    header.creationTime = 0x11223344;
    file.WriteHeader(header);
    file.WriteVersionMap({{"CZephyronModel", 22}});

    const Bytes expected = Utf16String(u"Zephyron Model") + Utf16String(u"{8.0.3669}") +
                           Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16} + Utf16String(u"") +
                           Bytes{0x44, 0x33, 0x22, 0x11} + Bytes{0xFF, 0xFF, 0x00, 0x00, 0x0B, 0x00} +
                           Ascii("CVersionMap") + Utf16String(u"CZephyronModel") + Bytes{22, 0, 0, 0} +
                           Utf16String(u"End-Of-Version-Map") + Bytes{0, 0, 0, 0};
    EXPECT_EQ(file.Finish(), expected);
}

TEST(ModelFileWriter, LeavesOutTheGuidOfFilesOlderThanItsVersion)
{
    ModelFileWriter file;
    ModelFileWriter::Header header;
    header.text = L"Plumora page";
    header.major = 0;
    header.minor = 1;
    header.build = 21;
    file.WriteHeader(header);

    const Bytes expected = Utf16String(u"Plumora page") + Utf16String(u"{0.1.21}") + Bytes{0, 0, 0, 0};
    EXPECT_EQ(file.Finish(), expected);
}

TEST(ModelFileWriter, NumbersClassesAndObjectsTogetherLikeTheArchive)
{
    ModelFileWriter file;
    auto first = file.WriteObjectRecord("CDib", 3, [](CArchive& ar) { ar << int32_t(7); });
    file.WriteObjectReference(first);
    file.WriteObjectRecord("CDib", 3, [](CArchive& ar) { ar << int32_t(8); });
    file.WriteNullObject();

    // class CDib is 1, the first object 2.
    const Bytes expected = Bytes{0xFF, 0xFF, 0x03, 0x00, 0x04, 0x00} + Ascii("CDib") + Bytes{7, 0, 0, 0} +
                           Bytes{0x02, 0x00} + Bytes{0x01, 0x80} + Bytes{8, 0, 0, 0} + Bytes{0x00, 0x00};
    EXPECT_EQ(file.Finish(), expected);
}

}  // namespace
