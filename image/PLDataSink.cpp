#include "image/PLDataSink.h"

#include "image/PLTextException.h"

#include <algorithm>
#include <cstring>

void PLDataSink::Close()
{
    m_name.clear();
    m_wideName.clear();
    m_nameIsWide = false;
    m_pStartData = nullptr;
    m_curPos = 0;
    m_maxDataSize = 0;
}

void PLDataSink::BeginWrite(const char* name, uint8_t* block, size_t capacity)
{
    m_name = name;
    m_wideName.clear();
    m_nameIsWide = false;
    m_pStartData = block;
    m_maxDataSize = capacity;
    m_curPos = 0;
}

void PLDataSink::BeginWrite(const wchar_t* name, uint8_t* block, size_t capacity)
{
    BeginWrite("Wide", block, capacity);
    m_wideName = name;
    m_nameIsWide = true;
}

bool PLDataSink::Grow(size_t)
{
    return false;
}

size_t PLDataSink::WriteBytes(size_t count, const void* data)
{
    WriteAt(m_curPos, count, data);
    return count;
}

void PLDataSink::WriteAt(size_t offset, size_t count, const void* data)
{
    if (!m_pStartData)
        throw PLTextException(PLErr::Internal, "Write to a sink that is not open.");
    const bool fits = offset <= m_maxDataSize && count <= m_maxDataSize - offset;
    if (!fits && (offset > SIZE_MAX - count || !Grow(offset + count)))
        throw PLTextException(PLErr::EndOfData, "Buffer overflow while encoding.\n");
    if (offset > m_curPos)
        std::memset(m_pStartData + m_curPos, 0, offset - m_curPos);
    if (count)
        std::memcpy(m_pStartData + offset, data, count);
    m_curPos = std::max(m_curPos, offset + count);
}
