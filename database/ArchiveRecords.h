#pragma once
// The model-file forms of values that live inside the records of their entities: a typed value
// (Variant) of a style and the picture (ImageRep) of a scene. Only the reading direction exists:
// the program stores no model.
//
// Every count and size read is checked against the bytes left before anything is allocated;
// short or malformed records raise the archive's exception, which aborts the model's reading.

#include <cstdint>

#include "platform/mfc/Archive.h"

namespace orbisk {
class Variant;
namespace imageutils {
class ImageRep;
}
}  // namespace orbisk

// A 32-bit version (ignored), a 32-bit Variant type code and the payload of that code. Codes
// without a payload (string 8, object 13, unknown ones) leave the variant as it was.
void ReadVariantRecord(CArchive& ar, orbisk::Variant& variant);

// A presence byte, then a signed 32-bit size and that many bytes of an encoded image file,
// which the image decodes. Present but without bytes, the image is emptied.
void ReadImageRecord(CArchive& ar, orbisk::imageutils::ImageRep& image);
