#pragma once

#include "image/PLBmp.h"

#include <memory>

// Codec bitmap whose pixels are one block of plain memory, rows packed without padding.
// A new one holds a 16 × 16 "I8" image with a grey palette.
class PLAnyBmp : public PLBmp {
public:
    PLAnyBmp();
    PLAnyBmp(const PLAnyBmp& other);
    explicit PLAnyBmp(const PLBmp& other);
    PLAnyBmp& operator=(const PLAnyBmp& other);
    PLAnyBmp& operator=(const PLBmp& other);
    ~PLAnyBmp() override = default;

    int64_t GetMemoryUsed() const override;
    int64_t GetBytesPerLine() const override { return m_bytesPerLine; }
    void AllocatePixels(int32_t width, int32_t height, const PLPixelFormat& format) override;
    void BuildLineArray() override;
    void FreePixels() override;

private:
    std::unique_ptr<uint8_t[]> m_pBits;
    std::unique_ptr<PLPixel32[]> m_palette;
    std::unique_ptr<uint8_t*[]> m_lines;
    int64_t m_bytesPerLine = 0;
};
