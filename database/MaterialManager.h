#pragma once
// CMaterialManager: the materials a component's entities may use (the root component's is the
// model's material list), with the current material (the one a painting operation applies)
// and its texture placement. It finds or makes plain-colour materials, gives new materials
// unique names, drops unused internal ones and announces its changes with "Material
// Notification" (settings/MaterialNotification.h): 0 added, 1 removed, 3 current material
// changed, 10 the root component's materials cleared.
//
// The manager owns its listed materials (CEntityList: deleting the manager, also half-read,
// frees those it still parents), and the current material too while it is not listed: such a
// material is deleted (with its texture) when it stops being current or the manager goes.
// Materials that a file names but the manager drops go to the dropped-object pool of the model
// being read (KeepUnownedObject), since later records may still refer back to them.

#include <memory>

#include "database/ArchiveReading.h"
#include "database/Entity.h"
#include "database/EntityList.h"
#include "database/IFaceTextureMapping.h"
#include "database/Material.h"
#include "support/Color.h"
#include "support/Observer.h"

class CMaterialManager : public CEntity,
                         public CEntityListContainer<CMaterial>,
                         public orbisk::utils::IObserver {
    DECLARE_SERIAL(CMaterialManager)
public:
    using CColor = orbisk::utils::CColor;

    // Listens to "Rendering Options Change" and "Material Notification".
    CMaterialManager();
    // Frees the current material when it is not listed, and the materials it still parents.
    ~CMaterialManager() override;
    CMaterialManager(const CMaterialManager&) = delete;
    CMaterialManager& operator=(const CMaterialManager&) = delete;

    // After the entity record (schema 1 and later): a count and that many material
    // references, the current material (2 and later) and, in schema 3, one more material. A
    // current or extra material that the list does not hold is dropped, and so is a material
    // another manager already lists. A failed record gives up the materials it listed
    // (CRecordAdoptions).
    void Serialize(CArchive& ar) override;
    // Deletes an unlisted current material and erases every listed one, then the entity's
    // erase.
    void Erase() override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityMaterialManager; }
    // Empties the manager as a component does when it is cleared: code 10 when it is the root
    // component's, the current material forgotten, every material erased without
    // announcements.
    virtual void ClearMaterials();

    // IEntityContainer. Add takes materials only, making the manager their parent; Remove
    // clears the current material first when it is that one; RemoveAll erases every material.
    void Add(CEntity* entity) override;
    bool Remove(CEntity* entity) override;
    void RemoveAll() override;
    // Skips the materials whose managed flag is set.
    IEntityIterator* CreateIterator() override;
    // Every material.
    IEntityIterator* CreateAllMaterialsIterator();

    // Only "Rendering Options Change" of the X-ray (38) and transparency (39) properties,
    // which release the GL textures.
    void OnNotification(const char* name, void* payload) override;

    // The material manager of the current model's root component, or null.
    static CMaterialManager* GetCurrentMaterialManager();

    // Records the addition in the open operation; nothing for null.
    void AddMaterial(CMaterial* material);
    CMaterial* GetMaterialAt(int index) const { return m_materials.GetAt(index); }
    // By shown name, ignoring case; null for an empty name.
    CMaterial* FindMaterialByName(const CString& name) const;
    // The first material of that colour, texture file (compared ignoring case, none for
    // empty), texture scales (within 0.001; 0 without texture) and managed state.
    CMaterial* FindMatchingMaterial(CColor color, const CString& textureFile, double xScale, double yScale,
                                    bool managed) const;
    // An unmanaged material of the colour without texture; a new one named "*" and a number
    // when there is none.
    CMaterial* GetOrCreateColorMaterial(CColor color);
    // The base without its trailing digits, followed by the first number from 1 that no
    // material's name (nor the current material's) takes, ignoring case.
    CString MakeUniqueMaterialName(const CString& base) const;
    CString MakeColorMaterialName() const { return MakeUniqueMaterialName(L"*"); }

    CMaterial* GetCurrentMaterial() const { return m_current; }
    const IFaceTextureMapping* GetCurrentTexturePlacement() const { return m_placement.get(); }
    // A new current material drops an unlisted old one; the placement is copied without its
    // reference pairs. Announces code 3.
    bool SetCurrentMaterial(CMaterial* material, const IFaceTextureMapping* placement);
    void SetCurrentTexturePlacement(const IFaceTextureMapping* placement);

    void ClearUseCounts();
    // Removes (recorded) and erases every managed material that is unused and not current.
    void PurgeUnusedMaterials();
    void ReleaseMaterialTextures();
    // Moves the unmanaged materials of a manager read from an older file into this one, then
    // deletes the other manager; what is left in it goes to the dropped-object pool.
    void MergeLegacyManager(CMaterialManager* legacy);

protected:
    const CEntityList<CMaterial>& Members() const override { return m_materials; }

private:
    void ReadRecord(CArchive& ar);
    void ReadMaterials(CArchive& ar, int32_t count, CRecordAdoptions& adopted);
    void ReadCurrentAndExtra(CArchive& ar, int32_t schema);
    // A current or extra material reference; a material made here that the list does not hold
    // is dropped.
    CMaterial* ReadUnlistedMaterial(CArchive& ar);
    void WriteRecord(CArchive& ar);
    void DeleteCurrentIfUnlisted();
    int CheckOwnValidity(int level, CCheckedObjectMap* map);

    // First, so that it goes last: the materials it frees may look at the manager.
    CEntityList<CMaterial> m_materials{*this};
    CMaterial* m_current = nullptr;
    std::unique_ptr<IFaceTextureMapping> m_placement;
};

// Walks a manager's materials in list order, with or without the managed ones.
class CMaterialIterator : public IEntityIterator {
public:
    CMaterialIterator(const CMaterialManager& manager, bool all) : m_manager(manager), m_all(all) {}
    void Reset() override { m_position = 0; }
    bool Next(CEntity*& entity) override;

private:
    const CMaterialManager& m_manager;
    bool m_all;
    int m_position = 0;
};
