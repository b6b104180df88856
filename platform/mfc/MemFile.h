#pragma once
// CMemFile: a CFile in memory. Either it owns a growable block (the growth step is the
// granularity of its size; it at least doubles when it grows, so that storing many small
// records stays linear), or it reads the caller's bytes in place and refuses to write.

#include <cstdint>
#include <memory>
#include <span>

#include "platform/mfc/File.h"

class CMemFile : public CFile {
public:
    explicit CMemFile(uint32_t growBytes = 1024);
    // Reads data in place; the bytes must outlive the file. Writing raises accessDenied.
    CMemFile(const void* data, size_t size);

    uint32_t Read(void* buffer, uint32_t count) override;
    void Write(const void* buffer, uint32_t count) override;
    uint64_t Seek(int64_t offset, uint32_t from) override;
    uint64_t GetPosition() const override { return m_position; }
    uint64_t GetLength() const override { return m_size; }
    // Both release the memory; the file is then empty.
    void Close() override;
    void Abort() override;

    // The file's bytes, GetLength() of them.
    std::span<const uint8_t> GetData() const { return {Data(), m_size}; }

private:
    const uint8_t* Data() const { return m_view ? m_view : m_storage.get(); }
    void Reserve(size_t size);

    std::unique_ptr<uint8_t[]> m_storage;
    const uint8_t* m_view = nullptr;
    size_t m_capacity = 0;
    size_t m_size = 0;
    size_t m_position = 0;
    uint32_t m_growBytes = 1024;
};
