#include "tests/support/ContentsRecords.h"

#include "platform/mfc/String.h"
#include "tests/support/RecordParts.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

namespace {

void WriteVector(CArchive& ar, const CVector3d& v)
{
    ar << v.x << v.y << v.z;
}

void WritePoint(CArchive& ar, const CPoint3d& p)
{
    ar << p.x << p.y << p.z;
}

// A plain material of schema 7 without an entity part: name, no texture, not managed, colour.
void WriteMaterialBody(CArchive& ar, CColor color)
{
    ar << CString(L"Paint") << uint8_t{0} << uint8_t{0} << color.red << color.green << color.blue
       << color.alpha;
}

}  // namespace

ModelFileWriter::VersionMap ContentsRecords::GetVersionMap() const
{
    return {{"CEntity", m_schemas.entity},
            {"CDrawingElement", 9},
            {"CMaterial", 7},
            {"CLayer", 2},
            {"CSectionPlane", 2},
            {"CConstructionGeometry", 0},
            {"CConstructionLine", m_schemas.constructionLine},
            {"CConstructionPoint", 0},
            {"CPolyline3d", 0},
            {"CZphCS", 0}};
}

void ContentsRecords::WriteEntityPart(CArchive& ar) const
{
    WriteEntityRecordPart(ar, m_schemas.entity);
}

void ContentsRecords::WriteElementPart(ModelFileWriter& file, CArchive& ar,
                                       const ElementFields& element) const
{
    if (element.material) {
        const CColor color = *element.material;
        file.WriteObjectRecord("CMaterial", 7,
                               [color](CArchive& nested) { WriteMaterialBody(nested, color); });
    } else {
        ar << static_cast<const CObject*>(nullptr);
    }
    // Hidden, casts and receives shadows, soft, smooth, locked.
    ar << element.hidden << true << true << false << false << false;
    if (element.layer) {
        const CString name(std::wstring(element.layer->begin(), element.layer->end()).c_str());
        file.WriteObjectRecord("CLayer", 2, [name](CArchive& nested) {
            nested << name << uint8_t{0};
            WriteMaterialBody(nested, CColor(0, 0, 255));
            nested << uint32_t{0};
        });
    } else {
        ar << static_cast<const CObject*>(nullptr);
    }
}

Bytes ContentsRecords::SectionPlane(const ElementFields& element, const double (&plane)[4]) const
{
    ModelFileWriter file;
    file.WriteObjectRecord("CSectionPlane", 2, [&](CArchive& ar) {
        WriteEntityPart(ar);
        WriteElementPart(file, ar, element);
        ar << plane[0] << plane[1] << plane[2] << plane[3];
    });
    return file.Finish();
}

Bytes ContentsRecords::GuideLine(const ElementFields& element, const GuideLineFields& line) const
{
    ModelFileWriter file;
    const int32_t schema = m_schemas.constructionLine;
    file.WriteObjectRecord("CConstructionLine", static_cast<uint32_t>(schema), [&](CArchive& ar) {
        WriteEntityPart(ar);
        WriteElementPart(file, ar, element);
        WritePoint(ar, line.origin);
        WriteVector(ar, line.direction);
        if (schema >= 1)
            ar << line.t0 << line.t1 << line.stipple;
    });
    return file.Finish();
}

Bytes ContentsRecords::GuidePoint(const ElementFields& element, const CPoint3d& position,
                                  const CPoint3d& fromPosition, bool hasFromLine) const
{
    ModelFileWriter file;
    file.WriteObjectRecord("CConstructionPoint", 0, [&](CArchive& ar) {
        WriteEntityPart(ar);
        WriteElementPart(file, ar, element);
        WritePoint(ar, position);
        WritePoint(ar, fromPosition);
        ar << hasFromLine;
    });
    return file.Finish();
}

Bytes ContentsRecords::Polyline(const ElementFields& element, int32_t count,
                                const std::vector<CPoint3d>& points) const
{
    ModelFileWriter file;
    file.WriteObjectRecord("CPolyline3d", 0, [&](CArchive& ar) {
        WriteEntityPart(ar);
        WriteElementPart(file, ar, element);
        ar << count;
        for (const CPoint3d& point : points)
            WritePoint(ar, point);
    });
    return file.Finish();
}

Bytes ContentsRecords::Axes(const ElementFields& element, const AxesFields& axes) const
{
    ModelFileWriter file;
    file.WriteObjectRecord("CZphCS", 0, [&](CArchive& ar) {
        WriteEntityPart(ar);
        WriteElementPart(file, ar, element);
        WritePoint(ar, axes.origin);
        WriteVector(ar, axes.x);
        WriteVector(ar, axes.y);
        WriteVector(ar, axes.z);
    });
    return file.Finish();
}

Bytes ContentsRecords::AxesWithBrokenElementPart(const AxesFields& axes) const
{
    ModelFileWriter file;
    file.WriteObjectRecord("CZphCS", 0, [&](CArchive& ar) {
        WriteEntityPart(ar);
        // Where the material belongs, a back reference to the axes themselves (object 2, after
        // their class): a reference of the wrong class, read whole, that ends the element part.
        ar << uint16_t{2};
        WritePoint(ar, axes.origin);
        WriteVector(ar, axes.x);
        WriteVector(ar, axes.y);
        WriteVector(ar, axes.z);
    });
    return file.Finish();
}
