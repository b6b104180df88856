// Styles: the style document (its defaults from the display settings, its comparisons, copies
// that never share stroke sets or watermark lists, its XML document read back equal, its
// thumbnail file), the style record of every version, and the style entity.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "database/ArchiveSchema.h"
#include "platform/mfc/ArchiveException.h"
#include "settings/NPREdge.h"
#include "settings/RenderingOptions.h"
#include "settings/Style.h"
#include "settings/StyleModel.h"
#include "settings/StyleProperties.h"
#include "settings/StyleRecord.h"
#include "settings/Watermark.h"
#include "settings/WatermarkList.h"
#include "settings/WatermarkManager.h"
#include "settings/ZphStyle.h"
#include "settings/ZphStyleManager.h"
#include "support/StringUtils.h"
#include "support/XMLNamespaces.h"
#include "support/XercesXMLOutput.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/settings/XmlTestInput.h"
#include "tests/support/ModelFileWriter.h"
#include "tests/support/StyleRecords.h"
#include "tests/support/TempFolder.h"

using orbisk::NPREdge;
using orbisk::Style;
using orbisk::Variant;
using orbisk::utils::CColor;

namespace {

Variant ObjectValue(orbisk::XMLSerializableObjectBase* object)
{
    return Variant(object);
}

NPREdge* NewStrokes(int32_t width)
{
    auto* strokes = new NPREdge();
    strokes->SetWidth(width);
    strokes->SetLengths({10, 20});
    strokes->SetNumProtos(1);
    return strokes;
}

CDibRef MakeImage(int width, int height)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(width * height * 4), 90);
    CDibRef image(new CDib());
    EXPECT_TRUE(image->CreateFromPixels(width, height, 32, pixels.data(), 1.0));
    return image;
}

}  // namespace

TEST(StyleDocumentTest, ANewStyleHoldsTheDefaultsOfTheDisplaySettings)
{
    FixedSystemColors colors;
    const Style style;
    const CRenderingOptions options;
    EXPECT_EQ(style.GetPropertyCount(), static_cast<int>(orbisk::style::GetPropertyTable().size()));
    EXPECT_EQ(style.GetProperty(1000).GetInt(), 1);
    EXPECT_EQ(style.GetProperty(2002), Variant(CColor(225, 225, 200, 255)));
    EXPECT_EQ(style.GetProperty(2008), Variant(0.5));
    EXPECT_EQ(style.GetProperty(7013).GetInt(), 3);
    EXPECT_EQ(style.GetProperty(8003), Variant(0.8));
    // The two colours that stand for system colours are stored as they take effect.
    EXPECT_EQ(style.GetProperty(1014), Variant(FixedSystemColors::kWindowText));
    EXPECT_EQ(style.GetProperty(4000), Variant(FixedSystemColors::kWindow));
    EXPECT_TRUE(style.GetProperty(1013).IsEmpty());
    EXPECT_TRUE(style.GetProperty(5001).IsEmpty());
    for (const auto& entry : orbisk::style::GetPropertyTable())
        EXPECT_EQ(style.GetProperty(entry.id), entry.get(options)) << entry.id;
}

TEST(StyleDocumentTest, AnEmptyValueChangesNothing)
{
    Style style;
    const CDibRef thumbnail = MakeImage(2, 2);
    style.SetThumbnail(thumbnail.Get());
    style.SetProperty(1000, Variant());
    EXPECT_EQ(style.GetProperty(1000).GetInt(), 1);
    EXPECT_NE(style.GetThumbnail(), nullptr);
    style.SetProperty(1000, Variant(0));
    EXPECT_EQ(style.GetThumbnail(), nullptr) << "a changed property discards the thumbnail";
    EXPECT_FALSE(style.RemoveProperty(1003));
    EXPECT_TRUE(style.RemoveProperty(1000));
    EXPECT_TRUE(style.GetProperty(1000).IsEmpty());
}

TEST(StyleDocumentTest, EqualityOfNamesAndProperties)
{
    Style a, b;
    a.SetName(L"Style1");
    b.SetName(L"Style2");
    EXPECT_TRUE(a.PropertiesEqual(b));
    EXPECT_FALSE(a.Equals(b));
    b.SetName(L"Style1");
    EXPECT_TRUE(a.Equals(b));
    b.SetDescription(L"other");
    EXPECT_FALSE(a.Equals(b));

    // Stroke sets compare by content.
    a.SetProperty(1013, ObjectValue(NewStrokes(8)));
    EXPECT_FALSE(a.PropertiesEqual(b)) << "an extra id";
    b.SetProperty(1013, ObjectValue(NewStrokes(8)));
    EXPECT_TRUE(a.PropertiesEqual(b));
    b.SetProperty(1013, ObjectValue(NewStrokes(9)));
    EXPECT_FALSE(a.PropertiesEqual(b));
    b.SetProperty(1013, Variant(3));
    EXPECT_FALSE(a.PropertiesEqual(b)) << "a stroke set held by one style only";
}

TEST(StyleDocumentTest, ResetLeavesExactlyTheDefaults)
{
    Style style;
    style.SetProperty(1013, ObjectValue(NewStrokes(8)));
    style.SetProperty(5001, ObjectValue(new CWatermarkList()));
    style.SetProperty(1000, Variant(0));
    style.SetProperty(9999, Variant(true));
    const CDibRef thumbnail = MakeImage(2, 2);
    style.SetThumbnail(thumbnail.Get());
    style.Reset();
    EXPECT_TRUE(style.PropertiesEqual(Style()));
    EXPECT_EQ(style.GetNPREdge(), nullptr);
    EXPECT_EQ(style.GetWatermarkList(), nullptr);
    EXPECT_EQ(style.GetThumbnail(), nullptr);
}

TEST(StyleDocumentTest, CopiesNeverShareTheirStrokeSetOrWatermarkList)
{
    Style source;
    source.SetName(L"Pencil");
    source.SetProperty(1013, ObjectValue(NewStrokes(8)));
    source.SetProperty(5001, ObjectValue(new CWatermarkList()));
    const CDibRef thumbnail = MakeImage(2, 2);
    source.SetThumbnail(thumbnail.Get());

    Style copy(source);
    EXPECT_TRUE(copy.Equals(source));
    ASSERT_NE(copy.GetNPREdge(), nullptr);
    EXPECT_NE(copy.GetNPREdge(), source.GetNPREdge());
    EXPECT_NE(copy.GetWatermarkList(), source.GetWatermarkList());
    ASSERT_NE(copy.GetThumbnail(), nullptr) << "the copy shows the same style";
    EXPECT_NE(copy.GetThumbnail(), source.GetThumbnail());
    copy.GetNPREdge()->SetWidth(20);
    EXPECT_EQ(source.GetNPREdge()->GetWidth(), 8);
    EXPECT_FALSE(copy.PropertiesEqual(source));
}

TEST(StyleDocumentTest, AThumbnailThatCannotBeLoadedIsNoSuccess)
{
    TempFolder folder;
    Style style;
    EXPECT_FALSE(style.ReadThumbnailFile((folder / "missing.png").wstring()));
    EXPECT_EQ(style.GetThumbnail(), nullptr);
    EXPECT_FALSE(style.WriteThumbnailFile((folder / "thumb.png").wstring())) << "no thumbnail";
    const CDibRef thumbnail = MakeImage(3, 2);
    style.SetThumbnail(thumbnail.Get());
    const std::wstring path = (folder / "thumb.png").wstring();
    ASSERT_TRUE(style.WriteThumbnailFile(path));
    EXPECT_TRUE(style.ReadThumbnailFile(path));
    ASSERT_NE(style.GetThumbnail(), nullptr);
    EXPECT_EQ(style.GetThumbnail()->GetWidth(), 3);
}

class StyleXmlTest : public ::testing::Test {
protected:
    std::string WriteDocument(Style& style)
    {
        std::ostringstream stream;
        const orbisk::DocumentPartInfo& part = style.GetPartInfo();
        orbisk::IXMLOutput* writer =
            orbisk::CreateXercesXMLOutput(&stream, part.rootElement, part.namespaceURI, part.prefix);
        EXPECT_NE(writer, nullptr);
        orbisk::CurrentPersisterScope current(&style);
        EXPECT_TRUE(style.WriteContent(*writer));
        EXPECT_TRUE(orbisk::ReleaseXercesXMLOutput(writer));
        return stream.str();
    }

    bool ReadDocument(const std::string& document, Style& style, Style& persister)
    {
        const orbisk::testing::ParsedDocument parsed(document);
        EXPECT_TRUE(parsed.IsWellFormed()) << document;
        if (!parsed.IsWellFormed())
            return false;
        XmlTestInput input(parsed.Root());
        orbisk::CurrentPersisterScope current(&persister);
        style.ResetContent();
        return style.ReadContent(input);
    }

    CZephyronModel model;

    CCurrentModelScope current{&model};
};

TEST_F(StyleXmlTest, AStyleDocumentIsReadBackEqual)
{
    const CDibRef image = MakeImage(4, 2);
    CWatermark* logo = new CWatermark();
    logo->SetName(L"Logo");
    logo->SetImage(image.Get());
    logo->SetInfo(L"logo.png", true, 99);

    Style written;
    written.SetName(L"Rough <Edges> & more");
    written.SetDescription(L"Pencil \u00E9");
    written.SetProperty(1000, Variant(0));
    written.SetProperty(2002, Variant(CColor(1, 2, 3, 4)));
    written.SetProperty(2008, Variant(0.125));
    written.SetProperty(7012, Variant(true));
    written.SetProperty(5001, ObjectValue(new CWatermarkList({nullptr, logo})));
    const std::string document = WriteDocument(written);

    Style read;
    ASSERT_TRUE(ReadDocument(document, read, written)) << document;
    EXPECT_TRUE(read.Equals(written)) << document;
    ASSERT_NE(read.GetWatermarkList(), nullptr);
    EXPECT_NE(read.GetWatermarkList()->GetAt(1), logo);
}

TEST_F(StyleXmlTest, MissingAttributesFailButKeepWhatWasRead)
{
    const std::string style = orbisk::kStyleNamespace;
    const std::string types = orbisk::kTypesNamespace;
    const std::string document =
        "<sty:styleDocument xmlns:sty='" + style + "' xmlns:t='" + types +
        "'><sty:style name='Only a name'><sty:item id='1000'><t:variant type='4'>0"
        "</t:variant></sty:item><sty:item><t:variant type='1'>1</t:variant></sty:item>"
        "</sty:style></sty:styleDocument>";
    Style read;
    EXPECT_FALSE(ReadDocument(document, read, read));
    EXPECT_EQ(read.GetName(), L"Only a name");
    EXPECT_EQ(read.GetProperty(1000).GetInt(), 0);
}

class StyleRecordTest : public ::testing::Test {
protected:
    CZephyronModel model;
    CCurrentModelScope current{&model};
    ScopedSchemas schemas{{"CDib", 3}, {"CWatermark", 1}, {"CZphStyle", 1}};
};

TEST_F(StyleRecordTest, EveryVersionReads)
{
    // Version 1 with its (absent) thumbnail; 2 and 3 without; a watermark list only from 3 on.
    for (int32_t version : {1, 2, 3}) {
        ModelFileWriter writer;
        const CDibRef image = MakeImage(2, 2);
        writer.WriteObjectRecord("CZphStyle", 1, [&](CArchive& ar) {
            WriteBytes(
                ar, EntityPart() +
                        ZphStyleRecordHead({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, "text") +
                        StyleRecordHead(version, "Hidden line", "desc", 3) +
                        TypedValueProperty(2001, 4, Int(1)) + LittleEndian(int32_t{5001}));
            if (version > 2) {
                WriteBytes(ar, Int(2));
                writer.WriteNullObject();
                writer.WriteObjectRecord("CWatermark", 1, [&](CArchive& inner) {
                    WatermarkFields fields;
                    fields.name = "Logo";
                    WriteBytes(inner, EntityPart() + WatermarkFieldsRecord(fields));
                    inner << static_cast<CObject*>(image.Get());
                });
            }
            // A typed value that carries no payload.
            WriteBytes(ar, TypedValueProperty(7000, 8, {}));
        });
        const Bytes bytes = writer.Finish();
        CZphStyle* read = nullptr;
        EXPECT_EQ(BytesLeftAfter(bytes, [&](CArchive& ar) { ar >> read; }), 0u) << version;
        ASSERT_NE(read, nullptr);
        std::unique_ptr<CZphStyle> owned(read);
        EXPECT_EQ(read->GetName(), L"Hidden line");
        EXPECT_EQ(read->GetStyle().GetDescription(), L"desc");
        EXPECT_EQ(read->GetText(), L"text");
        EXPECT_EQ(read->GetGuid().value.Data1, 0x04030201u);
        EXPECT_EQ(read->GetGuid().value.Data4[7], 16);
        EXPECT_EQ(read->GetStyle().GetProperty(2001).GetInt(), 1);
        // The payload-less value stores nothing: the default stays.
        EXPECT_EQ(read->GetStyle().GetProperty(7000), Variant(CColor(255, 255, 0, 255)));
        CWatermarkList* list = read->GetStyle().GetWatermarkList();
        if (version <= 2) {
            EXPECT_EQ(list, nullptr);
            continue;
        }
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->GetCount(), 2);
        EXPECT_EQ(list->GetAt(0), nullptr);
        ASSERT_NE(list->GetAt(1), nullptr);
        EXPECT_EQ(list->GetAt(1)->GetUseCount(), 1u);
    }
}

TEST_F(StyleRecordTest, ReadingReplacesTheWholeContent)
{
    CZphStyle style;
    style.GetStyle().SetProperty(1013, ObjectValue(NewStrokes(4)));
    style.GetStyle().SetProperty(9000, Variant(true));
    style.GetStyle().SetProperty(1000, Variant(0));
    ModelFileWriter writer;
    writer.WriteObjectRecord("CZphStyle", 1, [&](CArchive& ar) {
        WriteBytes(ar, EntityPart() + ZphStyleRecordHead({}, "") + StyleRecordHead(3, "New", "", 0));
    });
    const Bytes bytes = writer.Finish();
    // Past the class tag: the style reads its record in place.
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    uint16_t tag = 0, schema = 0, length = 0;
    ar >> tag >> schema >> length;
    std::vector<char> name(length);
    ar.Read(name.data(), length);
    style.Serialize(ar);
    EXPECT_TRUE(style.GetStyle().PropertiesEqual(Style()));
    EXPECT_EQ(style.GetName(), L"New");
}

TEST_F(StyleRecordTest, HostileCountsAndCutRecordsFail)
{
    const CDibRef image = MakeImage(2, 2);
    ModelFileWriter writer;
    writer.WriteObjectRecord("CZphStyle", 1, [&](CArchive& ar) {
        WriteBytes(ar, EntityPart() + ZphStyleRecordHead({}, "t") + StyleRecordHead(3, "S", "", 2) +
                           TypedValueProperty(1000, 4, Int(0)) + LittleEndian(int32_t{5001}, int32_t{2}));
        writer.WriteObjectRecord("CWatermark", 1, [&](CArchive& inner) {
            WatermarkFields fields;
            fields.name = "Logo";
            WriteBytes(inner, EntityPart() + WatermarkFieldsRecord(fields));
            inner << static_cast<CObject*>(image.Get());
        });
        writer.WriteNullObject();
    });
    const Bytes bytes = writer.Finish();
    for (size_t cut = 1; cut < bytes.size(); ++cut) {
        const Bytes part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        CObject* read = nullptr;
        EXPECT_THROW(ReadFrom(part, [&](CArchive& ar) { ar >> read; }), CArchiveException) << cut;
    }
    const Bytes huge = LittleEndian(int32_t{3}) + ArchiveText("S") + ArchiveText("") + Int(0x7FFFFFFF);
    Style style;
    EXPECT_THROW(ReadFrom(huge, [&](CArchive& ar) { ReadStyleRecord(ar, style); }), CArchiveException);
}

TEST(ZphStyleTest, IdentityAndCopies)
{
    const CZphStyle a;
    const CZphStyle b;
    EXPECT_FALSE(a.GetGuid() == b.GetGuid());
    const CZphStyle copy(a);
    EXPECT_TRUE(copy.GetGuid() == a.GetGuid());
    EXPECT_EQ(a.GetEntityType(), kEntityStyle);
}

TEST(ZphStyleTest, NamesAndTheirNotifications)
{
    CZephyronModel model;
    CCurrentModelScope current{&model};
    SettingsPosts posts(kStyleNotification);
    CZphStyleManager manager;
    auto* listed = new CZphStyle();
    listed->SetName(L"Style1");
    manager.AddStyle(listed);
    posts.posts.clear();
    listed->SetName(L"Style1");
    EXPECT_TRUE(posts.posts.empty()) << "the same name";
    listed->SetName(L"Pencil");
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{2}));

    CZphStyle other;
    other.SetName(L"Style2");
    EXPECT_TRUE(listed->GetStyle().PropertiesEqual(other.GetStyle()));
    EXPECT_FALSE(listed->IsSameStyle(other));

    posts.posts.clear();
    listed->SwapContents(other);
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{4}));
    EXPECT_EQ(listed->GetName(), L"Style2");
    EXPECT_EQ(other.GetName(), L"Pencil");
    manager.RemoveAllStyles();
}

TEST(ZphStyleTest, AStyleWithoutANameIsInvalid)
{
    CZphStyle style;
    CValidityCheckScope checks;
    EXPECT_EQ(style.CheckValidity(kValidityCheck, nullptr), 2);
    style.SetName(L"Named");
    EXPECT_EQ(style.CheckValidity(kValidityCheck, nullptr), 0);
}
