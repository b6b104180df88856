#pragma once
// How owners let go of the entities they own. Entities a reader drops while the archive may
// still hand them out by back reference are not deleted but kept (KeepUnownedObject,
// database/ArchiveReading.h).

#include "database/UndoManager.h"

class CEntity;

// A stale, half-read, replaced or forsaken entity goes by its Erase with undo recording off, so
// that its attribute container and what it owns go with it and whatever refers to it hears of
// it. Null is ignored.
void DeleteUnrecorded(CEntity* entity);

// What became of an owned entity that its owner erased.
enum class ErasedPart {
    // Deleted (recording off, no operation open, or created and erased in the same operation).
    kGone,
    // The open operation holds it until the operation goes; the owner keeps only the pointer.
    kHandedOver,
};

// Erases an entity that its owner holds (a part of the owner, a member of its list) and says
// who holds it now.
ErasedPart EraseOwnedPart(CEntity* entity);
