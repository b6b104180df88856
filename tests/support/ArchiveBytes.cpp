#include "tests/support/ArchiveBytes.h"

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Ascii(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

void WriteBytes(CArchive& ar, const Bytes& bytes)
{
    if (!bytes.empty())
        ar.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

Bytes Text(std::string_view text)
{
    return Bytes{static_cast<uint8_t>(text.size())} + Ascii(text);
}

Bytes Utf16Le(std::u16string_view text)
{
    Bytes bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    return bytes;
}

Bytes Repeat(Bytes unit, size_t count)
{
    Bytes bytes;
    bytes.reserve(unit.size() * count);
    for (size_t i = 0; i < count; ++i)
        bytes.insert(bytes.end(), unit.begin(), unit.end());
    return bytes;
}

Bytes ToBytes(std::span<const uint8_t> data)
{
    return Bytes(data.begin(), data.end());
}

bool IsAtEnd(CArchive& ar)
{
    try {
        ar.CheckBytesLeft(1);
        return false;
    } catch (const CArchiveException& e) {
        return e.m_cause == CArchiveException::endOfFile;
    }
}
