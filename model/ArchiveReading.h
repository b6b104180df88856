#pragma once
// Helpers of the records that read counted lists and object references they do not keep.

#include <cstdint>

class CArchive;
class CObject;

// The smallest object reference: its 16-bit tag.
inline constexpr uint32_t kMinObjectReferenceBytes = 2;

// Reads a signed 32-bit count of items that take at least bytesPerItem bytes each. A negative
// count raises the archive's genericException, and a count the rest of the archive cannot hold
// endOfFile, before anything is allocated for it.
int32_t ReadItemCount(CArchive& ar, uint32_t bytesPerItem);

// For an object that a record reads for the first time and then drops: later records may still
// refer back to it, so it goes to the dropped-object pool of the current model (the model being
// read), which frees it with the model. Without a current model nothing could keep it, and it is
// freed at once. Null is ignored.
void KeepUnownedObject(CObject* object);
