// Damaged records: every record of the model database, in every schema it has, read whole and
// then cut short at every byte. A cut raises the archive's exception and leaves no object read
// before the record with a parent that is gone. Nothing is left behind either: each case runs in
// a process of its own, whose leak checker (in the sanitised builds) names the case.
//
// The records are written by the test-side model-file writer with the schemas of the installed
// version map, so that each case reads its record as the reader of that schema does. Objects
// written before the record stand for what earlier records left: the record refers back to them.

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/Attribute.h"
#include "database/AttributeContainer.h"
#include "database/AttributeNamed.h"
#include "database/ComponentBehavior.h"
#include "database/DefinitionList.h"
#include "database/Dib.h"
#include "database/DrawingElement.h"
#include "database/EntityDisposal.h"
#include "database/FontManager.h"
#include "database/Layer.h"
#include "database/LayerManager.h"
#include "database/Material.h"
#include "database/MaterialManager.h"
#include "database/Relationship.h"
#include "database/RelationshipMap.h"
#include "database/Texture.h"
#include "database/Thumbnail.h"
#include "database/VersionInfo.h"
#include "database/VersionMap.h"
#include "image/ImageMemoryRep.h"
#include "model/ZephyronModel.h"
#include "support/TypedValue.h"
#include "tests/model/ManagerTestSupport.h"
#include "tests/model/doubles/EntityDoubles.h"
#include "tests/support/ComponentRecords.h"
#include "tests/support/ModelFileWriter.h"
#include "tests/support/SettingsRecords.h"
#include "tests/support/TextRecords.h"

namespace {

using Schemas = ModelFileWriter::VersionMap;
using Record = ModelFileWriter::Record;

int32_t SchemaOf(const CRuntimeClass* runtimeClass)
{
    return GetClassVersion(runtimeClass);
}

// Writes objects as the current version map says their classes are read. Earlier objects come
// first; the record is the one object written after them.
class RecordWriter {
public:
    // Records of the component tree and of fonts, in the newest schemas (as the case's map says).
    ComponentRecords components;
    TextRecords texts;

private:
    // After the records it writes: the archive knows objects by their address until it ends.
    ModelFileWriter m_file;

public:
    CArchive& ar = m_file.Archive();
    int earlierCount = 0;

    Record Earlier(std::string_view className, const std::function<void()>& body)
    {
        ++earlierCount;
        return m_file.WriteObjectRecord(className, 0, [body](CArchive&) { body(); });
    }
    // An earlier object that another writer's record describes.
    void Earlier(const CObject& record)
    {
        ++earlierCount;
        ar.WriteObject(&record);
    }
    // A new object inside a record, or the record itself.
    void New(std::string_view className, const std::function<void()>& body)
    {
        m_file.WriteObjectRecord(className, 0, [body](CArchive&) { body(); });
    }
    void Refer(Record earlier) { m_file.WriteObjectReference(earlier); }
    void Null() { m_file.WriteNullObject(); }
    void Text(const wchar_t* text) { ar.WriteString(CString(text)); }
    void Color() { ar << uint8_t{10} << uint8_t{20} << uint8_t{30} << uint8_t{255}; }
    Bytes Finish() { return m_file.Finish(); }
};

// The CEntity part: by its schema nothing (0, 2), a 32-bit value (1) or no attribute container.
void EntityPart(RecordWriter& w)
{
    const int32_t schema = SchemaOf(RUNTIME_CLASS(CEntity));
    if (schema == 1)
        w.ar << int32_t{7};
    else if (schema >= 3)
        w.Null();
}

Bytes EncodedImage(bool jpeg)
{
    std::vector<uint8_t> pixels(4 * 4 * 4, 200);
    const CDibRef image(new CDib);
    image->CreateFromPixels(4, 4, jpeg ? 24 : 32, pixels.data(), 1.0);
    const auto* encoded = image->GetEncodedImage();
    return Bytes(encoded->GetData(), encoded->GetData() + encoded->GetSize());
}

void DibBody(RecordWriter& w, bool jpeg)
{
    const int32_t schema = SchemaOf(RUNTIME_CLASS(CDib));
    if (schema == 0)
        return;
    const Bytes file = EncodedImage(jpeg);
    if (schema >= 2)
        w.ar << int32_t{jpeg ? 1 : 4};
    w.ar << static_cast<int32_t>(file.size());
    w.ar.Write(file.data(), static_cast<uint32_t>(file.size()));
    if (schema >= 3 && jpeg)
        w.ar << int32_t{80};
}

// The image is a new one, or the earlier one given.
void TextureBody(RecordWriter& w, Record image = nullptr)
{
    const int32_t schema = SchemaOf(RUNTIME_CLASS(CTexture));
    if (schema >= 5)
        EntityPart(w);
    if (schema >= 6 || schema < 2) {
        if (image)
            w.Refer(image);
        else
            w.New("CDib", [&] { DibBody(w, false); });
    } else {
        w.ar << true;
        DibBody(w, false);
    }
    w.ar << 0.5 << 0.25;
    w.Text(L"brick.png");
    if (schema >= 1)
        w.Color();
    if (schema == 3)
        w.ar << int32_t{1} << int32_t{2};
}

void MaterialBody(RecordWriter& w, const wchar_t* name, bool textured)
{
    const int32_t schema = SchemaOf(RUNTIME_CLASS(CMaterial));
    EntityPart(w);
    w.Text(name);
    if (schema < 3)
        w.ar << true << int32_t{9};
    w.ar << textured;
    if (textured && schema >= 4)
        TextureBody(w);
    else if (textured)
        w.New("CTexture", [&] { TextureBody(w); });
    if (schema >= 2 && schema <= 4)
        w.ar << int32_t{1};
    if (schema >= 6)
        w.ar << false;
    if (schema >= 7)
        w.Color();
    if (schema >= 8)
        w.Text(L"second");
    if (schema >= 9)
        w.ar << int32_t{1};
    if (schema >= 10)
        w.ar << int32_t{0};
    if (schema >= 11)
        w.ar << 0.25;
    if (schema >= 12)
        w.ar << true;
}

void LayerBody(RecordWriter& w, const wchar_t* name, bool texturedMaterial)
{
    const int32_t schema = SchemaOf(RUNTIME_CLASS(CLayer));
    EntityPart(w);
    w.Text(name);
    w.ar << true;
    if (schema == 0) {
        w.Color();
        w.New("CMaterial", [&] { MaterialBody(w, L"dropped", texturedMaterial); });
    } else {
        MaterialBody(w, L"Layer_x", texturedMaterial);
    }
    if (schema >= 2)
        w.ar << uint32_t{0x10};
}

Record EarlierLayer(RecordWriter& w)
{
    return w.Earlier("CLayer", [&] { LayerBody(w, L"Early", false); });
}

Record EarlierMaterial(RecordWriter& w)
{
    return w.Earlier("CMaterial", [&] { MaterialBody(w, L"Early", false); });
}

Record EarlierEntity(RecordWriter& w)
{
    return w.Earlier("TestEntity", [&] {
        EntityPart(w);
        w.ar << int32_t{1};
    });
}

void AttributeBody(RecordWriter& w)
{
    EntityPart(w);
    w.ar << uint32_t{5};
}

// The driven entity is a new one unless given.
void RelationshipBody(RecordWriter& w, Record driving, Record driven = nullptr)
{
    EntityPart(w);
    w.Refer(driving);
    if (driven) {
        w.Refer(driven);
        return;
    }
    w.New("TestEntity", [&] {
        EntityPart(w);
        w.ar << int32_t{2};
    });
}

// Whatever the schema of CEntity, a record whose class reads only the entity part and a value;
// from schema 3 on with an attribute container that holds an attribute read before and a new one.
void WriteEntityRecord(RecordWriter& w)
{
    const Record early = w.Earlier("CAttribute", [&] { AttributeBody(w); });
    w.New("CAttribute", [&] {
        const int32_t schema = SchemaOf(RUNTIME_CLASS(CEntity));
        if (schema >= 3) {
            w.New("CAttributeContainer", [&] {
                w.Null();
                w.Refer(early);
                w.New("CAttribute", [&] { AttributeBody(w); });
                w.Null();
            });
        } else if (schema == 1) {
            w.ar << int32_t{7};
        }
        w.ar << uint32_t{5};
    });
}

void WriteAttributeContainer(RecordWriter& w)
{
    const Record early = w.Earlier("CAttribute", [&] { AttributeBody(w); });
    w.New("CAttributeContainer", [&] {
        EntityPart(w);
        w.Refer(early);
        w.New("CAttribute", [&] { AttributeBody(w); });
        w.Null();
    });
}

void WriteAttributeNamed(RecordWriter& w)
{
    w.New("CAttributeNamed", [&] {
        AttributeBody(w);
        w.Text(L"Dictionary");
        w.Text(L"key");
        w.ar << orbisk::utils::CTypedValue(5);
        w.Text(L"");
        if (SchemaOf(RUNTIME_CLASS(CAttributeNamed)) > 0)
            w.ar << uint32_t{3};
    });
}

void WriteRelationship(RecordWriter& w)
{
    const Record driving = EarlierEntity(w);
    w.New("CRelationship", [&] { RelationshipBody(w, driving); });
}

void WriteRelationshipMap(RecordWriter& w)
{
    const Record driving = EarlierEntity(w);
    const Record driven = EarlierEntity(w);
    const Record early = w.Earlier("CRelationship", [&] { RelationshipBody(w, driving, driven); });
    w.New("CRelationshipMap", [&] {
        w.ar << int32_t{3};
        w.Refer(early);
        w.Null();
        w.New("CRelationship", [&] { RelationshipBody(w, driving); });
    });
}

void WriteDefinitionList(RecordWriter& w)
{
    const CObject& early = w.components.Definition(L"Early");
    w.Earlier(early);
    w.New("CDefinitionList", [&] {
        w.ar << int32_t{3};
        w.ar.WriteObject(&early);
        w.Null();
        w.ar.WriteObject(&w.components.Definition(L"New"));
    });
}

void WriteFontManager(RecordWriter& w)
{
    const CObject& early = w.texts.Font(L"Arial", 12);
    w.Earlier(early);
    w.New("CFontManager", [&] {
        EntityPart(w);
        w.ar << int32_t{3};
        w.ar.WriteObject(&early);
        w.Null();
        w.ar.WriteObject(&w.texts.Font(L"Courier New", 10));
    });
}

void WriteComponentBehavior(RecordWriter& w)
{
    w.New("CComponentBehavior", [&] {
        const int32_t schema = SchemaOf(RUNTIME_CLASS(CComponentBehavior));
        EntityPart(w);
        if (schema >= 3)
            w.ar << true;
        w.ar << true;
        if (schema >= 2)
            w.ar << int32_t{1};
        if (schema >= 4)
            w.ar << uint8_t{1};
        if (schema >= 5)
            w.ar << uint32_t{9};
    });
}

// Odd schemas name new materials and layers, even ones those read before.
void WriteDrawingElement(RecordWriter& w)
{
    const Record material = EarlierMaterial(w);
    const Record layer = EarlierLayer(w);
    w.New("CDrawingElement", [&] {
        const int32_t schema = SchemaOf(RUNTIME_CLASS(CDrawingElement));
        const bool fresh = schema % 2 == 1;
        EntityPart(w);
        if (schema >= 5 && fresh)
            w.New("CMaterial", [&] { MaterialBody(w, L"Paint", true); });
        else if (schema >= 5)
            w.Refer(material);
        else if (schema != 2)
            w.Color();
        const int flags = schema >= 9 ? 6 : schema >= 8 ? 5 : schema >= 7 ? 4 : schema >= 6 ? 3 : schema >= 1;
        for (int i = 0; i < flags; ++i)
            w.ar << true;
        if (schema == 2) {
            w.ar << true;
            w.New("CMaterial", [&] { MaterialBody(w, L"Dropped", false); });
        } else if (schema >= 4 && fresh) {
            w.New("CLayer", [&] { LayerBody(w, L"Walls", true); });
        } else if (schema >= 4) {
            w.Refer(layer);
        }
    });
}

void WriteLayer(RecordWriter& w)
{
    w.New("CLayer", [&] { LayerBody(w, L"Walls", true); });
}

// The list names a layer read before, nothing, and a new layer; an empty list keeps only the
// default layer, which the manager makes itself.
void WriteLayerManager(RecordWriter& w, bool empty)
{
    const Record early = EarlierLayer(w);
    w.New("CLayerManager", [&] {
        const int32_t schema = SchemaOf(RUNTIME_CLASS(CLayerManager));
        const int32_t count = empty ? 0 : 3;
        if (schema >= 1)
            EntityPart(w);
        w.ar << count;
        if (!empty) {
            w.Refer(early);
            w.Null();
            w.New("CLayer", [&] { LayerBody(w, L"Roof", true); });
        }
        if (schema == 3 || (schema > 3 && count > 0))
            w.Refer(early);
        else if (schema < 3)
            w.Text(L"Roof");
    });
}

// The list names a material read before, nothing, and a new textured one; schema 2 makes a new
// unlisted material current, later ones the earlier material; schema 3 adds a new extra one.
void WriteMaterialManager(RecordWriter& w)
{
    const Record early = EarlierMaterial(w);
    w.New("CMaterialManager", [&] {
        const int32_t schema = SchemaOf(RUNTIME_CLASS(CMaterialManager));
        if (schema >= 1)
            EntityPart(w);
        w.ar << int32_t{3};
        w.Refer(early);
        w.Null();
        w.New("CMaterial", [&] { MaterialBody(w, L"New", true); });
        if (schema == 2)
            w.New("CMaterial", [&] { MaterialBody(w, L"Loose", true); });
        else if (schema > 2)
            w.Refer(early);
        if (schema == 3)
            w.New("CMaterial", [&] { MaterialBody(w, L"Extra", false); });
    });
}

void WriteMaterial(RecordWriter& w)
{
    w.New("CMaterial", [&] { MaterialBody(w, L"Brick", true); });
}

// From schema 6 on the image is one read before.
void WriteTexture(RecordWriter& w)
{
    const Record image = w.Earlier("CDib", [&] { DibBody(w, false); });
    w.New("CTexture", [&] { TextureBody(w, SchemaOf(RUNTIME_CLASS(CTexture)) >= 6 ? image : nullptr); });
}

void WriteDib(RecordWriter& w)
{
    w.New("CDib", [&] { DibBody(w, true); });
}

// Schema 0 keeps the camera in place, later ones as an object of its own.
void WriteThumbnail(RecordWriter& w)
{
    w.New("CThumbnail", [&] {
        EntityPart(w);
        const CameraFields camera{.eye = {0, 0, 10}, .fieldOfView = 35.0};
        if (SchemaOf(RUNTIME_CLASS(CThumbnail)) == 0) {
            const Bytes inPlace = InlineCameraRecord(camera);
            w.ar.Write(inPlace.data(), static_cast<uint32_t>(inPlace.size()));
        } else {
            w.New("CCamera", [&] {
                const Bytes own = CameraRecord(camera, SchemaOf(RUNTIME_CLASS(CCamera)));
                w.ar.Write(own.data(), static_cast<uint32_t>(own.size()));
            });
        }
        w.New("CDib", [&] { DibBody(w, true); });
    });
}

void WriteVersionMap(RecordWriter& w)
{
    w.New("CVersionMap", [&] {
        w.Text(L"CLayer");
        w.ar << int32_t{2};
        w.Text(L"End-Of-Version-Map");
        w.ar << int32_t{0};
    });
}

void WriteVersionInfo(RecordWriter& w)
{
    w.New("CVersionInfo", [&] { w.Text(L"{8.0.3669}"); });
}

struct DamagedRecord {
    std::string name;
    Schemas schemas;
    std::function<void(RecordWriter&)> write;
};

void PrintTo(const DamagedRecord& record, std::ostream* out)
{
    *out << record.name;
}

std::vector<DamagedRecord> AllRecords()
{
    std::vector<DamagedRecord> records;
    auto each = [&](const char* className, int32_t last, Schemas others,
                    std::function<void(RecordWriter&)> write, const char* variant = "") {
        for (int32_t schema = 0; schema <= last; ++schema) {
            Schemas schemas = others;
            schemas.emplace_back(className, schema);
            records.push_back(
                {std::string(className) + "_" + std::to_string(schema) + variant, schemas, write});
        }
    };
    const Schemas materials = {{"CTexture", 6}, {"CDib", 3}};
    const Schemas layers = {{"CMaterial", 12}, {"CTexture", 6}, {"CDib", 3}};
    each("CEntity", 3, {{"CAttribute", 0}, {"CAttributeContainer", 0}}, WriteEntityRecord);
    each("CAttribute", 0, {}, [](RecordWriter& w) { w.New("CAttribute", [&] { AttributeBody(w); }); });
    each("CAttributeContainer", 0, {{"CAttribute", 0}}, WriteAttributeContainer);
    each("CAttributeNamed", 1, {{"CAttribute", 0}}, WriteAttributeNamed);
    each("CRelationship", 0, {{"TestEntity", 1}}, WriteRelationship);
    each("CRelationshipMap", 0, {{"CRelationship", 0}, {"TestEntity", 1}}, WriteRelationshipMap);
    each("CDefinitionList", 0, ComponentRecords().GetVersionMap(), WriteDefinitionList);
    each("CFontManager", 0, {{"CZpFont", TextSchemas().font}}, WriteFontManager);
    each("CComponentBehavior", 5, {}, WriteComponentBehavior);
    each("CDrawingElement", 9, {{"CLayer", 2}, {"CMaterial", 12}, {"CTexture", 6}, {"CDib", 3}},
         WriteDrawingElement);
    each("CLayer", 2, layers, WriteLayer);
    each("CLayerManager", 4, {{"CLayer", 2}, {"CMaterial", 12}, {"CTexture", 6}, {"CDib", 3}},
         [](RecordWriter& w) { WriteLayerManager(w, false); });
    each(
        "CLayerManager", 4, {{"CLayer", 2}, {"CMaterial", 12}},
        [](RecordWriter& w) { WriteLayerManager(w, true); }, "_empty");
    each("CMaterialManager", 4, layers, WriteMaterialManager);
    each("CMaterial", 12, materials, WriteMaterial);
    each("CTexture", 6, {{"CDib", 3}}, WriteTexture);
    each("CDib", 3, {}, WriteDib);
    each("CThumbnail", 1, {{"CCamera", 5}, {"CDib", 3}}, WriteThumbnail);
    each("CVersionMap", 0, {}, WriteVersionMap);
    each("CVersionInfo", 0, {}, WriteVersionInfo);
    return records;
}

class DamagedRecordTest : public ManagerTest, public ::testing::WithParamInterface<DamagedRecord> {
protected:
    DamagedRecordTest()
    {
        auto* map = new CVersionMap;
        map->Set("CEntity", 3);
        for (const auto& [className, schema] : GetParam().schemas)
            map->Set(className, schema);
        SetCurrentVersionMap(map);
        RecordWriter writer;
        GetParam().write(writer);
        m_earlierCount = writer.earlierCount;
        m_bytes = writer.Finish();
    }

    // Reads the first length bytes into a model of their own: the earlier objects, left where
    // earlier records leave them (attributes held as a container holds them, everything else in
    // the model's pool), then the record. The cause of the archive exception, or none.
    int Read(size_t length, size_t* recordStart = nullptr)
    {
        CZephyronModel reading;
        CCurrentModelScope current(&reading);
        std::vector<CEntity*> earlier;
        std::vector<CAttribute*> held;
        CMemFile file(m_bytes.data(), length);
        const int cause = ArchiveCause([&] {
            CArchive ar(&file, CArchive::load);
            for (int i = 0; i < m_earlierCount; ++i) {
                CObject* object = ar.ReadObject(nullptr);
                if (auto* attribute = dynamic_cast<CAttribute*>(object)) {
                    attribute->AddRef();
                    held.push_back(attribute);
                } else {
                    KeepUnownedObject(object);
                }
                if (auto* entity = dynamic_cast<CEntity*>(object))
                    earlier.push_back(entity);
            }
            if (recordStart) {
                ar.Flush();
                *recordStart = static_cast<size_t>(file.GetPosition());
            }
            Dispose(ar.ReadObject(nullptr));
            EXPECT_TRUE(IsAtEnd(ar));
        });
        if (cause != CArchiveException::none) {
            // A failed record's attribute container waits in the pool (the archive still lists
            // it) and may still name an earlier attribute; nothing the model keeps does.
            for (CEntity* entity : earlier) {
                const CEntity* parent = entity->GetParent();
                EXPECT_TRUE(!parent || reading.GetDroppedObjects().Contains(parent))
                    << GetParam().name << " cut at " << length;
                EXPECT_EQ(entity->GetModel(), nullptr);
            }
        }
        for (CAttribute* attribute : held)
            attribute->Release();
        return cause;
    }

    // A record read whole goes the way its owner would let it go.
    static void Dispose(CObject* object)
    {
        if (auto* relationships = dynamic_cast<CRelationshipMap*>(object))
            relationships->EraseRelationships(true);
        if (auto* entity = dynamic_cast<CEntity*>(object)) {
            DeleteUnrecorded(entity);
        } else if (auto* image = dynamic_cast<CDib*>(object)) {
            const CDibRef only(image);  // the image goes with its only holder
        } else {
            delete object;
        }
    }

    Bytes m_bytes;
    int m_earlierCount = 0;
};

}  // namespace

TEST_P(DamagedRecordTest, EveryCutIsAnArchiveErrorThatLeavesNothingBehind)
{
    size_t recordStart = 0;
    ASSERT_EQ(Read(m_bytes.size(), &recordStart), CArchiveException::none) << "the whole record reads";
    for (size_t length = recordStart; length < m_bytes.size(); ++length)
        EXPECT_EQ(Read(length), CArchiveException::endOfFile) << GetParam().name << " cut at " << length;
}

INSTANTIATE_TEST_SUITE_P(Records, DamagedRecordTest, ::testing::ValuesIn(AllRecords()),
                         [](const ::testing::TestParamInfo<DamagedRecord>& info) { return info.param.name; });
