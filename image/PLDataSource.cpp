#include "image/PLDataSource.h"

#include "image/PLTextException.h"

void PLDataSource::BeginRead(const char* name, const uint8_t* start, size_t size)
{
    m_name = name;
    m_wideName.clear();
    m_nameIsWide = false;
    m_pStart = start;
    m_size = size;
    m_position = 0;
}

void PLDataSource::BeginRead(const wchar_t* name, const uint8_t* start, size_t size)
{
    BeginRead("Wide", start, size);
    m_wideName = name;
    m_nameIsWide = true;
}

void PLDataSource::EndRead()
{
    if (m_pProgress)
        m_pProgress->OnProgress(1.0);
    m_name.clear();
    m_wideName.clear();
    m_nameIsWide = false;
    m_pStart = nullptr;
    m_size = 0;
    m_position = 0;
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
    const size_t old = m_position;
    m_position += count;
    if (m_pProgress && old / 1024 < m_position / 1024)
        m_pProgress->OnProgress(double(m_position) / double(m_size));
    return bytes;
}

void PLDataSource::Seek(size_t position)
{
    if (position > m_size)
        RaiseEndOfData();
    m_position = position;
}

void PLDataSource::RaiseEndOfData()
{
    throw PLTextException(PLErr::EndOfData, "End of file reached while decoding.\n");
}
