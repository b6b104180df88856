#pragma once
// CGroup: an instance whose definition normally has no other instance. It adds nothing to the
// instance but its class.

#include "components/ComponentInstance.h"

class CGroup : public CComponentInstance {
    DECLARE_SERIAL(CGroup)
public:
    CGroup() = default;
    CGroup(const CGroup& other) = default;
    CGroup& operator=(const CGroup&) = delete;

    CEntity* CreateCopy() const override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityGroup; }
};
