// Any input must decode or end in a codec exception: no crash, hang or wild allocation.

#include "image/PLAnyBmp.h"
#include "image/PLAnyPicDecoder.h"
#include "image/PLTextException.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    try {
        decoder.DecodeMemory(data, size, bmp);
    } catch (const PLTextException&) {}
    return 0;
}
