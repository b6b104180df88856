#pragma once
// CDroppedObjectPool: objects that reading a model file read and then dropped (a current layer
// the list does not hold, materials no manager lists, replaced images, a relationship of an
// entity with itself, something else where a record expected its own kind...), entities that
// records refer to before any owner lists them (an element's layer or material), and entities
// that a failed record had taken from earlier ones. The archive may still hand them out to a
// later record by back reference, so they cannot go at once; the model being read owns them
// here and frees them after its own contents, which may refer to them.
//
// An object leaves the pool when someone else takes it over: an entity that gets a parent (a
// container adds it) or that is destroyed by other means. Images are shared by their
// reference count: the pool holds one reference, so an image that a later record takes keeps
// living for that record.

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

class CEntity;
class CObject;

// Objects that link to one another without owning (topology rings, vertex lists, curves): cut
// every link between this object and the others in both directions without erasing anything,
// so that each object can afterwards be freed on its own. A failed record and the pool do this
// before they free such objects, whose stored links may be inconsistent in a damaged file.
class IReadLinks {
public:
    virtual ~IReadLinks() = default;
    virtual void CutLinks() = 0;
};

class CDroppedObjectPool {
public:
    CDroppedObjectPool() = default;
    // Free.
    ~CDroppedObjectPool();
    CDroppedObjectPool(const CDroppedObjectPool&) = delete;
    CDroppedObjectPool& operator=(const CDroppedObjectPool&) = delete;

    // Takes the object over; null and objects kept already are ignored. An entity is kept by
    // one pool at a time.
    void Keep(CObject* object);
    void Keep(CEntity* entity);
    // The object leaves the pool without being freed; false when the pool did not hold it.
    bool Release(const CObject* object);
    bool Release(const CEntity* entity);
    bool Contains(const CObject* object) const;
    bool IsEmpty() const { return m_count == 0; }
    int GetCount() const { return static_cast<int>(m_count); }
    // Frees every object, the one kept last first (later records refer back to earlier ones):
    // an entity by its erase with undo recording off, unless it has found a parent meanwhile;
    // an image by giving back the pool's reference; anything else by deleting it. Freeing one
    // object may free another one of the pool, which then leaves it, provided the pool's model
    // is the current one: an entity looks for the current model's pool as it goes.
    void Free();

private:
    bool Holds(const CEntity* entity) const;

    // Keeping order, so that Free goes backwards through it; a released object leaves a null.
    // A reader keeps and releases millions of objects in a large model: both stay O(1).
    std::vector<CObject*> m_order;
    // The place in m_order of each kept object that is not an entity (an entity notes its own).
    std::unordered_map<const CObject*, std::size_t> m_places;
    std::size_t m_count = 0;
};
