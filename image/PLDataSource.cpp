#include "image/PLDataSource.h"

#include "image/PLTextException.h"

void PLDataSource::BeginRead(const char* name, const uint8_t* start, size_t size)
{
    m_Name = name;
    m_WideName.clear();
    m_NameIsWide = false;
    m_pStart = start;
    m_Size = size;
    m_Position = 0;
}

void PLDataSource::BeginRead(const wchar_t* name, const uint8_t* start, size_t size)
{
    BeginRead("Wide", start, size);
    m_WideName = name;
    m_NameIsWide = true;
}

void PLDataSource::EndRead()
{
    if (m_pProgress)
        m_pProgress->OnProgress(1.0);
    m_Name.clear();
    m_WideName.clear();
    m_NameIsWide = false;
    m_pStart = nullptr;
    m_Size = 0;
    m_Position = 0;
}

const uint8_t* PLDataSource::PeekBytes(size_t count) const
{
    if (count > GetBytesLeft())
        RaiseEndOfData();
    return GetCurrentPointer();
}

const uint8_t* PLDataSource::ReadBytes(size_t count)
{
    if (count > GetBytesLeft())
        RaiseEndOfData();
    const uint8_t* bytes = GetCurrentPointer();
    const size_t old = m_Position;
    m_Position += count;
    if (m_pProgress && old / 1024 < m_Position / 1024)
        m_pProgress->OnProgress(double(m_Position) / double(m_Size));
    return bytes;
}

void PLDataSource::Seek(size_t position)
{
    if (position > m_Size)
        RaiseEndOfData();
    m_Position = position;
}

void PLDataSource::RaiseEndOfData()
{
    throw PLTextException(PLErr::EndOfData, "End of file reached while decoding.\n");
}
