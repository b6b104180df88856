// The drawing element base: its display state, its common record in every schema, and how it
// answers visibility, layer, material and colour through a view.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "components/ComponentInstance.h"
#include "components/InstancePath.h"
#include "database/DrawingElement.h"
#include "database/EntityDisposal.h"
#include "database/Layer.h"
#include "database/Material.h"
#include "database/MaterialNotification.h"
#include "database/Relationship.h"
#include "database/RelationshipMap.h"
#include "database/Texture.h"
#include "settings/RenderingOptions.h"
#include "tests/model/DatabaseTestSupport.h"
#include "tests/model/ManagerTestSupport.h"
#include "tests/model/doubles/ViewDouble.h"

using orbisk::utils::CColor;

namespace {

constexpr CColor kRed{255, 0, 0};
constexpr CColor kBlue{0, 0, 255};

// An element that, like an edge, keeps its material colour when selected.
class PlainColoredElement : public CDrawingElement {
public:
    bool UsesHighlightColor() const override { return false; }
};

// An instance with the stored highlight bit set, which the program sets only as it reads an
// instance's record.
class HighlightedInstance : public CComponentInstance {
public:
    HighlightedInstance() { m_flags |= kSecondHighlight; }
};

class DrawingElementTest : public DatabaseTest {
protected:
    // Reads one element record whose body follows the entity part (empty: CEntity schema 0).
    std::unique_ptr<CDrawingElement> Read(int32_t schema, const Bytes& body)
    {
        UseSchemas({{"CDrawingElement", schema}, {"CMaterial", 7}, {"CLayer", 2}});
        std::unique_ptr<CDrawingElement> element;
        EXPECT_EQ(BytesLeftAfter(NewObject("CDrawingElement") + body,
                                 [&](CArchive& ar) {
                                     element.reset(static_cast<CDrawingElement*>(
                                         ar.ReadObject(RUNTIME_CLASS(CDrawingElement))));
                                 }),
                  0u)
            << "schema " << schema;
        return element;
    }

    // A plain material of schema 7 after its entity part: name, no texture, not managed, colour.
    static Bytes MaterialBody(CColor color)
    {
        return Text("Paint") +
               LittleEndian(uint8_t{0}, uint8_t{0}, color.red, color.green, color.blue, color.alpha);
    }
    static Bytes MaterialRecord(CColor color) { return NewObject("CMaterial") + MaterialBody(color); }
    // A shown layer of schema 2 with its own material and no behaviour.
    static Bytes LayerRecord()
    {
        return NewObject("CLayer") + Text("Walls") + LittleEndian(uint8_t{0}) + MaterialBody(kBlue) +
               LittleEndian(uint32_t{0});
    }
    // The announced changes of the material's use count.
    static int UseNotices(const ManagerNotifications& seen, CMaterial* material)
    {
        return static_cast<int>(std::ranges::count(
            seen.materials, ManagerNotifications::Seen{kMaterialUseCountChanged, material}));
    }

    // A layer the model does not list, with its own material; it goes with the test.
    CLayer& UnlistedLayer()
    {
        owned.emplace_back(new CLayer, &DeleteUnrecorded);
        return static_cast<CLayer&>(*owned.back());
    }

    RecordingView view;
    // Settings of no model: their changes are not announced.
    CRenderingOptions options;
    std::vector<std::unique_ptr<CEntity, void (*)(CEntity*)>> owned;
};

TEST_F(DrawingElementTest, ANewElementCastsShadowsAndTakesTheCurrentLayerUnlessItIsTheDefaultOne)
{
    CDrawingElement onDefault;
    EXPECT_EQ(onDefault.GetFlags(), 0x06u);
    EXPECT_EQ(onDefault.GetMaterial(), nullptr);
    EXPECT_TRUE(onDefault.UsesDefaultLayer());
    EXPECT_EQ(onDefault.GetLayer(), &defaultLayer) << "no own layer answers the model's default layer";

    CLayer* walls = layers.AddLayer(L"Walls");
    layers.SetCurrentLayer(walls);
    CDrawingElement onWalls;
    EXPECT_EQ(onWalls.GetLayer(), walls);
    EXPECT_FALSE(onWalls.UsesDefaultLayer());
}

TEST_F(DrawingElementTest, TheCommonRecordIsReadInEverySchema)
{
    struct Case {
        int32_t schema;
        Bytes body;
        uint32_t flags;
        bool hasMaterial;
    };
    const Bytes noLayer = LittleEndian(uint16_t{0});
    const Bytes red = LittleEndian(uint8_t{255}, uint8_t{0}, uint8_t{0}, uint8_t{255});
    const Bytes noColor = LittleEndian(uint32_t{0});
    const Case cases[] = {
        // A colour and nothing else; bit 4 copies bit 3.
        {0, red, 0x06, true},
        {1, noColor + LittleEndian(uint8_t{1}), 0x07, false},
        // No material field; the dropped material reference comes after the hidden byte.
        {2, LittleEndian(uint8_t{0}, uint8_t{1}) + MaterialRecord(kBlue), 0x06, false},
        {3, red + LittleEndian(uint8_t{0}), 0x06, true},
        {4, noColor + LittleEndian(uint8_t{0}) + noLayer, 0x06, false},
        {5, MaterialRecord(kBlue) + LittleEndian(uint8_t{2}) + noLayer, 0x07, true},
        {6, LittleEndian(uint16_t{0}, uint8_t{0}, uint8_t{0}, uint8_t{1}) + noLayer, 0x04, false},
        {7, LittleEndian(uint16_t{0}, uint8_t{0}, uint8_t{1}, uint8_t{1}, uint8_t{1}) + noLayer, 0x1E, false},
        {8, LittleEndian(uint16_t{0}, uint8_t{0}, uint8_t{1}, uint8_t{1}, uint8_t{1}, uint8_t{0}) + noLayer,
         0x0E, false},
        {9,
         LittleEndian(uint16_t{0}, uint8_t{1}, uint8_t{0}, uint8_t{1}, uint8_t{0}, uint8_t{1}, uint8_t{1}) +
             noLayer,
         0x35, false},
    };
    for (const Case& c : cases) {
        std::unique_ptr<CDrawingElement> element = Read(c.schema, c.body);
        ASSERT_TRUE(element) << c.schema;
        EXPECT_EQ(element->GetFlags(), c.flags) << "schema " << c.schema;
        EXPECT_EQ(element->GetMaterial() != nullptr, c.hasMaterial) << "schema " << c.schema;
        EXPECT_TRUE(element->UsesDefaultLayer()) << "schema " << c.schema;
    }
}

TEST_F(DrawingElementTest, AMaterialReadCountsTheElementOnceWithoutNotice)
{
    ManagerNotifications seen;
    std::unique_ptr<CDrawingElement> element =
        Read(9, MaterialRecord(kBlue) + Bytes(6, 0) + LittleEndian(uint16_t{0}));
    CMaterial* material = element->GetMaterial();
    ASSERT_TRUE(material);
    EXPECT_EQ(material->GetColor(), kBlue);
    EXPECT_EQ(material->GetUseCount(), 1);
    EXPECT_EQ(UseNotices(seen, material), 0);
    EXPECT_TRUE(model.GetDroppedObjects().Contains(material)) << "kept for the manager that lists it";
}

TEST_F(DrawingElementTest, AnOldColourRecordTakesTheManagersMaterialForThatColour)
{
    std::unique_ptr<CDrawingElement> element =
        Read(0, LittleEndian(uint8_t{255}, uint8_t{0}, uint8_t{0}, uint8_t{255}));
    ASSERT_EQ(materials.GetCount(), 1);
    EXPECT_EQ(element->GetMaterial(), materials.GetMaterialAt(0));
    EXPECT_EQ(element->GetMaterialColor(), kRed);
    std::unique_ptr<CDrawingElement> second =
        Read(3, LittleEndian(uint8_t{255}, uint8_t{0}, uint8_t{0}, uint8_t{255}, uint8_t{0}));
    EXPECT_EQ(second->GetMaterial(), element->GetMaterial()) << "one material per colour";
    EXPECT_EQ(element->GetMaterial()->GetUseCount(), 2);
}

TEST_F(DrawingElementTest, ALayerReferenceBecomesTheLayerAndRunTimeBitsStartClear)
{
    std::unique_ptr<CDrawingElement> element = Read(4, LittleEndian(uint32_t{0}, uint8_t{0}) + LayerRecord());
    ASSERT_NE(element->GetLayer(), nullptr);
    EXPECT_FALSE(element->UsesDefaultLayer());
    EXPECT_FALSE(element->IsSelected());
    EXPECT_TRUE(model.GetDroppedObjects().Contains(element->GetLayer()))
        << "kept for the manager that lists it";
}

TEST_F(DrawingElementTest, WritingStoresTheSecondHighlightByteOnlyForFormatsFrom5000)
{
    CDrawingElement element;
    element.SetHidden(true);
    const Bytes flags = LittleEndian(uint8_t{1}, uint8_t{1}, uint8_t{1}, uint8_t{0}, uint8_t{0});
    const Bytes none = LittleEndian(uint16_t{0});
    // The entity part of format 8000 is a null attribute container.
    EXPECT_EQ(WrittenBy([&](CArchive& ar) { element.Serialize(ar); }),
              none + none + flags + LittleEndian(uint8_t{0}) + none);
    SetSaveFormat(4000);
    EXPECT_EQ(WrittenBy([&](CArchive& ar) { element.Serialize(ar); }), none + none + flags + none);
}

TEST_F(DrawingElementTest, VisibilityFollowsTheHiddenBitTheSelectionTheLayerAndTheView)
{
    CLayer& hiddenLayer = UnlistedLayer();
    hiddenLayer.SetHidden(true);
    struct Case {
        const char* what;
        bool hidden;
        bool selected;
        CLayer* layer;
        bool excluded;
        bool showHidden;
        bool visible;
    };
    const Case cases[] = {
        {"plain", false, false, nullptr, false, false, true},
        {"hidden", true, false, nullptr, false, false, false},
        {"hidden but selected", true, true, nullptr, false, false, true},
        {"hidden with hidden geometry shown", true, false, nullptr, false, true, true},
        {"on a hidden layer", false, false, &hiddenLayer, false, false, false},
        {"hidden geometry shown, hidden layer", true, false, &hiddenLayer, false, true, false},
        {"excluded by editing, even when selected", false, true, nullptr, true, false, false},
    };
    view.options = &options;
    for (const Case& c : cases) {
        CDrawingElement element;
        element.SetHidden(c.hidden);
        element.SetSelectedFlag(c.selected);
        element.SetLayer(c.layer);
        view.excluded.assign(c.excluded ? 1 : 0, &element);
        options.SetShowHiddenGeometry(c.showHidden);
        EXPECT_EQ(element.IsVisible(&view), c.visible) << c.what;
    }
}

TEST_F(DrawingElementTest, WithoutAViewAHiddenElementIsHiddenAndTheLayerComesFromTheModel)
{
    CDrawingElement element;
    EXPECT_FALSE(element.IsHidden(nullptr));
    defaultLayer.SetHidden(true);
    EXPECT_TRUE(element.IsOnHiddenLayer(nullptr)) << "the model's default layer is hidden";
    CLayer& shown = UnlistedLayer();
    view.inheritedLayer = &shown;
    EXPECT_FALSE(element.IsOnHiddenLayer(&view)) << "an element on the default layer takes the inherited one";
    defaultLayer.SetHidden(false);
    element.SetHidden(true);
    EXPECT_TRUE(element.IsHidden(nullptr));
    EXPECT_TRUE(element.IsHidden(&view)) << "a view without options does not show hidden geometry";
}

TEST_F(DrawingElementTest, SettingTheDefaultLayerOnAnElementWithoutLayerChangesNothing)
{
    CDrawingElement element;
    NotificationRecorder changes("EntityChanged");
    element.SetLayer(&defaultLayer);
    element.SetLayer(nullptr);
    EXPECT_TRUE(changes.payloads.empty());
    CLayer& walls = UnlistedLayer();
    element.SetLayer(&walls);
    EXPECT_EQ(element.GetLayer(), &walls);
    element.SetLayer(&defaultLayer);
    EXPECT_TRUE(element.UsesDefaultLayer()) << "the default layer is stored as none";
}

TEST_F(DrawingElementTest, AnElementCountsAsOneUseOfItsMaterialUntilErased)
{
    CMaterial red, blue;
    red.SetColor(kRed);
    blue.SetColor(kBlue);
    ManagerNotifications seen;
    CSuspendUndo noUndo;
    auto* element = new CDrawingElement;
    element->SetMaterial(&red);
    element->SetMaterial(&red);
    EXPECT_EQ(red.GetUseCount(), 1);
    element->SetMaterial(&blue);
    EXPECT_EQ(red.GetUseCount(), 0);
    EXPECT_EQ(blue.GetUseCount(), 1);
    {
        CDrawingElement copy(*element);
        EXPECT_EQ(copy.GetMaterial(), &blue);
        EXPECT_EQ(blue.GetUseCount(), 1) << "an undo snapshot is not a use";
    }
    element->Erase();
    EXPECT_EQ(blue.GetUseCount(), 0);
    EXPECT_EQ(UseNotices(seen, &blue), 2) << "gaining and losing the use were announced";
}

TEST_F(DrawingElementTest, CopiesAndSwapsKeepThePersistentBitsAndDropTheRunTimeOnes)
{
    CLayer& walls = UnlistedLayer();
    CMaterial red;
    red.SetColor(kRed);
    CDrawingElement element;
    element.SetSoft(true);
    element.SetSelectedFlag(true);
    element.SetLayer(&walls);
    element.SetMaterial(&red);
    CDrawingElement copy(element);
    EXPECT_EQ(copy.GetFlags(), 0x0Eu);
    EXPECT_EQ(copy.GetLayer(), &walls);

    CDrawingElement other;
    other.SetHidden(true);
    other.SetSelectedFlag(true);
    element.SwapContents(other);
    EXPECT_EQ(element.GetFlags(), 0x07u) << "the selected bit of this element is cleared";
    EXPECT_EQ(element.GetMaterial(), nullptr);
    EXPECT_EQ(other.GetFlags(), 0x4Eu);
    EXPECT_EQ(other.GetMaterial(), &red);
    EXPECT_EQ(red.GetUseCount(), 1) << "swaps leave the use counts alone";
    other.SetMaterial(nullptr);
}

TEST_F(DrawingElementTest, ASelectedElementDrawsInTheSelectionColourUnlessItKeepsItsMaterialColour)
{
    CMaterial red;
    red.SetColor(kRed);
    view.options = &options;
    options.SetSelectedColor(CColor(255, 255, 0));
    options.SetLockedColor(CColor(255, 0, 255));
    CDrawingElement element;
    PlainColoredElement edge;
    element.SetMaterial(&red);
    edge.SetMaterial(&red);
    EXPECT_EQ(element.GetColorForView(&view), kRed);
    element.SetSelectedFlag(true);
    edge.SetSelectedFlag(true);
    EXPECT_EQ(element.GetColorForView(&view), options.GetSelectedColor());
    EXPECT_EQ(edge.GetColorForView(&view), kRed);

    element.SetSelectedFlag(false);
    CComponentInstance instance;
    HighlightedInstance flagged;
    // The path ends with the element reached, which is no instance.
    CInstancePath path;
    path.PushBack(&instance);
    path.PushBack(&element);
    view.path = &path;
    EXPECT_EQ(element.GetColorForView(&view), kRed);
    instance.SetSelectedFlag(true);
    EXPECT_EQ(element.GetColorForView(&view), options.GetSelectedColor())
        << "a selected instance on the path";
    flagged.SetSelectedFlag(true);
    path.Clear();
    path.PushBack(&flagged);
    path.PushBack(&element);
    EXPECT_EQ(element.GetColorForView(&view), options.GetLockedColor()) << "a flagged instance on the path";
    element.SetMaterial(nullptr);
    edge.SetMaterial(nullptr);
}

TEST_F(DrawingElementTest, WithoutMaterialTheInheritedOneOrTheDefaultColourIsUsed)
{
    view.options = &options;
    options.SetEdgeColor(CColor(10, 20, 30));
    CDrawingElement element;
    EXPECT_EQ(element.GetColorForView(&view), CColor(10, 20, 30));
    CMaterial blue;
    blue.SetColor(kBlue);
    view.inheritedMaterial = &blue;
    EXPECT_EQ(element.GetColorForView(&view), kBlue);
    element.ApplyDrawColor(&view);
    EXPECT_EQ(view.colors, std::vector<CColor>{kBlue});
    element.SetDrawColor(&view, CColor());
    EXPECT_EQ(view.colors.size(), 1u) << "no colour leaves the view's colour";
}

TEST_F(DrawingElementTest, ColourByLayerTakesTheLayersMaterialAndTheInheritedLayerForTheDefaultOne)
{
    CLayer& walls = UnlistedLayer();
    CLayer& roof = UnlistedLayer();
    walls.SetColor(kBlue);
    roof.SetColor(CColor(0, 255, 0));
    defaultLayer.SetColor(kRed);
    view.options = &options;
    options.SetColorByLayer(true);
    CDrawingElement onWalls, onDefault;
    onWalls.SetLayer(&walls);
    EXPECT_EQ(onWalls.GetMaterialForView(&view), walls.GetMaterial());
    EXPECT_EQ(onDefault.GetMaterialForView(&view), defaultLayer.GetMaterial());
    view.inheritedLayer = &roof;
    EXPECT_EQ(onDefault.GetMaterialForView(&view), roof.GetMaterial());
    EXPECT_EQ(onDefault.GetColorForView(&view), CColor(0, 255, 0));
}

TEST_F(DrawingElementTest, TheSolidColourIsAPlainMaterialsColourElseTheContextsColour)
{
    struct Context : IColorContext {
        CColor GetOverrideColor() const override { return CColor(1, 2, 3); }
    } context;
    CMaterial textured;
    textured.SetColor(kRed);
    auto* texture = new CTexture;
    texture->SetImage(MakeImage(kBlue));
    textured.SetTexture(texture);
    textured.SetType(CMaterial::kTextured);
    CDrawingElement element;
    EXPECT_EQ(element.GetSolidColor(nullptr), CColor());
    EXPECT_EQ(element.GetSolidColor(&context), CColor(1, 2, 3));
    element.SetMaterial(&textured);
    EXPECT_EQ(element.GetSolidColor(&context), CColor(1, 2, 3));
    textured.SetType(CMaterial::kPlainColor);
    EXPECT_EQ(element.GetSolidColor(&context), kRed);
    element.SetMaterial(nullptr);
}

TEST_F(DrawingElementTest, AnElementWithoutGeometryHasTheEmptyBox)
{
    CDrawingElement element;
    const auto box = element.GetBounds();
    EXPECT_TRUE(box.IsEmpty());
    EXPECT_EQ(box.GetMin().x, 1e30);
    EXPECT_EQ(box.GetMax().z, -1e30);
}

TEST_F(DrawingElementTest, SetMaterialFromColourKeepsAPlainMaterialOfThatColour)
{
    CDrawingElement element;
    element.SetMaterialFromColor(CColor(), true);
    EXPECT_EQ(element.GetMaterial(), nullptr);
    element.SetMaterialFromColor(kRed, true);
    CMaterial* red = element.GetMaterial();
    ASSERT_NE(red, nullptr);
    NotificationRecorder changes("EntityChanged");
    element.SetMaterialFromColor(kRed, true);
    EXPECT_TRUE(changes.payloads.empty());
    element.SetMaterialFromColor(kBlue, false);
    EXPECT_EQ(red->GetUseCount(), 0);
    EXPECT_EQ(element.GetMaterialColor(), kBlue);
    element.SetMaterial(nullptr);
}

TEST_F(DrawingElementTest, CopyingDisplayPropertiesAnnouncesEachChange)
{
    CMaterial red;
    red.SetColor(kRed);
    CLayer& walls = UnlistedLayer();
    CDrawingElement source, target;
    source.SetHidden(true);
    source.SetSoft(true);
    source.SetFlagBit4(true);
    source.SetMaterial(&red);
    source.SetLayer(&walls);
    source.SetSecondFlag(true);
    NotificationRecorder changes("EntityChanged");
    target.CopyDisplayProperties(source);
    EXPECT_EQ(target.GetFlags(), source.GetFlags());
    EXPECT_EQ(target.GetMaterial(), &red);
    EXPECT_EQ(target.GetLayer(), &walls);
    EXPECT_TRUE(target.GetSecondFlag());
    EXPECT_EQ(changes.CountFor(static_cast<CEntity*>(&target)), 5) << "hidden, soft, smooth, material, layer";
    source.SetMaterial(nullptr);
    target.SetMaterial(nullptr);
}

TEST_F(DrawingElementTest, TheCheckReportsAndFixesAMaterialAndALayerTheModelDoesNotHold)
{
    CValidityCheckScope checks;
    CMaterial stray;
    stray.SetColor(kRed);
    CLayer& strayLayer = UnlistedLayer();
    auto* element = new CDrawingElement;
    root.Add(element);
    element->SetMaterial(&stray);
    element->SetLayer(&strayLayer);
    CCheckedObjectMap map;
    EXPECT_EQ(element->CheckValidity(kValidityCheck, &map), 1);
    const CString name = DescribeEntity(element);
    EXPECT_EQ(GetValidityReport(),
              L"The material for " + name + L" not valid" + L"The layer for " + name + L" not valid");

    ClearValidityReport();
    CCheckedObjectMap fixMap;
    EXPECT_EQ(element->CheckValidity(kValidityFix, &fixMap), 0);
    EXPECT_EQ(element->GetMaterial(), nullptr);
    EXPECT_TRUE(element->UsesDefaultLayer());
    EXPECT_EQ(GetValidityReport(), L"The material for " + name + L" not valid - fixed\n" + L"The layer for " +
                                       name + L" not valid - fixed\n");
    stray.ClearUseCount();
    root.Remove(element);
    delete element;
}

TEST_F(DrawingElementTest, ErasingFromAComponentTellsWhetherItWasThere)
{
    CSuspendUndo noUndo;
    auto* element = new CDrawingElement;
    auto* driven = new CDrawingElement;
    EXPECT_FALSE(element->EraseFrom(nullptr));
    root.Add(element);
    root.Add(driven);
    root.GetRelationshipMap().Add(new CRelationship(element, driven));
    EXPECT_TRUE(element->EraseFrom(&root));
    EXPECT_EQ(root.GetEntityList(), std::vector<CDrawingElement*>{driven});
    EXPECT_TRUE(root.GetRelationshipMap().IsEmpty()) << "its relationships went with it";
}

}  // namespace
