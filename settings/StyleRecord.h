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

#include "platform/mfc/Archive.h"

namespace orbisk {
class Style;
}

void ReadStyleRecord(CArchive& ar, orbisk::Style& style);
