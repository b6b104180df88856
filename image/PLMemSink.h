#pragma once

#include "image/PLDataSink.h"

#include <memory>

// A sink into a block of fixed capacity that the sink owns until Close.
class PLMemSink : public PLDataSink {
public:
    ~PLMemSink() override = default;

    // 0, or -1 when the block cannot be allocated.
    int OpenMemory(const char* name, size_t capacity);
    int OpenMemory(const wchar_t* name, size_t capacity);
    void Close() override;
    // The written bytes; code 7 while no block is held.
    uint8_t* GetBytes() const;

private:
    bool Allocate(size_t capacity);

    std::unique_ptr<uint8_t[]> m_pDataBuf;
};
