#include "tests/support/ModelFiles.h"

#include <fstream>
#include <functional>
#include <stdexcept>

#include "platform/mfc/String.h"
#include "tests/support/RecordParts.h"
#include "tests/support/StyleRecords.h"

namespace {

constexpr int32_t kNo = -1;

struct RegistryRow {
    const char* className;
    // Registries 1 (the newest format) to 6; kNo where the format had no such class.
    std::array<int32_t, 6> schemas;
};

constexpr RegistryRow kRegistries[] = {
    {"CZephyronModel", {22, 22, 18, 12, 12, 10}},
    {"CDimension", {1, 1, 1, 0, 0, 0}},
    {"CDimensionStyle", {4, 4, 4, 4, 4, 4}},
    {"CZpFont", {1, 1, 1, 0, 0, 0}},
    {"CRenderingOptions", {36, 35, 32, 28, 25, 22}},
    {"CShadowInfo", {7, 7, 7, 7, 7, 7}},
    {"CComponentBehavior", {5, 5, 4, 4, 4, 3}},
    {"CDib", {3, 3, 3, 2, 2, 2}},
    {"CCamera", {5, 5, 5, 4, 4, kNo}},
    {"CZephyronPage", {1, 1, 1, 1, 1, 1}},
    {"CPageList", {1, 1, 1, 1, 1, kNo}},
    {"CViewPage", {12, 11, 11, 9, 9, 6}},
    {"CWatermark", {1, 1, 1, 1, 1, 1}},
    {"CText", {9, 9, 9, 9, 9, 9}},
    {"CTextStyle", {5, 5, 5, 4, 4, 4}},
    {"CMaterial", {12, 12, 12, 12, 12, 12}},
    {"CZphStyleManager", {2, 2, 2, kNo, kNo, kNo}},
    {"CZphStyle", {1, 1, 1, kNo, kNo, kNo}},
    {"CWatermarkManager", {2, 2, 2, kNo, kNo, kNo}},
    {"CComponentInstance", {4, 4, 4, 4, 3, 3}},
    {"CComponentDefinition", {10, 10, 10, 10, 10, 10}},
    {"CComponent", {11, 11, 11, 11, 11, 11}},
    {"CAttributeContainer", {0, 0, 0, 0, 0, kNo}},
    {"CEntity", {3, 3, 3, 3, 3, 2}},
    {"CAttributeNamed", {1, 1, 0, 0, 0, kNo}},
    {"CBackgroundImage", {10, 9, 1, kNo, kNo, kNo}},
    {"CEdge", {2, 2, 2, 2, 2, 2}},
    {"CDimensionRadial", {2, 2, 2, 2, 2, 2}},
    {"CDimensionLinear", {6, 6, 6, 4, 4, 4}},
    {"CArcCurve", {1, 1, 1, 1, 1, 1}},
    {"CSectionPlane", {2, 2, 2, 2, 2, 2}},
    {"CGroup", {1, 1, 1, 1, 1, 1}},
    {"CImage", {1, 1, 1, 1, 1, 1}},
    {"CConstructionLine", {1, 1, 1, 1, 1, 0}},
    {"CConstructionPoint", {0, 0, 0, 0, 0, 0}},
    {"CPolyline3d", {0, 0, 0, 0, 0, 0}},
    {"CFontManager", {0, 0, 0, 0, 0, 0}},
    {"CZphCS", {0, 0, 0, 0, 0, 0}},
    {"CLayerManager", {4, 4, 4, 4, 4, 4}},
    {"CLayer", {2, 2, 2, 2, 2, 1}},
    {"CDrawingElement", {9, 9, 9, 9, 8, 8}},
    {"CDefinitionList", {0, 0, 0, 0, 0, 0}},
    {"CMaterialManager", {4, 4, 4, 4, 4, 4}},
    {"CVertex", {0, 0, 0, 0, 0, 0}},
    {"CEdgeUse", {1, 1, 1, 1, 1, 1}},
    {"CFace", {3, 3, 3, 3, 3, 3}},
    {"CLoop", {1, 1, 1, 1, 1, 1}},
    {"CTexture", {6, 6, 6, 4, 4, 4}},
    {"CRelationship", {0, 0, 0, 0, 0, 0}},
    {"CRelationshipMap", {0, 0, 0, 0, 0, 0}},
    {"CThumbnail", {1, 1, 1, 1, 1, 0}},
    {"CCurve", {4, 4, 4, 4, 4, 3}},
    {"CFaceTextureCoords", {4, 4, 4, 4, 4, kNo}},
    {"CAttribute", {0, 0, 0, 0, 0, kNo}},
    {"CConstructionGeometry", {0, 0, 0, 0, 0, 0}},
};

constexpr int32_t kImageJpeg = 1;
constexpr int32_t kNewestModelSchema = 22;

// Index 0 to 5 of the registry a writer of model schema f used.
int RegistryOfModelSchema(int32_t f)
{
    if (f >= 22)
        return 0;
    if (f >= 18)
        return 2;
    if (f >= 12)
        return 3;
    return 5;
}

void WriteText(CArchive& ar, const std::wstring& text)
{
    ar << CString(text.c_str());
}

void WriteColor(CArchive& ar, const Rgba& color)
{
    ar << color[0] << color[1] << color[2] << color[3];
}

void WriteTriple(CArchive& ar, double x, double y, double z)
{
    ar << x << y << z;
}

void WriteList(CArchive& ar, const std::vector<const CObject*>& objects)
{
    ar << static_cast<int32_t>(objects.size());
    for (const CObject* object : objects)
        ar.WriteObject(object);
}

}  // namespace

ModelFileWriter::VersionMap VersionMapOfModelSchema(int32_t f)
{
    const int base = RegistryOfModelSchema(f);
    ModelFileWriter::VersionMap map;
    for (const RegistryRow& row : kRegistries) {
        int registry = base;
        while (registry > 0 && row.schemas[registry] == kNo)
            --registry;
        if (row.schemas[registry] != kNo)
            map.emplace_back(row.className, row.schemas[registry]);
    }
    map.front().second = f;
    return map;
}

ModelFileWriter::Header HeaderOfModelSchema(int32_t f)
{
    ModelFileWriter::Header header;
    header.guid = {0x5A, 0x50, 0x48, 0x01, 0x02, 0x03, 0x04, 0x05,
                   0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D};
    header.creationTime = 1262304000;  // 2010-01-01 00:00 UTC
    struct Version {
        int32_t major, minor, build;
    };
    constexpr Version kWriters[] = {{8, 0, 3669}, {7, 1, 6860}, {6, 0, 515},
                                    {5, 0, 150},  {4, 0, 299},  {3, 0, 116}};
    const Version& writer = kWriters[RegistryOfModelSchema(f)];
    header.major = writer.major;
    header.minor = writer.minor;
    header.build = writer.build;
    return header;
}

Bytes BitmapFile(int32_t width, int32_t height, const std::vector<Rgba>& pixels)
{
    const int32_t rowSize = (width * 3 + 3) / 4 * 4;
    const int32_t imageSize = rowSize * height;
    Bytes bytes = Ascii("BM") + LittleEndian(uint32_t(54 + imageSize), uint32_t{0}, uint32_t{54}) +
                  LittleEndian(uint32_t{40}, width, height, uint16_t{1}, uint16_t{24}, uint32_t{0},
                               uint32_t(imageSize), int32_t{2835}, int32_t{2835}, uint32_t{0}, uint32_t{0});
    // Stored bottom row first, blue before green before red.
    for (int32_t y = height - 1; y >= 0; --y) {
        for (int32_t x = 0; x < width; ++x) {
            const Rgba& pixel = pixels.at(static_cast<size_t>(y * width + x));
            bytes = bytes + Bytes{pixel[2], pixel[1], pixel[0]};
        }
        bytes = bytes + Bytes(static_cast<size_t>(rowSize - width * 3), 0);
    }
    return bytes;
}

// An object record of this model: its class tag carries the map's schema, its body is written
// from the model's fields when the archive first meets it.
class WholeModel::Record : public CObject {
public:
    Record(WholeModel&, const CRuntimeClass& runtimeClass) : m_runtimeClass(runtimeClass) {}
    const CRuntimeClass* GetRuntimeClass() const override { return &m_runtimeClass; }
    void Serialize(CArchive& ar) override { body(ar); }

    std::function<void(CArchive&)> body;

private:
    const CRuntimeClass& m_runtimeClass;
};

WholeModel::WholeModel(int32_t modelSchema)
    : header(HeaderOfModelSchema(modelSchema)), versionMap(VersionMapOfModelSchema(modelSchema))
{}

WholeModel::~WholeModel() = default;

int32_t WholeModel::VersionValue() const
{
    return ModelFileWriter::VersionValue(header.major, header.minor, header.build);
}

int32_t WholeModel::Schema(std::string_view className) const
{
    if (VersionValue() < 1022)
        return 0;
    int32_t schema = 0;
    for (const auto& [name, number] : versionMap) {
        if (name == className)
            schema = number;
    }
    return schema;
}

uint32_t WholeModel::ModelSchema() const
{
    return static_cast<uint32_t>(Schema("CZephyronModel"));
}

bool WholeModel::IsWritten(ModelField field) const
{
    const uint32_t f = ModelSchema();
    const int32_t value = VersionValue();
    switch (field) {
        case ModelField::TwoValues: return f >= 7;
        case ModelField::StoredValue: return f >= 18;
        case ModelField::Thumbnail:
        case ModelField::ThumbnailFlag: return f >= 4;
        case ModelField::ComponentBehavior: return value >= 1055;
        case ModelField::Description: return value >= 1059;
        case ModelField::Options:
        case ModelField::Attributes:
        case ModelField::SecondImage: return f >= 21;
        case ModelField::Camera: return true;
        case ModelField::RenderingOptions: return value >= 1023;
        case ModelField::LooseVertices: return true;
        case ModelField::RootElements: return f == 0;
        case ModelField::CheckValue: return f >= 17;
        case ModelField::RootComponent: return f >= 1;
        case ModelField::ShadowInfo: return f >= 2;
        case ModelField::SceneList: return f >= 12;
        case ModelField::OlderScenes: return f < 12 && value >= 1043;
        case ModelField::OldTexts: return value >= 1047 && f < 6;
        case ModelField::OldMaterials: return value >= 1054 && f < 3;
        case ModelField::DrawingAxes: return value >= 1154;
        case ModelField::SixteenValues: return value >= 1199;
        case ModelField::OlderOptions: return f >= 5 && f <= 20;
        case ModelField::DimensionStyle: return f >= 8;
        case ModelField::TextStyle: return f >= 10;
        case ModelField::FontManager: return f >= 9;
        case ModelField::BackgroundImage: return f == 13 || f >= 15;
        case ModelField::Styles: return f >= 14;
        case ModelField::Watermarks: return f >= 16;
        case ModelField::TrailingValue: return f >= 20;
        case ModelField::TrailingByte: return f == 19;
        case ModelField::MipmapFlag: return f >= 22;
    }
    return false;
}

TopologyRecords& WholeModel::Topology()
{
    if (!m_topology) {
        m_topology = std::make_unique<TopologyRecords>(TopologySchemas{
            .entity = Schema("CEntity"),
            .drawingElement = Schema("CDrawingElement"),
            .vertex = Schema("CVertex"),
            .edge = Schema("CEdge"),
            .edgeUse = Schema("CEdgeUse"),
            .loop = Schema("CLoop"),
            .curve = Schema("CCurve"),
            .arcCurve = Schema("CArcCurve"),
        });
    }
    return *m_topology;
}

FaceRecords& WholeModel::Faces()
{
    if (!m_faces) {
        m_faces =
            std::make_unique<FaceRecords>(Topology(), FaceSchemas{
                                                          .face = Schema("CFace"),
                                                          .faceTextureCoords = Schema("CFaceTextureCoords"),
                                                          .attribute = Schema("CAttribute"),
                                                      });
    }
    return *m_faces;
}

ComponentRecords& WholeModel::Components()
{
    if (!m_components) {
        ComponentSchemas schemas;
        schemas.entity = Schema("CEntity");
        schemas.drawingElement = Schema("CDrawingElement");
        schemas.component = Schema("CComponent");
        schemas.definition = Schema("CComponentDefinition");
        schemas.instance = Schema("CComponentInstance");
        schemas.group = Schema("CGroup");
        schemas.image = Schema("CImage");
        schemas.behavior = Schema("CComponentBehavior");
        schemas.materialManager = Schema("CMaterialManager");
        schemas.layerManager = Schema("CLayerManager");
        schemas.thumbnail = Schema("CThumbnail");
        m_components = std::make_unique<ComponentRecords>(schemas);
    }
    return *m_components;
}

TextRecords& WholeModel::Texts()
{
    if (!m_texts) {
        m_texts = std::make_unique<TextRecords>(TextSchemas{
            .entity = Schema("CEntity"),
            .drawingElement = Schema("CDrawingElement"),
            .font = Schema("CZpFont"),
            .textStyle = Schema("CTextStyle"),
            .text = Schema("CText"),
        });
    }
    return *m_texts;
}

DimensionRecords& WholeModel::Dimensions()
{
    if (!m_dimensions) {
        m_dimensions = std::make_unique<DimensionRecords>(DimensionSchemas{
            .dimension = Schema("CDimension"),
            .style = Schema("CDimensionStyle"),
            .linear = Schema("CDimensionLinear"),
            .radial = Schema("CDimensionRadial"),
        });
    }
    return *m_dimensions;
}

const CObject& WholeModel::NewRecord(const char* className, std::function<void(CArchive&)> body)
{
    auto& record = AddRecord<Record>(*this, m_classes, m_records, className, Schema(className));
    record.body = std::move(body);
    return record;
}

const CObject& WholeModel::Image(Bytes encoded, int32_t kind)
{
    return NewRecord("CDib", [this, encoded = std::move(encoded), kind](CArchive& ar) {
        const int32_t v = Schema("CDib");
        if (v == 0)
            return;
        if (v >= 2)
            ar << kind;
        ar << static_cast<int32_t>(encoded.size());
        WriteBytes(ar, encoded);
        if (v >= 3 && kind == kImageJpeg)
            ar << int32_t{75};
    });
}

const CObject& WholeModel::Material(const MaterialFields& fields)
{
    return NewRecord("CMaterial", [this, fields](CArchive& ar) {
        WriteEntityPart(ar);
        WriteMaterialBody(ar, fields);
    });
}

const CObject& WholeModel::Layer(const LayerFields& fields)
{
    return NewRecord("CLayer", [this, fields](CArchive& ar) {
        const int32_t v = Schema("CLayer");
        WriteEntityPart(ar);
        WriteText(ar, fields.name);
        ar << fields.hidden;
        if (v == 0) {
            WriteColor(ar, fields.color);
            ar.WriteObject(nullptr);
        } else {
            // The layer's own material, in place.
            WriteEntityPart(ar);
            MaterialFields material;
            material.name = fields.name;
            material.color = fields.color;
            WriteMaterialBody(ar, material);
        }
        if (v >= 2)
            ar << fields.behavior;
    });
}

const CObject& WholeModel::Scene(const SceneFields& fields)
{
    // From scene version 7 on the camera is an object of its own.
    const CObject* camera = nullptr;
    if (fields.page.flags & 0x01) {
        camera = &NewRecord("CCamera", [this, camera = fields.camera](CArchive& ar) {
            WriteBytes(ar, CameraRecord(camera, Schema("CCamera")));
        });
    }
    return NewRecord("CViewPage", [this, fields, camera](CArchive& ar) { WriteScene(ar, fields, camera); });
}

Bytes WholeModel::Write()
{
    ModelFileWriter file;
    file.WriteHeader(header);
    if (VersionValue() >= 1022)
        file.WriteVersionMap(versionMap);
    for (int field = static_cast<int>(ModelField::TwoValues);
         field <= static_cast<int>(ModelField::MipmapFlag); ++field) {
        if (IsWritten(static_cast<ModelField>(field)))
            WriteField(file.Archive(), static_cast<ModelField>(field));
    }
    return file.Finish();
}

void WholeModel::SaveTo(const std::string& path)
{
    const Bytes bytes = Write();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

void WholeModel::WriteField(CArchive& ar, ModelField field)
{
    switch (field) {
        case ModelField::TwoValues: ar << twoValues[0] << twoValues[1]; return;
        case ModelField::StoredValue: ar << storedValue; return;
        case ModelField::Thumbnail: ar.WriteObject(thumbnail); return;
        case ModelField::ThumbnailFlag: ar << thumbnailFlag; return;
        case ModelField::ComponentBehavior: WriteBehavior(ar); return;
        case ModelField::Description: WriteText(ar, description); return;
        case ModelField::Options:
        case ModelField::OlderOptions: WriteOptions(ar); return;
        case ModelField::Attributes: ar.WriteObject(attributes); return;
        case ModelField::SecondImage: ar.WriteObject(secondImage); return;
        case ModelField::Camera: WriteCamera(ar); return;
        case ModelField::RenderingOptions: WriteRenderingOptions(ar); return;
        case ModelField::LooseVertices: WriteList(ar, looseVertices); return;
        case ModelField::RootElements: WriteList(ar, rootElements); return;
        case ModelField::CheckValue: ar << checkValue; return;
        case ModelField::RootComponent: WriteRootComponent(ar); return;
        case ModelField::ShadowInfo: WriteShadowInfo(ar); return;
        case ModelField::SceneList: WriteSceneList(ar); return;
        case ModelField::OlderScenes: WriteList(ar, scenes); return;
        case ModelField::OldTexts:
            ar << static_cast<int32_t>(oldTexts.size());
            for (const std::wstring& text : oldTexts)
                WriteText(ar, text);
            return;
        case ModelField::OldMaterials: WriteMaterialManager(ar, oldMaterials); return;
        case ModelField::DrawingAxes: WriteAxes(ar); return;
        case ModelField::SixteenValues:
            for (const int32_t value : sixteenValues)
                ar << value;
            return;
        case ModelField::DimensionStyle: WriteDimensionStyle(ar); return;
        case ModelField::TextStyle: WriteTextStyle(ar); return;
        case ModelField::FontManager: WriteFontManager(ar); return;
        case ModelField::BackgroundImage: ar.WriteObject(backgroundImage); return;
        case ModelField::Styles: WriteStyleManager(ar); return;
        case ModelField::Watermarks: WriteWatermarkManager(ar); return;
        case ModelField::TrailingValue: ar << trailingValue; return;
        case ModelField::TrailingByte: ar << trailingByte; return;
        case ModelField::MipmapFlag: ar << mipmaps; return;
    }
}

void WholeModel::WriteEntityPart(CArchive& ar) const
{
    WriteEntityRecordPart(ar, Schema("CEntity"));
}

void WholeModel::WriteElementPart(CArchive& ar) const
{
    WriteEntityPart(ar);
    WriteDrawingElementRecordPart(ar, Schema("CDrawingElement"));
}

void WholeModel::WriteBehavior(CArchive& ar) const
{
    const int32_t v = Schema("CComponentBehavior");
    WriteEntityPart(ar);
    if (v >= 3)
        ar << behavior.snapEnabled;
    ar << behavior.cutsOpening;
    if (v >= 2)
        ar << behavior.snapTo;
    if (v >= 4)
        ar << behavior.flags;
    if (v >= 5)
        ar << behavior.storedValue;
}

void WholeModel::WriteOptions(CArchive& ar) const
{
    ar << int32_t{2} << static_cast<int32_t>(optionProviders.size());
    for (const std::wstring& provider : optionProviders) {
        WriteText(ar, provider);
        WriteText(ar, L"");  // no options
    }
}

// From model schema 11 on the camera is an object of its own; before, its older form in place.
void WholeModel::WriteCamera(CArchive& ar)
{
    if (ModelSchema() <= 10) {
        WriteBytes(ar, InlineCameraRecord(camera));
        return;
    }
    if (!m_camera) {
        m_camera = &NewRecord(
            "CCamera", [this](CArchive& out) { WriteBytes(out, CameraRecord(camera, Schema("CCamera"))); });
    }
    ar.WriteObject(m_camera);
}

// Every setting at the default of a new model, in the fields of the given schema.
void WholeModel::WriteRenderingOptions(CArchive& ar) const
{
    const int32_t v = Schema("CRenderingOptions");
    const Rgba noColor{0, 0, 0, 0};
    WriteEntityPart(ar);
    ar << int32_t{2};  // shaded
    if (v >= 17 && v <= 21)
        ar << int32_t{2};  // transparency, no X-ray
    else
        ar << false;  // no X-ray
    if (v >= 22)
        ar << true;  // transparency
    ar << false;     // no jitter
    if (v < 9)
        ar << true;
    else
        ar << int32_t{1};  // edges shown
    WriteColor(ar, noColor);
    WriteColor(ar, noColor);
    WriteColor(ar, {255, 255, 0, 255});
    if (v >= 11)
        WriteColor(ar, {128, 128, 128, 255});
    if (v >= 1)
        ar << false;
    if (v == 2)
        ar << true;
    if (v >= 4)
        ar << false;  // component axes
    if (v >= 5)
        ar << false;  // colour by layer
    if (v >= 6)
        ar << true << int32_t{1};  // textures, edge colour mode
    if (v >= 7) {
        ar << false << int32_t{8} << true << int32_t{3};  // extensions, profiles
        if (v >= 26)
            ar << false << int32_t{4} << false << int32_t{5};  // depth cue, endpoints
        if (v >= 28)
            ar << false;
        ar << false;  // hidden geometry
    }
    if (v >= 8)
        ar << int32_t{0};
    if (v >= 10) {
        WriteColor(ar, {225, 225, 200, 255});
        WriteColor(ar, {128, 128, 200, 255});
    }
    if (v >= 12)
        ar << 0.75 << 0.5 << false << false;  // fades of inactive parts
    if (v >= 29) {
        ar << false;
        WriteColor(ar, noColor);
        ar << true << -1.0 << -1.0;  // fog
    }
    if (v >= 30)
        ar << int32_t{1};
    if (v >= 31)
        ar << int32_t{0} << true << true << true << false;  // edge kind, axes, text, dimensions, guides
    const Rgba sky{140, 165, 255, 255};
    const Rgba ground{63, 147, 63, 255};
    if (v == 13) {
        WriteColor(ar, sky);
        WriteColor(ar, ground);
        ar << int32_t{0} << int32_t{0} << int32_t{1};
    } else if (v >= 14) {
        WriteColor(ar, sky);
        if (v >= 24)
            WriteColor(ar, noColor);  // horizon
        WriteColor(ar, ground);
        ar << false << false << true;
    }
    if (v >= 13)
        ar << int32_t{50};  // ground transparency
    if (v >= 15) {
        WriteColor(ar, {102, 110, 141, 255});
        WriteColor(ar, {192, 192, 192, 255});
        WriteColor(ar, {255, 0, 0, 255});
        ar << int32_t{4} << int32_t{3};  // section cut width, section display
    }
    if (v == 16 || v == 18) {
        ar << (v == 16);
    } else {
        if (v >= 19)
            ar << int32_t{0};  // transparency sort
        if (v >= 20)
            ar << true << 0.3490658503988659;  // soft edges hidden below 20 degrees
        if (v >= 21)
            ar << true;
    }
    if (v == 23 || v == 24)
        ar << false;
    if (v >= 27)
        WriteColor(ar, {255, 0, 0, 255});
    if (v >= 32)
        ar << true;  // watermarks
    if (v == 33) {
        ar << true;  // mipmaps
        return;
    }
    if (v >= 35)
        ar << 0.5;  // X-ray opacity
    if (v >= 36)
        ar << false << true << 1.0 << true << 0.8;  // back edges, photo behind and in front
}

void WholeModel::WriteRootComponent(CArchive& ar)
{
    ComponentRecords::ComponentRecord& record = root ? *root : Components().Component();
    if (!root)
        root = &record;
    if (materials.empty() && layers.empty()) {
        record.Serialize(ar);
        return;
    }
    WriteRootWithManagers(ar, record);
}

// The component record with lists in its managers, which ComponentRecords keeps empty.
void WholeModel::WriteRootWithManagers(CArchive& ar, const ComponentRecords::ComponentRecord& record) const
{
    const int32_t v = Schema("CComponent");
    if (v < 9)
        throw std::logic_error("materials and layers of the root need component schema 9 on");
    WriteElementPart(ar);
    WriteMaterialManager(ar, materials);
    WriteLayerManager(ar);
    WriteList(ar, record.definitions);
    WriteList(ar, record.entities);
    ar << int32_t{0};  // no relationships
    ar.WriteObject(record.activeSectionPlane);
    if (v == 10)
        ar << int32_t{0};  // no fonts
}

void WholeModel::WriteMaterialManager(CArchive& ar, const std::vector<const CObject*>& list) const
{
    const int32_t v = Schema("CMaterialManager");
    if (v >= 1)
        WriteEntityPart(ar);
    WriteList(ar, list);
    if (v >= 2)
        ar.WriteObject(nullptr);  // no current material
    if (v == 3)
        ar.WriteObject(nullptr);
}

void WholeModel::WriteLayerManager(CArchive& ar) const
{
    const int32_t v = Schema("CLayerManager");
    if (v >= 1)
        WriteEntityPart(ar);
    WriteList(ar, layers);
    if (v == 3 || (v > 3 && !layers.empty()))
        ar.WriteObject(layers.empty() ? nullptr : layers.front());
    else if (v < 3)
        WriteText(ar, L"Layer0");
}

void WholeModel::WriteShadowInfo(CArchive& ar) const
{
    WriteEntityPart(ar);
    WriteBytes(ar, ShadowInfoRecord(shadows, Schema("CShadowInfo")));
}

void WholeModel::WriteSceneList(CArchive& ar) const
{
    WriteEntityPart(ar);
    WriteList(ar, scenes);
    ar.WriteObject(selectedScene);
}

void WholeModel::WriteScene(CArchive& ar, const SceneFields& fields, const CObject* camera) const
{
    const int32_t v = Schema("CViewPage");
    if (Schema("CEntity") != 0)
        WriteEntityPart(ar);
    ScenePageFields page = fields.page;
    if (!(page.flags & 0x01) || v < 7) {
        if (page.flags & 0x01)
            page.camera = InlineCameraRecord(fields.camera);
        WriteBytes(ar, ScenePageRecord(page, v));
        return;
    }
    // The camera object stands between the name, description and flags and the rest.
    page.camera.clear();
    const Bytes bytes = ScenePageRecord(page, v);
    const auto head =
        static_cast<std::ptrdiff_t>(ArchiveText(page.name).size() + ArchiveText(page.description).size() + 4);
    WriteBytes(ar, Bytes(bytes.begin(), bytes.begin() + head));
    ar.WriteObject(camera);
    WriteBytes(ar, Bytes(bytes.begin() + head, bytes.end()));
}

void WholeModel::WriteAxes(CArchive& ar) const
{
    WriteElementPart(ar);
    WriteTriple(ar, axes.origin.x, axes.origin.y, axes.origin.z);
    WriteTriple(ar, axes.x.x, axes.x.y, axes.x.z);
    WriteTriple(ar, axes.y.x, axes.y.y, axes.y.z);
    WriteTriple(ar, axes.z.x, axes.z.y, axes.z.z);
}

void WholeModel::WriteDimensionStyle(CArchive& ar) const
{
    const int32_t v = Schema("CDimensionStyle");
    const DimensionStyleFields& s = dimensionStyle;
    WriteEntityPart(ar);
    ar << s.fontType;
    if (v >= 1)
        ar.WriteObject(s.font);
    ar << s.aligned << s.keepReadable << s.value1;
    if (v >= 3)
        ar << s.value2;
    ar << s.lineWidth << s.arrowType;
    if (v >= 3)
        ar << s.value3;
    ar << s.highlight;
    WriteColor(ar, s.highlightColor);
    ar << s.radiusPrefix << s.hideOutOfPlane << s.outOfPlane << s.hideWhenSmall << s.minimumSize;
    if (v >= 2) {
        WriteColor(ar, s.defaultColor);
        WriteColor(ar, s.color4);
    }
    if (v >= 4)
        ar << s.textPosition;
}

void WholeModel::WriteTextStyle(CArchive& ar) const
{
    const int32_t v = Schema("CTextStyle");
    const TextStyleFields& s = textStyle;
    WriteEntityPart(ar);
    if (v == 3) {
        WriteText(ar, s.inlineFace);
        ar << s.inlineHeight << false << false;  // not bold, not italic
        WriteText(ar, L"");
    } else {
        ar.WriteObject(s.font);
    }
    ar << s.setting4 << s.setting2 << s.flag3 << s.setting1 << s.flag5;
    if (v > 1)
        WriteColor(ar, s.color);
    if (v > 4) {
        WriteColor(ar, s.secondColor);
        ar.WriteObject(s.secondFont);
    }
}

void WholeModel::WriteFontManager(CArchive& ar) const
{
    WriteEntityPart(ar);
    WriteList(ar, fonts);
}

void WholeModel::WriteStyleManager(CArchive& ar) const
{
    WriteEntityPart(ar);
    WriteList(ar, styles);
    if (!styles.empty()) {
        ar.WriteObject(selectedStyle);
        ar.WriteObject(activeStyle);
    }
    if (Schema("CZphStyleManager") >= 2)
        ar << stylesModified;
}

void WholeModel::WriteWatermarkManager(CArchive& ar) const
{
    WriteEntityPart(ar);
    if (Schema("CWatermarkManager") < 2)
        ar << int32_t{0};  // the older list, empty
    WriteList(ar, watermarks);
}

void WholeModel::WriteMaterialBody(CArchive& ar, const MaterialFields& fields) const
{
    const int32_t v = Schema("CMaterial");
    WriteText(ar, fields.name);
    if (v < 3)
        ar << false;  // no value
    ar << fields.texture.has_value();
    if (fields.texture) {
        if (v < 4)
            throw std::logic_error("textures of material schemas below 4 are objects of their own");
        WriteTexture(ar, *fields.texture);
    }
    if (v >= 2 && v <= 4)
        ar << int32_t{0};  // use count
    if (v >= 6)
        ar << false;  // not managed
    if (v >= 7)
        WriteColor(ar, fields.color);
    if (v >= 8)
        WriteText(ar, L"");
    if (v >= 9)
        ar << int32_t{fields.texture ? 1 : 0};  // textured or plain colour
    if (v >= 10)
        ar << int32_t{0};
    if (v >= 11)
        ar << fields.transparency;
    if (v >= 12)
        ar << fields.useTransparency;
}

void WholeModel::WriteTexture(CArchive& ar, const TextureFields& texture) const
{
    const int32_t v = Schema("CTexture");
    if (v >= 5)
        WriteEntityPart(ar);
    if (v >= 6 || v < 2) {
        ar.WriteObject(texture.image);
    } else {
        // The image in place: the body of the image record.
        ar << (texture.image != nullptr);
        if (texture.image)
            const_cast<CObject*>(texture.image)->Serialize(ar);
    }
    ar << texture.xScale << texture.yScale;
    WriteText(ar, texture.fileName);
    if (v >= 1)
        WriteColor(ar, texture.averageColor);
    if (v == 3)
        ar << int32_t{0} << int32_t{0};
}
