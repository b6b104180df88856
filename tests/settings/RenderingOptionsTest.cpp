// Rendering options: defaults and the colours they stand for, setters and their announcements,
// copies and exchanges, the model-file record of the schemas that differ, and the self-check.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <string>

#include "database/Validity.h"
#include "platform/mfc/ArchiveException.h"
#include "settings/RenderingOptions.h"
#include "support/NotificationCenter.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/support/SettingsRecords.h"

using orbisk::utils::CColor;
using Options = CRenderingOptions;

namespace {

constexpr CColor kNoColor;

class RenderingOptionsTest : public ::testing::Test {
protected:
    RenderingOptionsTest() { owned.SetOwner(&model); }
    ~RenderingOptionsTest() override { ClearValidityReport(); }

    // Reads a record of the schema into a fresh options object owned by the model.
    std::unique_ptr<Options> Read(const Bytes& body, int32_t schema)
    {
        ScopedSchemas schemas{{"CRenderingOptions", schema}};
        auto options = std::make_unique<Options>();
        options->SetOwner(&model);
        ReadFrom(EntityPart() + body, [&](CArchive& ar) { options->Serialize(ar); });
        return options;
    }

    FixedSystemColors colors;
    CZephyronModel model;
    CCurrentModelScope current{&model};
    Options owned;
    SettingsPosts posts{kRenderingOptionsChangeNotification};
};

// The common start of records of schema 5 and later: mode, X-ray, jitter, edges, three colours.
Bytes RecordStart(int32_t mode, bool edgesAsInt)
{
    return Int(mode) + Flag(false) + Flag(false) + (edgesAsInt ? Int(1) : Flag(true)) + Rgba(1, 2, 3) +
           Rgba(4, 5, 6) + Rgba(7, 8, 9);
}

}  // namespace

TEST_F(RenderingOptionsTest, NewOptionsHoldTheDefaultsAndStandForTheSystemColours)
{
    const Options options;
    EXPECT_EQ(options.GetRenderingMode(), Options::kShaded);
    EXPECT_TRUE(options.GetTexturesShown());
    EXPECT_EQ(options.GetEdgeDisplay(), 1);
    EXPECT_EQ(options.GetSectionDisplay(), 3);
    EXPECT_EQ(options.GetSectionCutWidth(), 4);
    EXPECT_TRUE(options.GetAxesShown());
    EXPECT_FALSE(options.GetGuidesShown());
    EXPECT_DOUBLE_EQ(options.GetPhotoInFrontOpacity(), 0.8);
    EXPECT_DOUBLE_EQ(options.GetSoftEdgeLimit(), 20 * std::numbers::pi / 180);
    EXPECT_EQ(options.GetSelectedColor(), CColor(255, 255, 0, 255));
    EXPECT_EQ(options.GetCameraBarColor(), CColor(0, 0, 0, 127));
    EXPECT_EQ(options.GetEntityType(), kEntityRenderingOptions);
    EXPECT_EQ(options.GetOwner(), nullptr);

    EXPECT_EQ(options.GetStoredBackgroundColor(), kNoColor);
    EXPECT_EQ(options.GetBackgroundColor(), FixedSystemColors::kWindow);
    EXPECT_EQ(options.GetEdgeColor(), FixedSystemColors::kWindowText);
    EXPECT_EQ(options.GetFogColor(), FixedSystemColors::kWindow);
    EXPECT_EQ(options.GetFogColorOrBackground(), FixedSystemColors::kWindow);
}

TEST_F(RenderingOptionsTest, TheHorizonIsAQuarterOfTheSkyOverWhiteUntilItHasAColourOfItsOwn)
{
    EXPECT_EQ(owned.GetHorizonColor(), CColor(226, 232, 255, 255));
    owned.SetSkyColor(CColor(0, 0, 0, 0));
    EXPECT_EQ(owned.GetHorizonColor(), CColor(191, 191, 191, 191));
    owned.SetHorizonColor(CColor(1, 2, 3, 4));
    EXPECT_EQ(owned.GetHorizonColor(), CColor(1, 2, 3, 4));
    owned.SetHorizonColor(kNoColor);
    EXPECT_EQ(owned.GetHorizonColor(), CColor(191, 191, 191, 191));
}

TEST_F(RenderingOptionsTest, TheFogUsesItsOwnColourOnlyWhenItDoesNotUseTheBackground)
{
    owned.SetBackgroundColor(CColor(9, 9, 9));
    EXPECT_EQ(owned.GetFogColor(), CColor(9, 9, 9));
    owned.SetFogColor(CColor(50, 60, 70));
    EXPECT_EQ(owned.GetFogColor(), CColor(9, 9, 9));
    EXPECT_EQ(owned.GetFogColorOrBackground(), CColor(50, 60, 70));
}

TEST_F(RenderingOptionsTest, EdgesByAxisTakeTheAxisColoursAndOtherKindsTheEdgeColour)
{
    owned.SetEdgeColor(CColor(40, 50, 60));
    const struct {
        int kind;
        CColor color;
    } cases[] = {{1, CColor(255, 0, 0)},   {2, CColor(0, 255, 0)},   {3, CColor(0, 0, 255)},
                 {7, CColor(255, 0, 255)}, {8, CColor(255, 0, 255)}, {5, CColor(40, 50, 60)},
                 {0, CColor(40, 50, 60)}};
    for (const auto& c : cases)
        EXPECT_EQ(owned.GetAxisColor(c.kind), c.color) << c.kind;
}

TEST_F(RenderingOptionsTest, EdgeEffectsAndPlainEdgesFollowTheirSettings)
{
    Options options;
    EXPECT_TRUE(options.HasEdgeEffects(Options::kProfilesEffect));
    EXPECT_FALSE(options.HasEdgeEffects(Options::kJitterEffect | Options::kStrokeEdgesEffect));
    options.SetEdgeKind(1);
    EXPECT_TRUE(options.HasEdgeEffects(Options::kStrokeEdgesEffect));

    // Hidden-line drawing keeps plain edges even with the edges switched off.
    const struct {
        int32_t mode;
        int32_t edges;
        int32_t kind;
        bool plain;
    } cases[] = {{2, 1, 0, true},  {2, 0, 0, false}, {1, 0, 0, true},
                 {0, 1, 0, false}, {2, 1, 1, false}, {5, 2, 0, true}};
    for (const auto& c : cases) {
        Options o;
        o.SetRenderingMode(c.mode);
        o.SetEdgeDisplay(c.edges);
        o.SetEdgeKind(c.kind);
        EXPECT_EQ(o.DrawsPlainEdgesWithFaces(), c.plain) << c.mode << " " << c.edges << " " << c.kind;
    }
}

TEST_F(RenderingOptionsTest, TheModelsOptionsAnnounceEachChangeOnceAndEqualValuesChangeNothing)
{
    owned.SetJitter(true);
    owned.SetJitter(true);
    owned.SetInactiveFade(0.7505);
    owned.SetInactiveFade(0.6);
    owned.SetFogStart(10);
    owned.SetFogEnd(20);
    owned.SetFrontFaceColor(CColor(1, 1, 1));
    owned.SetBackFaceColor(CColor(2, 2, 2));
    owned.SetAxesShown(false);
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{6, 27, 23, 23, 36, 36, 35}));
    EXPECT_EQ(posts.posts.front().object, &owned);
    EXPECT_DOUBLE_EQ(owned.GetInactiveFade(), 0.6);
}

TEST_F(RenderingOptionsTest, SettingsWithoutOwnerNeverAnnounce)
{
    Options scene;
    scene.SetRenderingMode(0);
    scene.SetSkyColor(CColor(1, 2, 3));
    scene.SetDisplayGuides(true);
    scene.ToggleSectionDisplay(3);
    scene.Assign(owned);
    EXPECT_TRUE(posts.posts.empty());
}

TEST_F(RenderingOptionsTest, WireframeAndHiddenLineTurnTheEdgesOnFirst)
{
    owned.SetEdgeDisplay(0);
    posts.posts.clear();
    owned.SetRenderingMode(Options::kWireframe);
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{4, 1}));
    EXPECT_EQ(owned.GetEdgeDisplay(), 1);
    owned.SetRenderingMode(Options::kShaded);
    EXPECT_EQ(owned.GetEdgeDisplay(), 1);
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{4, 1, 1}));
}

TEST_F(RenderingOptionsTest, WireframeKeepsItsEdges)
{
    owned.SetRenderingMode(Options::kWireframe);
    posts.posts.clear();
    owned.SetEdgeDisplay(0);
    EXPECT_EQ(owned.GetEdgeDisplay(), 1);
    EXPECT_TRUE(posts.posts.empty());
    owned.SetEdgeDisplay(2);
    EXPECT_EQ(owned.GetEdgeDisplay(), 2);
}

TEST_F(RenderingOptionsTest, TheSectionCutWidthIsClampedAfterTheComparison)
{
    const struct {
        int32_t before;
        int32_t set;
        int32_t stored;
        bool announced;
    } cases[] = {{4, 0, 1, true}, {20, 25, 20, true}, {4, 4, 4, false}, {4, 7, 7, true}, {1, -3, 1, true}};
    for (const auto& c : cases) {
        Options options;
        options.SetSectionCutWidth(c.before);
        options.SetOwner(&model);
        posts.posts.clear();
        options.SetSectionCutWidth(c.set);
        EXPECT_EQ(options.GetSectionCutWidth(), c.stored) << c.set;
        EXPECT_EQ(posts.Codes(), c.announced ? std::vector<int32_t>{43} : std::vector<int32_t>{}) << c.set;
    }
}

TEST_F(RenderingOptionsTest, TogglingTheSectionDisplayFlipsOnlyPlanesAndCuts)
{
    owned.ToggleSectionDisplay(Options::kSectionCutsShown | 0x10);
    EXPECT_EQ(owned.GetSectionDisplay(), Options::kSectionPlanesShown);
    owned.ToggleSectionDisplay(0x10);
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{25}));
}

TEST_F(RenderingOptionsTest, AssignAnnouncesEveryChangedPropertyInItsOrderThenAny)
{
    owned.SetEdgeDisplay(0);
    Options scene;
    scene.SetRenderingMode(Options::kHiddenLine);
    scene.SetXRay(true);
    scene.SetSkyColor(CColor(1, 2, 3));
    scene.SetDisplayGuides(true);
    scene.SetSectionCutWidth(7);
    scene.SetInactiveFade(0.3);
    scene.SetHideInactive(true);
    scene.SetFogStart(10);
    scene.SetFogEnd(20);
    scene.SetFrontFaceColor(CColor(9, 9, 9));
    scene.SetBackFaceColor(CColor(8, 8, 8));
    scene.SetHorizonColor(CColor(5, 5, 5));
    scene.SetShowViewName(false);
    scene.SetCameraBarColor(CColor(7, 7, 7));
    posts.posts.clear();

    owned.Assign(scene);
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{4, 1, 38, 36, 36, 23, 23, 45, 27, 27, 43, 44, 0}));
    EXPECT_EQ(owned.GetStoredHorizonColor(), CColor(5, 5, 5));
    EXPECT_FALSE(owned.GetShowViewName());
    EXPECT_EQ(owned.GetCameraBarColor(), CColor(0, 0, 0, 127));

    posts.posts.clear();
    owned.Assign(scene);
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{0}));
}

TEST_F(RenderingOptionsTest, ACopyHasNoOwnerAndStartsWithoutCameraBarColour)
{
    owned.SetGroundTransparency(70);
    owned.SetDrawPass(Options::kDrawOpaqueFaces);
    posts.posts.clear();
    const std::unique_ptr<Options> copy(static_cast<Options*>(owned.CreateCopy()));
    EXPECT_TRUE(posts.posts.empty());
    EXPECT_EQ(copy->GetOwner(), nullptr);
    EXPECT_EQ(copy->GetGroundTransparency(), 70);
    EXPECT_EQ(copy->GetDrawPass(), Options::kDrawOpaqueFaces);
    EXPECT_EQ(copy->GetCameraBarColor(), kNoColor);
    EXPECT_EQ(copy->GetAuxiliaryColor(), kNoColor);
    EXPECT_EQ(copy->GetModel(), nullptr);
}

TEST_F(RenderingOptionsTest, SwappingExchangesTheSettingsButNotTheOwnerOrTheFrameFields)
{
    Options other;
    other.SetRenderingMode(Options::kMonochrome);
    other.SetCameraBarColor(CColor(1, 1, 1, 1));
    other.SetShadowPass(Options::kLitShadowPass);
    posts.posts.clear();
    owned.SwapContents(other);
    EXPECT_EQ(owned.GetRenderingMode(), Options::kMonochrome);
    EXPECT_EQ(owned.GetCameraBarColor(), CColor(1, 1, 1, 1));
    EXPECT_EQ(owned.GetShadowPass(), Options::kNoShadowPass);
    EXPECT_EQ(other.GetShadowPass(), Options::kLitShadowPass);
    EXPECT_EQ(other.GetRenderingMode(), Options::kShaded);
    EXPECT_EQ(owned.GetOwner(), &model);
    EXPECT_EQ(other.GetOwner(), nullptr);
    EXPECT_TRUE(posts.posts.empty());
}

// Records.

TEST_F(RenderingOptionsTest, TheNewestRecordCarriesEverySetting)
{
    const Bytes body =
        Int(5) + Flag(true) + Flag(false) + Flag(true) + Int(2) + Rgba(10, 11, 12) + Rgba(13, 14, 15) +
        Rgba(16, 17, 18) + Rgba(19, 20, 21) + Flag(true) + Flag(true) + Flag(true) + Flag(false) + Int(2) +
        Flag(true) + Int(11) + Flag(false) + Int(6) + Flag(true) + Int(7) + Flag(true) + Int(9) + Flag(true) +
        Flag(true) + Int(1) + Rgba(22, 23, 24) + Rgba(25, 26, 27) + LittleEndian(0.25, 0.125) + Flag(true) +
        Flag(true) + Flag(true) + Rgba(28, 29, 30) + Flag(false) + LittleEndian(100.0, 200.0) + Int(2) +
        Int(1) + Flag(false) + Flag(false) + Flag(false) + Flag(true) + Rgba(31, 32, 33) + Rgba(34, 35, 36) +
        Rgba(37, 38, 39) + Flag(true) + Flag(true) + Flag(false) + Int(25) + Rgba(40, 41, 42) +
        Rgba(43, 44, 45) + Rgba(46, 47, 48) + Int(30) + Int(1) + Int(2) + Flag(false) + LittleEndian(0.5) +
        Flag(false) + Rgba(49, 50, 51) + Flag(false) + LittleEndian(0.3) + Flag(true) + Flag(false) +
        LittleEndian(0.6) + Flag(false) + LittleEndian(0.4);
    {
        ScopedSchemas schemas{{"CRenderingOptions", 36}};
        Options probe;
        EXPECT_EQ(BytesLeftAfter(EntityPart() + body, [&](CArchive& ar) { probe.Serialize(ar); }), 0u);
    }
    const std::unique_ptr<Options> o = Read(body, 36);
    EXPECT_TRUE(posts.posts.empty());
    EXPECT_EQ(o->GetRenderingMode(), Options::kMonochrome);
    EXPECT_TRUE(o->GetXRay());
    EXPECT_FALSE(o->GetTransparencyEnabled());
    EXPECT_TRUE(o->GetJitter());
    EXPECT_EQ(o->GetEdgeDisplay(), 2);
    EXPECT_EQ(o->GetBackgroundColor(), CColor(10, 11, 12));
    EXPECT_EQ(o->GetEdgeColor(), CColor(13, 14, 15));
    EXPECT_EQ(o->GetSelectedColor(), CColor(16, 17, 18));
    EXPECT_EQ(o->GetGuideColor(), CColor(19, 20, 21));
    EXPECT_TRUE(o->GetLegacyFlag());
    EXPECT_TRUE(o->GetComponentAxesShown());
    EXPECT_TRUE(o->IsColorByLayer());
    EXPECT_FALSE(o->GetTexturesShown());
    EXPECT_EQ(o->GetEdgeColorMode(), 2);
    EXPECT_TRUE(o->GetExtension());
    EXPECT_EQ(o->GetExtensionLength(), 11);
    EXPECT_FALSE(o->GetProfiles());
    EXPECT_EQ(o->GetProfileWidth(), 6);
    EXPECT_TRUE(o->GetDepthCue());
    EXPECT_EQ(o->GetDepthCueWidth(), 7);
    EXPECT_TRUE(o->GetEndpoints());
    EXPECT_EQ(o->GetEndpointLength(), 9);
    EXPECT_TRUE(o->GetEdgePresetEffect());
    EXPECT_TRUE(o->IsHiddenGeometryShown());
    EXPECT_EQ(o->GetFaceColorMode(), 1);
    EXPECT_EQ(o->GetFrontFaceColor(), CColor(22, 23, 24));
    EXPECT_EQ(o->GetBackFaceColor(), CColor(25, 26, 27));
    EXPECT_DOUBLE_EQ(o->GetInactiveFade(), 0.25);
    EXPECT_DOUBLE_EQ(o->GetInstanceFade(), 0.125);
    EXPECT_TRUE(o->GetHideInactive());
    EXPECT_TRUE(o->GetHideOtherInstances());
    EXPECT_TRUE(o->GetFogShown());
    EXPECT_FALSE(o->GetFogUsesBackground());
    EXPECT_EQ(o->GetFogColor(), CColor(28, 29, 30));
    EXPECT_DOUBLE_EQ(o->GetFogStart(), 100.0);
    EXPECT_DOUBLE_EQ(o->GetFogEnd(), 200.0);
    EXPECT_EQ(o->GetFogHint(), 2);
    EXPECT_EQ(o->GetEdgeKind(), 1);
    EXPECT_FALSE(o->GetAxesShown());
    EXPECT_FALSE(o->GetTextShown());
    EXPECT_FALSE(o->GetDimensionsShown());
    EXPECT_TRUE(o->GetGuidesShown());
    EXPECT_EQ(o->GetSkyColor(), CColor(31, 32, 33));
    EXPECT_EQ(o->GetHorizonColor(), CColor(34, 35, 36));
    EXPECT_EQ(o->GetGroundColor(), CColor(37, 38, 39));
    EXPECT_TRUE(o->GetSkyShown());
    EXPECT_TRUE(o->GetGroundShown());
    EXPECT_FALSE(o->GetGroundFromBelow());
    EXPECT_EQ(o->GetGroundTransparency(), 25);
    EXPECT_EQ(o->GetInactiveSectionColor(), CColor(40, 41, 42));
    EXPECT_EQ(o->GetActiveSectionColor(), CColor(43, 44, 45));
    EXPECT_EQ(o->GetSectionCutColor(), CColor(46, 47, 48));
    EXPECT_EQ(o->GetSectionCutWidth(), 20);
    EXPECT_EQ(o->GetSectionDisplay(), 1);
    EXPECT_EQ(o->GetTransparencySort(), 2);
    EXPECT_FALSE(o->GetHideSoftEdges());
    EXPECT_DOUBLE_EQ(o->GetSoftEdgeLimit(), 0.5);
    EXPECT_FALSE(o->GetAverageNormals());
    EXPECT_EQ(o->GetLockedColor(), CColor(49, 50, 51));
    EXPECT_FALSE(o->GetWatermarksShown());
    EXPECT_DOUBLE_EQ(o->GetXRayOpacity(), 0.3);
    EXPECT_TRUE(o->GetBackEdges());
    EXPECT_FALSE(o->GetPhotoBehindShown());
    EXPECT_DOUBLE_EQ(o->GetPhotoBehindOpacity(), 0.6);
    EXPECT_FALSE(o->GetPhotoInFrontShown());
    EXPECT_DOUBLE_EQ(o->GetPhotoInFrontOpacity(), 0.4);
}

TEST_F(RenderingOptionsTest, TheDefaultRecordReadsAsNewOptions)
{
    const std::unique_ptr<Options> read = Read(DefaultRenderingOptionsRecord(), 36);
    const Options fresh;
    Options copy(*read);
    // Assigning the fresh defaults to the copy of what was read changes nothing.
    copy.SetOwner(&model);
    posts.posts.clear();
    copy.Assign(fresh);
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{0}));
    EXPECT_EQ(read->GetLegacyFlag(), fresh.GetLegacyFlag());
    EXPECT_EQ(read->GetStoredHorizonColor(), fresh.GetStoredHorizonColor());
    EXPECT_EQ(read->GetAverageNormals(), fresh.GetAverageNormals());
}

TEST_F(RenderingOptionsTest, SchemaFiveTurnsTheLegacyTexturedModeIntoShadedWithTextures)
{
    Options options;
    options.SetTexturesShown(false);
    // Mode, X-ray, jitter, edges as a flag, three colours, legacy flag, component axes, colour by layer.
    const Bytes body =
        RecordStart(Options::kShadedWithTextures, false) + Flag(true) + Flag(true) + Flag(false);
    {
        ScopedSchemas schemas{{"CRenderingOptions", 5}};
        EXPECT_EQ(BytesLeftAfter(EntityPart() + body, [&](CArchive& ar) { options.Serialize(ar); }), 0u);
    }
    EXPECT_EQ(options.GetRenderingMode(), Options::kShaded);
    EXPECT_TRUE(options.GetTexturesShown());
    EXPECT_EQ(options.GetEdgeDisplay(), 1);
    EXPECT_EQ(options.GetStoredBackgroundColor(), CColor(1, 2, 3));
    EXPECT_TRUE(options.GetComponentAxesShown());
    // Older records are read as hiding soft edges and averaging normals.
    EXPECT_TRUE(options.GetHideSoftEdges());
    EXPECT_TRUE(options.GetAverageNormals());
}

TEST_F(RenderingOptionsTest, SchemaThirteenLeavesWhatItsSkyAndGroundDoNotSay)
{
    // Up to schema 12: start, guide colour, legacy, axes, by layer, textures and colour mode,
    // edge effects, face colour mode, face colours, fades.
    const Bytes upToTwelve = RecordStart(2, true) + Rgba(9, 9, 9) + Flag(false) + Flag(false) + Flag(false) +
                             Flag(true) + Int(1) + Flag(false) + Int(8) + Flag(true) + Int(3) + Flag(false) +
                             Int(0) + Rgba(1, 1, 1) + Rgba(2, 2, 2) + LittleEndian(0.75, 0.5) + Flag(false) +
                             Flag(false);
    const Bytes body = upToTwelve + Rgba(0, 0, 0, 0) + Rgba(60, 70, 80) + Int(-1) + Int(5) + Int(0) + Int(33);
    Options options;
    options.SetDrawSky(true);
    {
        ScopedSchemas schemas{{"CRenderingOptions", 13}};
        EXPECT_EQ(BytesLeftAfter(EntityPart() + body, [&](CArchive& ar) { options.Serialize(ar); }), 0u);
    }
    EXPECT_EQ(options.GetSkyColor(), CColor(140, 165, 255));
    EXPECT_EQ(options.GetGroundColor(), CColor(60, 70, 80));
    EXPECT_TRUE(options.GetSkyShown());
    EXPECT_TRUE(options.GetGroundShown());
    EXPECT_FALSE(options.GetGroundFromBelow());
    EXPECT_EQ(options.GetGroundTransparency(), 33);
}

TEST_F(RenderingOptionsTest, SchemaEighteenStoresTheSortAsAFlag)
{
    // Schema 18: the transparency code replaces the X-ray flag; sky and ground of schema 14;
    // sections of schema 15; the sort flag.
    const Bytes body = Int(2) + Int(2) + Flag(false) + Int(1) + Rgba(1, 2, 3) + Rgba(4, 5, 6) +
                       Rgba(7, 8, 9) + Rgba(9, 9, 9) + Flag(false) + Flag(false) + Flag(false) + Flag(true) +
                       Int(1) + Flag(false) + Int(8) + Flag(true) + Int(3) + Flag(false) + Int(0) +
                       Rgba(1, 1, 1) + Rgba(2, 2, 2) + LittleEndian(0.75, 0.5) + Flag(false) + Flag(false) +
                       Rgba(3, 3, 3) + Rgba(4, 4, 4) + Flag(false) + Flag(false) + Flag(true) + Int(50) +
                       Rgba(5, 5, 5) + Rgba(6, 6, 6) + Rgba(7, 7, 7) + Int(0) + Int(2) + Flag(true);
    Options options;
    options.SetXRay(true);
    options.SetTransparencyEnabled(false);
    {
        ScopedSchemas schemas{{"CRenderingOptions", 18}};
        EXPECT_EQ(BytesLeftAfter(EntityPart() + body, [&](CArchive& ar) { options.Serialize(ar); }), 0u);
    }
    EXPECT_FALSE(options.GetXRay());
    EXPECT_TRUE(options.GetTransparencyEnabled());
    EXPECT_EQ(options.GetTransparencySort(), 1);
    EXPECT_EQ(options.GetSectionCutWidth(), 1);
    EXPECT_EQ(options.GetSectionDisplay(), 2);
    EXPECT_EQ(options.GetStoredHorizonColor(), kNoColor);
    EXPECT_TRUE(options.GetHideSoftEdges());
    EXPECT_TRUE(options.GetAverageNormals());
}

TEST_F(RenderingOptionsTest, SchemaThirtyThreeEndsWithTheModelsMipmappingSwitch)
{
    // Up to its watermark flag a schema 33 record is the schema 36 one; the model's mipmapping
    // switch follows instead of the X-ray opacity and the photo settings.
    Bytes body = DefaultRenderingOptionsRecord();
    constexpr size_t kTail = 8 + 1 + 1 + 8 + 1 + 8;
    ASSERT_GT(body.size(), kTail);
    body.erase(body.end() - kTail, body.end());
    body = body + Flag(false);
    ASSERT_TRUE(model.AreMipmapsEnabled());
    {
        ScopedSchemas schemas{{"CRenderingOptions", 33}};
        auto options = std::make_unique<Options>();
        options->SetOwner(&model);
        options->SetXRayOpacity(0.9);
        EXPECT_EQ(BytesLeftAfter(EntityPart() + body, [&](CArchive& ar) { options->Serialize(ar); }), 0u);
        EXPECT_DOUBLE_EQ(options->GetXRayOpacity(), 0.9);
        EXPECT_TRUE(options->GetPhotoInFrontShown());
        EXPECT_TRUE(options->GetWatermarksShown());
    }
    EXPECT_FALSE(model.AreMipmapsEnabled());
}

TEST_F(RenderingOptionsTest, ACutRecordRaisesEndOfFileAndAnnouncesNothing)
{
    const Bytes body = DefaultRenderingOptionsRecord();
    for (size_t length : {size_t{0}, size_t{3}, body.size() / 2, body.size() - 1}) {
        ScopedSchemas schemas{{"CRenderingOptions", 36}};
        Options options;
        options.SetOwner(&model);
        const Bytes cut(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(
            ArchiveCause([&] { ReadFrom(EntityPart() + cut, [&](CArchive& ar) { options.Serialize(ar); }); }),
            CArchiveException::endOfFile)
            << length;
    }
    EXPECT_TRUE(posts.posts.empty());
}

TEST_F(RenderingOptionsTest, EverySchemaReadsBackWhatItsWriterStored)
{
    Options source;
    source.SetRenderingMode(Options::kHiddenLine);
    source.SetXRay(true);
    source.SetEdgeDisplay(2);
    source.SetSkyColor(CColor(1, 2, 3));
    source.SetGroundTransparency(12);
    source.SetSectionCutWidth(9);
    source.SetTransparencySort(1);
    source.SetLockedColor(CColor(4, 5, 6));
    source.SetBackEdges(true);
    for (int32_t schema = 0; schema <= 36; ++schema) {
        ScopedSchemas schemas{{"CRenderingOptions", schema}};
        const Bytes bytes = WrittenBy([&](CArchive& ar) { source.Serialize(ar); });
        Options read;
        EXPECT_EQ(BytesLeftAfter(bytes, [&](CArchive& ar) { read.Serialize(ar); }), 0u) << schema;
        EXPECT_EQ(read.GetRenderingMode(), Options::kHiddenLine) << schema;
        EXPECT_EQ(read.GetXRay(), true) << schema;
        EXPECT_EQ(read.GetEdgeDisplay(), schema < 9 ? 1 : 2) << schema;
        EXPECT_EQ(read.GetSkyColor(), schema >= 13 ? CColor(1, 2, 3) : Options().GetSkyColor()) << schema;
        EXPECT_EQ(read.GetSectionCutWidth(), schema >= 15 ? 9 : 4) << schema;
        EXPECT_EQ(read.GetTransparencySort(), schema >= 18 ? 1 : 0) << schema;
        EXPECT_EQ(read.GetLockedColor(), schema >= 27 ? CColor(4, 5, 6) : CColor(255, 0, 0)) << schema;
        EXPECT_EQ(read.GetBackEdges(), schema >= 36) << schema;
    }
}

// The self-check.

TEST_F(RenderingOptionsTest, TheCheckReportsValuesOutOfRangeAndRepairsThemWhenAsked)
{
    CValidityCheckScope checks;
    const auto damage = [](Options& o) {
        o.SetRenderingMode(9);
        o.SetEdgeColorMode(-1);
        o.SetFogStart(std::numeric_limits<double>::quiet_NaN());
        o.SetInactiveFade(1.5);
        o.SetTransparencySort(3);
        o.SetDisplayFog(true);
    };
    Options checked;
    damage(checked);
    EXPECT_EQ(checked.CheckValidity(kValidityCheck, nullptr), 1);
    const std::wstring report = GetValidityReport().GetString();
    EXPECT_NE(report.find(L"The rendering mode for CRenderingOptions ("), std::wstring::npos);
    EXPECT_NE(report.find(L"The fog density for"), std::wstring::npos);
    EXPECT_EQ(report.find(L"fixed"), std::wstring::npos);
    EXPECT_EQ(checked.GetRenderingMode(), 9);

    ClearValidityReport();
    Options fixed;
    damage(fixed);
    EXPECT_EQ(fixed.CheckValidity(kValidityFix, nullptr), 0);
    EXPECT_EQ(fixed.GetRenderingMode(), Options::kShaded);
    EXPECT_EQ(fixed.GetEdgeColorMode(), 1);
    EXPECT_DOUBLE_EQ(fixed.GetFogStart(), -1.0);
    EXPECT_DOUBLE_EQ(fixed.GetFogEnd(), -1.0);
    EXPECT_FALSE(fixed.GetFogShown());
    EXPECT_DOUBLE_EQ(fixed.GetInactiveFade(), 0.0);
    EXPECT_EQ(fixed.GetTransparencySort(), 0);
    EXPECT_NE(std::wstring(GetValidityReport().GetString()).find(L" - fixed\n"), std::wstring::npos);

    ClearValidityReport();
    Options ignoring;
    damage(ignoring);
    EXPECT_EQ(ignoring.CheckValidity(kValidityCheckIgnoringIds, nullptr), 0);
    EXPECT_FALSE(HasValidityProblems());
}

TEST_F(RenderingOptionsTest, TheCheckAnswersNothingWhileChecksAreOff)
{
    Options options;
    options.SetRenderingMode(42);
    EXPECT_EQ(options.CheckValidity(kValidityFix, nullptr), 0);
    EXPECT_EQ(options.GetRenderingMode(), 42);
}

TEST_F(RenderingOptionsTest, TheModelReachesItsOptionsThroughTheDatabaseInterface)
{
    IRenderingOptions& options = owned;
    options.SetAxesShown(false);
    EXPECT_FALSE(owned.GetAxesShown());
    EXPECT_EQ(options.GetEdgeColor(), FixedSystemColors::kWindowText);
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{35}));
    EXPECT_EQ(owned.GetModel(), &model);
}
