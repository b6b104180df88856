#pragma once
// CEntityList: the ordered members of a container entity that owns them (the layers of a layer
// manager, the materials of a material manager, the fonts of the font manager). The container
// is their parent. When the list goes with its container, it frees every member whose parent
// the container still is, so that a container deleted without being erased (by the archive,
// when its record fails, or by its owner) takes its members with it; a member that has found
// another parent is only forgotten.
//
// Erasing members follows the owned-part rule (EraseOwnedPart): a member that an open operation
// takes over, or that is deleted, leaves the list; one that lives on as it was (recording on,
// no operation open) stays listed, and owned.
//
// CEntityListContainer is the half of IEntityContainer that only looks at such a list: count,
// membership, members by index and the iterator. The container class says how members are
// added, removed and emptied.

#include <algorithm>
#include <utility>
#include <vector>

#include "database/Entity.h"
#include "database/EntityContainer.h"
#include "database/EntityDisposal.h"

template <class T>
class CEntityList {
public:
    explicit CEntityList(CEntity& owner) : m_owner(owner) {}
    ~CEntityList() { Free(); }
    CEntityList(const CEntityList&) = delete;
    CEntityList& operator=(const CEntityList&) = delete;

    int GetCount() const { return static_cast<int>(m_members.size()); }
    bool IsEmpty() const { return m_members.empty(); }
    bool Contains(const CEntity* entity) const
    {
        return entity && std::find(m_members.begin(), m_members.end(), entity) != m_members.end();
    }
    // Null when the index is not below the count.
    T* GetAt(int index) const
    {
        return index >= 0 && index < GetCount() ? m_members[static_cast<size_t>(index)] : nullptr;
    }
    auto begin() const { return m_members.begin(); }
    auto end() const { return m_members.end(); }
    // Whether the entity's parent is another container that lists it: an entity belongs to one
    // list, and a record that names it again leaves it there.
    bool IsListedElsewhere(const CEntity* entity) const
    {
        const CEntity* parent = entity->GetParent();
        const auto* container = dynamic_cast<const IEntityContainer*>(parent);
        return parent != &m_owner && container && container->Contains(entity);
    }

    // The owner becomes the entity's parent; the entity is appended unless it is listed
    // already. True when it was appended.
    bool Adopt(T* entity)
    {
        entity->SetParent(&m_owner);
        if (Contains(entity))
            return false;
        m_members.push_back(entity);
        return true;
    }
    // Takes the entity out of the list and leaves its parent as it is; false when it was not
    // listed.
    bool Take(const CEntity* entity)
    {
        const auto found = std::find(m_members.begin(), m_members.end(), entity);
        if (found == m_members.end())
            return false;
        m_members.erase(found);
        return true;
    }
    // Takes every member out and leaves them as they are.
    std::vector<T*> TakeAll() { return std::exchange(m_members, {}); }

    // Erases a member; it leaves the list.
    void Erase(T* member)
    {
        EraseOwnedPart(member);
        Take(member);
    }
    // Erases every member in list order, each after before(member).
    template <class Before>
    void EraseAll(Before before)
    {
        // Erasing may change the list: walk a copy.
        const std::vector<T*> members = m_members;
        for (T* member : members) {
            before(member);
            Erase(member);
        }
    }
    void EraseAll()
    {
        EraseAll([](T*) {});
    }

    // Frees the members the owner still parents, forgets the others; the list is empty after.
    void Free()
    {
        for (T* member : TakeAll()) {
            if (member->GetParent() == &m_owner)
                DeleteUnrecorded(member);
        }
    }

private:
    CEntity& m_owner;
    std::vector<T*> m_members;
};

template <class T>
class CEntityListContainer : public IEntityContainer {
public:
    int GetCount() const override { return Members().GetCount(); }
    bool IsEmpty() const override { return Members().IsEmpty(); }
    bool Contains(const CEntity* entity) const override { return Members().Contains(entity); }
    CEntity* GetAt(int index) const override { return Members().GetAt(index); }
    IEntityIterator* CreateIterator() override { return new CContainerIterator(*this); }

protected:
    virtual const CEntityList<T>& Members() const = 0;
};
