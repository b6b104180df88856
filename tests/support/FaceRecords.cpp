#include "tests/support/FaceRecords.h"

#include "tests/support/RecordParts.h"

FaceRecords::FaceRecords(TopologyRecords& topology, FaceSchemas schemas)
    : m_topology(topology), m_schemas(schemas)
{}

FaceRecords::~FaceRecords() = default;

template <class T>
T& FaceRecords::Add(const char* className, int32_t schema)
{
    return AddRecord<T>(*this, m_classes, m_records, className, schema);
}

FaceRecords::FaceRecord& FaceRecords::Face(const std::array<double, 4>& plane,
                                           std::vector<const CObject*> loops)
{
    auto& record = Add<FaceRecord>("CFace", m_schemas.face);
    record.plane = plane;
    record.loops = std::move(loops);
    return record;
}

FaceRecords::TextureCoordsRecord& FaceRecords::TextureCoords()
{
    return Add<TextureCoordsRecord>("CFaceTextureCoords", m_schemas.faceTextureCoords);
}

const CObject& FaceRecords::StandIn(size_t index)
{
    while (m_standIns.size() <= index)
        m_standIns.push_back(std::make_unique<StandInObject>());
    return *m_standIns[index];
}

Bytes FaceRecords::Archive(std::initializer_list<const CObject*> records)
{
    return WrittenBy([&](CArchive& ar) {
        for (const auto& standIn : m_standIns)
            ar.MapObject(standIn.get());
        for (const CObject* record : records)
            ar.WriteObject(record);
    });
}

void FaceRecords::MapStandIns(CArchive& ar, std::initializer_list<const CObject*> objects)
{
    for (const CObject* object : objects)
        ar.MapObject(object);
}

ModelFileWriter::VersionMap FaceRecords::GetVersionMap() const
{
    ModelFileWriter::VersionMap map = m_topology.GetVersionMap();
    map.push_back({"CFace", m_schemas.face});
    map.push_back({"CFaceTextureCoords", m_schemas.faceTextureCoords});
    map.push_back({"CAttribute", m_schemas.attribute});
    return map;
}

void FaceRecords::WriteEntityPart(CArchive& ar, const CObject* attributes) const
{
    WriteEntityRecordPart(ar, m_topology.GetSchemas().entity, attributes);
}

void FaceRecords::WriteDrawingElementPart(CArchive& ar, const CObject* material) const
{
    WriteDrawingElementRecordPart(ar, m_topology.GetSchemas().drawingElement, {.material = material});
}

void FaceRecords::Record::Serialize(CArchive& ar)
{
    const auto* face = dynamic_cast<const FaceRecord*>(this);
    m_owner.WriteEntityPart(ar, face ? face->attributes : nullptr);
    WriteBody(ar);
}

void FaceRecords::FaceRecord::WriteBody(CArchive& ar) const
{
    m_owner.WriteDrawingElementPart(ar, frontMaterial);
    for (double value : plane)
        ar << value;
    ar << loopCount.value_or(static_cast<int32_t>(loops.size()));
    for (const CObject* loop : loops)
        ar.WriteObject(loop);
    const int32_t schema = m_owner.m_schemas.face;
    if (schema == 1) {
        ar << int32_t(schema1Material ? 1 : 0);
        if (schema1Material)
            ar.WriteObject(schema1Material);
    }
    if (schema >= 3)
        ar.WriteObject(backMaterial);
}

void FaceRecords::TextureCoordsRecord::WriteBody(CArchive& ar) const
{
    ar << uint32_t(0);  // the attribute's value word
    const int32_t schema = m_owner.m_schemas.faceTextureCoords;
    auto writeMapping = [&](const TextureSide& side) {
        for (double value : side.mapping)
            ar << value;
    };
    auto writeProjection = [&](const TextureSide& side) {
        for (double value : side.projection)
            ar << value;
    };
    auto writePairs = [&](const TextureSide& side) {
        ar << side.pairCount.value_or(static_cast<int32_t>(side.pairs.size()));
        for (const auto& pair : side.pairs) {
            for (double value : pair)
                ar << value;
        }
    };
    writeMapping(front);
    if (schema >= 1)
        writeProjection(front);
    if (schema >= 2) {
        writeMapping(back);
        writeProjection(back);
    }
    if (schema >= 3) {
        writePairs(front);
        writePairs(back);
    }
    if (schema >= 4)
        ar << front.flags << back.flags;
}
