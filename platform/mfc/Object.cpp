#include "platform/mfc/Object.h"

constinit const CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)),
                                                       CRuntimeClass::kNotSerializable, nullptr, nullptr};

static const CRuntimeClassRegistration zphRuntimeClassRegistrationCObject(CObject::classCObject);

const CRuntimeClass* CObject::GetRuntimeClass() const
{
    return RUNTIME_CLASS(CObject);
}

void CObject::Serialize(CArchive&) {}

bool CObject::IsKindOf(const CRuntimeClass* runtimeClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(runtimeClass);
}
