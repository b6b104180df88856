#pragma once

#include "image/PLObject.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Byte output of every encoder: one contiguous block with a capacity and a write position.
// A write that does not fit throws code 11, "Buffer overflow while encoding.\n", and writes
// nothing, unless the sink can grow (a file sink can; a memory sink cannot).
class PLDataSink : public PLObject {
public:
    PLDataSink() = default;
    PLDataSink(const PLDataSink&) = delete;
    PLDataSink& operator=(const PLDataSink&) = delete;

    virtual void Close();

    size_t WriteBytes(size_t count, const void* data);
    void WriteByte(uint8_t value) { WriteBytes(1, &value); }
    // Writes at offset, which may lie behind the position (rewriting) or beyond it (the gap
    // is filled with zeros); the position becomes the end of the data.
    void WriteAt(size_t offset, size_t count, const void* data);

    uint8_t* GetBufferStart() const { return m_pStartData; }
    size_t GetDataSize() const { return m_curPos; }
    size_t GetMaxDataSize() const { return m_maxDataSize; }
    const std::string& GetName() const { return m_name; }
    const std::wstring& GetWideName() const { return m_wideName; }
    bool NameIsWide() const { return m_nameIsWide; }

protected:
    void BeginWrite(const char* name, uint8_t* block, size_t capacity);
    void BeginWrite(const wchar_t* name, uint8_t* block, size_t capacity);
    // Makes the block hold at least `needed` bytes, moving it if need be; false when the
    // sink has a fixed capacity.
    virtual bool Grow(size_t needed);
    // The block moved or grew; its first bytes are the ones written so far.
    void SetBlock(uint8_t* block, size_t capacity)
    {
        m_pStartData = block;
        m_maxDataSize = capacity;
    }

private:
    uint8_t* m_pStartData = nullptr;
    size_t m_curPos = 0;
    std::string m_name;
    std::wstring m_wideName;
    bool m_nameIsWide = false;
    size_t m_maxDataSize = 0;
};
