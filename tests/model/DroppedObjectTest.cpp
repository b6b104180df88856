// Objects that reading drops but the archive may still hand out again: they live in the
// dropped-object pool of the model being read until that model goes, unless someone takes them
// over first.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "database/CurrentModel.h"
#include "database/DroppedObjectPool.h"
#include "database/EntityDisposal.h"
#include "database/Layer.h"
#include "database/LayerManager.h"
#include "database/Material.h"
#include "database/MaterialManager.h"
#include "model/ZephyronModel.h"
#include "settings/RenderingOptions.h"
#include "support/NotificationCenter.h"
#include "tests/model/ManagerTestSupport.h"

// An entity that counts its instances alive.
class DroppedProbe : public CEntity {
    DECLARE_SERIAL(DroppedProbe)
public:
    DroppedProbe() { ++alive; }
    ~DroppedProbe() override { --alive; }

    static inline int alive = 0;
};

IMPLEMENT_SERIAL(DroppedProbe, CEntity, VERSIONABLE_SCHEMA | 0)

// A layer manager that counts the notifications it receives and its instances alive.
class ListeningLayerManager : public CLayerManager {
    DECLARE_SERIAL(ListeningLayerManager)
public:
    ListeningLayerManager() { ++alive; }
    ~ListeningLayerManager() override { --alive; }
    void OnNotification(const char* name, void* payload) override
    {
        ++notified;
        CLayerManager::OnNotification(name, payload);
    }

    static inline int alive = 0;
    static inline int notified = 0;
};

IMPLEMENT_SERIAL(ListeningLayerManager, CLayerManager, VERSIONABLE_SCHEMA | 4)

namespace {

class DroppedObjectTest : public ManagerTest {
protected:
    DroppedObjectTest()
    {
        UseSchemas({{"CLayerManager", 4},
                    {"CLayer", 2},
                    {"CMaterialManager", 4},
                    {"CMaterial", 12},
                    {"CRelationship", 0}});
    }

    // Reads the objects of the record in one archive with the model being read current.
    template <class Read>
    void ReadInto(const Bytes& record, Read read)
    {
        CCurrentModelScope current(reading.get());
        ReadFrom(record, read);
    }

    CDroppedObjectPool& Dropped() { return reading->GetDroppedObjects(); }

    static void PostRenderingOptionsChange()
    {
        // The payload the real model's listeners (its style manager among them) take.
        CRenderingOptionsChange xRay{38, nullptr};
        orbisk::utils::CNotificationCenter::GetInstance().PostNotification(
            kRenderingOptionsChangeNotification, &xRay);
    }

    std::unique_ptr<CZephyronModel> reading = std::make_unique<CZephyronModel>();
};

using ManagerPointer = std::unique_ptr<CLayerManager, void (*)(CEntity*)>;

}  // namespace

TEST_F(DroppedObjectTest, WhatARecordDropsLivesUntilTheModelBeingReadGoes)
{
    // Objects: manager class 1, manager 2, layer class 3, layer "Only" 4, then the current layer
    // "Stale" 5, which the list does not hold; relationship class 6, relationship 7, whose
    // driving entity, a probe (class 8, object 9), nothing owns.
    const Bytes manager = NewObject("CLayerManager") + EntityPart() + LittleEndian(int32_t{1}) +
                          NewObject("CLayer") + LayerBody("Only") + ObjectReference(0x8003) +
                          LayerBody("Stale");
    const Bytes relationship =
        NewObject("CRelationship") + EntityPart() + NewObject("DroppedProbe") + EntityPart() + kNullObject;
    ManagerPointer read(nullptr, &DeleteUnrecorded);
    std::unique_ptr<CEntity, void (*)(CEntity*)> related(nullptr, &DeleteUnrecorded);
    ReadInto(manager + relationship, [&](CArchive& ar) {
        read.reset(dynamic_cast<CLayerManager*>(ar.ReadObject(nullptr)));
        related.reset(dynamic_cast<CEntity*>(ar.ReadObject(nullptr)));
    });
    ASSERT_TRUE(read && related);
    EXPECT_EQ(read->GetCount(), 1);
    EXPECT_EQ(read->GetCurrentLayer()->GetName(), CString(L"Only"));
    EXPECT_EQ(Dropped().GetCount(), 2) << "the stale layer and the probe";
    EXPECT_TRUE(model.GetDroppedObjects().IsEmpty()) << "the pool of the model being read, no other";

    related.reset();
    read.reset();
    EXPECT_EQ(DroppedProbe::alive, 1) << "the relationship does not own what it refers to";
    reading.reset();
    EXPECT_EQ(DroppedProbe::alive, 0);
}

TEST_F(DroppedObjectTest, ADroppedManagerStopsListeningWhenTheModelBeingReadGoes)
{
    // A relationship (class 1, object 2) driven by a listening manager (class 3, object 4) that
    // nothing else holds.
    const Bytes record = NewObject("CRelationship") + EntityPart() + NewObject("ListeningLayerManager") +
                         EntityPart() + LittleEndian(int32_t{0}) + kNullObject;
    std::unique_ptr<CEntity, void (*)(CEntity*)> related(nullptr, &DeleteUnrecorded);
    ReadInto(record, [&](CArchive& ar) { related.reset(dynamic_cast<CEntity*>(ar.ReadObject(nullptr))); });
    ASSERT_NE(related, nullptr);
    related.reset();
    ASSERT_EQ(ListeningLayerManager::alive, 1);
    ListeningLayerManager::notified = 0;
    PostRenderingOptionsChange();
    EXPECT_EQ(ListeningLayerManager::notified, 1) << "dropped, but alive for later references";

    reading.reset();
    EXPECT_EQ(ListeningLayerManager::alive, 0);
    PostRenderingOptionsChange();
    EXPECT_EQ(ListeningLayerManager::notified, 1);
}

TEST_F(DroppedObjectTest, AnObjectTakenOverLaterLeavesThePool)
{
    // A stale current layer of one manager that a later manager lists. Objects: manager class 1,
    // manager 2, layer class 3, layer "A" 4, stale layer "S" 5; the second manager 6 lists 5
    // and makes it current.
    const Bytes first = NewObject("CLayerManager") + EntityPart() + LittleEndian(int32_t{1}) +
                        NewObject("CLayer") + LayerBody("A") + ObjectReference(0x8003) + LayerBody("S");
    const Bytes second = ObjectReference(0x8001) + EntityPart() + LittleEndian(int32_t{1}) +
                         ObjectReference(5) + ObjectReference(5);
    ManagerPointer dropping(nullptr, &DeleteUnrecorded);
    ManagerPointer adopting(nullptr, &DeleteUnrecorded);
    ReadInto(first + second, [&](CArchive& ar) {
        dropping.reset(dynamic_cast<CLayerManager*>(ar.ReadObject(nullptr)));
        EXPECT_EQ(Dropped().GetCount(), 1);
        adopting.reset(dynamic_cast<CLayerManager*>(ar.ReadObject(nullptr)));
    });
    ASSERT_TRUE(dropping && adopting);
    EXPECT_TRUE(Dropped().IsEmpty());
    reading.reset();
    ASSERT_EQ(adopting->GetCount(), 1);
    EXPECT_EQ(adopting->GetLayerAt(0)->GetName(), CString(L"S")) << "its owner keeps it";
    EXPECT_EQ(adopting->GetCurrentLayer(), adopting->GetLayerAt(0));
}

TEST_F(DroppedObjectTest, ADroppedObjectDestroyedByItsNewHolderLeavesThePool)
{
    // A material manager record whose current material is not listed: the material is dropped.
    // Objects: manager class 1, manager 2, material class 3, material "A" 4, material "Loose" 5.
    const Bytes record = NewObject("CMaterialManager") + EntityPart() + LittleEndian(int32_t{1}) +
                         NewObject("CMaterial") + MaterialBody("A") + ObjectReference(0x8003) +
                         MaterialBody("Loose");
    std::unique_ptr<CMaterialManager, void (*)(CEntity*)> read(nullptr, &DeleteUnrecorded);
    CMaterial* loose = nullptr;
    ReadInto(record, [&](CArchive& ar) {
        read.reset(dynamic_cast<CMaterialManager*>(ar.ReadObject(nullptr)));
        loose = dynamic_cast<CMaterial*>(ar.GetLoadedObject(5));
    });
    ASSERT_TRUE(read && loose);
    ASSERT_TRUE(Dropped().Contains(loose));
    {
        CCurrentModelScope current(reading.get());
        // An unlisted current material belongs to the manager, which deletes it when it is
        // replaced.
        read->SetCurrentMaterial(loose, nullptr);
        read->SetCurrentMaterial(nullptr, nullptr);
    }
    EXPECT_TRUE(Dropped().IsEmpty());
    reading.reset();
}
