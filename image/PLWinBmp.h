#pragma once

#include "image/PLBmp.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Codec bitmap whose pixels live in a packed Windows device-independent bitmap (DIB), the
// layout of bitmap files, resources and the clipboard. The block, little-endian:
//   a 40-byte BITMAPINFOHEADER: size 40, width, height (positive: rows bottom-up),
//     planes 1, bit count, compression 0 (BI_RGB), then five fields left 0;
//   for bit counts up to 15, a colour table of 2^bits entries blue, green, red, reserved,
//     which is the bitmap's palette;
//   the rows, bottom row first, each padded to a multiple of 4 bytes.
// The row table still gives row 0 as the top row, so codec code sees the usual order.
class PLWinBmp : public PLBmp {
public:
    static constexpr int kHeaderSize = 40;

    // A 16 x 16 "I8" image with a grey palette.
    PLWinBmp();
    PLWinBmp(const PLWinBmp& other);
    explicit PLWinBmp(const PLBmp& other);
    ~PLWinBmp() override;

    int64_t GetMemoryUsed() const override;
    int64_t GetBytesPerLine() const override;
    // Code 10, "Out of memory creating bitmap.", when the block cannot be allocated.
    void AllocatePixels(int32_t width, int32_t height, const PLPixelFormat& format) override;
    void BuildLineArray() override;
    void FreePixels() override;

    // Takes a packed DIB of size bytes (untrusted): a 40-byte header, no compression,
    // 1, 8, 16, 24 or 32 bits, bottom-up rows, a full colour table up to 8 bits. Anything
    // else, or fewer bytes than the header announces, raises code 2.
    void CreateFromDIB(const uint8_t* dib, size_t size);
    // The bitmap resource (a packed DIB) of that id, from the localised resource library
    // or else the program's own. Code 4 when there is none.
    void CreateFromResource(uint32_t id);
    // A copy of the packed DIB, as the clipboard carries it. Code 10, "Can't allocate
    // global memory block.", when the copy cannot be made.
    std::vector<uint8_t> CopyToGlobalMemory() const;

    // The start of the packed DIB (its header) and the number of bytes in it.
    const uint8_t* GetBitmapInfo() const { return m_pDIB.get(); }
    size_t GetPackedSize() const { return m_packedSize; }

private:
    void SetupPointers();

    std::unique_ptr<uint8_t[]> m_pDIB;
    size_t m_packedSize = 0;
    uint8_t* m_pBits = nullptr;
    std::unique_ptr<uint8_t*[]> m_lines;
};

// "L1", "I8", "X1R5G5B5", "R8G8B8" and "X8R8G8B8" for 1, 8, 16, 24 and 32 bits; the
// unnamed format for any other count.
const PLPixelFormat& FormatForDIBBits(int bits);
// Bytes of one DIB row: width x bits, in whole 32-bit words.
int64_t GetDIBBytesPerLine(int64_t width, int bits);
// Header, colour table (4 x 2^bits bytes up to 15 bits) and rows.
int64_t GetDIBSize(int64_t width, int64_t height, int bits);
