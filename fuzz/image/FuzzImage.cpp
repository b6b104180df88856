// Any input must decode or end in a codec exception: no crash, hang or wild allocation.
// Inputs go through the auto-detecting decoder; those that begin like a Windows metafile
// also go through the metafile decoder, which the detector reaches only by file name.

#include "image/PLAnyBmp.h"
#include "image/PLAnyPicDecoder.h"
#include "image/PLTextException.h"
#include "image/PLWEMFDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

bool LooksLikeMetafile(const uint8_t* data, size_t size)
{
    // The placeable header's key, or a metafile header: type 1 or 2, 9 words long.
    if (size >= 4 && std::memcmp(data, "\xD7\xCD\xC6\x9A", 4) == 0)
        return true;
    return size >= 4 && (data[0] == 1 || data[0] == 2) && data[1] == 0 && data[2] == 9 && data[3] == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    try {
        decoder.DecodeMemory(data, size, bmp);
    } catch (const PLTextException&) {}
    if (LooksLikeMetafile(data, size)) {
        static PLWEMFDecoder metafiles;
        try {
            metafiles.DecodeMemory(data, size, bmp);
        } catch (const PLTextException&) {}
    }
    return 0;
}
