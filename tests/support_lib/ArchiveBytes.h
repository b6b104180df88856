#pragma once
// Hand-written archive bytes, and archives over them, for the archive-form tests.

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "platform/mfc/Archive.h"
#include "platform/mfc/MemFile.h"

using ByteString = std::vector<std::uint8_t>;

// Little-endian bytes of each value, one after another: doubles as 8 bytes, integers in
// their own width.
template <typename... Values>
ByteString LittleEndian(Values... values) {
  ByteString bytes;
  auto append = [&bytes](auto value) {
    std::uint8_t raw[sizeof value];
    std::memcpy(raw, &value, sizeof value);
    bytes.insert(bytes.end(), raw, raw + sizeof value);
  };
  (append(values), ...);
  return bytes;
}

inline ByteString operator+(ByteString a, const ByteString& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// What `write` stores into a fresh archive.
template <typename Write>
ByteString Stored(Write write) {
  CMemFile file;
  CArchive ar(&file, CArchive::store);
  write(ar);
  ar.Close();
  const std::span<const std::uint8_t> data = file.GetData();
  return ByteString(data.begin(), data.end());
}

// Runs `read` on a loading archive over the bytes; returns how many bytes it left.
template <typename Read>
std::uint64_t Loaded(const ByteString& bytes, Read read) {
  CMemFile file(bytes.data(), bytes.size());
  CArchive ar(&file, CArchive::load);
  read(ar);
  ar.Flush();
  return file.GetLength() - file.GetPosition();
}

// The cause of the archive exception that `action` raises, or -1 when it raises none.
template <typename Action>
int ArchiveCause(Action action) {
  try {
    action();
  } catch (const CArchiveException& e) {
    return e.m_cause;
  }
  return -1;
}
