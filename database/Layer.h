#pragma once
// CLayer: a named visibility group of drawing elements, with a material of its own (named
// "Layer_" + the layer's name, managed) that carries the layer's colour for elements coloured
// by layer. The layer owns its material: deleting the layer frees it and erasing the layer erases
// it. Undo copies share it without owning it.
//
// The default layer is the one named "Layer0" (case-sensitive), and no layer at all counts as
// the default layer: GetLayerName shows both as "Layer0".
//
// Behaviour flags, read by the scene code: 0x10 visible in a new scene, 0x20 hidden in a new
// scene (0x10 wins), bit 0 inverts the hidden flag in the visibility test. Valid words are 0,
// 0x10 and 0x20.

#include <cstdint>

#include "database/Entity.h"
#include "database/Material.h"
#include "support/Color.h"

class CLayer;

// The payload of "Layer Changed".
struct CLayerNotificationInfo {
    enum Code : int32_t {
        kAdded = 0,
        kRemoved = 1,
        // The layer is the new current layer, null when the list was emptied.
        kCurrentChanged = 2,
        // No layer: RemoveAllLayers.
        kAllRemoved = 3,
        kSwapped = 9,
        kVisibilityChanged = 11,
    };
    int32_t code;
    CLayer* layer;
};

void PostLayerNotification(int32_t code, CLayer* layer);

class CLayer : public CEntity {
    DECLARE_SERIAL(CLayer)
public:
    enum Behavior : uint32_t { kInvertHidden = 0x01, kVisibleInNewScene = 0x10, kHiddenInNewScene = 0x20 };

    // With its own material, named "Layer" and managed.
    CLayer();
    // The same name, hidden flag, material (shared, not owned) and behaviour.
    CLayer(const CLayer& other);
    CLayer& operator=(const CLayer&) = delete;

    // After the entity record: the name, the hidden flag, then the material: in schema 0 a
    // colour (given to the layer's own material) and a material reference that is dropped,
    // later the material's own record in place; the behaviour word from schema 2 on.
    void Serialize(CArchive& ar) override;
    // Marks the change, erases the material, then the entity's erase.
    void Erase() override;
    CEntity* CreateCopy() const override;
    // Exchanges name, hidden flag, behaviour and material (with its ownership, unless both share
    // it); posts code 9.
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityLayer; }

    const CString& GetName() const { return m_name; }
    // Also renames the material "Layer_" + name.
    void SetName(const CString& name);
    bool IsHidden() const { return m_hidden; }
    void SetHidden(bool hidden);
    // The hidden flag, or for a new scene the behaviour's choice, inverted by behaviour bit 0.
    bool IsVisible(bool forNewScene) const;
    // Whether the layer shows as scenes show it by default: visible, or hidden when behaviour
    // bit 0 is set. Layer mode 0 takes the layer as it is; any other mode as a new scene would
    // show it, which the behaviour's 0x10 and 0x20 may force.
    static bool MatchesSceneDefault(const CLayer* layer, int mode);
    // Colours the material; the colour with all four bytes 0 changes nothing.
    void SetColor(orbisk::utils::CColor color);
    CMaterial* GetMaterial() const { return m_material.Get(); }
    uint32_t GetBehavior() const { return m_behavior; }
    void SetBehavior(uint32_t behavior);

    static const CString& GetDefaultLayerName();
    // "Layer0" for the default layer and for no layer, else the stored name.
    static CString GetLayerName(const CLayer* layer);
    static bool IsDefaultLayer(const CLayer* layer);

private:
    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar);
    int CheckOwnValidity(int level, CCheckedObjectMap* map);

    CString m_name;
    bool m_hidden = false;
    COwnedPart<CMaterial> m_material;
    uint32_t m_behavior = 0;
};
