#pragma once
// CCompactPtrArray: the small growable list of object pointers that vertices (their edges),
// faces (their loops) and attribute containers keep for their children. It owns the slots, not
// the objects. Items keep their insertion order; removal closes the gap.
//
// Count and capacity are 16-bit: one array holds at most 65,535 items. An append beyond that is
// refused (false), and a count read from a file beyond it raises the archive exception
// (CheckStoredCount) before anything is allocated for it.
//
// Growth: a reserve that needs room grows by count / 8, at least 4 and at most 1,024 slots.

#include <cstdint>

class CObject;

class CCompactPtrArray {
public:
    static constexpr int kMaxCount = 0xFFFF;

    CCompactPtrArray() = default;
    ~CCompactPtrArray();
    CCompactPtrArray(const CCompactPtrArray& other);
    CCompactPtrArray& operator=(const CCompactPtrArray& other);

    int GetCount() const { return m_count; }
    int GetCapacity() const { return m_capacity; }
    bool IsEmpty() const { return m_count == 0; }
    bool IsFull() const { return m_count == kMaxCount; }
    // The caller keeps the index below the count.
    CObject* GetAt(int index) const { return m_items[index]; }
    void SetAt(int index, CObject* item) { m_items[index] = item; }
    bool Contains(const CObject* item) const { return Find(item) >= 0; }
    // The first index holding the item, or -1.
    int Find(const CObject* item) const;

    // n = 0 frees the slots. Otherwise exactly n slots (n at most kMaxCount) keeping the first
    // min(count, n) items; n equal to the capacity changes nothing.
    void SetCapacity(int n);
    // Grows by the rule above when the capacity is below n (n at most kMaxCount).
    void Reserve(int n);
    // False, and nothing stored, when the array already holds kMaxCount items.
    bool Append(CObject* item);
    // Removes the first item equal to item, moving the later ones down; false when absent.
    bool Remove(const CObject* item);
    // Keeps the slots.
    void RemoveAll() { m_count = 0; }
    // Drops the null items, keeping the order of the others; the slots stay.
    void Compact();
    // Exchanges count, capacity and slots.
    void Swap(CCompactPtrArray& other);

    // Raises the archive's genericException for a stored count no array can hold.
    static void CheckStoredCount(int64_t count);

private:
    uint16_t m_count = 0;
    uint16_t m_capacity = 0;
    CObject** m_items = nullptr;
};
