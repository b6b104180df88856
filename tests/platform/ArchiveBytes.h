#pragma once
// Byte helpers for archive tests. Expected bytes are spelled out by hand in the tests; these
// only save typing the bytes of a name or of UTF-16 text, and run an archive over bytes.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/mfc/Archive.h"
#include "platform/mfc/MemFile.h"

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b);
// The characters' own bytes, one each.
Bytes Ascii(std::string_view text);
// Two bytes per code unit, low byte first.
Bytes Utf16Le(std::u16string_view text);
Bytes Repeat(Bytes unit, size_t count);

Bytes ToBytes(std::span<const uint8_t> data);

// True when the archive has nothing left to read.
bool IsAtEnd(CArchive& ar);

// Runs read on a loading archive over the bytes.
template <class Read>
void ReadFrom(const Bytes& bytes, Read read, int bufferSize = 4096)
{
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load, bufferSize);
    read(ar);
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
