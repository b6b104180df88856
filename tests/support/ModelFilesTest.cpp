// Whole model files: the head and tail against bytes written out by hand from the file layout,
// and every sub-record read back by the program's own class, which must take exactly its bytes.
#include "tests/support/ModelFiles.h"
#include "tests/support/VersionMaps.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "components/Component.h"
#include "components/DimensionStyle.h"
#include "components/TextStyle.h"
#include "database/ArchiveSchema.h"
#include "database/ComponentBehavior.h"
#include "database/CurrentModel.h"
#include "database/FontManager.h"
#include "database/LayerManager.h"
#include "database/MaterialManager.h"
#include "database/OptionsManager.h"
#include "database/UndoManager.h"
#include "database/VersionMap.h"
#include "model/ZephyronModel.h"
#include "settings/Camera.h"
#include "settings/PageList.h"
#include "settings/RenderingOptions.h"
#include "settings/ShadowInfo.h"
#include "settings/WatermarkManager.h"
#include "settings/ZephyronPage.h"
#include "settings/ZphStyleManager.h"
#include "topology/ZphCS.h"

namespace {

Bytes Utf16String(std::u16string_view text)
{
    return Bytes{0xFF, 0xFE, 0xFF, static_cast<uint8_t>(text.size())} + Utf16Le(text);
}

Bytes Head(const Bytes& bytes, size_t count)
{
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(count, bytes.size())));
}

Bytes Tail(const Bytes& bytes, size_t count)
{
    return Bytes(bytes.end() - static_cast<std::ptrdiff_t>(std::min(count, bytes.size())), bytes.end());
}

const Bytes kGuid{0x5A, 0x50, 0x48, 0x01, 0x02, 0x03, 0x04, 0x05,
                  0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D};
const Bytes kCreationTime{0x00, 0x3B, 0x3D, 0x4B};  // 2010-01-01 00:00 UTC

TEST(WholeModel, WritesTheHeadOfANewestFile)
{
    WholeModel model;
    model.versionMap = {{"CZephyronModel", 22}};

    const Bytes expected = Utf16String(u"Zephyron Model") + Utf16String(u"{8.0.3669}") + kGuid +
                           Utf16String(u"") + kCreationTime + Bytes{0xFF, 0xFF, 0x00, 0x00, 0x0B, 0x00} +
                           Ascii("CVersionMap") + Utf16String(u"CZephyronModel") + Bytes{22, 0, 0, 0} +
                           Utf16String(u"End-Of-Version-Map") + Bytes{0, 0, 0, 0} +
                           // The two values, the stored value, no thumbnail, the thumbnail flag.
                           Bytes{1, 0, 0, 0, 0xB0, 0x04, 0, 0} + Bytes{0, 0, 0, 0} + Bytes{0, 0} + Bytes{1};
    const Bytes bytes = model.Write();
    EXPECT_EQ(Head(bytes, expected.size()), expected);
}

TEST(WholeModel, WritesTheGuidFromVersionValue1046On)
{
    struct Case {
        int32_t build;
        bool guid;
    };
    for (const Case c : {Case{45, false}, Case{46, true}}) {
        SCOPED_TRACE(c.build);
        WholeModel model(0);
        model.header.major = 0;
        model.header.minor = 1;
        model.header.build = c.build;
        Bytes expected = Utf16String(u"Zephyron Model") + Utf16String(c.guid ? u"{0.1.46}" : u"{0.1.45}");
        if (c.guid)
            expected = expected + kGuid + Utf16String(u"");
        expected = expected + kCreationTime + Bytes{0xFF, 0xFF};
        EXPECT_EQ(Head(model.Write(), expected.size()), expected);
    }
}

TEST(WholeModel, AFileOlderThanTheMapHoldsOnlyCameraVerticesAndElements)
{
    WholeModel model(0);
    model.header.text = L"Plumora page";
    model.header.major = 0;
    model.header.minor = 1;
    model.header.build = 21;

    const Bytes camera = LittleEndian(0.0, 0.0, 1.0, 0.0, 0.0, -1.0, 0.0, 1.0, 0.0, 0.1, 2.0) + Bytes{1} +
                         LittleEndian(30.0, 1.0, 0.0, 0.0, 0.0);
    const Bytes expected = Utf16String(u"Plumora page") + Utf16String(u"{0.1.21}") + kCreationTime + camera +
                           Bytes{0, 0, 0, 0} + Bytes{0, 0, 0, 0};
    EXPECT_EQ(model.Write(), expected);
}

TEST(WholeModel, EndsWithTheTrailingFieldsOfItsSchema)
{
    struct Case {
        int32_t f;
        Bytes tail;
    };
    // The watermark manager (no attributes, no watermarks), then what follows it.
    const Bytes watermarks{0, 0, 0, 0, 0, 0};
    const Case cases[] = {
        {22, watermarks + Bytes{7, 0, 0, 0} + Bytes{0}},
        {21, watermarks + Bytes{7, 0, 0, 0}},
        {20, watermarks + Bytes{7, 0, 0, 0}},
        {19, watermarks + Bytes{0}},
        {18, watermarks},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.f);
        WholeModel model(c.f);
        model.trailingValue = 7;
        model.trailingByte = 0;
        model.mipmaps = false;
        EXPECT_EQ(Tail(model.Write(), c.tail.size()), c.tail);
    }
}

TEST(WholeModel, OlderFormatsTakeTheSchemasOfTheirRegistry)
{
    auto schemaOf = [](int32_t f, std::string_view name) {
        WholeModel model(f);
        return model.Schema(name);
    };
    EXPECT_EQ(schemaOf(22, "CRenderingOptions"), 36);
    EXPECT_EQ(schemaOf(18, "CRenderingOptions"), 32);
    EXPECT_EQ(schemaOf(18, "CZephyronModel"), 18);
    EXPECT_EQ(schemaOf(14, "CRenderingOptions"), 28);
    // The format of model schema 12 had no style manager: files that carry one take the next.
    EXPECT_EQ(schemaOf(14, "CZphStyleManager"), 2);
    EXPECT_EQ(schemaOf(8, "CEntity"), 2);
    EXPECT_EQ(schemaOf(11, "CCamera"), 4);
    EXPECT_EQ(schemaOf(5, "CZephyronModel"), 5);
}

TEST(WholeModel, WritesTheNewestRenderingOptionsAtTheirDefaults)
{
    WholeModel model;
    const Bytes bytes = WrittenBy([&](CArchive& ar) { model.WriteField(ar, ModelField::RenderingOptions); });
    EXPECT_EQ(bytes, NullReference() + DefaultRenderingOptionsRecord());
}

// Reads one field of a model of schema f through the program's class, with the model's map
// installed and a current model that keeps what reading drops.
class SubRecordTest : public ::testing::TestWithParam<int32_t> {
protected:
    SubRecordTest() : model(GetParam()) { InstallVersionMap(model.versionMap); }
    ~SubRecordTest() override { SetCurrentVersionMap(nullptr); }

    // The bytes the reader leaves of the field.
    uint64_t LeftAfterReading(ModelField field, const std::function<void(CArchive&)>& read)
    {
        const Bytes bytes = WrittenBy([&](CArchive& ar) { model.WriteField(ar, field); });
        return BytesLeftAfter(bytes, read);
    }

    WholeModel model;
    CZephyronModel context;
    CCurrentModelScope current{&context};
    CSuspendUndo unrecorded;
};

TEST_P(SubRecordTest, SettingsRecordsReadBackWhole)
{
    CComponentBehavior behavior;
    EXPECT_EQ(LeftAfterReading(ModelField::ComponentBehavior, [&](CArchive& ar) { behavior.Serialize(ar); }),
              0u);
    std::unique_ptr<COptionsManager> options = CreateOptionsManager();
    model.optionProviders = {L"UnitsOptions", L"PageOptions"};
    EXPECT_EQ(LeftAfterReading(ModelField::Options, [&](CArchive& ar) { options->Serialize(ar); }), 0u);
    CCamera camera;
    EXPECT_EQ(LeftAfterReading(ModelField::Camera,
                               [&](CArchive& ar) { camera.ReadEmbedded(ar, model.ModelSchema() <= 10); }),
              0u);
    CRenderingOptions renderingOptions;
    EXPECT_EQ(
        LeftAfterReading(ModelField::RenderingOptions, [&](CArchive& ar) { renderingOptions.Serialize(ar); }),
        0u);
    CShadowInfo shadows;
    EXPECT_EQ(LeftAfterReading(ModelField::ShadowInfo, [&](CArchive& ar) { shadows.Serialize(ar); }), 0u);
    CZphCS axes;
    model.axes.origin = {1, 2, 3};
    EXPECT_EQ(LeftAfterReading(ModelField::DrawingAxes, [&](CArchive& ar) { axes.Serialize(ar); }), 0u);
    EXPECT_EQ(axes.GetOrigin().y, 2.0);
}

TEST_P(SubRecordTest, ScenesReadBackWithTheirCameras)
{
    SceneFields front;
    front.page.name = "Front";
    front.page.flags = 0x01;
    front.camera.eye = {0, -100, 50};
    SceneFields plain;
    plain.page.name = "Plain";
    model.scenes = {&model.Scene(front), &model.Scene(plain)};
    model.selectedScene = model.scenes.front();
    CPageList list(&context);
    const ModelField field = model.ModelSchema() >= 12 ? ModelField::SceneList : ModelField::OlderScenes;
    EXPECT_EQ(LeftAfterReading(field,
                               [&](CArchive& ar) {
                                   if (field == ModelField::SceneList) {
                                       list.Serialize(ar);
                                       return;
                                   }
                                   int32_t count = 0;
                                   ar >> count;
                                   for (int32_t i = 0; i < count; ++i)
                                       list.InsertPage(dynamic_cast<CZephyronPage*>(ar.ReadObject(nullptr)),
                                                       -1);
                               }),
              0u);
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetPageAt(0)->GetName(), CString(L"Front"));
}

TEST_P(SubRecordTest, StyleAndManagerRecordsReadBackWhole)
{
    CDimensionStyle dimensionStyle(&context);
    EXPECT_EQ(
        LeftAfterReading(ModelField::DimensionStyle, [&](CArchive& ar) { dimensionStyle.Serialize(ar); }),
        0u);
    auto& font = model.Texts().Font(L"Arial", 12);
    model.fonts = {&font};
    model.textStyle.font = &font;
    CFontManager fonts;
    const Bytes bytes = WrittenBy([&](CArchive& ar) {
        model.WriteField(ar, ModelField::FontManager);
        model.WriteField(ar, ModelField::TextStyle);
    });
    CTextStyle textStyle(&context);
    EXPECT_EQ(BytesLeftAfter(bytes,
                             [&](CArchive& ar) {
                                 fonts.Serialize(ar);
                                 textStyle.Serialize(ar);
                             }),
              0u);
    EXPECT_EQ(fonts.GetCount(), 1);
    EXPECT_NE(textStyle.GetFont(), nullptr);
    CWatermarkManager watermarks(&context);
    EXPECT_EQ(LeftAfterReading(ModelField::Watermarks, [&](CArchive& ar) { watermarks.Serialize(ar); }), 0u);
    CZphStyleManager styles;
    EXPECT_EQ(LeftAfterReading(ModelField::Styles, [&](CArchive& ar) { styles.Serialize(ar); }), 0u);
}

TEST_P(SubRecordTest, TheRootComponentReadsBackWithItsMaterialsAndLayers)
{
    if (model.Schema("CComponent") < 9)
        GTEST_SKIP();
    const Bytes image =
        BitmapFile(2, 2, {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {0, 0, 0, 255}});
    TextureFields texture;
    texture.image = &model.Image(image);
    auto& brick = model.Material({.name = L"Brick", .color = {150, 60, 40, 255}, .texture = texture});
    model.materials = {&brick};
    model.layers = {&model.Layer({}), &model.Layer({.name = L"Roof"})};
    CComponent root;
    EXPECT_EQ(LeftAfterReading(ModelField::RootComponent, [&](CArchive& ar) { root.Serialize(ar); }), 0u);
    EXPECT_EQ(root.GetMaterialManager()->GetCount(), 1);
    EXPECT_EQ(root.GetLayerManager()->GetCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(ModelSchemas, SubRecordTest, ::testing::Values(22, 18, 14, 12, 10, 8));

// The model reads the file with status 0 and leaves nothing of it.
void ExpectReadWhole(const Bytes& bytes)
{
    CZephyronModel model;
    EXPECT_EQ(BytesLeftAfter(bytes, [&](CArchive& ar) { model.Serialize(ar); }), 0u);
    EXPECT_EQ(model.GetStatus(), 0);
}

TEST(WholeModel, EveryModelSchemaReadsWhole)
{
    for (int32_t f = 0; f <= 22; ++f) {
        SCOPED_TRACE(f);
        WholeModel model(f);
        ExpectReadWhole(model.Write());
    }
}

TEST(WholeModel, TheExampleModelsReadWhole)
{
    const char* source = std::getenv("ZPH_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    for (const char* name : {"house.zph", "textured-box.zph", "annotations.zph"}) {
        SCOPED_TRACE(name);
        std::ifstream in(std::string(source) + "/examples/" + name, std::ios::binary);
        ASSERT_TRUE(in);
        ExpectReadWhole(Bytes(std::istreambuf_iterator<char>(in), {}));
    }
}

}  // namespace
