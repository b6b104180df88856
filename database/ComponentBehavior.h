#pragma once
// CComponentBehavior: how the instances of a component definition (or the model, when it is
// placed as a component) attach to faces: whether they glue, to which kind of plane (0 any,
// 1 horizontal, 2 vertical, 3 sloped), whether they cut an opening, always face the camera,
// and whether their shadows face the sun.

#include <cstdint>

#include "database/Entity.h"

class CComponentBehavior : public CEntity {
    DECLARE_SERIAL(CComponentBehavior)
public:
    enum SnapTo : int32_t { kSnapAny = 0, kSnapHorizontal = 1, kSnapVertical = 2, kSnapSloped = 3 };

    CComponentBehavior() = default;
    // The model's own behaviour answers that model as its model.
    explicit CComponentBehavior(IModelContext* ownerModel) : m_ownerModel(ownerModel) {}
    // Every field.
    CComponentBehavior(const CComponentBehavior& other) = default;
    CComponentBehavior& operator=(const CComponentBehavior&) = delete;

    // After the entity record, by the schema of CComponentBehavior in the file: the glue flag
    // (3 and later; before, instances glue), the opening flag, the plane (2 and later), a flags
    // byte (4 and later: bit 0 faces the camera, bit 1 shadows face the sun) and a value that is
    // carried, not interpreted (5). Writers up to version 4 stored no sun flag; version 5.0 up
    // to build 150 stored it as the camera flag.
    void Serialize(CArchive& ar) override;
    CEntity* CreateCopy() const override;
    // Exchanges every field but the owner model.
    void SwapContents(CEntity& other) override;
    IModelContext* GetModel() const override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityComponentBehavior; }

    bool IsSnapEnabled() const { return m_snapEnabled; }
    int32_t GetSnapTo() const { return m_snapTo; }
    bool CutsOpening() const { return m_cutsOpening; }
    bool IsAlwaysFacingCamera() const { return m_alwaysFaceCamera; }
    bool AreShadowsFacingSun() const { return m_shadowsFaceSun; }
    uint32_t GetStoredValue() const { return m_storedValue; }
    // Marks the change; every field but the owner model back to 0.
    void ResetBehavior();

private:
    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar) const;
    void ReadFlags(uint8_t flags);
    int CheckOwnValidity(int level);

    bool m_snapEnabled = false;
    int32_t m_snapTo = kSnapAny;
    bool m_cutsOpening = false;
    uint32_t m_storedValue = 0;
    bool m_alwaysFaceCamera = false;
    bool m_shadowsFaceSun = false;
    IModelContext* m_ownerModel = nullptr;
};
