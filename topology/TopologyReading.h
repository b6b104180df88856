#pragma once
// What the topology records do when their reading fails half-way. The record's object is then
// deleted by the archive, but the objects it read for the first time (its edge uses, their
// edges, vertices and curves) are still linked to it and to each other, and nothing owns them.
// They are cut loose and handed to the model being read, which frees them with itself
// (KeepUnownedObject, database/ArchiveReading.h); without a model they are freed at once.

#include <cstdint>

#include "database/DroppedObjectPool.h"
#include "platform/mfc/Archive.h"

// The archive's objects numbered firstNumber and later (those read since the failing record
// began): every one is cut loose, and every one without a parent is dropped.
void DropObjectsReadSince(CArchive& ar, uint32_t firstNumber);

// Runs a topology record's body; when reading throws, the objects read inside it are dropped
// before the exception goes on.
template <class Body>
void ReadDroppingOnFailure(CArchive& ar, Body body)
{
    const uint32_t firstNested = ar.IsLoading() ? ar.GetLoadCount() : 0;
    try {
        body();
    } catch (...) {
        if (ar.IsLoading())
            DropObjectsReadSince(ar, firstNested);
        throw;
    }
}
