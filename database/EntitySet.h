#pragma once
// CEntitySet: an ordered set of entities without duplicates, ordered by address; every walk
// over the members goes in that order. CEntityIterator walks one (the set must outlive it and
// stay unchanged meanwhile).

#include <functional>
#include <set>
#include <vector>

#include "database/EntityContainer.h"

class CEntity;

class CEntitySet {
public:
    using Members = std::set<CEntity*, std::less<>>;

    CEntitySet() = default;
    CEntitySet(const CEntitySet& other) = default;
    CEntitySet& operator=(const CEntitySet& other) = default;
    virtual ~CEntitySet() = default;

    bool Contains(const CEntity* entity) const { return m_members.contains(entity); }
    // True when it was not a member yet.
    bool Insert(CEntity* entity) { return m_members.insert(entity).second; }
    void InsertAll(const CEntitySet& other);
    void InsertVector(const std::vector<CEntity*>& entities);
    // True when it was a member.
    bool Erase(CEntity* entity) { return m_members.erase(entity) != 0; }
    void EraseAll(const CEntitySet& other);
    void EraseVector(const std::vector<CEntity*>& entities);
    void Assign(const CEntitySet& other);
    // Appends the members in order; returns their number.
    int ToVector(std::vector<CEntity*>& entities) const;
    // A new iterator at the first member; the caller deletes it.
    IEntityIterator* CreateIterator() const;

    int GetCount() const { return static_cast<int>(m_members.size()); }
    bool IsEmpty() const { return m_members.empty(); }
    const Members& GetMembers() const { return m_members; }

protected:
    void RemoveAllMembers() { m_members.clear(); }

private:
    Members m_members;
};

class CEntityIterator : public IEntityIterator {
public:
    explicit CEntityIterator(const CEntitySet& set) : m_set(set), m_position(set.GetMembers().begin()) {}
    void Reset() override { m_position = m_set.GetMembers().begin(); }
    bool Next(CEntity*& entity) override;

private:
    const CEntitySet& m_set;
    CEntitySet::Members::const_iterator m_position;
};
