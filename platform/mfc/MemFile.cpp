#include "platform/mfc/MemFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/mfc/FileException.h"

CMemFile::CMemFile(uint32_t growBytes) : m_growBytes(std::max<uint32_t>(growBytes, 1)) {}

CMemFile::CMemFile(const void* data, size_t size)
    : m_view(static_cast<const uint8_t*>(data)), m_capacity(size), m_size(size)
{}

uint32_t CMemFile::Read(void* buffer, uint32_t count)
{
    if (m_position >= m_size || count == 0)
        return 0;
    size_t available = std::min<size_t>(count, m_size - m_position);
    std::memcpy(buffer, Data() + m_position, available);
    m_position += available;
    return static_cast<uint32_t>(available);
}

void CMemFile::Write(const void* buffer, uint32_t count)
{
    if (m_view)
        ThrowFileException(CFileException::accessDenied);
    if (count == 0)
        return;
    if (m_position > std::numeric_limits<size_t>::max() - count)
        ThrowFileException(CFileException::diskFull);
    size_t end = m_position + count;
    Reserve(end);
    if (m_position > m_size)
        std::memset(m_storage.get() + m_size, 0, m_position - m_size);
    std::memcpy(m_storage.get() + m_position, buffer, count);
    m_position = end;
    m_size = std::max(m_size, end);
}

uint64_t CMemFile::Seek(int64_t offset, uint32_t from)
{
    int64_t base = from == current ? static_cast<int64_t>(m_position)
                   : from == end   ? static_cast<int64_t>(m_size)
                                   : 0;
    if ((offset < 0 && -offset > base) || (offset > 0 && offset > std::numeric_limits<int64_t>::max() - base))
        ThrowFileException(CFileException::badSeek);
    m_position = static_cast<size_t>(base + offset);
    return m_position;
}

void CMemFile::Close()
{
    Abort();
}

void CMemFile::Abort()
{
    m_storage.reset();
    m_view = nullptr;
    m_capacity = m_size = m_position = 0;
}

void CMemFile::Reserve(size_t size)
{
    if (size <= m_capacity)
        return;
    size_t wanted =
        std::max(size, m_capacity > std::numeric_limits<size_t>::max() / 2 ? size : m_capacity * 2);
    size_t steps = wanted / m_growBytes + (wanted % m_growBytes != 0);
    size_t capacity = steps > std::numeric_limits<size_t>::max() / m_growBytes ? wanted : steps * m_growBytes;
    auto storage = std::make_unique_for_overwrite<uint8_t[]>(capacity);
    if (m_size > 0)
        std::memcpy(storage.get(), m_storage.get(), m_size);
    m_storage = std::move(storage);
    m_capacity = capacity;
}
