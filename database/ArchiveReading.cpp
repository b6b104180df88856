#include "database/ArchiveReading.h"

#include "database/CurrentModel.h"
#include "database/DroppedObjectPool.h"
#include "database/Entity.h"
#include "database/EntityDisposal.h"
#include "database/IModelContext.h"
#include "platform/mfc/Archive.h"

int32_t ReadItemCount(CArchive& ar, uint32_t bytesPerItem)
{
    int32_t count = 0;
    ar >> count;
    if (count < 0)
        AfxThrowArchiveException(CArchiveException::genericException);
    ar.CheckBytesLeft(static_cast<uint64_t>(count) * bytesPerItem);
    return count;
}

CObject* ReadObjectReference(CArchive& ar, const CRuntimeClass* expectedClass, bool& madeHere)
{
    // Only a new object takes a number: a back reference names one that has it already.
    const uint32_t objectsBefore = ar.GetLoadCount();
    CObject* object = ar.ReadObject(expectedClass);
    madeHere = object && ar.GetLoadCount() != objectsBefore;
    return object;
}

void KeepUnownedObject(CObject* object)
{
    if (IModelContext* model = GetCurrentModel()) {
        model->GetDroppedObjects().Keep(object);
        return;
    }
    CDroppedObjectPool alone;
    alone.Keep(object);
}

void KeepUntilAdopted(CEntity* entity)
{
    IModelContext* model = GetCurrentModel();
    if (entity && !entity->GetParent() && model)
        model->GetDroppedObjects().Keep(entity);
}

CRecordAdoptions::CRecordAdoptions(const CEntity& container, Remove remove)
    : m_container(container), m_remove(std::move(remove))
{}

CRecordAdoptions::~CRecordAdoptions()
{
    for (auto it = m_adopted.rbegin(); it != m_adopted.rend(); ++it) {
        const auto& [entity, madeHere] = *it;
        m_remove(entity);
        if (entity->GetParent() == &m_container)
            entity->SetParent(nullptr);
        if (madeHere)
            DeleteUnrecorded(entity);
        else
            KeepUntilAdopted(entity);
    }
}
