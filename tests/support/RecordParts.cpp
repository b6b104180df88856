#include "tests/support/RecordParts.h"

void WriteEntityRecordPart(CArchive& ar, int32_t entitySchema, const CObject* attributes)
{
    if (entitySchema == 1)
        ar << int32_t(0);
    else if (entitySchema >= 3)
        ar.WriteObject(attributes);
}

void WriteDrawingElementRecordPart(CArchive& ar, int32_t schema, const DrawingElementPart& part)
{
    if (schema >= 5)
        ar.WriteObject(part.material);
    else if (schema != 2)
        ar << uint8_t(0) << uint8_t(0) << uint8_t(0) << uint8_t(0);  // no colour
    if (schema >= 1)
        ar << part.hidden;
    if (schema >= 6)
        ar << true << true;  // casts and receives shadows
    if (schema >= 7)
        ar << part.soft;
    if (schema >= 8)
        ar << part.smooth;
    if (schema >= 9)
        ar << false;
    if (schema == 2)
        ar << false;  // no material
    else if (schema >= 4)
        ar.WriteObject(nullptr);  // the default layer
}
