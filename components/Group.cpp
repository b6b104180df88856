#include "components/Group.h"

IMPLEMENT_SERIAL(CGroup, CComponentInstance, VERSIONABLE_SCHEMA | 1)

CEntity* CGroup::CreateCopy() const
{
    return new CGroup(*this);
}

int CGroup::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CGroup), map, [&] { return CComponentInstance::CheckValidity(level, map); },
        [] { return 0; });
}
