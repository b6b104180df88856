#pragma once
// Deleting entities that no operation is to record. Entities a reader drops while the archive may
// still hand them out by back reference are not deleted but kept (KeepUnownedObject,
// model/ArchiveReading.h).

#include "model/Entity.h"
#include "model/UndoManager.h"

// A stale, half-read or replaced entity goes by its Erase with undo recording off, so that its
// attribute container and what it owns go with it.
inline void DeleteUnrecorded(CEntity* entity)
{
    if (!entity)
        return;
    CSuspendUndo unrecorded;
    entity->Erase();
}
