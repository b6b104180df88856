// Layers and the layer manager: default colours and unique names, the current layer and
// visibility, announcements, the records of every schema (damaged ones included) and the
// self-checks.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "components/Component.h"
#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/DrawingElement.h"
#include "database/EntityDisposal.h"
#include "database/Layer.h"
#include "database/LayerManager.h"
#include "database/Material.h"
#include "database/UndoManager.h"
#include "tests/model/ManagerTestSupport.h"

using orbisk::utils::CColor;
using Seen = ManagerNotifications::Seen;
using Code = CLayerNotificationInfo;

namespace {

class LayerTest : public ManagerTest {
protected:
    CLayerManager& layers = *model.GetLayerManager();
    CLayer* layer0 = layers.GetDefaultLayer();
};

// A manager record (schema 4 unless given) whose new layers are the given bodies; the
// manager is object 2, the layer class 3 and the layers 4, 5 ...
Bytes ManagerRecord(const std::vector<Bytes>& layerBodies, const Bytes& current)
{
    Bytes record =
        NewObject("CLayerManager") + EntityPart() + LittleEndian(static_cast<int32_t>(layerBodies.size()));
    for (size_t i = 0; i < layerBodies.size(); ++i)
        record = record + (i == 0 ? NewObject("CLayer") : ObjectReference(0x8003)) + layerBodies[i];
    return record + current;
}

std::unique_ptr<CLayerManager, void (*)(CEntity*)> ReadManager(const Bytes& record)
{
    return {ReadObjectFrom<CLayerManager>(record), &DeleteUnrecorded};
}

}  // namespace

TEST_F(LayerTest, ANewManagerHasTheDefaultLayerInTheFirstColour)
{
    ASSERT_EQ(layers.GetCount(), 1);
    EXPECT_EQ(layer0->GetName(), CString(L"Layer0"));
    EXPECT_EQ(layers.GetCurrentLayer(), layer0);
    EXPECT_EQ(layer0->GetMaterial()->GetColor(), CLayerManager::kDefaultColors[0]);
    EXPECT_EQ(layer0->GetMaterial()->GetName(), CString(L"Layer_Layer0"));
    EXPECT_TRUE(layer0->GetMaterial()->GetManagedFlag());
    EXPECT_EQ(layer0->GetParent(), &layers);
    EXPECT_EQ(CLayerManager::GetCurrentLayerManager(), &layers);
}

TEST_F(LayerTest, NewLayersTakeTheDefaultColoursInTurn)
{
    for (int i = 1; i < 59; ++i) {
        CString name;
        name.Format(L"L%d", i);
        CLayer* layer = layers.AddLayer(name);
        ASSERT_NE(layer, nullptr);
        EXPECT_EQ(layer->GetMaterial()->GetColor(),
                  CLayerManager::kDefaultColors[static_cast<size_t>(i % 58)])
            << i;
    }
    EXPECT_EQ(CLayerManager::kDefaultColors[13], CLayerManager::kDefaultColors[30]);
    EXPECT_EQ(CLayerManager::kDefaultColors[57], CColor(255, 0, 119));
}

TEST_F(LayerTest, LayerNamesAreUniqueIgnoringCase)
{
    ManagerNotifications seen;
    EXPECT_EQ(layers.AddLayer(L"layer0"), nullptr);
    EXPECT_EQ(layers.GetCount(), 1);
    EXPECT_TRUE(seen.layers.empty());

    CLayer* walls = layers.AddLayer(L"Layer");
    auto* second = new CLayer;
    second->SetName(L"layer");
    layers.Add(second);
    EXPECT_EQ(second->GetName(), CString(L"layer1")) << "\"layer\" and \"layer0\" are taken";
    EXPECT_EQ(seen.layers, (std::vector<Seen>{{Code::kAdded, walls}, {Code::kAdded, second}}));

    layers.Add(walls);
    EXPECT_EQ(walls->GetName(), CString(L"Layer")) << "a listed layer added again keeps its name";
    EXPECT_EQ(layers.GetCount(), 3);
    layers.Add(nullptr);
    layers.Add(model.GetRoot());
    EXPECT_EQ(layers.GetCount(), 3) << "only layers are taken";
    EXPECT_EQ(layers.FindLayerByName(L"LAYER1"), second);
    EXPECT_EQ(layers.MakeUniqueLayerName(L"Free"), CString(L"Free"));
}

TEST_F(LayerTest, TheCurrentLayerIsNeverHidden)
{
    CLayer* a = layers.AddLayer(L"A");
    ASSERT_TRUE(layers.SetCurrentLayer(a));
    ManagerNotifications seen;
    EXPECT_TRUE(layers.SetLayerHidden(a, true));
    EXPECT_EQ(layers.GetCurrentLayer(), layer0) << "the first shown layer became current";
    EXPECT_TRUE(a->IsHidden());
    EXPECT_EQ(seen.layers,
              (std::vector<Seen>{{Code::kCurrentChanged, layer0}, {Code::kVisibilityChanged, a}}));

    EXPECT_FALSE(layers.SetLayerHidden(layer0, true)) << "no other shown layer to move to";
    EXPECT_FALSE(layer0->IsHidden());
    EXPECT_TRUE(layers.SetLayerHidden(a, false));
    EXPECT_FALSE(layers.SetLayerHidden(nullptr, true));
    CLayer unlisted;
    EXPECT_FALSE(layers.SetCurrentLayer(&unlisted));
    EXPECT_EQ(layers.GetCurrentLayer(), layer0);
}

TEST_F(LayerTest, HidingALayerDeselectsItsElements)
{
    CLayer* a = layers.AddLayer(L"A");
    CDrawingElement onA;
    CDrawingElement onDefault;
    onA.SetLayer(a);
    model.GetSelection().Insert(&onA);
    model.GetSelection().Insert(&onDefault);
    EXPECT_TRUE(layers.SetLayerHidden(a, true));
    EXPECT_FALSE(model.GetSelection().Contains(&onA));
    EXPECT_TRUE(model.GetSelection().Contains(&onDefault));
}

TEST_F(LayerTest, RemovingTheCurrentLayerFallsBackToTheDefaultLayer)
{
    CLayer* a = layers.AddLayer(L"A");
    layers.SetCurrentLayer(a);
    ManagerNotifications seen;
    EXPECT_TRUE(layers.Remove(a));
    EXPECT_EQ(layers.GetCurrentLayer(), layer0);
    EXPECT_EQ(seen.layers, (std::vector<Seen>{{Code::kCurrentChanged, layer0}, {Code::kRemoved, a}}));
    EXPECT_EQ(a->GetParent(), nullptr);
    EXPECT_FALSE(layers.Remove(a));
    DeleteUnrecorded(a);

    EXPECT_TRUE(layers.Remove(layer0));
    EXPECT_EQ(layers.GetCurrentLayer(), nullptr) << "the default layer itself went";
    DeleteUnrecorded(layer0);
}

TEST_F(LayerTest, EmptyingTheListAnnouncesEachLayerOrTheWholeList)
{
    CLayer* a = layers.AddLayer(L"A");
    ManagerNotifications seen;
    layers.RemoveAll();
    EXPECT_EQ(
        seen.layers,
        (std::vector<Seen>{{Code::kRemoved, layer0}, {Code::kRemoved, a}, {Code::kCurrentChanged, nullptr}}));
    EXPECT_TRUE(layers.IsEmpty());

    layers.KeepOnlyDefaultLayer();
    ASSERT_EQ(layers.GetCount(), 1) << "an empty list gets the default layer";
    EXPECT_EQ(layers.GetCurrentLayer(), layers.GetDefaultLayer());
    layers.AddLayer(L"B");
    layers.AddLayer(L"C");
    layers.KeepOnlyDefaultLayer();
    EXPECT_EQ(layers.GetCount(), 1);

    seen.layers.clear();
    layers.RemoveAllLayers();
    EXPECT_EQ(seen.layers, (std::vector<Seen>{{Code::kAllRemoved, nullptr}}));
    EXPECT_EQ(layers.GetCurrentLayer(), nullptr);
}

TEST_F(LayerTest, OnlyTheModelsManagerAnnouncesButExchangesAlwaysDo)
{
    CLayerManager quiet;
    CLayer* layer = quiet.AddDefaultLayer();
    ManagerNotifications seen;
    quiet.AddLayer(L"A");
    quiet.SetLayerHidden(quiet.GetLayerAt(1), true);
    EXPECT_TRUE(seen.layers.empty());

    std::unique_ptr<CLayer> snapshot(static_cast<CLayer*>(layer->CreateCopy()));
    EXPECT_EQ(snapshot->GetMaterial(), layer->GetMaterial());
    snapshot->SetName(L"Renamed");
    layer->SwapContents(*snapshot);
    EXPECT_EQ(layer->GetName(), CString(L"Renamed"));
    EXPECT_EQ(seen.layers, (std::vector<Seen>{{Code::kSwapped, layer}}));
    quiet.RemoveAll();
}

TEST_F(LayerTest, VisibilityInANewSceneFollowsTheBehaviour)
{
    struct Case {
        bool hidden;
        uint32_t behavior;
        bool visible;
        bool visibleInNewScene;
    };
    const Case cases[] = {
        {false, 0, true, true},    {true, 0, false, false},   {false, 0x20, true, false},
        {true, 0x10, false, true}, {true, 0x30, false, true}, {false, 0x01, false, false},
        {true, 0x21, true, true},
    };
    for (const Case& c : cases) {
        CLayer layer;
        layer.SetHidden(c.hidden);
        layer.SetBehavior(c.behavior);
        EXPECT_EQ(layer.IsVisible(false), c.visible) << c.behavior;
        EXPECT_EQ(layer.IsVisible(true), c.visibleInNewScene) << c.behavior;
    }
}

TEST_F(LayerTest, TheDefaultLayerIsTheOneNamedLayer0OrNone)
{
    CLayer named;
    named.SetName(L"layer0");
    EXPECT_FALSE(CLayer::IsDefaultLayer(&named)) << "case-sensitive";
    EXPECT_TRUE(CLayer::IsDefaultLayer(nullptr));
    EXPECT_EQ(CLayer::GetLayerName(nullptr), CString(L"Layer0"));
    EXPECT_EQ(CLayer::GetLayerName(&named), CString(L"layer0"));
    named.SetColor(CColor(0, 0, 0, 0));
    EXPECT_EQ(named.GetMaterial()->GetColor(), CColor()) << "the empty colour changes nothing";
}

TEST_F(LayerTest, ALayerOwnsItsMaterialAndItsUndoCopyOnlySharesIt)
{
    auto* layer = new CLayer;
    std::unique_ptr<CLayer> snapshot(static_cast<CLayer*>(layer->CreateCopy()));
    EXPECT_EQ(snapshot->GetMaterial(), layer->GetMaterial());
    snapshot.reset();
    EXPECT_EQ(layer->GetMaterial()->GetName(), CString(L"Layer")) << "the copy left the material alone";
    // Deleted without Erase, as the archive deletes a layer whose record fails: the material
    // goes with it.
    delete layer;
}

TEST_F(LayerTest, LayerRecordsOfEverySchema)
{
    UseSchemas({{"CLayer", 2}, {"CMaterial", 12}});
    std::unique_ptr<CLayer, void (*)(CEntity*)> current(
        ReadObjectFrom<CLayer>(NewObject("CLayer") + LayerBody("Walls", true, 0x20)), &DeleteUnrecorded);
    EXPECT_EQ(current->GetName(), CString(L"Walls"));
    EXPECT_TRUE(current->IsHidden());
    EXPECT_EQ(current->GetBehavior(), 0x20u);
    EXPECT_EQ(current->GetMaterial()->GetColor(), CColor(5, 6, 7));
    EXPECT_EQ(current->GetMaterial()->GetParent(), current.get());

    UseSchemas({{"CLayer", 0}, {"CMaterial", 12}});
    const Bytes oldest = NewObject("CLayer") + EntityPart() + Text("Old") + Bytes{0} + Bytes{9, 8, 7, 255} +
                         NewObject("CMaterial") + EntityPart() + Text("Dropped") + Bytes{0} + Bytes{0} +
                         Bytes{1, 1, 1, 255} + Text("") + LittleEndian(int32_t{0}, int32_t{0}, 0.0) +
                         Bytes{0};
    std::unique_ptr<CLayer, void (*)(CEntity*)> old(ReadObjectFrom<CLayer>(oldest), &DeleteUnrecorded);
    EXPECT_EQ(old->GetMaterial()->GetColor(), CColor(9, 8, 7));
    EXPECT_EQ(old->GetMaterial()->GetName(), CString(L"Layer"))
        << "the material read is dropped, the colour kept";
    EXPECT_EQ(old->GetBehavior(), 0u);
}

TEST_F(LayerTest, OldFilesCallTheDefaultLayerDefault)
{
    UseSchemas({{"CLayerManager", 1}, {"CLayer", 1}, {"CMaterial", 12}});
    const Bytes material = EntityPart() + Text("m") + Bytes{0} + Bytes{0} + Bytes{5, 6, 7, 255} + Text("") +
                           LittleEndian(int32_t{0}, int32_t{0}, 0.0) + Bytes{0};
    const Bytes record = NewObject("CLayerManager") + EntityPart() + LittleEndian(int32_t{2}) +
                         NewObject("CLayer") + EntityPart() + Text("Default") + Bytes{1} + material +
                         ObjectReference(0x8003) + EntityPart() + Text("Doors") + Bytes{0} + material +
                         Text("Default");
    auto read = ReadManager(record);
    ASSERT_EQ(read->GetCount(), 2);
    EXPECT_EQ(read->GetDefaultLayer()->GetName(), CString(L"Layer0"));
    EXPECT_EQ(read->GetCurrentLayer(), read->GetDefaultLayer());
    EXPECT_FALSE(read->GetCurrentLayer()->IsHidden()) << "a hidden current layer is shown";
}

TEST_F(LayerTest, AnEmptyListKeepsOnlyTheDefaultLayer)
{
    UseSchemas({{"CLayerManager", 4}});
    auto read = ReadManager(NewObject("CLayerManager") + EntityPart() + LittleEndian(int32_t{0}));
    ASSERT_EQ(read->GetCount(), 1);
    EXPECT_EQ(read->GetCurrentLayer()->GetName(), CString(L"Layer0"));
}

TEST_F(LayerTest, AStaleCurrentLayerIsReplacedAndOutlivesTheRead)
{
    UseSchemas({{"CLayerManager", 4}, {"CLayer", 2}, {"CMaterial", 12}});
    // Layers 4 and 5 are listed; layer 6, named like layer 5, is the current one.
    const Bytes record =
        ManagerRecord({LayerBody("Layer0"), LayerBody("Roof")}, ObjectReference(0x8003) + LayerBody("ROOF"));
    CLayerManager* read = nullptr;
    CLayer* stale = nullptr;
    ReadFrom(record + ObjectReference(6), [&](CArchive& ar) {
        read = dynamic_cast<CLayerManager*>(ar.ReadObject(nullptr));
        stale = dynamic_cast<CLayer*>(ar.ReadObject(nullptr));
        ASSERT_NE(stale, nullptr);
        EXPECT_EQ(stale->GetName(), CString(L"ROOF"));
        EXPECT_EQ(stale->GetMaterial()->GetName(), CString(L"Layer_x"));
    });
    ASSERT_NE(read, nullptr);
    ASSERT_NE(stale, nullptr);
    EXPECT_EQ(read->GetCount(), 2);
    EXPECT_EQ(read->GetCurrentLayer(), read->GetLayerAt(1));
    EXPECT_FALSE(read->Contains(stale));
    EXPECT_EQ(stale->GetName(), CString(L"ROOF")) << "a later back reference may still use it";
    EXPECT_EQ(stale->GetMaterial()->GetName(), CString(L"Layer_x"));
    DeleteUnrecorded(read);
}

TEST_F(LayerTest, AStaleCurrentLayerWithoutNamesakeGivesWayToTheFirstLayer)
{
    UseSchemas({{"CLayerManager", 3}, {"CLayer", 2}, {"CMaterial", 12}});
    auto read = ReadManager(
        ManagerRecord({LayerBody("Layer0"), LayerBody("Roof")}, ObjectReference(0x8003) + LayerBody("Gone")));
    EXPECT_EQ(read->GetCurrentLayer(), read->GetDefaultLayer());
}

TEST_F(LayerTest, NullEntriesAreSkippedButAnythingElseThanALayerIsBadClass)
{
    UseSchemas({{"CLayerManager", 4}, {"CLayer", 2}, {"CMaterial", 12}});
    const Bytes material = NewObject("CMaterial") + MaterialBody("M");
    struct Case {
        const char* what;
        Bytes record;
        int cause;
    };
    // The manager is object 2.
    const Case cases[] = {
        {"a material in the list",
         NewObject("CLayerManager") + EntityPart() + LittleEndian(int32_t{1}) + material,
         CArchiveException::badClass},
        {"the manager in its own list",
         NewObject("CLayerManager") + EntityPart() + LittleEndian(int32_t{1}) + ObjectReference(2),
         CArchiveException::badClass},
        {"a material as the current layer",
         NewObject("CLayerManager") + EntityPart() + LittleEndian(int32_t{1}) + NewObject("CLayer") +
             LayerBody("Only") + material,
         CArchiveException::badClass},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ArchiveCause([&] { ReadManager(c.record); }), c.cause) << c.what;
    }
    const Bytes nulls = NewObject("CLayerManager") + EntityPart() + LittleEndian(int32_t{2}) + kNullObject +
                        NewObject("CLayer") + LayerBody("Only") + ObjectReference(4);
    auto read = ReadManager(nulls);
    ASSERT_EQ(read->GetCount(), 1);
    EXPECT_EQ(read->GetCurrentLayer()->GetName(), CString(L"Only"));
}

TEST_F(LayerTest, AnEmptyListCutBeforeTheCurrentNameLeavesNothingBehind)
{
    // Schema 1: an empty list keeps the default layer, which the manager made itself; the name
    // of the current layer is missing.
    UseSchemas({{"CLayerManager", 1}, {"CLayer", 1}, {"CMaterial", 12}});
    const Bytes cut = NewObject("CLayerManager") + EntityPart() + LittleEndian(int32_t{0});
    EXPECT_EQ(ArchiveCause([&] { ReadManager(cut); }), CArchiveException::endOfFile);
    // The leak checker finds the default layer and its material if the manager lost them.
}

TEST_F(LayerTest, ALayerReadBeforeAFailedListLosesItsParentAndWaitsInThePool)
{
    UseSchemas({{"CLayerManager", 4}, {"CLayer", 2}, {"CMaterial", 12}});
    // The layer is object 2 (class 1); the manager (class 3, object 4) lists it again, then a
    // new layer, and ends before the current layer.
    const Bytes bytes = NewObject("CLayer") + LayerBody("Early") + NewObject("CLayerManager") + EntityPart() +
                        LittleEndian(int32_t{2}) + ObjectReference(2) + ObjectReference(0x8001) +
                        LayerBody("Late");
    CLayer* early = nullptr;
    EXPECT_EQ(ArchiveCause([&] {
                  ReadFrom(bytes, [&](CArchive& ar) {
                      early = dynamic_cast<CLayer*>(ar.ReadObject(nullptr));
                      KeepUnownedObject(early);
                      ar.ReadObject(nullptr);
                  });
              }),
              CArchiveException::endOfFile);
    ASSERT_NE(early, nullptr);
    EXPECT_EQ(early->GetParent(), nullptr) << "not the manager the archive deleted";
    EXPECT_EQ(early->GetModel(), nullptr);
    EXPECT_TRUE(model.GetDroppedObjects().Contains(early)) << "earlier records may still refer to it";
}

TEST_F(LayerTest, ANegativeCountIsAnArchiveError)
{
    UseSchemas({{"CLayerManager", 4}});
    const Bytes negative = NewObject("CLayerManager") + EntityPart() + LittleEndian(int32_t{-2});
    EXPECT_EQ(ArchiveCause([&] { ReadManager(negative); }), CArchiveException::genericException);
}

TEST_F(LayerTest, AWrittenManagerReadsBackItsLayersAndCurrentLayer)
{
    CLayer* roof = layers.AddLayer(L"Roof");
    roof->SetBehavior(CLayer::kHiddenInNewScene);
    layers.SetCurrentLayer(roof);
    const Bytes written = WrittenBy([&](CArchive& ar) { ar.WriteObject(&layers); });
    auto read = ReadManager(written);
    ASSERT_EQ(read->GetCount(), 2);
    EXPECT_EQ(read->GetCurrentLayer()->GetName(), CString(L"Roof"));
    EXPECT_EQ(read->GetCurrentLayer()->GetBehavior(), CLayer::kHiddenInNewScene);
    EXPECT_EQ(read->GetCurrentLayer()->GetMaterial()->GetColor(), CLayerManager::kDefaultColors[1]);
}

TEST_F(LayerTest, TheSelfChecksReportAndRepair)
{
    CValidityCheckScope checks;
    CCheckedObjectMap map;
    EXPECT_EQ(layers.CheckValidity(kValidityCheck, &map), 0);

    CLayer* odd = layers.AddLayer(L"Odd");
    odd->SetBehavior(0x40);
    map.clear();
    EXPECT_EQ(layers.CheckValidity(kValidityCheck, &map), 1);
    EXPECT_NE(std::wstring(GetValidityReport().GetString()).find(L"The behavior for CLayer"),
              std::wstring::npos);
    map.clear();
    EXPECT_EQ(layers.CheckValidity(kValidityFix, &map), 0);
    EXPECT_EQ(odd->GetBehavior(), 0u);

    CLayer unnamed;
    EXPECT_EQ(unnamed.CheckValidity(kValidityCheck, nullptr), 2);
    EXPECT_EQ(unnamed.CheckValidity(kValidityCheckIgnoringIds, nullptr), 0);

    CLayerManager empty;
    ClearValidityReport();
    EXPECT_EQ(empty.CheckValidity(kValidityCheck, nullptr), 3);
    EXPECT_NE(std::wstring(GetValidityReport().GetString()).find(L"The current layer for CLayerManager"),
              std::wstring::npos);
}

TEST_F(LayerTest, AddingALayerIsRecordedForUndo)
{
    RecordUndo();
    Start();
    CLayer* a = layers.AddLayer(L"A");
    const CUndoOperation* operation = manager->GetCurrentOperation();
    EXPECT_EQ(operation->GetAddedPairs(), (std::vector<CUndoOperation::ElementPair>{{a, &layers}}));
    Commit();
    std::unique_ptr<CLayerManager> snapshot(static_cast<CLayerManager*>(layers.CreateCopy()));
    EXPECT_EQ(snapshot->GetCount(), 0) << "undo copies hold only the current layer";
    layers.SetCurrentLayer(a);
    layers.SwapContents(*snapshot);
    EXPECT_EQ(layers.GetCurrentLayer(), layer0);
}

TEST_F(LayerTest, TheIteratorWalksTheListInOrder)
{
    CLayer* a = layers.AddLayer(L"A");
    std::unique_ptr<IEntityIterator> iterator(layers.CreateIterator());
    std::vector<CEntity*> seen;
    for (CEntity* entity = nullptr; iterator->Next(entity);)
        seen.push_back(entity);
    EXPECT_EQ(seen, (std::vector<CEntity*>{layer0, a}));
    iterator->Reset();
    CEntity* first = nullptr;
    EXPECT_TRUE(iterator->Next(first));
    EXPECT_EQ(first, layer0);
}

// Recording on with no operation open is how a file is read into a model that records: what an
// erase deletes then must leave its owner, or the owner frees it again.
TEST_F(LayerTest, RemovingEveryLayerWithNoOperationOpenFreesEachLayerAndMaterialOnce)
{
    RecordUndo();
    ASSERT_TRUE(IsUndoRecording());
    ASSERT_EQ(GetCurrentUndoOperation(), nullptr);
    ASSERT_NE(layers.AddLayer(L"Walls"), nullptr);
    layers.RemoveAll();
    EXPECT_EQ(layers.GetDefaultLayer(), nullptr);
    EXPECT_EQ(layers.GetCurrentLayer(), nullptr);
}
