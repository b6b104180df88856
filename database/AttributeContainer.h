#pragma once
// CAttributeContainer: an entity's attributes, in insertion order. Each attribute held counts
// once in its reference count. The count is 16-bit: at most 65,535 attributes.
//
// The array grows, when an addition needs more room, to the larger of the needed size and
// capacity + step, the step being 4 below 32 attributes, count / 8 below 8,200 and 1,024
// beyond.

#include <cstdint>
#include <memory>

#include "database/Entity.h"

class CAttribute;

class CAttributeContainer : public CEntity {
    DECLARE_SERIAL(CAttributeContainer)
public:
    static constexpr int kMaxCount = 0xFFFF;

    CAttributeContainer() = default;
    // The same attributes in the same order; reference counts are not touched (an undo
    // snapshot of the list).
    CAttributeContainer(const CAttributeContainer& other);
    // Frees the array only: snapshots hold the pointers without counting.
    ~CAttributeContainer() override = default;

    // After the entity record, object references to the attributes ended by a null one.
    // Writing (save formats 4000 to 8000) stores the persistent attributes only.
    void Serialize(CArchive& ar) override;
    // Releases every attribute, then the entity's erase.
    void Erase() override;
    bool CollectWithDependents(CEntitySet& set) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityAttributeContainer; }
    // Every attribute's Release in order, then an empty array; no change notice. An attribute
    // that other holders keep alive no longer has this container as its parent.
    virtual void ReleaseAll();

    // Marks the container changed, appends, becomes the attribute's parent and adds a
    // reference. False, nothing done, for null or when the container is full.
    bool Add(CAttribute* attribute);
    // Nothing when the attribute is not held. A removed attribute that still has holders
    // loses this container as its parent.
    void Remove(CAttribute* attribute);

    int GetCount() const { return m_count; }
    int GetCapacity() const { return m_capacity; }
    // Null outside 0 to count - 1.
    CAttribute* GetAt(int index) const;
    // The first attribute of the entity type, or null.
    CAttribute* FindByType(int type) const;
    // The first attribute of the entity type that has the name, or null.
    CAttribute* FindNamed(int type, const CString& name) const;

private:
    bool Append(CAttribute* attribute);
    // Releases an attribute taken out of the array; one that lives on forgets this container.
    void ReleaseHeld(CAttribute* attribute);
    void Resize(int capacity);
    void ReadAttributes(CArchive& ar);
    void WriteAttributes(CArchive& ar) const;

    uint16_t m_count = 0;
    uint16_t m_capacity = 0;
    std::unique_ptr<CAttribute*[]> m_items;
};
