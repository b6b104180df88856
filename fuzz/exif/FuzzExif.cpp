// Any segment must be read or refused without a crash, a hang or a wild allocation, and
// every tag read must have its texts.

#include "image/PLExif.h"
#include "image/PLTextException.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PLExif exif;
    try {
        exif.ReadSegment(data, size);
    } catch (const PLTextException&) {
        return 0;
    }
    size_t length = 0;
    for (const auto& tag : exif.GetAllTags()) {
        length += tag->GetValueText().size() + tag->GetDisplayText().size();
        if (exif.GetTag(tag->GetName()) == nullptr)
            __builtin_trap();
    }
    // Texts are bounded whatever the segment says.
    if (length > exif.GetAllTags().size() * 2 * (PLExif::kMaxTextLength + 64))
        __builtin_trap();
    return 0;
}
