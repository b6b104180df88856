#pragma once
// CLayerManager: the ordered layers of a component (the root component's are the model's
// layer table), the current layer into which new drawing elements go, and the rules that keep
// the list sound: the default layer "Layer0" first, names unique ignoring case, a colour from
// the default table for each new layer, a current layer that is listed and visible.
//
// The manager owns its layers (CEntityList): deleting it, also half-read, frees the layers it
// still parents. It announces changes with "Layer Changed"
// (CLayerNotificationInfo, database/Layer.h) only while its notification switch is on, which the
// model turns on for its root component's manager alone.
//
// A current layer that a file names but does not list is replaced by the listed layer of its
// name and goes to the dropped-object pool of the model being read (KeepUnownedObject): later
// records may still refer back to it.

#include <array>
#include <cstdint>

#include "database/ArchiveReading.h"

#include "database/Entity.h"
#include "database/EntityList.h"
#include "database/Layer.h"
#include "support/Color.h"
#include "support/Observer.h"

class CLayerManager : public CEntity, public CEntityListContainer<CLayer>, public orbisk::utils::IObserver {
    DECLARE_SERIAL(CLayerManager)
public:
    static constexpr int kDefaultColorCount = 58;
    // The colours new layers take in turn (opaque).
    static const std::array<orbisk::utils::CColor, kDefaultColorCount> kDefaultColors;

    // Empty; listens to "Rendering Options Change".
    CLayerManager();
    // The undo snapshot: the current layer and the notification switch, no layers.
    CLayerManager(const CLayerManager& other);
    CLayerManager& operator=(const CLayerManager&) = delete;
    // Frees the layers it still parents.
    ~CLayerManager() override;

    // After the entity record (schema 1 and later): a count and that many layer references
    // (an empty list keeps only the default layer, any other replaces the list), then the
    // current layer, as a reference (schema 3, and later ones with layers) or by name (below
    // 3). Schema 0 and 1 files call the default layer "Default". A current layer that is
    // hidden is shown. A reference to something other than a layer is badClass; null references
    // and layers another manager lists are skipped. A failed record gives up the layers it
    // listed (CRecordAdoptions).
    void Serialize(CArchive& ar) override;
    // Marks the change and erases every layer, then the entity's erase.
    void Erase() override;
    CEntity* CreateCopy() const override;
    // Exchanges the current layer.
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityLayerManager; }

    // IEntityContainer. Add takes layers only, renames them unique and makes the manager their
    // parent; Remove moves the current layer to the default one when it goes; RemoveAll erases
    // every layer and leaves no current layer.
    void Add(CEntity* entity) override;
    bool Remove(CEntity* entity) override;
    void RemoveAll() override;

    // Only "Rendering Options Change" of the X-ray (38) and transparency (39) properties,
    // which release the layers' GL textures.
    void OnNotification(const char* name, void* payload) override;

    // The layer manager of the current model's root component, or null.
    static CLayerManager* GetCurrentLayerManager();

    bool AreNotificationsEnabled() const { return m_notify; }
    void SetNotificationsEnabled(bool on) { m_notify = on; }

    // AddLayer of "Layer0", made current without a notification.
    CLayer* AddDefaultLayer();
    // A new layer with the next default colour, recorded in the open operation; null when the
    // name is taken.
    CLayer* AddLayer(const CString& name);
    CLayer* GetCurrentLayer() const { return m_current; }
    // False for a layer that is not listed. Not recorded for undo.
    bool SetCurrentLayer(CLayer* layer);
    // The first layer, or null.
    CLayer* GetDefaultLayer() const;
    CLayer* GetLayerAt(int index) const { return m_layers.GetAt(index); }
    // By shown name (CLayer::GetLayerName), ignoring case.
    CLayer* FindLayerByName(const CString& name) const;
    bool IsLayerNameUnique(const CString& name) const;
    // The name, or the name followed by the first number from 0 that no layer takes.
    CString MakeUniqueLayerName(const CString& name) const;
    // The first layer when it is shown, else the first shown one.
    CLayer* FindFirstVisibleLayer() const;
    // Hiding the current layer first moves the current layer to the first shown one, and
    // fails when there is none other; a hidden layer's elements leave the model's selection.
    bool SetLayerHidden(CLayer* layer, bool hidden);
    // Erases every layer but the first, which becomes current; an empty list gets the default
    // layer.
    void KeepOnlyDefaultLayer();
    // Marks the change, erases every layer and announces code 3; the component adds the
    // default layer again.
    void RemoveAllLayers();
    void ReleaseLayerTextures();

protected:
    const CEntityList<CLayer>& Members() const override { return m_layers; }

private:
    void Post(int32_t code, CLayer* layer);
    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar);
    void ReadLayers(CArchive& ar, int32_t schema, int32_t count, CRecordAdoptions& adopted);
    void ReadCurrent(CArchive& ar, int32_t schema, int32_t count);
    void ReadCurrentLayer(CArchive& ar);
    int CheckOwnValidity(int level, CCheckedObjectMap* map);

    // First, so that it goes last: the layers it frees may look at the manager.
    CEntityList<CLayer> m_layers{*this};
    CLayer* m_current = nullptr;
    // Into kDefaultColors.
    int32_t m_colorIndex = 0;
    bool m_notify = false;
};
