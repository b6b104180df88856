// The material manager: its list and current material, plain-colour materials and unique
// names, purging, merging the managers of older files, its record and its self-check.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "components/Component.h"
#include "database/ArchiveSchema.h"
#include "database/EntityDisposal.h"
#include "database/Material.h"
#include "database/MaterialManager.h"
#include "database/MaterialNotification.h"
#include "database/Texture.h"
#include "support/NotificationCenter.h"
#include "tests/model/ManagerTestSupport.h"
#include "topology/FaceTextureCoords.h"

using orbisk::utils::CColor;
using Seen = ManagerNotifications::Seen;

namespace {

class MaterialManagerTest : public ManagerTest {
protected:
    CMaterial* Named(const wchar_t* name, bool managed = false)
    {
        auto* material = new CMaterial;
        material->SetName(name);
        material->SetManaged(managed);
        return material;
    }
    CMaterial* Listed(const wchar_t* name, bool managed = false)
    {
        CMaterial* material = Named(name, managed);
        materials.AddMaterial(material);
        return material;
    }
    std::vector<CEntity*> Walk(IEntityIterator* iterator)
    {
        std::unique_ptr<IEntityIterator> owned(iterator);
        std::vector<CEntity*> seen;
        for (CEntity* entity = nullptr; owned->Next(entity);)
            seen.push_back(entity);
        return seen;
    }

    CMaterialManager& materials = *model.GetMaterialManager();
};

}  // namespace

TEST_F(MaterialManagerTest, ColourMaterialsAreFoundOrMadeWithNumberedNames)
{
    CMaterial* red = materials.GetOrCreateColorMaterial(CColor(255, 0, 0));
    CMaterial* green = materials.GetOrCreateColorMaterial(CColor(0, 255, 0));
    EXPECT_EQ(red->GetName(), CString(L"*1"));
    EXPECT_EQ(green->GetName(), CString(L"*2"));
    EXPECT_EQ(materials.GetOrCreateColorMaterial(CColor(255, 0, 0)), red);
    EXPECT_EQ(materials.GetCount(), 2);
    EXPECT_EQ(red->GetParent(), &materials);
    EXPECT_EQ(CMaterialManager::GetCurrentMaterialManager(), &materials);
}

TEST_F(MaterialManagerTest, UniqueNamesDropTrailingDigitsAndSkipEveryTakenName)
{
    EXPECT_EQ(materials.MakeUniqueMaterialName(L"Brick12"), CString(L"Brick1"));
    Listed(L"brick1");
    Listed(L"Brick2");
    EXPECT_EQ(materials.MakeUniqueMaterialName(L"Brick12"), CString(L"Brick3"))
        << "names compare ignoring case";
    CMaterial* unlisted = Named(L"BRICK3");
    materials.SetCurrentMaterial(unlisted, nullptr);
    EXPECT_EQ(materials.MakeUniqueMaterialName(L"Brick"), CString(L"Brick4"))
        << "the current material's name is taken";
    EXPECT_EQ(materials.FindMaterialByName(L"BRICK2")->GetName(), CString(L"Brick2"));
    EXPECT_EQ(materials.FindMaterialByName(L""), nullptr);
}

TEST_F(MaterialManagerTest, AddingAnnouncesOnceAndTakesMaterialsOnly)
{
    CMaterial* material = Named(L"M");
    ManagerNotifications seen;
    materials.Add(material);
    materials.Add(material);
    materials.Add(nullptr);
    materials.Add(model.GetRoot());
    EXPECT_EQ(materials.GetCount(), 1);
    EXPECT_EQ(seen.materials, (std::vector<Seen>{{kMaterialAdded, material}}));
    EXPECT_EQ(materials.GetAt(0), material);
    EXPECT_EQ(materials.GetAt(1), nullptr);
}

TEST_F(MaterialManagerTest, RemovingTheCurrentMaterialClearsItFirst)
{
    CMaterial* material = Listed(L"M");
    materials.SetCurrentMaterial(material, nullptr);
    ManagerNotifications seen;
    EXPECT_TRUE(materials.Remove(material));
    EXPECT_EQ(seen.materials,
              (std::vector<Seen>{{kMaterialCurrentChanged, nullptr}, {kMaterialRemoved, material}}));
    EXPECT_EQ(materials.GetCurrentMaterial(), nullptr);
    EXPECT_EQ(material->GetParent(), nullptr);
    EXPECT_FALSE(materials.Remove(material));
    DeleteUnrecorded(material);
}

TEST_F(MaterialManagerTest, AnUnlistedCurrentMaterialGoesWhenAnotherBecomesCurrent)
{
    CMaterial* listed = Listed(L"Listed");
    CFaceTextureMapping placement;
    placement.referencePairs.assign(3, {});
    CMaterial* loose = Named(L"Loose");
    ManagerNotifications seen;
    EXPECT_TRUE(materials.SetCurrentMaterial(loose, &placement));
    ASSERT_NE(materials.GetCurrentTexturePlacement(), nullptr);
    EXPECT_NE(materials.GetCurrentTexturePlacement(), &placement);
    EXPECT_TRUE(dynamic_cast<const CFaceTextureMapping&>(*materials.GetCurrentTexturePlacement())
                    .referencePairs.empty())
        << "the copy leaves the pairs behind";
    const IFaceTextureMapping* copy = materials.GetCurrentTexturePlacement();
    materials.SetCurrentTexturePlacement(copy);
    EXPECT_EQ(materials.GetCurrentTexturePlacement(), copy);

    EXPECT_TRUE(materials.SetCurrentMaterial(listed, nullptr));
    EXPECT_EQ(materials.GetCurrentTexturePlacement(), nullptr);
    EXPECT_EQ(seen.materials.size(), 2u);
    EXPECT_EQ(seen.materials.back(), (Seen{kMaterialCurrentChanged, listed}));
}

TEST_F(MaterialManagerTest, MatchingLooksAtColourTextureScalesAndManagement)
{
    CMaterial* plain = Listed(L"Plain");
    plain->SetColor(CColor(1, 2, 3));
    CMaterial* managed = Listed(L"Managed", true);
    managed->SetColor(CColor(1, 2, 3));
    CMaterial* textured = Listed(L"Textured");
    textured->SetColor(CColor(1, 2, 3));
    auto* texture = new CTexture;
    texture->SetFileName(L"Wood.JPG");
    texture->SetXScale(2.0);
    texture->SetYScale(3.0);
    textured->SetTexture(texture);

    struct Case {
        CColor color;
        const wchar_t* file;
        double x;
        double y;
        bool managed;
        CMaterial* found;
    };
    const Case cases[] = {
        {CColor(1, 2, 3), L"", 0, 0, false, plain},
        {CColor(1, 2, 3), L"", 0, 0, true, managed},
        {CColor(1, 2, 4), L"", 0, 0, false, nullptr},
        {CColor(1, 2, 3), L"wood.jpg", 2.0005, 3, false, textured},
        {CColor(1, 2, 3), L"wood.jpg", 2.01, 3, false, nullptr},
        {CColor(1, 2, 3), L"oak.jpg", 2, 3, false, nullptr},
        {CColor(1, 2, 3), L"", 2, 3, false, nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(materials.FindMatchingMaterial(c.color, c.file, c.x, c.y, c.managed), c.found)
            << c.file << " " << c.x;
}

TEST_F(MaterialManagerTest, PurgingErasesUnusedManagedMaterialsButTheCurrentOne)
{
    RecordUndo();
    Start();
    CMaterial* unused = Listed(L"Unused", true);
    CMaterial* used = Listed(L"Used", true);
    used->AddUse(false);
    CMaterial* current = Listed(L"Current", true);
    CMaterial* named = Listed(L"Named");
    materials.SetCurrentMaterial(current, nullptr);
    Commit();

    Start();
    materials.PurgeUnusedMaterials();
    const CUndoOperation* purge = manager->GetCurrentOperation();
    EXPECT_EQ(purge->GetRemovedPairs(), (std::vector<CUndoOperation::ElementPair>{{unused, &materials}}));
    EXPECT_EQ(purge->GetErasedEntities(), (std::vector<CEntity*>{unused}));
    Commit();
    EXPECT_EQ(materials.GetCount(), 3);
    EXPECT_TRUE(materials.Contains(used) && materials.Contains(current) && materials.Contains(named));

    materials.ClearUseCounts();
    EXPECT_EQ(used->GetUseCount(), 0);
}

TEST_F(MaterialManagerTest, TheUsualWalkSkipsManagedMaterials)
{
    CMaterial* shown = Listed(L"Shown");
    CMaterial* internal = Listed(L"Internal", true);
    EXPECT_EQ(Walk(materials.CreateIterator()), (std::vector<CEntity*>{shown}));
    EXPECT_EQ(Walk(materials.CreateAllMaterialsIterator()), (std::vector<CEntity*>{shown, internal}));
}

TEST_F(MaterialManagerTest, EmptyingErasesEveryMaterialAndTheUnlistedCurrentOne)
{
    CMaterial* first = Listed(L"First");
    CMaterial* second = Listed(L"Second");
    CMaterial* loose = Named(L"Loose");
    materials.SetCurrentMaterial(loose, nullptr);
    ManagerNotifications seen;
    materials.RemoveAll();
    EXPECT_EQ(seen.materials,
              (std::vector<Seen>{
                  {kMaterialRemoved, first}, {kMaterialRemoved, second}, {kMaterialRemoved, loose}}));
    EXPECT_TRUE(materials.IsEmpty());
    EXPECT_EQ(materials.GetCurrentMaterial(), nullptr);
}

TEST_F(MaterialManagerTest, ClearingTheRootComponentsMaterialsIsAnnouncedOnce)
{
    Listed(L"A");
    materials.SetCurrentMaterial(Named(L"Loose"), nullptr);
    CFaceTextureMapping placement;
    materials.SetCurrentTexturePlacement(&placement);
    ManagerNotifications seen;
    materials.ClearMaterials();
    EXPECT_EQ(seen.materials, (std::vector<Seen>{{kMaterialsCleared, nullptr}}));
    EXPECT_TRUE(materials.IsEmpty());
    EXPECT_EQ(materials.GetCurrentMaterial(), nullptr);
    EXPECT_EQ(materials.GetCurrentTexturePlacement(), nullptr);

    CMaterialManager definitionManager;
    seen.materials.clear();
    definitionManager.ClearMaterials();
    EXPECT_TRUE(seen.materials.empty()) << "only the root component's manager announces it";
}

TEST_F(MaterialManagerTest, AnOlderFilesManagerGivesUpItsUnmanagedMaterials)
{
    auto* legacy = new CMaterialManager;
    CMaterial* kept = Named(L"Kept");
    CMaterial* internal = Named(L"Internal", true);
    legacy->Add(kept);
    legacy->Add(internal);
    legacy->SetCurrentMaterial(kept, nullptr);
    materials.MergeLegacyManager(legacy);
    EXPECT_EQ(materials.GetCount(), 1);
    EXPECT_EQ(materials.GetMaterialAt(0), kept);
    EXPECT_EQ(kept->GetParent(), &materials);
    EXPECT_EQ(kept->GetName(), CString(L"Kept")) << "the moved material outlives the other manager";
    EXPECT_FALSE(materials.Contains(internal));
    EXPECT_EQ(internal->GetParent(), nullptr);
    EXPECT_EQ(internal->GetName(), CString(L"Internal")) << "a later back reference may still use it";
}

TEST_F(MaterialManagerTest, ARecordListsItsMaterialsAndDropsAnUnlistedCurrentOneThatOutlivesTheRead)
{
    UseSchemas({{"CMaterialManager", 4}, {"CMaterial", 12}});
    // Objects: manager class 1, manager 2, material class 3, materials 4 and 5, then the
    // unlisted current material 6.
    const Bytes record = NewObject("CMaterialManager") + EntityPart() + LittleEndian(int32_t{3}) +
                         NewObject("CMaterial") + MaterialBody("A") + kNullObject + ObjectReference(0x8003) +
                         MaterialBody("B") + ObjectReference(0x8003) + MaterialBody("Stale");
    CMaterialManager* read = nullptr;
    CMaterial* laterReference = nullptr;
    RecordUndo();
    Start();
    ReadFrom(record + ObjectReference(6), [&](CArchive& ar) {
        read = dynamic_cast<CMaterialManager*>(ar.ReadObject(nullptr));
        laterReference = dynamic_cast<CMaterial*>(ar.ReadObject(nullptr));
        ASSERT_NE(laterReference, nullptr);
        EXPECT_EQ(laterReference->GetName(), CString(L"Stale"));
    });
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(manager->GetCurrentOperation()->GetAddedPairs().size(), 2u)
        << "each listed material is recorded";
    Commit();
    EXPECT_EQ(read->GetCount(), 2);
    EXPECT_EQ(read->GetMaterialAt(1)->GetName(), CString(L"B"));
    EXPECT_EQ(read->GetCurrentMaterial(), nullptr);
    ASSERT_NE(laterReference, nullptr);
    EXPECT_FALSE(read->Contains(laterReference));
    EXPECT_EQ(laterReference->GetName(), CString(L"Stale")) << "a later back reference may still use it";
    CSuspendUndo unrecorded;
    read->Erase();
}

TEST_F(MaterialManagerTest, AMaterialThatAnotherManagerListsStaysThere)
{
    UseSchemas({{"CMaterialManager", 2}, {"CMaterial", 12}});
    const Bytes first = NewObject("CMaterialManager") + EntityPart() + LittleEndian(int32_t{1}) +
                        NewObject("CMaterial") + MaterialBody("Shared") + ObjectReference(4);
    const Bytes second = ObjectReference(0x8001) + EntityPart() + LittleEndian(int32_t{1}) +
                         ObjectReference(4) + ObjectReference(4);
    CMaterialManager* owner = nullptr;
    CMaterialManager* thief = nullptr;
    ReadFrom(first + second, [&](CArchive& ar) {
        owner = dynamic_cast<CMaterialManager*>(ar.ReadObject(nullptr));
        thief = dynamic_cast<CMaterialManager*>(ar.ReadObject(nullptr));
    });
    ASSERT_TRUE(owner && thief);
    EXPECT_EQ(owner->GetCount(), 1);
    EXPECT_EQ(owner->GetCurrentMaterial(), owner->GetMaterialAt(0));
    EXPECT_EQ(thief->GetCount(), 0);
    EXPECT_EQ(thief->GetCurrentMaterial(), nullptr);
    DeleteUnrecorded(thief);
    DeleteUnrecorded(owner);
}

TEST_F(MaterialManagerTest, DamagedCountsEndInArchiveErrors)
{
    UseSchemas({{"CMaterialManager", 4}});
    const Bytes negative = NewObject("CMaterialManager") + EntityPart() + LittleEndian(int32_t{-1});
    const Bytes huge = NewObject("CMaterialManager") + EntityPart() + LittleEndian(int32_t{0x40000000});
    EXPECT_EQ(ArchiveCause([&] { ReadFrom(negative, [](CArchive& ar) { ar.ReadObject(nullptr); }); }),
              CArchiveException::genericException);
    EXPECT_EQ(ArchiveCause([&] { ReadFrom(huge, [](CArchive& ar) { ar.ReadObject(nullptr); }); }),
              CArchiveException::endOfFile);
}

TEST_F(MaterialManagerTest, AWrittenManagerReadsBackItsListAndCurrentMaterial)
{
    CMaterial* a = Listed(L"A");
    Listed(L"B", true);
    materials.SetCurrentMaterial(a, nullptr);
    const Bytes written = WrittenBy([&](CArchive& ar) { ar.WriteObject(&materials); });
    CMaterialManager* read = ReadObjectFrom<CMaterialManager>(written);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetCount(), 2);
    EXPECT_EQ(read->GetCurrentMaterial(), read->GetMaterialAt(0));
    EXPECT_TRUE(read->GetMaterialAt(1)->IsManaged());
    DeleteUnrecorded(read);
}

TEST_F(MaterialManagerTest, TheSelfCheckGoesThroughEveryMaterialAndThePlacement)
{
    CValidityCheckScope checks;
    CMaterial* good = Listed(L"Good");
    good->SetColor(CColor(1, 1, 1));
    CCheckedObjectMap map;
    EXPECT_EQ(materials.CheckValidity(kValidityCheck, &map), 0);

    CMaterial* bad = Listed(L"Bad");
    bad->SetType(7);
    map.clear();
    EXPECT_EQ(materials.CheckValidity(kValidityCheck, &map), 2);
    EXPECT_EQ(map.at(bad), 2);
    EXPECT_EQ(materials.CheckValidity(kValidityCheck, nullptr), 0)
        << "without a map the materials go unchecked";

    bad->SetType(0);
    // A projected side without a projection direction.
    CFaceTextureMapping placement;
    placement.flags = CFaceTextureMapping::kProjected;
    materials.SetCurrentTexturePlacement(&placement);
    ClearValidityReport();
    EXPECT_EQ(materials.CheckValidity(kValidityCheck, nullptr), 2);
    EXPECT_NE(std::wstring(GetValidityReport().GetString()).find(L"The texture info for CMaterialManager"),
              std::wstring::npos);
    EXPECT_EQ(materials.CheckValidity(kValidityCheckIgnoringIds, nullptr), 0);
}

TEST_F(MaterialManagerTest, DeletingAManagerFreesItsMaterialsButNotOnesItGaveAway)
{
    auto* manager = new CMaterialManager;
    CMaterial* given = Named(L"Given");
    manager->AddMaterial(Named(L"Listed"));
    manager->AddMaterial(given);
    manager->SetCurrentMaterial(Named(L"Current"), nullptr);
    ASSERT_TRUE(manager->Remove(given));
    // Deleted without Erase, as the archive deletes a manager whose record fails: the listed and
    // the unlisted current material go with it, which the leak checker sees.
    delete manager;
    EXPECT_EQ(given->GetParent(), nullptr);
    EXPECT_EQ(given->GetName(), CString(L"Given"));
    DeleteUnrecorded(given);
}
