#include "tests/support/DimensionRecords.h"

namespace {

void WriteVector(CArchive& ar, double x, double y, double z)
{
    ar << x << y << z;
}

void WriteColor(CArchive& ar, const uint8_t (&color)[4])
{
    ar << color[0] << color[1] << color[2] << color[3];
}

void WritePath(CArchive& ar, const std::vector<const CObject*>& path, int32_t countOverride)
{
    ar << (countOverride >= 0 ? countOverride : static_cast<int32_t>(path.size()));
    for (const CObject* instance : path)
        ar.WriteObject(instance);
}

}  // namespace

DimensionRecords::DimensionRecords(DimensionSchemas schemas) : m_schemas(schemas) {}

DimensionRecords::~DimensionRecords() = default;

template <class T>
T& DimensionRecords::Add(const char* className, int32_t schema)
{
    return AddRecord<T>(*this, m_classes, m_records, className, schema);
}

DimensionRecords::StyleRecord& DimensionRecords::Style()
{
    return Add<StyleRecord>("CDimensionStyle", m_schemas.style);
}

DimensionRecords::LinearRecord& DimensionRecords::Linear()
{
    return Add<LinearRecord>("CDimensionLinear", m_schemas.linear);
}

DimensionRecords::RadialRecord& DimensionRecords::Radial()
{
    return Add<RadialRecord>("CDimensionRadial", m_schemas.radial);
}

Bytes DimensionRecords::Archive(std::initializer_list<const CObject*> records)
{
    return WrittenBy([&](CArchive& ar) {
        for (const CObject* record : records)
            ar.WriteObject(record);
    });
}

ModelFileWriter::VersionMap DimensionRecords::GetVersionMap() const
{
    return {{"CEntity", 3},
            {"CDrawingElement", 9},
            {"CDimension", m_schemas.dimension},
            {"CDimensionStyle", m_schemas.style},
            {"CDimensionLinear", m_schemas.linear},
            {"CDimensionRadial", m_schemas.radial}};
}

void DimensionRecords::Point::Write(CArchive& ar) const
{
    ar << kind << version;
    WriteVector(ar, parameters.x, parameters.y, parameters.z);
    ar.WriteObject(entity);
    if (version > 0)
        ar.WriteObject(entity2);
    WritePath(ar, path, pathCountOverride);
    if (version > 3)
        WritePath(ar, path2, -1);
}

void DimensionRecords::Record::WriteDimensionPart(CArchive& ar) const
{
    ar.WriteObject(nullptr);  // no attribute container
    ar.WriteObject(nullptr);  // no material
    ar << false;              // not hidden
    ar << true << true;       // shadow flags
    ar << false << false << false;
    ar.WriteObject(nullptr);  // the default layer
    ar << CString(text.c_str());
    if (m_owner.m_schemas.dimension >= 1) {
        ar.WriteObject(nullptr);  // no font of its own
        ar << aligned << arrowType;
    }
}

void DimensionRecords::StyleRecord::WriteBody(CArchive& ar) const
{
    const int32_t v = m_owner.m_schemas.style;
    ar.WriteObject(nullptr);  // no attribute container
    ar << fontType;
    if (v >= 1)
        ar.WriteObject(nullptr);
    ar << aligned << keepReadable << value1;
    if (v >= 3)
        ar << value2;
    ar << lineWidth << arrowType;
    if (v >= 3)
        ar << value3;
    ar << highlight;
    WriteColor(ar, highlightColor);
    ar << radiusPrefix << hideOutOfPlane << outOfPlane << hideWhenSmall << minimumSize;
    if (v >= 2) {
        WriteColor(ar, defaultColor);
        WriteColor(ar, color4);
    }
    if (v >= 4)
        ar << textPosition;
}

void DimensionRecords::LinearRecord::WriteBody(CArchive& ar) const
{
    const int32_t v = m_owner.m_schemas.linear;
    if (v >= 2)
        WriteDimensionPart(ar);
    if (v >= 1) {
        point1.Write(ar);
        point2.Write(ar);
    } else {
        ar.WriteObject(vertex1);
        ar.WriteObject(vertex2);
    }
    WriteVector(ar, normal.x, normal.y, normal.z);
    if (v >= 4)
        WriteVector(ar, xAxis.x, xAxis.y, xAxis.z);
    else
        ar << xAxisAngle;
    ar << type << yOffset;
    if (v >= 3)
        ar << xOffset;
    if (v >= 6)
        ar << textPosition;
}

void DimensionRecords::RadialRecord::WriteBody(CArchive& ar) const
{
    WriteDimensionPart(ar);
    ar.WriteObject(edge);
    ar << leaderAngle << leaderPosition << diameter;
    if (edge)
        return;
    WriteVector(ar, center.x, center.y, center.z);
    WriteVector(ar, 0, 0, 1);
    WriteVector(ar, radius, 0, 0);
    ar << startAngle << endAngle;
    if (m_owner.m_schemas.radial >= 2)
        WriteVector(ar, 0, radius, 0);
}
