#include "image/PLMemSink.h"

#include "image/PLTextException.h"

#include <new>

bool PLMemSink::Allocate(size_t capacity)
{
    m_pDataBuf.reset(new (std::nothrow) uint8_t[capacity ? capacity : 1]);
    return m_pDataBuf != nullptr;
}

int PLMemSink::OpenMemory(const char* name, size_t capacity)
{
    if (!Allocate(capacity))
        return -1;
    BeginWrite(name, m_pDataBuf.get(), capacity);
    return 0;
}

int PLMemSink::OpenMemory(const wchar_t* name, size_t capacity)
{
    if (!Allocate(capacity))
        return -1;
    BeginWrite(name, m_pDataBuf.get(), capacity);
    return 0;
}

void PLMemSink::Close()
{
    m_pDataBuf.reset();
    PLDataSink::Close();
}

uint8_t* PLMemSink::GetBytes() const
{
    if (!m_pDataBuf)
        throw PLTextException(PLErr::Internal, "Open was not called for CMemSink");
    return m_pDataBuf.get();
}
