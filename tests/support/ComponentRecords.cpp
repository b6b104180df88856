#include "tests/support/ComponentRecords.h"

#include "platform/mfc/String.h"
#include "tests/support/RecordParts.h"

ComponentSchemas ComponentSchemas::Old()
{
    ComponentSchemas schemas;
    schemas.entity = 2;
    schemas.drawingElement = 8;
    schemas.component = 6;
    schemas.definition = 5;
    schemas.instance = 2;
    schemas.behavior = 3;
    schemas.materialManager = 0;
    schemas.layerManager = 2;
    return schemas;
}

ComponentTransform ComponentTransform::Translation(double x, double y, double z)
{
    ComponentTransform transform;
    transform.translation = {x, y, z};
    return transform;
}

ComponentTransform ComponentTransform::Scaling(double x, double y, double z)
{
    ComponentTransform transform;
    transform.matrix = {x, 0, 0, 0, y, 0, 0, 0, z};
    return transform;
}

ComponentRecords::ComponentRecords(ComponentSchemas schemas) : m_schemas(schemas) {}

ComponentRecords::~ComponentRecords() = default;

template <class T>
T& ComponentRecords::Add(const char* className, int32_t schema)
{
    return AddRecord<T>(*this, m_classes, m_records, className, schema);
}

ComponentRecords::ComponentRecord& ComponentRecords::Component()
{
    return Add<ComponentRecord>("CComponent", m_schemas.component);
}

ComponentRecords::DefinitionRecord& ComponentRecords::Definition(const std::wstring& name, int32_t kind)
{
    auto& record = Add<DefinitionRecord>("CComponentDefinition", m_schemas.definition);
    record.name = name;
    record.kind = kind;
    return record;
}

ComponentRecords::InstanceRecord& ComponentRecords::Placed(const char* className, int32_t schema,
                                                           DefinitionRecord& definition,
                                                           const Transform& transform)
{
    auto& record = Add<InstanceRecord>(className, schema);
    record.definition = &definition;
    record.transform = transform;
    definition.instances.push_back(&record);
    return record;
}

ComponentRecords::InstanceRecord& ComponentRecords::Instance(DefinitionRecord& definition,
                                                             const Transform& transform)
{
    return Placed("CComponentInstance", m_schemas.instance, definition, transform);
}

ComponentRecords::InstanceRecord& ComponentRecords::Group(DefinitionRecord& definition,
                                                          const Transform& transform)
{
    return Placed("CGroup", m_schemas.group, definition, transform);
}

ComponentRecords::InstanceRecord& ComponentRecords::Image(DefinitionRecord& definition,
                                                          const Transform& transform)
{
    return Placed("CImage", m_schemas.image, definition, transform);
}

void ComponentRecords::WriteReference(CArchive& ar, const CObject* record)
{
    ar.WriteObject(record);
}

Bytes ComponentRecords::Archive(const CObject& record)
{
    return WrittenBy([&](CArchive& ar) { WriteReference(ar, &record); });
}

ModelFileWriter::VersionMap ComponentRecords::GetVersionMap() const
{
    return {{"CEntity", m_schemas.entity},
            {"CDrawingElement", m_schemas.drawingElement},
            {"CComponent", m_schemas.component},
            {"CComponentDefinition", m_schemas.definition},
            {"CComponentInstance", m_schemas.instance},
            {"CGroup", m_schemas.group},
            {"CImage", m_schemas.image},
            {"CComponentBehavior", m_schemas.behavior},
            {"CMaterialManager", m_schemas.materialManager},
            {"CLayerManager", m_schemas.layerManager},
            {"CThumbnail", m_schemas.thumbnail},
            {"CDefinitionList", 0},
            {"CRelationshipMap", 0},
            {"CFontManager", 0}};
}

void ComponentRecords::WriteEntityPart(CArchive& ar) const
{
    WriteEntityRecordPart(ar, m_schemas.entity);
}

void ComponentRecords::WriteDrawingElementPart(CArchive& ar) const
{
    WriteDrawingElementRecordPart(ar, m_schemas.drawingElement);
}

void ComponentRecords::WriteMaterialManager(CArchive& ar) const
{
    if (m_schemas.materialManager >= 1)
        WriteEntityPart(ar);
    ar << int32_t(0);
    if (m_schemas.materialManager >= 2)
        WriteReference(ar, nullptr);
    if (m_schemas.materialManager == 3)
        WriteReference(ar, nullptr);
}

void ComponentRecords::WriteLayerManager(CArchive& ar) const
{
    if (m_schemas.layerManager >= 1)
        WriteEntityPart(ar);
    ar << int32_t(0);
    if (m_schemas.layerManager == 3)
        WriteReference(ar, nullptr);
    else if (m_schemas.layerManager < 3)
        WriteText(ar, L"Layer0");
}

void ComponentRecords::WriteList(CArchive& ar, const std::vector<const CObject*>& records)
{
    ar << static_cast<int32_t>(records.size());
    for (const CObject* record : records)
        WriteReference(ar, record);
}

void ComponentRecords::WriteTransform(CArchive& ar, const Transform& transform)
{
    for (const double value : transform.matrix)
        ar << value;
    for (const double value : transform.translation)
        ar << value;
    ar << transform.scale;
}

void ComponentRecords::WriteText(CArchive& ar, const std::wstring& text)
{
    ar << CString(text.c_str());
}

void ComponentRecords::Record::Serialize(CArchive& ar)
{
    m_owner.WriteEntityPart(ar);
    WriteBody(ar);
}

void ComponentRecords::ComponentRecord::WriteComponentPart(CArchive& ar) const
{
    const int32_t v = m_owner.m_schemas.component;
    m_owner.WriteDrawingElementPart(ar);
    if (v >= 9) {
        m_owner.WriteMaterialManager(ar);
        m_owner.WriteLayerManager(ar);
        WriteList(ar, definitions);
    }
    WriteList(ar, entities);
    if (v < 7)
        WriteTransform(ar, legacyTransform);
    if (v >= 1)
        ar << int32_t(0);  // no relationships
    if (v >= 2 && v < 9)
        WriteList(ar, definitions);
    if (v >= 3 && v < 6)
        ar << int32_t(0);  // no material
    if (v >= 4 && v < 9)
        m_owner.WriteMaterialManager(ar);
    if (v >= 5 && v < 9)
        m_owner.WriteLayerManager(ar);
    if (v >= 8)
        WriteReference(ar, activeSectionPlane);
    if (v == 10)
        ar << int32_t(0);  // no fonts
}

void ComponentRecords::ComponentRecord::WriteBody(CArchive& ar) const
{
    WriteComponentPart(ar);
}

void ComponentRecords::DefinitionRecord::WriteBody(CArchive& ar) const
{
    WriteComponentPart(ar);
    const int32_t v = m_owner.m_schemas.definition;
    for (const uint8_t byte : guid)
        ar << byte;
    if (v > 2) {
        WriteText(ar, name);
        WriteText(ar, description);
    }
    if (v > 3) {
        WriteText(ar, thirdTexts.empty() ? std::wstring() : thirdTexts.back());
    } else {
        ar << static_cast<int32_t>(thirdTexts.size());
        for (const std::wstring& text : thirdTexts)
            WriteText(ar, text);
    }
    ar << time;
    if (v > 8)
        ar << edited;
    if (v > 4)
        ar << insertionPoint.x << insertionPoint.y << insertionPoint.z;
    if (v < 6)
        WriteList(ar, instances);
    if (v > 1) {
        // The behaviour's record in place.
        const int32_t b = m_owner.m_schemas.behavior;
        m_owner.WriteEntityPart(ar);
        if (b >= 3)
            ar << false;  // does not glue
        ar << false;      // cuts no opening
        if (b >= 2)
            ar << int32_t(0);
        if (b >= 4)
            ar << static_cast<uint8_t>(facesCamera ? 1 : 0);
        if (b >= 5)
            ar << uint32_t(0);
    }
    if (v > 7)
        ar << kind;
    if (v > 9)
        WriteReference(ar, nullptr);  // no thumbnail
}

void ComponentRecords::InstanceRecord::WriteBody(CArchive& ar) const
{
    // Groups and images are stored as instances, under the instance's schema.
    const int32_t v = m_owner.m_schemas.instance;
    m_owner.WriteDrawingElementPart(ar);
    WriteReference(ar, definition);
    WriteTransform(ar, transform);
    if (v < 2)
        ar << int32_t(0);
    if (v == 1 || v == 2)
        ar << int32_t(0);  // no material
    if (v > 3)
        WriteText(ar, name);
}
