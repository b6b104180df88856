#pragma once
// CAttribute: an object attached to an entity through its attribute container, holding data
// of its own. Reference-counted by the containers that hold it (one attribute may be held by
// several); the last release erases it. A new or copied attribute has no holder.

#include <cstdint>

#include "database/Entity.h"

class CAttribute : public CEntity {
    DECLARE_SERIAL(CAttribute)
public:
    CAttribute() = default;
    // The value is copied; the copy has no holder.
    CAttribute(const CAttribute& other) : CEntity(other), m_value(other.m_value) {}

    // After the entity record, the 32-bit value word.
    void Serialize(CArchive& ar) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityAttribute; }

    // Both mark the attribute changed; they return the new count.
    virtual int AddRef();
    // At a count of 0 the attribute erases itself.
    virtual int Release();
    virtual int GetRefCount() const { return m_refCount; }
    // CreateCopy viewed as an attribute, null when the copy is of another class.
    virtual CAttribute* Clone() const;
    // Whether the attribute is written when its container is written.
    virtual bool IsPersistent() const { return true; }
    virtual bool HasName(const CString&) const { return false; }

    // Stored and copied, not interpreted.
    uint32_t GetValueWord() const { return m_value; }

private:
    uint32_t m_value = 0;
    int32_t m_refCount = 0;
};

// Clone, reported as created to the open operation (recording on), given the next id.
CAttribute* CloneAttribute(const CAttribute& attribute);
