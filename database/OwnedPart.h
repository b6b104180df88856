#pragma once
// COwnedPart: an entity that another entity owns as a part of itself (an entity's attribute
// container, a layer's material, a material's texture). Deleting the owner frees the part;
// erasing the owner erases it (EraseOwnedPart): then the part belongs to whoever takes erased
// entities.
//
// Undo copies are made with the copy constructor and share their original's parts: a copied
// holder points to the same part without owning it, so neither copy nor snapshot frees what the
// other uses.

#include <utility>

#include "database/EntityDisposal.h"

template <class T>
class COwnedPart {
public:
    COwnedPart() = default;
    // Owns the part.
    explicit COwnedPart(T* part) : m_part(part), m_owned(part != nullptr) {}
    // The same part, not owned.
    COwnedPart(const COwnedPart& other) : m_part(other.m_part) {}
    COwnedPart& operator=(const COwnedPart&) = delete;
    ~COwnedPart() { Reset(); }

    T* Get() const { return m_part; }
    T* operator->() const { return m_part; }
    explicit operator bool() const { return m_part != nullptr; }
    bool IsOwned() const { return m_owned; }

    // Frees the part held when it is owned (nothing is recorded) and owns the given one.
    void Reset(T* part = nullptr)
    {
        T* old = std::exchange(m_part, part);
        const bool owned = std::exchange(m_owned, part != nullptr);
        if (old && owned && old != part)
            DeleteUnrecorded(old);
    }

    // Hands over an owned part without freeing it (null when none is owned); the holder is then
    // empty.
    T* Release()
    {
        T* part = m_owned ? m_part : nullptr;
        m_part = nullptr;
        m_owned = false;
        return part;
    }

    // Erases an owned part together with its owner; a part that is not owned is left alone.
    void Erase()
    {
        if (!m_part || !m_owned)
            return;
        switch (EraseOwnedPart(m_part)) {
            case ErasedPart::kGone:
                m_part = nullptr;
                m_owned = false;
                break;
            case ErasedPart::kHandedOver: m_owned = false; break;
        }
    }

    // Exchanges the parts with another holder; a part that both share stays with its owner.
    void Swap(COwnedPart& other)
    {
        if (m_part == other.m_part)
            return;
        std::swap(m_part, other.m_part);
        std::swap(m_owned, other.m_owned);
    }

private:
    T* m_part = nullptr;
    bool m_owned = false;
};
