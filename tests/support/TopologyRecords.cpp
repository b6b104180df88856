#include "tests/support/TopologyRecords.h"

#include "tests/support/RecordParts.h"

namespace {

void WritePoint(CArchive& ar, double x, double y, double z)
{
    ar << x << y << z;
}

}  // namespace

TopologyRecords::TopologyRecords(TopologySchemas schemas) : m_schemas(schemas) {}

TopologyRecords::~TopologyRecords() = default;

template <class T>
T& TopologyRecords::Add(const char* className, int32_t schema)
{
    return AddRecord<T>(*this, m_classes, m_records, className, schema);
}

TopologyRecords::VertexRecord& TopologyRecords::Vertex(const CPoint3d& position)
{
    auto& record = Add<VertexRecord>("CVertex", m_schemas.vertex);
    record.position = position;
    return record;
}

TopologyRecords::EdgeRecord& TopologyRecords::Edge(const Record& start, const Record& end,
                                                   const Record* curve)
{
    auto& record = Add<EdgeRecord>("CEdge", m_schemas.edge);
    record.start = &start;
    record.end = &end;
    record.curve = curve;
    return record;
}

TopologyRecords::EdgeUseRecord& TopologyRecords::EdgeUse(const Record& edge, bool reversed,
                                                         const Record& loop)
{
    auto& record = Add<EdgeUseRecord>("CEdgeUse", m_schemas.edgeUse);
    record.edge = &edge;
    record.reversed = reversed;
    record.loop = &loop;
    return record;
}

TopologyRecords::LoopRecord& TopologyRecords::Loop(bool outer)
{
    auto& record = Add<LoopRecord>("CLoop", m_schemas.loop);
    record.outer = outer;
    return record;
}

TopologyRecords::CurveRecord& TopologyRecords::Curve()
{
    return Add<CurveRecord>("CCurve", m_schemas.curve);
}

TopologyRecords::ArcCurveRecord& TopologyRecords::ArcCurve(const CPoint3d& center, double radius)
{
    auto& record = Add<ArcCurveRecord>("CArcCurve", m_schemas.arcCurve);
    record.center = center;
    record.xAxis = {radius, 0.0, 0.0};
    record.yAxis = {0.0, radius, 0.0};
    return record;
}

void TopologyRecords::WriteReference(CArchive& ar, const Record* record)
{
    ar.WriteObject(record);
}

Bytes TopologyRecords::Archive(std::initializer_list<const Record*> records)
{
    return WrittenBy([&](CArchive& ar) {
        for (const Record* record : records)
            WriteReference(ar, record);
    });
}

ModelFileWriter::VersionMap TopologyRecords::GetVersionMap() const
{
    return {{"CEntity", m_schemas.entity},   {"CDrawingElement", m_schemas.drawingElement},
            {"CVertex", m_schemas.vertex},   {"CEdge", m_schemas.edge},
            {"CEdgeUse", m_schemas.edgeUse}, {"CLoop", m_schemas.loop},
            {"CCurve", m_schemas.curve},     {"CArcCurve", m_schemas.arcCurve}};
}

void TopologyRecords::WriteEntityPart(CArchive& ar) const
{
    WriteEntityRecordPart(ar, m_schemas.entity);
}

void TopologyRecords::WriteDrawingElementPart(CArchive& ar, const EdgeRecord& edge) const
{
    WriteDrawingElementRecordPart(ar, m_schemas.drawingElement,
                                  {.hidden = edge.hidden, .soft = edge.soft, .smooth = edge.smooth});
}

void TopologyRecords::Record::Serialize(CArchive& ar)
{
    m_owner.WriteEntityPart(ar);
    WriteBody(ar);
}

void TopologyRecords::VertexRecord::WriteBody(CArchive& ar) const
{
    WritePoint(ar, position.x, position.y, position.z);
}

void TopologyRecords::EdgeRecord::WriteBody(CArchive& ar) const
{
    m_owner.WriteDrawingElementPart(ar, *this);
    WriteReference(ar, start);
    WriteReference(ar, end);
    if (m_owner.m_schemas.edge >= 1)
        WriteReference(ar, curve);
}

void TopologyRecords::EdgeUseRecord::WriteBody(CArchive& ar) const
{
    WriteReference(ar, edge);
    ar << reversed;
    WriteReference(ar, loop);
    if (m_owner.m_schemas.edgeUse == 0) {
        WriteReference(ar, previous);
        WriteReference(ar, next);
    }
}

void TopologyRecords::LoopRecord::WriteBody(CArchive& ar) const
{
    ar << outer << convex;
    WriteReference(ar, uses.empty() ? nullptr : uses.front());
    if (m_owner.m_schemas.loop == 0 || uses.empty())
        return;
    for (size_t i = 1; i < uses.size(); ++i)
        WriteReference(ar, uses[i]);
    WriteReference(ar, nullptr);
}

void TopologyRecords::CurveRecord::WriteCurvePart(CArchive& ar) const
{
    const int32_t schema = m_owner.m_schemas.curve;
    if (schema == 0 || schema == 3) {
        WriteReference(ar, first);
        WriteReference(ar, last);
    }
    if (schema >= 2 && schema <= 4)
        ar << flag;
    if (schema == 3 || schema == 4)
        ar << count;
}

void TopologyRecords::CurveRecord::WriteBody(CArchive& ar) const
{
    WriteCurvePart(ar);
}

void TopologyRecords::ArcCurveRecord::WriteBody(CArchive& ar) const
{
    WriteCurvePart(ar);
    WritePoint(ar, center.x, center.y, center.z);
    WritePoint(ar, normal.x, normal.y, normal.z);
    WritePoint(ar, xAxis.x, xAxis.y, xAxis.z);
    ar << startAngle << endAngle;
    if (m_owner.m_schemas.arcCurve >= 1)
        WritePoint(ar, yAxis.x, yAxis.y, yAxis.z);
}
