#pragma once
// The model-file record of a style document, held by the style entity's record: a version,
// the name and description, a thumbnail (version 1 only), then the counted properties. The
// stroke set (1013) has a record of its own; the watermark list (5001, version 3 on) is a count
// of watermark references, separators as null references; every other property is a typed
// value. Each property goes through Style::SetProperty, so an empty one adds nothing (and a
// property set after the thumbnail discards it).
//
// Counts are checked against the bytes left before anything is allocated; a short or malformed
// record raises the archive's exception, and whatever the record made is freed.

#include <vector>

#include "database/Dib.h"
#include "platform/mfc/Archive.h"

namespace orbisk {
class NPREdge;
class Style;
}  // namespace orbisk

void ReadStyleRecord(CArchive& ar, orbisk::Style& style);

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
