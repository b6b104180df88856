#include "image/PLDataSink.h"

#include "image/PLTextException.h"

#include <algorithm>
#include <cstring>

void PLDataSink::Close()
{
    m_Name.clear();
    m_WideName.clear();
    m_NameIsWide = false;
    m_pStartData = nullptr;
    m_CurPos = 0;
    m_MaxDataSize = 0;
}

void PLDataSink::BeginWrite(const char* name, uint8_t* block, size_t capacity)
{
    m_Name = name;
    m_WideName.clear();
    m_NameIsWide = false;
    m_pStartData = block;
    m_MaxDataSize = capacity;
    m_CurPos = 0;
}

void PLDataSink::BeginWrite(const wchar_t* name, uint8_t* block, size_t capacity)
{
    BeginWrite("Wide", block, capacity);
    m_WideName = name;
    m_NameIsWide = true;
}

bool PLDataSink::Grow(size_t)
{
    return false;
}

size_t PLDataSink::WriteBytes(size_t count, const void* data)
{
    WriteAt(m_CurPos, count, data);
    return count;
}

void PLDataSink::WriteAt(size_t offset, size_t count, const void* data)
{
    if (!m_pStartData)
        throw PLTextException(PLErr::Internal, "Write to a sink that is not open.");
    const bool fits = offset <= m_MaxDataSize && count <= m_MaxDataSize - offset;
    if (!fits && (offset > SIZE_MAX - count || !Grow(offset + count)))
        throw PLTextException(PLErr::EndOfData, "Buffer overflow while encoding.\n");
    if (offset > m_CurPos)
        std::memset(m_pStartData + m_CurPos, 0, offset - m_CurPos);
    if (count)
        std::memcpy(m_pStartData + offset, data, count);
    m_CurPos = std::max(m_CurPos, offset + count);
}
