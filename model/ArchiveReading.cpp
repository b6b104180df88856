#include "model/ArchiveReading.h"

#include "model/CurrentModel.h"
#include "model/DroppedObjectPool.h"
#include "model/IModelContext.h"
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

void KeepUnownedObject(CObject* object)
{
    if (IModelContext* model = GetCurrentModel()) {
        model->GetDroppedObjects().Keep(object);
        return;
    }
    CDroppedObjectPool alone;
    alone.Keep(object);
}
