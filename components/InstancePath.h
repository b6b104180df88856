#pragma once
// CInstancePath: the chain of component instances (groups and images among them) from the
// outermost to the innermost, as the model's active path, a pick's hit or an annotation's
// anchor names a place inside the component tree. The path may end with the entity reached
// (a face, an edge, a text). It owns none of its entries.

#include <vector>

#include "database/IInstancePath.h"
#include "geometry/Transform3d.h"

class CEntity;

class CInstancePath : public IInstancePath {
public:
    CInstancePath() = default;
    CInstancePath(const CInstancePath& other) = default;
    CInstancePath& operator=(const CInstancePath& other) = default;
    ~CInstancePath() override = default;

    int GetSize() const override { return static_cast<int>(m_entries.size()); }
    bool IsEmpty() const { return m_entries.empty(); }
    // Null outside the path.
    CEntity* GetAt(int index) const;
    // The entry when it is an instance, a group or an image; null for any other entry and
    // outside the path.
    CDrawingElement* GetInstance(int index) const override;
    CEntity* GetFirst() const { return m_entries.empty() ? nullptr : m_entries.front(); }
    CEntity* GetLast() const { return m_entries.empty() ? nullptr : m_entries.back(); }
    // False for null.
    bool Contains(const CEntity* entity) const;

    void PushBack(CEntity* entity) { m_entries.push_back(entity); }
    // Nothing on an empty path.
    void PopBack();
    // The path holds only the entity.
    void Set(CEntity* entity);
    void Append(const CInstancePath& other);
    void Clear() { m_entries.clear(); }

    // Maps the coordinates inside the innermost instance's definition to those of the
    // outermost instance's parent: the instances' transforms composed, innermost first. The
    // walk stops at the first entry that is not an instance.
    orbisk::geometry::CTransform3d GetTransform() const;

    bool operator==(const CInstancePath& other) const { return m_entries == other.m_entries; }

    const std::vector<CEntity*>& GetEntries() const { return m_entries; }

private:
    std::vector<CEntity*> m_entries;
};
