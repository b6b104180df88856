#pragma once
// Byte helpers for archive tests. Expected bytes are spelled out by hand in the tests; these
// only save typing the bytes of values, names and UTF-16 text, and run archives over bytes.

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "platform/mfc/Archive.h"
#include "platform/mfc/MemFile.h"

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b);
// The characters' own bytes, one each.
Bytes Ascii(std::string_view text);
// An 8-bit archive string: a length byte, then the characters.
Bytes Text(std::string_view text);
// Two bytes per code unit, low byte first.
Bytes Utf16Le(std::u16string_view text);
Bytes Repeat(Bytes unit, size_t count);
Bytes ToBytes(std::span<const uint8_t> data);

// Little-endian bytes of each value, one after another, each in its own width.
template <class... Values>
Bytes LittleEndian(Values... values)
{
    Bytes bytes;
    auto append = [&bytes](auto value) {
        uint8_t raw[sizeof value];
        std::memcpy(raw, &value, sizeof value);
        bytes.insert(bytes.end(), raw, raw + sizeof value);
    };
    (append(values), ...);
    return bytes;
}

// True when the archive has nothing left to read.
bool IsAtEnd(CArchive& ar);
// Writes the bytes as they are into a storing archive.
void WriteBytes(CArchive& ar, const Bytes& bytes);

// Runs read on a loading archive over the bytes.
template <class Read>
void ReadFrom(const Bytes& bytes, Read read, int bufferSize = 4096)
{
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load, bufferSize);
    read(ar);
}

// Runs read on a loading archive over the bytes; returns how many bytes it left unread.
template <class Read>
uint64_t BytesLeftAfter(const Bytes& bytes, Read read)
{
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    read(ar);
    ar.Flush();
    return file.GetLength() - file.GetPosition();
}

// The bytes that write stores through a storing archive.
template <class Write>
Bytes WrittenBy(Write write, int bufferSize = 4096)
{
    CMemFile file;
    CArchive ar(&file, CArchive::store, bufferSize);
    write(ar);
    ar.Close();
    return ToBytes(file.GetData());
}

// The cause of the archive exception that action raises, CArchiveException::none when it
// raises none.
template <class Action>
int ArchiveCause(Action action)
{
    try {
        action();
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return CArchiveException::none;
}
