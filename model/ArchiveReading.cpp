#include "model/ArchiveReading.h"

#include <vector>

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
    // Never destroyed, so that the objects stay reachable until the process ends.
    static auto* kept = new std::vector<CObject*>;
    if (object)
        kept->push_back(object);
}
