#pragma once
// Helpers of the records that read counted lists and object references they do not keep, or
// keep without owning, and of the containers that take in what their records name.

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/mfc/Archive.h"

class CEntity;

// The smallest object reference: its 16-bit tag.
inline constexpr uint32_t kMinObjectReferenceBytes = 2;

// Reads one value of a type the archive reads with >>, for use inside expressions.
template <class T>
T ReadValue(CArchive& ar)
{
    T value{};
    ar >> value;
    return value;
}

// Reads a signed 32-bit count of items that take at least bytesPerItem bytes each. A negative
// count raises the archive's genericException, and a count the rest of the archive cannot hold
// endOfFile, before anything is allocated for it.
int32_t ReadItemCount(CArchive& ar, uint32_t bytesPerItem);

// Reads an object reference and tells whether the archive made the object here, rather than
// naming one read before by a back reference. An object of another class than the expected one
// (when one is given) is badClass.
CObject* ReadObjectReference(CArchive& ar, const CRuntimeClass* expectedClass, bool& madeHere);

// The same for a reference that must be of class T.
template <class T>
T* ReadReference(CArchive& ar, bool& madeHere)
{
    const uint32_t objectsBefore = ar.GetLoadCount();
    T* object = nullptr;
    ar >> object;
    madeHere = object && ar.GetLoadCount() != objectsBefore;
    return object;
}

// For an object that a record reads for the first time and then drops: later records may still
// refer back to it, so it goes to the dropped-object pool of the current model (the model being
// read), which frees it with the model. Without a current model nothing could keep it, and it is
// freed at once. Null is ignored.
void KeepUnownedObject(CObject* object);

// For an entity that nothing owns yet but that may be referred to: unless it has a parent, the
// dropped-object pool of the current model keeps it until an owner takes it over by giving it a
// parent. Without a current model it stays with nobody. Null is ignored.
void KeepUntilAdopted(CEntity* entity);

// Reads a reference to an entity that the record refers to without owning it (an element's
// layer or material, the ends of a relationship). An entity the archive makes here has no owner
// yet, and is kept until one adopts it (KeepUntilAdopted).
template <class T>
T* ReadUnownedReference(CArchive& ar)
{
    bool madeHere = false;
    T* entity = ReadReference<T>(ar, madeHere);
    if (madeHere)
        KeepUntilAdopted(entity);
    return entity;
}

// The entities a container takes in from the record it reads. Once the record is read, Keep
// makes them the container's for good; a guard that goes without it (the record failed) gives
// each up again, the last taken first: remove takes it out of the container, and an entity whose
// parent the container became loses it. The archive forgets the objects it made in the failed
// record, so such an entity is freed; one read before may still be reached from earlier records
// and is left to the dropped-object pool of the current model (KeepUntilAdopted).
class CRecordAdoptions {
public:
    using Remove = std::function<void(CEntity*)>;

    CRecordAdoptions(const CEntity& container, Remove remove);
    ~CRecordAdoptions();
    CRecordAdoptions(const CRecordAdoptions&) = delete;
    CRecordAdoptions& operator=(const CRecordAdoptions&) = delete;

    void Note(CEntity* entity, bool madeHere) { m_adopted.emplace_back(entity, madeHere); }
    void Keep() { m_adopted.clear(); }

private:
    const CEntity& m_container;
    Remove m_remove;
    std::vector<std::pair<CEntity*, bool>> m_adopted;
};
