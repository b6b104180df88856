#pragma once
// Whole model files for tests and examples: the header, the class-version map and every field
// after it, each written only when its condition on the version's value and on f (the model
// class's schema in the map) holds, so that a file of any model schema from 0 to 22 can be made
// and read back complete.
//
//   WholeModel model(18);                        // the map of the format whose model schema is 18
//   const Bytes minimal = model.Write();          // every sub-record at its default
//
//   WholeModel house;                             // the newest format
//   auto& brick = house.Material({.name = L"Brick", .color = {150, 60, 40, 255}});
//   auto& root = house.Components().Component();  // faces from house.Topology() and Faces()
//   house.root = &root;
//   house.materials = {&brick};
//   house.SaveTo("house.zph");
//
// The helpers' records (topology, faces, components, texts, dimensions) are made with the
// schemas of the map as it is when each helper is first asked for; set the map before that.
// Sub-records the helpers do not write (options, behaviour, axes, dimension and text styles, the
// managers of fonts, styles and watermarks, materials, layers, scenes, images) are written here
// for any schema of their class. Cutting or corrupting a file is a matter of editing the Bytes.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mfc/Archive.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/ComponentRecords.h"
#include "tests/support/ContentsRecords.h"
#include "tests/support/DimensionRecords.h"
#include "tests/support/FaceRecords.h"
#include "tests/support/ModelFileWriter.h"
#include "tests/support/RecordClasses.h"
#include "tests/support/SceneRecords.h"
#include "tests/support/SettingsRecords.h"
#include "tests/support/TextRecords.h"
#include "tests/support/TopologyRecords.h"

using Rgba = std::array<uint8_t, 4>;

// The fields after the class-version map, in file order.
enum class ModelField {
    TwoValues = 7,
    StoredValue,
    Thumbnail,
    ThumbnailFlag,
    ComponentBehavior,
    Description,
    Options,
    Attributes,
    SecondImage,
    Camera,
    RenderingOptions,
    LooseVertices,
    RootElements,
    CheckValue,
    RootComponent,
    ShadowInfo,
    SceneList,
    OlderScenes,
    OldTexts,
    OldMaterials,
    DrawingAxes,
    SixteenValues,
    OlderOptions,
    DimensionStyle,
    TextStyle,
    FontManager,
    BackgroundImage,
    Styles,
    Watermarks,
    TrailingValue,
    TrailingByte,
    MipmapFlag,
};

// The map a writer of the format whose model schema is f stores: the newest registry whose
// model schema is at most f (the oldest below 10), each class that registry lacks at the number
// of the nearest newer registry that has it, and the model class at f.
ModelFileWriter::VersionMap VersionMapOfModelSchema(int32_t f);
// The writing program's version of that format: 8.0.3669 for the newest.
ModelFileWriter::Header HeaderOfModelSchema(int32_t f);

// A 24-bit Windows bitmap file, rows padded to 4 bytes; pixel (x, y) with y = 0 the top row.
Bytes BitmapFile(int32_t width, int32_t height, const std::vector<Rgba>& pixels);

struct BehaviorFields {
    bool snapEnabled = false;
    bool cutsOpening = false;
    int32_t snapTo = 0;
    uint8_t flags = 0;
    uint32_t storedValue = 0;
};

struct TextureFields {
    const CObject* image = nullptr;  // a CDib record
    double xScale = 12.0;
    double yScale = 12.0;
    std::wstring fileName;
    Rgba averageColor{128, 128, 128, 255};
};

struct MaterialFields {
    std::wstring name = L"Material";
    Rgba color{200, 200, 200, 255};
    std::optional<TextureFields> texture{};
    double transparency = 0.0;
    bool useTransparency = false;
};

struct LayerFields {
    std::wstring name = L"Layer0";
    bool hidden = false;
    Rgba color{255, 255, 255, 255};
    uint32_t behavior = 0;
};

struct SceneFields {
    // The camera is written where the flags ask for it (0x01), inline below scene version 7.
    ScenePageFields page;
    CameraFields camera;
};

struct DimensionStyleFields {
    int32_t fontType = 0;
    const CObject* font = nullptr;
    bool aligned = false;
    bool keepReadable = true;
    int32_t value1 = 5, value2 = 10, lineWidth = 1, arrowType = 3, value3 = 10;
    bool highlight = false;
    Rgba highlightColor{255, 0, 0, 255};
    bool radiusPrefix = true;
    bool hideOutOfPlane = false;
    double outOfPlane = 0.6;
    bool hideWhenSmall = false;
    double minimumSize = 10.0;
    Rgba defaultColor{64, 64, 64, 255};
    Rgba color4{0, 0, 0, 0};
    int32_t textPosition = 1;
};

struct TextStyleFields {
    // A CZpFont record; schema 3 keeps the font inline instead.
    const CObject* font = nullptr;
    std::wstring inlineFace = L"Arial";
    int32_t inlineHeight = 12;
    int32_t setting4 = 2, setting2 = 1;
    bool flag3 = false;
    int32_t setting1 = 3;
    bool flag5 = true;
    Rgba color{0, 0, 0, 255};
    Rgba secondColor{0, 0, 0, 255};
    const CObject* secondFont = nullptr;
};

class WholeModel {
public:
    explicit WholeModel(int32_t modelSchema = 22);
    ~WholeModel();
    WholeModel(const WholeModel&) = delete;
    WholeModel& operator=(const WholeModel&) = delete;

    // Everything the file holds; a field is written only when its condition holds.
    ModelFileWriter::Header header;
    ModelFileWriter::VersionMap versionMap;
    std::array<int32_t, 2> twoValues{1, 1200};
    int32_t storedValue = 0;
    const CObject* thumbnail = nullptr;  // a CDib record (Image) or none
    bool thumbnailFlag = true;
    BehaviorFields behavior;
    std::wstring description;
    // Option providers, each written with no options of its own.
    std::vector<std::wstring> optionProviders;
    const CObject* attributes = nullptr;
    const CObject* secondImage = nullptr;
    // Written in place up to model schema 10, as an object from 11 on.
    CameraFields camera;
    std::vector<const CObject*> looseVertices;
    std::vector<const CObject*> rootElements;
    int32_t checkValue = 0;
    // A record of Components(); none: an empty root.
    ComponentRecords::ComponentRecord* root = nullptr;
    // When given, the root's managers list these (component schema 9 on); the current layer is
    // the first.
    std::vector<const CObject*> materials;
    std::vector<const CObject*> layers;
    ShadowFields shadows;
    std::vector<const CObject*> scenes;  // Scene records
    const CObject* selectedScene = nullptr;
    std::vector<std::wstring> oldTexts;
    std::vector<const CObject*> oldMaterials;
    AxesFields axes;
    std::array<int32_t, 16> sixteenValues{};
    DimensionStyleFields dimensionStyle;
    TextStyleFields textStyle;
    std::vector<const CObject*> fonts;
    const CObject* backgroundImage = nullptr;
    std::vector<const CObject*> styles;
    const CObject* selectedStyle = nullptr;
    const CObject* activeStyle = nullptr;
    bool stylesModified = false;
    std::vector<const CObject*> watermarks;
    int32_t trailingValue = 0;
    uint8_t trailingByte = 1;
    bool mipmaps = true;

    // f: the model class's schema in the map; 0 when the version is too old for a map.
    uint32_t ModelSchema() const;
    // A class's schema as a reader sees it: from the map, 0 when absent or without a map.
    int32_t Schema(std::string_view className) const;
    int32_t VersionValue() const;
    bool IsWritten(ModelField field) const;

    // Helpers for the model's contents, with the map's schemas.
    TopologyRecords& Topology();
    FaceRecords& Faces();
    ComponentRecords& Components();
    TextRecords& Texts();
    DimensionRecords& Dimensions();

    // Object records of this model, written where first referred to.
    const CObject& Image(Bytes encoded, int32_t kind = 2);
    const CObject& Material(const MaterialFields& fields);
    const CObject& Layer(const LayerFields& fields);
    const CObject& Scene(const SceneFields& fields);

    // The whole file.
    Bytes Write();
    void SaveTo(const std::string& path);
    // One field's bytes, whatever its condition, to check a record on its own.
    void WriteField(CArchive& ar, ModelField field);

private:
    class Record;
    const CObject& NewRecord(const char* className, std::function<void(CArchive&)> body);

    void WriteEntityPart(CArchive& ar) const;
    void WriteElementPart(CArchive& ar) const;
    void WriteBehavior(CArchive& ar) const;
    void WriteOptions(CArchive& ar) const;
    void WriteCamera(CArchive& ar);
    void WriteRenderingOptions(CArchive& ar) const;
    void WriteRootComponent(CArchive& ar);
    void WriteRootWithManagers(CArchive& ar, const ComponentRecords::ComponentRecord& root) const;
    void WriteMaterialManager(CArchive& ar, const std::vector<const CObject*>& list) const;
    void WriteLayerManager(CArchive& ar) const;
    void WriteShadowInfo(CArchive& ar) const;
    void WriteSceneList(CArchive& ar) const;
    void WriteAxes(CArchive& ar) const;
    void WriteDimensionStyle(CArchive& ar) const;
    void WriteTextStyle(CArchive& ar) const;
    void WriteFontManager(CArchive& ar) const;
    void WriteStyleManager(CArchive& ar) const;
    void WriteWatermarkManager(CArchive& ar) const;
    void WriteMaterialBody(CArchive& ar, const MaterialFields& fields) const;
    void WriteTexture(CArchive& ar, const TextureFields& texture) const;
    void WriteScene(CArchive& ar, const SceneFields& fields, const CObject* camera) const;

    RecordClassMap m_classes;
    std::vector<std::unique_ptr<CObject>> m_records;
    const CObject* m_camera = nullptr;
    std::unique_ptr<TopologyRecords> m_topology;
    std::unique_ptr<FaceRecords> m_faces;
    std::unique_ptr<ComponentRecords> m_components;
    std::unique_ptr<TextRecords> m_texts;
    std::unique_ptr<DimensionRecords> m_dimensions;
};
