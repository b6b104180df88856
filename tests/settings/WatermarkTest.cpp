// Watermarks: their settings and comparisons, the layouts of their quads, the use counts that
// keep them alive, their records and the manager's records with the separator, the watermark
// lists of styles and their XML form.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "database/ArchiveSchema.h"
#include "image/ImageMemoryRep.h"
#include "platform/mfc/ArchiveException.h"
#include "settings/StyleModel.h"
#include "settings/Watermark.h"
#include "settings/WatermarkList.h"
#include "settings/WatermarkManager.h"
#include "settings/WatermarkTransition.h"
#include "support/DocumentPersister.h"
#include "support/StringUtils.h"
#include "support/XMLNamespaces.h"
#include "support/XercesXMLOutput.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/settings/XmlTestInput.h"
#include "tests/support/ModelFileWriter.h"
#include "tests/support/StyleRecords.h"
#include "tests/support/TempFolder.h"

namespace {

// An encoded image of the size, grey pixels.
CDibRef MakeWatermarkImage(int width, int height)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(width * height * 4), 128);
    CDibRef image(new CDib());
    EXPECT_TRUE(image->CreateFromPixels(width, height, 32, pixels.data(), 1.0));
    return image;
}

// A watermark object record with the fields, and an image (a real CDib record) or none.
ModelFileWriter::Record WriteWatermark(ModelFileWriter& writer, const WatermarkFields& fields, CDib* image)
{
    return writer.WriteObjectRecord("CWatermark", 1, [&](CArchive& ar) {
        WriteBytes(ar, EntityPart() + WatermarkFieldsRecord(fields));
        if (image)
            ar << static_cast<CObject*>(image);
        else
            writer.WriteNullObject();
    });
}

}  // namespace

TEST(WatermarkTest, ANewWatermarkIsStretchedAndCentred)
{
    const CWatermark watermark;
    EXPECT_TRUE(watermark.IsStretched());
    EXPECT_FALSE(watermark.IsTiled());
    EXPECT_TRUE(watermark.GetMaintainAR());
    EXPECT_EQ(watermark.GetPosition(), CWatermark::kCentre);
    EXPECT_EQ(watermark.GetScale(), 0.5);
    EXPECT_EQ(watermark.GetAlphaScale(), 1.0);
    EXPECT_EQ(watermark.GetImage(), nullptr);
    EXPECT_EQ(watermark.GetEntityType(), kEntityWatermark);
}

TEST(WatermarkTest, TiledAndStretchedExcludeEachOther)
{
    CWatermark watermark;
    watermark.SetTiled(true);
    EXPECT_TRUE(watermark.IsTiled());
    EXPECT_FALSE(watermark.IsStretched());
    watermark.SetStretched(true);
    EXPECT_TRUE(watermark.IsStretched());
    EXPECT_FALSE(watermark.IsTiled());
    watermark.SetTiled(false);  // unchanged: nothing happens
    EXPECT_TRUE(watermark.IsStretched());
}

TEST(WatermarkTest, RenamingPostsUnlessOnlyTheCaseDiffers)
{
    SettingsPosts posts(kWatermarkNotification);
    CWatermark watermark;
    watermark.SetName(L"Logo");
    watermark.SetName(L"LOGO");
    EXPECT_EQ(watermark.GetName(), L"Logo");
    watermark.SetBackground(true);
    const CDibRef image = MakeWatermarkImage(4, 4);
    watermark.SetImage(image.Get());
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{3, 5, 4}));
}

TEST(WatermarkTest, QuadsOfTheThreeLayouts)
{
    struct Case {
        const char* what;
        bool tiled, stretched, maintainAR;
        int32_t position;
        double scale;
        int iw, ih;
        CWatermarkFrame frame;
        CWatermarkQuad expected;
    } cases[] = {
        {"placed bottom right",
         false,
         false,
         true,
         8,
         0.5,
         200,
         100,
         {0, 10, 0, 7.5, 640, 480, 1},
         {5, 10, 0, 2.5, 1, 1, 0}},
        {"placed top left",
         false,
         false,
         true,
         0,
         0.5,
         200,
         100,
         {0, 10, 0, 7.5, 640, 480, 1},
         {0, 5, 5, 7.5, 1, 1, 0}},
        {"placed centre, portrait",
         false,
         false,
         true,
         4,
         0.5,
         100,
         200,
         {0, 10, 0, 8, 640, 480, 1},
         {4, 6, 2, 6, 1, 1, 0}},
        {"outside the grid",
         false,
         false,
         true,
         12,
         0.5,
         200,
         100,
         {2, 12, 2, 9.5, 640, 480, 1},
         {0, 5, 0, 2.5, 1, 1, 0}},
        // 4:3 window, 2:1 image: full width, two thirds of the height, centred.
        {"stretched keeping the aspect",
         false,
         true,
         true,
         4,
         0.5,
         200,
         100,
         {0, 4, 0, 3, 640, 480, 1},
         {0, 4, 0.5, 2.5, 1, 1, 0}},
        {"stretched over the view",
         false,
         true,
         false,
         4,
         0.5,
         200,
         100,
         {0, 4, 0, 3, 640, 480, 1},
         {0, 4, 0, 3, 1, 1, 0}},
        // 64 x 64 at half size in 640 x 480: 20 repeats across, 15 down.
        {"tiled", true, false, true, 4, 0.5, 64, 64, {-1, 1, -1, 1, 640, 480, 1}, {-1, 1, -1, 1, 20, 15, 0}},
        {"tiled at twice the pixels",
         true,
         false,
         true,
         4,
         0.5,
         64,
         64,
         {-1, 1, -1, 1, 640, 480, 2},
         {-1, 1, -1, 1, 10, 7.5, 0}},
    };
    for (const Case& c : cases) {
        CWatermark watermark;
        watermark.SetStretched(c.stretched);
        watermark.SetTiled(c.tiled);
        watermark.SetMaintainAR(c.maintainAR);
        watermark.SetPosition(c.position);
        watermark.SetScale(c.scale);
        const CWatermarkQuad quad = watermark.Layout(c.frame, c.iw, c.ih, true);
        EXPECT_NEAR(quad.x0, c.expected.x0, 1e-12) << c.what;
        EXPECT_NEAR(quad.x1, c.expected.x1, 1e-12) << c.what;
        EXPECT_NEAR(quad.y0, c.expected.y0, 1e-12) << c.what;
        EXPECT_NEAR(quad.y1, c.expected.y1, 1e-12) << c.what;
        EXPECT_NEAR(quad.sMax, c.expected.sMax, 1e-12) << c.what;
        EXPECT_NEAR(quad.tMax, c.expected.tMax, 1e-12) << c.what;
    }
}

TEST(WatermarkTest, OverlaysAreDrawnNearTheFront)
{
    const CWatermark watermark;
    EXPECT_EQ(watermark.Layout({}, 10, 10, true).z, 0.0);
    EXPECT_EQ(watermark.Layout({}, 10, 10, false).z, -0.9999);
}

TEST(WatermarkTest, AWatermarkWithoutPixelsCoversNothing)
{
    // The first half of a PNG file: recognised, but it cannot be decoded.
    TempFolder folder;
    const auto cut = folder / "logo.png";
    {
        const CDibRef whole = MakeWatermarkImage(64, 64);
        const auto* encoded = whole->GetEncodedImage();
        std::ofstream(cut, std::ios::binary)
            .write(reinterpret_cast<const char*>(encoded->GetData()), encoded->GetSize() / 2);
    }
    CDibRef undecodable(new CDib());
    ASSERT_TRUE(undecodable->LoadFile(cut.wstring()));

    CWatermark watermark;
    const CWatermarkFrame frame{0, 4, 0, 3, 640, 480, 1};
    EXPECT_FALSE(watermark.GetDrawQuad(frame, true)) << "no image";
    watermark.SetImage(undecodable.Get());
    EXPECT_FALSE(watermark.GetDrawQuad(frame, true)) << "an image that cannot be decoded";
    const CDibRef image = MakeWatermarkImage(8, 4);
    watermark.SetImage(image.Get());
    ASSERT_NE(image->GetImageRep(), nullptr);
    ASSERT_NE(watermark.GetDecodedImage(), nullptr);
    const auto quad = watermark.GetDrawQuad(frame, true);
    ASSERT_TRUE(quad);
    EXPECT_NEAR(quad->y1 - quad->y0, 2.0, 1e-12);
}

TEST(WatermarkTest, EqualityLooksAtTheImageContentButTransitionsAtTheImageObject)
{
    const CDibRef a = MakeWatermarkImage(4, 4);
    const CDibRef b = MakeWatermarkImage(4, 4);
    CWatermark first, second;
    first.SetImage(a.Get());
    second.SetImage(b.Get());
    first.SetName(L"Logo");
    second.SetName(L"logo");
    second.SetBackground(true);  // not compared
    EXPECT_TRUE(first.IsEqual(second));
    EXPECT_FALSE(first.HasSameSettings(second));
    second.SetPosition(2);  // stretched: the position does not count
    EXPECT_TRUE(first.IsEqual(second));
    second.SetStretched(false);
    first.SetStretched(false);
    EXPECT_FALSE(first.IsEqual(second));
}

TEST(WatermarkTest, TheLastUseErasesTheWatermark)
{
    CZephyronModel model;
    CCurrentModelScope current{&model};
    CWatermarkManager manager;
    CWatermark* watermark = NewWatermark(L"Sky");
    manager.ReplaceAll({watermark, nullptr});
    CWatermarkList list(manager.GetEntries());
    EXPECT_EQ(watermark->GetUseCount(), 2u);
    // The manager's own entries again: the watermark survives.
    manager.ReplaceAll(std::vector<CWatermark*>(manager.GetEntries()));
    EXPECT_EQ(watermark->GetUseCount(), 2u);
    manager.Clear();
    EXPECT_EQ(watermark->GetUseCount(), 1u);
    list.Clear();  // erases it; the sanitizer sees a leak otherwise

    CWatermark* unused = NewWatermark(L"Alone");
    EXPECT_EQ(unused->ReleaseUse(), 0u);  // erased at once
}

TEST(WatermarkTest, RecordsReadEveryFieldAndDropAnImageWithoutData)
{
    CZephyronModel model;
    CCurrentModelScope current{&model};
    ScopedSchemas schemas{{"CDib", 3}, {"CWatermark", 1}};
    WatermarkFields fields;
    fields.infoFound = true;
    fields.infoFileName = "C:\\logos\\logo.png";
    fields.infoTime = -5;
    fields.position = 6;
    fields.stretched = false;
    fields.background = true;
    fields.intensForAlpha = true;
    fields.alphaScale = 0.25;
    fields.scale = 0.75;
    fields.name = "Logo";
    const CDibRef image = MakeWatermarkImage(4, 2);
    CDibRef empty(new CDib());

    for (CDib* stored : {image.Get(), empty.Get(), static_cast<CDib*>(nullptr)}) {
        ModelFileWriter writer;
        WriteWatermark(writer, fields, stored);
        const Bytes bytes = writer.Finish();
        CWatermark* read = nullptr;
        EXPECT_EQ(BytesLeftAfter(bytes, [&](CArchive& ar) { ar >> read; }), 0u);
        ASSERT_NE(read, nullptr);
        std::wstring fileName;
        bool found = false;
        int32_t time = 0;
        read->GetInfo(fileName, found, time);
        EXPECT_EQ(fileName, L"C:\\logos\\logo.png");
        EXPECT_TRUE(found);
        EXPECT_EQ(time, -5);
        EXPECT_EQ(read->GetPosition(), 6);
        EXPECT_FALSE(read->IsStretched());
        EXPECT_TRUE(read->IsBackground());
        EXPECT_TRUE(read->GetIntensForAlpha());
        EXPECT_EQ(read->GetAlphaScale(), 0.25);
        EXPECT_EQ(read->GetScale(), 0.75);
        EXPECT_EQ(read->GetName(), L"Logo");
        if (stored == image.Get()) {
            ASSERT_NE(read->GetImage(), nullptr);
            EXPECT_EQ(read->GetImage()->GetWidth(), 4);
            EXPECT_EQ(read->GetImage()->GetHeight(), 2);
        } else {
            EXPECT_EQ(read->GetImage(), nullptr);
            CValidityCheckScope checks;
            EXPECT_EQ(read->CheckValidity(kValidityCheck, nullptr), 3);
        }
        EXPECT_EQ(read->ReleaseUse(), 0u);
    }
}

TEST(WatermarkTest, ACutRecordFailsAndLosesNothing)
{
    CZephyronModel model;
    CCurrentModelScope current{&model};
    ScopedSchemas schemas{{"CDib", 3}, {"CWatermark", 1}};
    ModelFileWriter writer;
    WatermarkFields fields;
    fields.name = "Logo";
    const CDibRef image = MakeWatermarkImage(4, 2);
    WriteWatermark(writer, fields, image.Get());
    const Bytes bytes = writer.Finish();
    for (size_t cut = 1; cut < bytes.size(); ++cut) {
        const Bytes part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        CObject* read = nullptr;
        EXPECT_THROW(ReadFrom(part, [&](CArchive& ar) { ar >> read; }), CArchiveException) << cut;
    }
}

TEST(WatermarkTest, AValidityCheckRepairsThePosition)
{
    const CDibRef image = MakeWatermarkImage(4, 2);
    CWatermark watermark;
    watermark.SetImage(image.Get());
    watermark.SetPosition(11);
    CValidityCheckScope checks;
    EXPECT_EQ(watermark.CheckValidity(kValidityCheck, nullptr), 1);
    EXPECT_EQ(watermark.GetPosition(), 11);
    EXPECT_EQ(watermark.CheckValidity(kValidityFix, nullptr), 0);
    EXPECT_EQ(watermark.GetPosition(), CWatermark::kBottomRight);
}

TEST(WatermarkManagerTest, UniqueNames)
{
    CZephyronModel model;
    CCurrentModelScope current{&model};
    CWatermarkManager manager;
    manager.ReplaceAll({NewWatermark(L"Logo1"), nullptr, NewWatermark(L"1")});
    EXPECT_EQ(manager.MakeUniqueName(L"Logo"), L"Logo2");
    EXPECT_EQ(manager.MakeUniqueName(L"Logo7"), L"Logo2");
    EXPECT_EQ(manager.MakeUniqueName(L"Sky7"), L"Sky1");
    EXPECT_EQ(manager.MakeUniqueName(L"123"), L"2");
    EXPECT_TRUE(manager.IsNameUnique(L"Sky"));
    EXPECT_FALSE(manager.IsNameUnique(L"LOGO1"));
    EXPECT_EQ(manager.FindByName(L"LOGO1"), nullptr);
    EXPECT_NE(manager.FindByName(L"Logo1"), nullptr);
    manager.Clear();
}

TEST(WatermarkManagerTest, DeletingAllAnnouncesTheFirstEntryAndReleasesEveryUse)
{
    CZephyronModel model;
    CCurrentModelScope current{&model};
    CWatermarkManager manager;
    CWatermark* logo = NewWatermark(L"Logo");
    manager.ReplaceAll({nullptr, logo});
    CWatermarkList kept(manager.GetEntries());
    SettingsPosts posts(kWatermarkNotification);
    manager.DeleteAll();
    EXPECT_EQ(posts.posts, (std::vector<SettingsPosts::Post>{{7, nullptr}}));
    EXPECT_EQ(manager.GetCount(), 0);
    EXPECT_EQ(logo->GetUseCount(), 1u) << "the style's list still shows it";
    posts.posts.clear();
    manager.DeleteAll();
    EXPECT_TRUE(posts.posts.empty()) << "nothing to delete";
}

TEST(WatermarkManagerTest, RecordsKeepTheirSeparators)
{
    struct Case {
        const char* what;
        int32_t schema;
        std::vector<int> stored;  // 0 separator, 1 background watermark, 2 overlay
        std::vector<int> expected;
    } cases[] = {
        {"one overlay", 2, {2}, {0, 2}},
        {"one background watermark", 2, {1}, {1, 0}},
        {"one separator", 2, {0}, {0, 0}},
        {"both parts", 2, {1, 1, 0, 2}, {1, 1, 0, 2}},
        {"two entries are taken as stored", 2, {2, 1}, {2, 1}},
        {"nothing", 2, {}, {}},
        {"schema 1 with its older list", 1, {1, 0}, {1, 0}},
    };
    for (const Case& c : cases) {
        CZephyronModel model;
        CCurrentModelScope current{&model};
        ScopedSchemas schemas{{"CDib", 3}, {"CWatermark", 1}, {"CWatermarkManager", c.schema}};
        const CDibRef image = MakeWatermarkImage(2, 2);
        ModelFileWriter writer;
        writer.WriteObjectRecord("CWatermarkManager", static_cast<uint32_t>(c.schema), [&](CArchive& ar) {
            WriteBytes(ar, EntityPart());
            if (c.schema < 2) {
                // An older list naming one watermark that the list proper does not hold.
                WriteBytes(ar, Int(1));
                WatermarkFields old;
                old.name = "Old";
                WriteWatermark(writer, old, image.Get());
            }
            WriteBytes(ar, Int(static_cast<int32_t>(c.stored.size())));
            int n = 0;
            for (int kind : c.stored) {
                if (kind == 0) {
                    writer.WriteNullObject();
                    continue;
                }
                WatermarkFields fields;
                fields.name = "W" + std::to_string(++n);
                fields.background = kind == 1;
                WriteWatermark(writer, fields, image.Get());
            }
        });
        const Bytes bytes = writer.Finish();
        CWatermarkManager* manager = nullptr;
        EXPECT_EQ(BytesLeftAfter(bytes, [&](CArchive& ar) { ar >> manager; }), 0u) << c.what;
        ASSERT_NE(manager, nullptr) << c.what;
        std::vector<int> kinds;
        for (CWatermark* watermark : manager->GetEntries()) {
            kinds.push_back(!watermark ? 0 : watermark->IsBackground() ? 1 : 2);
            if (watermark) {
                EXPECT_EQ(watermark->GetUseCount(), 1u) << c.what;
            }
        }
        EXPECT_EQ(kinds, c.expected) << c.what;
        manager->DeleteAll();
        delete manager;
    }
}

TEST(WatermarkManagerTest, AHostileCountFailsBeforeAnyAllocation)
{
    CZephyronModel model;
    CCurrentModelScope current{&model};
    ScopedSchemas schemas{{"CDib", 3}, {"CWatermarkManager", 2}};
    for (int32_t count : {-1, 0x7FFFFFFF, 3}) {
        ModelFileWriter writer;
        writer.WriteObjectRecord("CWatermarkManager", 2,
                                 [&](CArchive& ar) { WriteBytes(ar, EntityPart() + Int(count)); });
        const Bytes bytes = writer.Finish();
        CObject* read = nullptr;
        EXPECT_THROW(ReadFrom(bytes, [&](CArchive& ar) { ar >> read; }), CArchiveException) << count;
    }
}

TEST(WatermarkManagerTest, ACutListGivesBackWhatItTook)
{
    CZephyronModel model;
    CCurrentModelScope current{&model};
    ScopedSchemas schemas{{"CDib", 3}, {"CWatermark", 1}, {"CWatermarkManager", 2}};
    const CDibRef image = MakeWatermarkImage(2, 2);
    ModelFileWriter writer;
    writer.WriteObjectRecord("CWatermarkManager", 2, [&](CArchive& ar) {
        WriteBytes(ar, EntityPart() + Int(3));
        for (const char* name : {"A", "B"}) {
            WatermarkFields fields;
            fields.name = name;
            WriteWatermark(writer, fields, image.Get());
        }
        writer.WriteNullObject();
    });
    const Bytes bytes = writer.Finish();
    // Every cut inside the list; the sanitizer reports any watermark left behind.
    for (size_t cut = bytes.size() - 1; cut > bytes.size() / 2; --cut) {
        const Bytes part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        CObject* read = nullptr;
        EXPECT_THROW(ReadFrom(part, [&](CArchive& ar) { ar >> read; }), CArchiveException) << cut;
    }
}

TEST(WatermarkListTest, AddingKeepsTheTwoParts)
{
    CZephyronModel model;
    CCurrentModelScope current{&model};
    const CDibRef image = MakeWatermarkImage(2, 2);
    const auto makeList = [&] {
        CWatermark* a = NewWatermark(L"A", true);
        CWatermark* b = NewWatermark(L"B");
        a->SetImage(image.Get());
        return std::make_unique<CWatermarkList>(std::vector<CWatermark*>{a, nullptr, b});
    };
    {
        auto list = makeList();
        CWatermark* added = NewWatermark(L"New", true);
        list->Add(added, true);
        EXPECT_EQ(list->GetEntries(),
                  (std::vector<CWatermark*>{list->GetAt(0), added, nullptr, list->GetAt(3)}));
    }
    {
        auto list = makeList();
        CWatermark* added = NewWatermark(L"New");
        list->Add(added, false);
        EXPECT_EQ(list->GetCount(), 4);
        EXPECT_EQ(list->GetAt(3), added);
        EXPECT_EQ(list->GetAt(2), list->GetEntries()[2]);
    }
    {
        auto list = makeList();
        CWatermark* equal = NewWatermark(L"a", true);
        equal->SetImage(image.Get());
        list->Add(equal, true);
        EXPECT_EQ(list->GetCount(), 3);
        EXPECT_EQ(equal->ReleaseUse(), 0u);
    }
    {
        auto list = makeList();
        CWatermark* clash = NewWatermark(L"b");
        list->Add(clash, false);
        EXPECT_EQ(clash->GetName(), L"b1");
    }
    {
        CWatermarkList empty;
        CWatermark* background = NewWatermark(L"Sky", true);
        empty.Add(background, true);
        EXPECT_EQ(empty.GetEntries(), (std::vector<CWatermark*>{background, nullptr}));
        CWatermarkList other;
        CWatermark* overlay = NewWatermark(L"Logo");
        other.Add(overlay, false);
        EXPECT_EQ(other.GetEntries(), (std::vector<CWatermark*>{nullptr, overlay}));
    }
}

TEST(WatermarkListTest, OrderMattersForEquality)
{
    CZephyronModel model;
    CCurrentModelScope current{&model};
    const CDibRef image = MakeWatermarkImage(2, 2);
    CWatermark* a = NewWatermark(L"A");
    CWatermark* b = NewWatermark(L"B");
    a->SetImage(image.Get());
    b->SetImage(image.Get());
    const CWatermarkList first({a, nullptr, b});
    const CWatermarkList second({b, nullptr, a});
    const CWatermarkList copy(first);
    EXPECT_FALSE(first.Equals(second));
    EXPECT_TRUE(first.Equals(copy));
    EXPECT_TRUE(copy.Contains(a));
    EXPECT_EQ(a->GetUseCount(), 3u);
}

class WatermarkListXmlTest : public ::testing::Test {
protected:
    // The list written as the content of a "wmlist" element, with the images beside it.
    std::string Write(CWatermarkList& list)
    {
        std::ostringstream stream;
        const std::wstring ns = orbisk::utils::WideFromUtf8(orbisk::kWatermarkListNamespace);
        orbisk::IXMLOutput* writer = orbisk::CreateXercesXMLOutput(&stream, L"doc", ns, L"wm");
        EXPECT_NE(writer, nullptr);
        orbisk::CurrentPersisterScope current(&persister);
        EXPECT_TRUE(writer->WriteObject(&list));
        EXPECT_TRUE(orbisk::ReleaseXercesXMLOutput(writer));
        return stream.str();
    }

    // Reads the "wmlist" element of the document into a new list; false when it fails.
    bool Read(const std::string& document, CWatermarkList& list) { return Read(document, list, persister); }
    bool Read(const std::string& document, CWatermarkList& list, orbisk::DocumentPersister& reader)
    {
        const orbisk::testing::ParsedDocument parsed(document);
        EXPECT_TRUE(parsed.IsWellFormed()) << document;
        if (!parsed.IsWellFormed())
            return false;
        XmlTestInput input(parsed.Root());
        orbisk::CurrentPersisterScope current(&reader);
        const std::wstring ns = orbisk::utils::WideFromUtf8(orbisk::kWatermarkListNamespace);
        if (!input.EnterElement(ns + L":wmlist"))
            return false;
        return list.ReadXML(input);
    }

    class Persister : public orbisk::DocumentPersister {
    public:
        Persister() : DocumentPersister({L"doc", L"doc.xml", L"wm", L"urn:doc", L"urn:doc.xsd"}) {}
        bool WriteContent(orbisk::IXMLOutput&) override { return true; }
        bool ReadContent(orbisk::IXMLInput&) override { return true; }
    };

    CZephyronModel model;

    CCurrentModelScope current{&model};
    Persister persister;
};

TEST_F(WatermarkListXmlTest, AListIsReadBackEqual)
{
    const CDibRef image = MakeWatermarkImage(6, 3);
    CWatermark* sky = NewWatermark(L"Sky <1>", true);
    sky->SetImage(image.Get());
    sky->SetInfo(L"C:\\images\\sky.png", true, 1234567);
    sky->SetTiled(true);
    sky->SetScale(0.25);
    const CDibRef logoImage = MakeWatermarkImage(3, 6);
    CWatermark* logo = NewWatermark(L"Logo & co");
    logo->SetImage(logoImage.Get());
    logo->SetInfo(L"logo.gif", false, -1);
    logo->SetStretched(false);
    logo->SetPosition(8);
    logo->SetAlphaScale(0.5);
    logo->SetIntensForAlpha(true);
    CWatermarkList written({sky, nullptr, logo});
    const std::string document = Write(written);

    // The model's manager no longer has them: reading makes new watermarks.
    CWatermarkList read;
    ASSERT_TRUE(Read(document, read)) << document;
    ASSERT_EQ(read.GetCount(), 3);
    EXPECT_EQ(read.GetAt(1), nullptr);
    EXPECT_NE(read.GetAt(0), sky);
    EXPECT_TRUE(read.Equals(written)) << document;
    EXPECT_EQ(read.GetAt(0)->GetName(), L"Sky <1>");
    EXPECT_EQ(read.GetAt(0)->GetInfoTime(), 1234567);
    EXPECT_TRUE(read.GetAt(0)->IsBackground());
    // The GIF could not be written as GIF: its image went beside the document as PNG.
    EXPECT_TRUE(std::filesystem::exists(persister.GetReferencesFolder() + L"/sky_1.png")) << document;
    EXPECT_TRUE(std::filesystem::exists(persister.GetReferencesFolder() + L"/logo_2.png")) << document;
}

TEST_F(WatermarkListXmlTest, ADocumentReadAfreshFindsItsImagesByTheirPath)
{
    const CDibRef image = MakeWatermarkImage(6, 3);
    CWatermark* logo = NewWatermark(L"Logo");
    logo->SetImage(image.Get());
    logo->SetInfo(L"logo.png", true, 0);
    CWatermarkList written({nullptr, logo});
    const std::string document = Write(written);

    // Another persister, as a later session has: the files beside the document, no numbers.
    Persister fresh;
    std::filesystem::copy(
        persister.GetReferencesFolder(), fresh.GetReferencesFolder(),
        std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
    CWatermarkList read;
    ASSERT_TRUE(Read(document, read, fresh)) << document;
    ASSERT_NE(read.GetAt(1), nullptr);
    ASSERT_NE(read.GetAt(1)->GetImage(), nullptr);
    EXPECT_EQ(read.GetAt(1)->GetImage()->GetWidth(), 6);
}

TEST_F(WatermarkListXmlTest, TheModelsEqualWatermarkIsShared)
{
    const CDibRef image = MakeWatermarkImage(6, 3);
    CWatermark* logo = NewWatermark(L"Logo");
    logo->SetImage(image.Get());
    model.GetWatermarkManager()->ReplaceAll({nullptr, logo});
    CWatermarkList written({nullptr, logo});
    const std::string document = Write(written);
    CWatermarkList read;
    ASSERT_TRUE(Read(document, read));
    EXPECT_EQ(read.GetAt(1), logo);
    model.GetWatermarkManager()->Clear();
}

TEST_F(WatermarkListXmlTest, TheCountMustMatchTheEntries)
{
    const std::string ns = orbisk::kWatermarkListNamespace;
    const auto document = [&](int count, const std::string& entries) {
        return "<doc xmlns:w='" + ns + "'><w:wmlist count='" + std::to_string(count) + "'><w:screenimages>" +
               entries + "</w:screenimages></w:wmlist></doc>";
    };
    const std::string separator = "<w:screenimage name='&lt;MODEL SPACE&gt;'/>";
    const std::string noSettings = "<w:screenimage name='Logo'/>";
    struct Case {
        const char* what;
        std::string document;
        bool ok;
        int entries;
    } cases[] = {
        {"two separators", document(2, separator + separator), true, 2},
        {"a count too high", document(3, separator + separator), false, 2},
        {"a negative count", document(-1, ""), false, 0},
        {"an entry without its settings", document(1, noSettings), false, 0},
        {"no entries", document(0, ""), true, 0},
    };
    for (const Case& c : cases) {
        CWatermarkList read;
        EXPECT_EQ(Read(c.document, read), c.ok) << c.what;
        EXPECT_EQ(read.GetCount(), c.entries) << c.what;
    }
}

TEST(WatermarkTransitionTest, WatermarksOfBothScenesStayTheOthersCrossFade)
{
    CZephyronModel model;
    CCurrentModelScope current{&model};
    const CDibRef image = MakeWatermarkImage(2, 2);
    const CDibRef sameLooking = MakeWatermarkImage(2, 2);
    CWatermark* sky = NewWatermark(L"Sky", true);
    sky->SetImage(image.Get());
    CWatermark* logo = NewWatermark(L"Logo");
    logo->SetImage(image.Get());
    CWatermark* otherLogo = NewWatermark(L"Logo");  // equal settings, another image object
    otherLogo->SetImage(sameLooking.Get());
    CWatermarkList before({sky, nullptr, logo});
    CWatermarkList after({sky, nullptr, otherLogo});

    EXPECT_EQ(CWatermarkTransition::Create({}, {}), nullptr);
    auto transition = CWatermarkTransition::Create(before.GetEntries(), after.GetEntries());
    ASSERT_NE(transition, nullptr);
    using Part = CWatermarkTransition::Part;
    EXPECT_EQ(transition->GetStaying(Part::kBackground), (std::vector<CWatermark*>{sky}));
    EXPECT_EQ(transition->GetLeaving(Part::kOverlay), (std::vector<CWatermark*>{logo}));
    EXPECT_EQ(transition->GetEntering(Part::kOverlay), (std::vector<CWatermark*>{otherLogo}));
    EXPECT_EQ(transition->GetDrawOrder(Part::kOverlay), (std::vector<CWatermark*>{logo, otherLogo}));
    EXPECT_EQ(sky->GetUseCount(), 3u);

    logo->SetAlphaScale(0.5);
    transition->Step(0.25);
    EXPECT_FLOAT_EQ(logo->GetTextureOpacity(), 0.375f);
    EXPECT_FLOAT_EQ(otherLogo->GetTextureOpacity(), 0.25f);
    EXPECT_FLOAT_EQ(sky->GetTextureOpacity(), 1.0f) << "staying keeps its opacity";
    transition->Finish();
    EXPECT_FALSE(logo->IsFading());
    EXPECT_FLOAT_EQ(logo->GetTextureOpacity(), 0.5f);
    EXPECT_EQ(sky->GetUseCount(), 2u);
    EXPECT_TRUE(transition->GetDrawOrder(Part::kBackground).empty());
}
