#include "topology/CompactPtrArray.h"

#include <algorithm>
#include <utility>

#include "platform/mfc/ArchiveException.h"

CCompactPtrArray::~CCompactPtrArray()
{
    delete[] m_items;
}

CCompactPtrArray::CCompactPtrArray(const CCompactPtrArray& other)
{
    *this = other;
}

CCompactPtrArray& CCompactPtrArray::operator=(const CCompactPtrArray& other)
{
    if (this == &other)
        return *this;
    if (other.m_count == 0) {
        m_count = 0;
        return *this;
    }
    if (m_capacity < other.m_count) {
        delete[] m_items;
        m_items = new CObject*[other.m_capacity];
        m_capacity = other.m_capacity;
    }
    std::copy_n(other.m_items, other.m_count, m_items);
    m_count = other.m_count;
    return *this;
}

int CCompactPtrArray::Find(const CObject* item) const
{
    for (int i = 0; i < m_count; ++i) {
        if (m_items[i] == item)
            return i;
    }
    return -1;
}

void CCompactPtrArray::SetCapacity(int n)
{
    n = std::clamp(n, 0, kMaxCount);
    if (n == 0) {
        delete[] std::exchange(m_items, nullptr);
        m_count = 0;
        m_capacity = 0;
        return;
    }
    if (n == m_capacity)
        return;
    auto* items = new CObject*[static_cast<size_t>(n)];
    const int kept = std::min<int>(m_count, n);
    std::copy_n(m_items, kept, items);
    delete[] m_items;
    m_items = items;
    m_count = static_cast<uint16_t>(kept);
    m_capacity = static_cast<uint16_t>(n);
}

void CCompactPtrArray::Reserve(int n)
{
    n = std::min(n, kMaxCount);
    if (m_capacity >= n)
        return;
    // The step follows the count, not the capacity.
    const int step = std::clamp(m_count / 8, 4, 1024);
    SetCapacity(std::max(m_capacity + step, n));
}

bool CCompactPtrArray::Append(CObject* item)
{
    if (IsFull())
        return false;
    Reserve(m_count + 1);
    m_items[m_count++] = item;
    return true;
}

bool CCompactPtrArray::Remove(const CObject* item)
{
    const int index = Find(item);
    if (index < 0)
        return false;
    std::copy(m_items + index + 1, m_items + m_count, m_items + index);
    --m_count;
    return true;
}

void CCompactPtrArray::Compact()
{
    CObject** end = std::remove(m_items, m_items + m_count, nullptr);
    m_count = static_cast<uint16_t>(end - m_items);
}

void CCompactPtrArray::Swap(CCompactPtrArray& other)
{
    std::swap(m_count, other.m_count);
    std::swap(m_capacity, other.m_capacity);
    std::swap(m_items, other.m_items);
}

void CCompactPtrArray::CheckStoredCount(int64_t count)
{
    if (count < 0 || count > kMaxCount)
        AfxThrowArchiveException(CArchiveException::genericException);
}
