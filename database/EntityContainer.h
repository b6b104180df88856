#pragma once
// IEntityContainer: the list interface of every container entity (a component, a manager, a
// list), held as a second base; and IEntityIterator, the walk over its members.
//
// Add makes the container the member's parent and Remove clears it; callers record additions
// and removals in the open operation themselves (CUndoOperation::AddElement, RemoveElement).
// Whether RemoveAll also erases the members is the class's choice.

class CEntity;
class IEntityIterator;

class IEntityContainer {
public:
    virtual ~IEntityContainer() = default;
    virtual int GetCount() const = 0;
    virtual bool IsEmpty() const = 0;
    virtual bool Contains(const CEntity* entity) const = 0;
    virtual void Add(CEntity* entity) = 0;
    // True when it was a member.
    virtual bool Remove(CEntity* entity) = 0;
    virtual void RemoveAll() = 0;
    // Null when the index is not below GetCount.
    virtual CEntity* GetAt(int index) const = 0;
    // A new iterator at the first member; the caller deletes it.
    virtual IEntityIterator* CreateIterator() = 0;
};

class IEntityIterator {
public:
    virtual ~IEntityIterator() = default;
    // Back to the first member.
    virtual void Reset() = 0;
    // The next member and true; at the end null and false.
    virtual bool Next(CEntity*& entity) = 0;
};

// Walks any container in index order through GetAt; the container must outlive it.
class CContainerIterator : public IEntityIterator {
public:
    explicit CContainerIterator(const IEntityContainer& container) : m_container(container) {}
    void Reset() override { m_index = 0; }
    bool Next(CEntity*& entity) override
    {
        entity = m_index < m_container.GetCount() ? m_container.GetAt(m_index) : nullptr;
        if (!entity)
            return false;
        ++m_index;
        return true;
    }

private:
    const IEntityContainer& m_container;
    int m_index = 0;
};
