#pragma once
// The model-file forms of values that live inside the records of their entities: a typed value
// (Variant) of a style, the picture (ImageRep) of a scene, and the stroke set of hand-drawn
// edges. Only the reading direction exists: the program stores no model.
//
// Every count and size read is checked against the bytes left before anything is allocated;
// short or malformed records raise the archive's exception, which aborts the model's reading.

#include <cstdint>
#include <vector>

#include "database/ArchiveReading.h"
#include "database/Dib.h"
#include "platform/mfc/Archive.h"

namespace orbisk {
class NPREdge;
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

// The stroke set of hand-drawn edges: a version; the dropout length and fade factor as doubles
// (version 2 on) or as pixel counts (versions 0 and 1), both through the stroke set's
// validating setters; width, halo switch, halo length, prototypes per length; the counted
// lengths; the counted stroke images (CDib references) in texture form, each held by the set.
void ReadNPREdgeRecord(CArchive& ar, orbisk::NPREdge& strokeSet);

namespace records {

// The images of a stroke-set record, each held once. Each image read for the first time here is
// turned into texture form once (a back reference to it names the same object, already
// converted). When the record fails, the holds go with it, and an image nothing else holds is
// freed.
std::vector<CDibRef> ReadStrokeImages(CArchive& ar);

}  // namespace records
