#pragma once
// The parts every entity record begins with, as the record writers of the toolkit write them
// for any schema of "CEntity" and "CDrawingElement".

#include <cstdint>

#include "platform/mfc/Archive.h"

// Under entity schema 1 a 32-bit 0, from 3 on the attribute container's reference (null: none),
// otherwise nothing.
void WriteEntityRecordPart(CArchive& ar, int32_t entitySchema, const CObject* attributes = nullptr);

struct DrawingElementPart {
    const CObject* material = nullptr;  // from schema 5 on; before, no colour
    bool hidden = false;
    bool soft = false;
    bool smooth = false;
};

// The drawing-element part (after the entity part) under a drawing-element schema: material or
// colour, the flags the schema has, and the default layer.
void WriteDrawingElementRecordPart(CArchive& ar, int32_t schema, const DrawingElementPart& part = {});
