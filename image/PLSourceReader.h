#pragma once

// Small readers over a data source for the decoders that parse their formats themselves.
// Every read goes through PLDataSource, so running past the end of the data throws code 11
// like any other short read; nothing here trusts a value it reads.

#include "image/PLBmp.h"
#include "image/PLDataSource.h"
#include "image/PLPixel32.h"
#include "image/PLTextException.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace plread {

inline uint8_t Byte(PLDataSource& source)
{
    return *source.ReadBytes(1);
}

inline uint16_t Le16(PLDataSource& source)
{
    const uint8_t* b = source.ReadBytes(2);
    return uint16_t(b[0] | b[1] << 8);
}

inline uint32_t Le32(PLDataSource& source)
{
    const uint8_t* b = source.ReadBytes(4);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

inline uint16_t Be16(PLDataSource& source)
{
    const uint8_t* b = source.ReadBytes(2);
    return uint16_t(b[0] << 8 | b[1]);
}

inline uint32_t Be32(PLDataSource& source)
{
    const uint8_t* b = source.ReadBytes(4);
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
}

inline uint16_t Be16(const uint8_t* b)
{
    return uint16_t(b[0] << 8 | b[1]);
}

inline uint32_t Be32(const uint8_t* b)
{
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
}

// Skips count bytes; a negative count or one past the end of the data is the end of data.
inline void Skip(PLDataSource& source, int64_t count)
{
    if (count < 0 || uint64_t(count) > source.GetBytesLeft())
        throw PLTextException(PLErr::EndOfData, "End of file reached while decoding.\n");
    source.ReadBytes(size_t(count));
}

// Throws code 11 unless at least count more bytes are there: a count taken from a file
// is checked with this before anything is allocated for it.
inline void Require(const PLDataSource& source, uint64_t count)
{
    if (count > source.GetBytesLeft())
        throw PLTextException(PLErr::EndOfData, "End of file reached while decoding.\n");
}

// A field of bits bits (1 to 16) as 8 bits: wider fields keep their top 8 bits,
// narrower ones repeat their bits downwards, so that their largest value becomes 255.
inline uint8_t ExpandBits(uint32_t value, int bits)
{
    if (bits >= 8)
        return uint8_t(value >> (bits - 8));
    if (bits <= 0)
        return 0;
    uint32_t result = 0;
    for (int shift = 8 - bits; shift > -bits; shift -= bits)
        result |= shift >= 0 ? value << shift : value >> -shift;
    return uint8_t(result);
}

// Refuses image sides before anything is made for them: counting each row and each
// column as at least one pixel of at least one byte (rows get a pointer each even when
// empty), the image may hold no more than the largest bitmap, nor more than a few
// thousand times the bytes of its data (16 MiB at least), as the decode itself requires.
inline void CheckSides(const PLDataSource& source, int64_t width, int64_t height)
{
    constexpr int64_t kMinimum = int64_t{16} << 20;
    constexpr int64_t kPerDataByte = 4096;
    if (width < 0 || height < 0)
        return;  // refused as invalid when the bitmap is made
    const int64_t budget = std::max(kMinimum, int64_t(source.GetFileSize()) * kPerDataByte);
    const int64_t pixels = std::max<int64_t>(width, 1) * std::max<int64_t>(height, 1);
    if (pixels > std::min(budget, kPLMaxBitmapBytes))
        RaiseDecoderError(PLErr::FormatUnknown, "Image size %lld x %lld is more than the data can hold.",
                          static_cast<long long>(width), static_cast<long long>(height));
}

inline PLPixel32 Opaque(uint8_t red, uint8_t green, uint8_t blue)
{
    return {blue, green, red, 255};
}

}  // namespace plread
