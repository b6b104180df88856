#include "image/PLPackBits.h"

#include "image/PLDataSource.h"

#include <algorithm>
#include <cstring>

void PLUnpackBits(const uint8_t* packed, size_t packedLength, uint8_t* row, size_t rowLength, int unit)
{
    const uint8_t* in = packed;
    const uint8_t* const inEnd = packed + packedLength;
    size_t out = 0;
    while (in < inEnd && out < rowLength) {
        const uint8_t n = *in++;
        if (n < 128) {
            // A literal cut by the end of the data or of the row keeps what fits.
            const size_t available = std::min(size_t(n + 1) * unit, size_t(inEnd - in));
            const size_t count = std::min(available, rowLength - out);
            std::memcpy(row + out, in, count);
            in += available;
            out += count;
        } else if (n > 128) {
            if (size_t(inEnd - in) < size_t(unit))
                break;
            for (int i = 0; i < 257 - n && out < rowLength; ++i) {
                const size_t count = std::min(size_t(unit), rowLength - out);
                std::memcpy(row + out, in, count);
                out += count;
            }
            in += unit;
        }
    }
    if (out < rowLength)
        std::memset(row + out, 0, rowLength - out);
}

void PLUnpackBitsFrom(PLDataSource& source, uint8_t* row, size_t rowLength)
{
    size_t out = 0;
    while (out < rowLength) {
        const uint8_t n = *source.ReadBytes(1);
        if (n < 128) {
            const size_t count = size_t(n) + 1;
            const uint8_t* literal = source.ReadBytes(count);
            const size_t kept = std::min(count, rowLength - out);
            std::memcpy(row + out, literal, kept);
            out += kept;
        } else if (n > 128) {
            const size_t count = std::min(size_t(257 - n), rowLength - out);
            std::memset(row + out, *source.ReadBytes(1), count);
            out += count;
        }
    }
}
