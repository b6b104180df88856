#include "tests/support/TextRecords.h"

#include "tests/support/RecordParts.h"

namespace {

void WriteTriple(CArchive& ar, double x, double y, double z)
{
    ar << x << y << z;
}

void WriteColor(CArchive& ar, const orbisk::utils::CColor& color)
{
    ar << color.red << color.green << color.blue << color.alpha;
}

void WritePath(CArchive& ar, const std::vector<const CObject*>& path)
{
    ar << static_cast<int32_t>(path.size());
    for (const CObject* instance : path)
        TextRecords::WriteReference(ar, instance);
}

}  // namespace

TextRecords::TextRecords(TextSchemas schemas) : m_schemas(schemas) {}

TextRecords::~TextRecords() = default;

template <class T>
T& TextRecords::Add(const char* className, int32_t schema)
{
    return AddRecord<T>(*this, m_classes, m_records, className, schema);
}

TextRecords::FontRecord& TextRecords::Font(const CString& face, int32_t pointSize)
{
    auto& record = Add<FontRecord>("CZpFont", m_schemas.font);
    record.face = face;
    record.pointSize = pointSize;
    return record;
}

TextRecords::TextStyleRecord& TextRecords::TextStyle()
{
    return Add<TextStyleRecord>("CTextStyle", m_schemas.textStyle);
}

TextRecords::TextRecord& TextRecords::Text(const CString& text)
{
    auto& record = Add<TextRecord>("CText", m_schemas.text);
    record.text = text;
    return record;
}

void TextRecords::WriteReference(CArchive& ar, const CObject* record)
{
    ar.WriteObject(record);
}

Bytes TextRecords::Archive(std::initializer_list<const CObject*> records)
{
    return WrittenBy([&](CArchive& ar) {
        for (const CObject* record : records)
            WriteReference(ar, record);
    });
}

ModelFileWriter::VersionMap TextRecords::GetVersionMap() const
{
    return {{"CEntity", m_schemas.entity},
            {"CDrawingElement", m_schemas.drawingElement},
            {"CZpFont", m_schemas.font},
            {"CTextStyle", m_schemas.textStyle},
            {"CText", m_schemas.text}};
}

void TextRecords::WriteEntityPart(CArchive& ar) const
{
    WriteEntityRecordPart(ar, m_schemas.entity);
}

void TextRecords::WriteDrawingElementPart(CArchive& ar) const
{
    WriteDrawingElementRecordPart(ar, m_schemas.drawingElement);
}

void TextRecords::WriteAnchor(CArchive& ar, const AnchorRecord& anchor)
{
    ar << anchor.kind << anchor.version;
    WriteTriple(ar, anchor.parameters[0], anchor.parameters[1], anchor.parameters[2]);
    WriteReference(ar, anchor.entity);
    if (anchor.version > 0)
        WriteReference(ar, anchor.entity2);
    WritePath(ar, anchor.path);
    if (anchor.version > 3)
        WritePath(ar, anchor.path2);
}

void TextRecords::Record::Serialize(CArchive& ar)
{
    m_owner.WriteEntityPart(ar);
    WriteBody(ar);
}

void TextRecords::FontRecord::WriteBody(CArchive& ar) const
{
    ar << face << italic << bold << pointSize;
    if (m_owner.m_schemas.font >= 1)
        ar << modelSize << modelHeight;
}

void TextRecords::TextStyleRecord::WriteBody(CArchive& ar) const
{
    const int32_t schema = m_owner.m_schemas.textStyle;
    if (schema == 3)
        ar << face << height << bold << italic << CString(L"dropped");
    else
        WriteReference(ar, font);
    ar << setting4 << setting2 << flag3 << setting1 << flag5;
    if (schema > 1)
        WriteColor(ar, color);
    if (schema > 4) {
        WriteColor(ar, secondColor);
        WriteReference(ar, secondFont);
    }
}

void TextRecords::TextRecord::WriteBody(CArchive& ar) const
{
    const int32_t schema = m_owner.m_schemas.text;
    m_owner.WriteDrawingElementPart(ar);
    if (schema == 0)
        return;
    if (schema > 3)
        WriteReference(ar, font);
    if (schema < 5)
        WriteReference(ar, legacyEntity);
    ar << xOffset << yOffset;
    if (schema > 4)
        WriteAnchor(ar, anchor);
    else
        WriteTriple(ar, legacyPoint.x, legacyPoint.y, legacyPoint.z);
    if (schema < 6) {
        WriteTriple(ar, first.x, first.y, first.z);
        WriteTriple(ar, second.x, second.y, second.z);
    } else {
        WriteTriple(ar, leaderVector.x, leaderVector.y, leaderVector.z);
    }
    WriteTriple(ar, placementDirection.x, placementDirection.y, placementDirection.z);
    if (schema >= 3 && schema <= 7)
        ar << viewScale;
    ar << leaderType << lineWidth << frontSide << hideWhenTurned << arrowType;
    if (schema > 1)
        ar << leaderShown;
    ar << text;
    if (schema > 7)
        ar << extraFlag;
    if (schema > 8)
        ar << extension;
}
