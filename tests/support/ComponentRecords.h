#pragma once
// Model-file records of the component tree for tests: components (the root), definitions,
// instances, groups and images, in any schema of each class, with the manager records they
// carry inline and any entity records (edges from TopologyRecords, for instance) in their
// lists.
//
// As with TopologyRecords, a record is written where something first refers to it and as a
// back reference afterwards; descriptions may refer to each other (a definition and its
// instances) and can be changed until written.
//
//   ComponentRecords records;                      // the newest schemas
//   auto& box = records.Definition(L"Box");
//   auto& root = records.Component();
//   auto& placed = records.Instance(box);
//   root.entities = {&placed};
//   root.definitions = {&box};
//   const Bytes bytes = records.Archive(root);
//
// The entity part follows the schema given for "CEntity" (a null attribute container from
// schema 3 on), the drawing-element part that of "CDrawingElement" (no material, the default
// layer). Manager records are empty, with the schemas given here.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "geometry/Point3d.h"
#include "platform/mfc/Archive.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/ModelFileWriter.h"
#include "tests/support/RecordClasses.h"

struct ComponentSchemas {
    int32_t entity = 3;
    int32_t drawingElement = 9;
    int32_t component = 11;
    int32_t definition = 10;
    int32_t instance = 4;
    int32_t group = 1;
    int32_t image = 1;
    int32_t behavior = 5;
    int32_t materialManager = 4;
    int32_t layerManager = 4;
    int32_t thumbnail = 1;

    // The schemas of an old file: transforms kept beside the contents, managers after the
    // entities, instances listed by their definitions, instances with a material flag.
    static ComponentSchemas Old();
};

// Rows of a transformation's matrix, its translation and its scale, as the file keeps them.
struct ComponentTransform {
    std::array<double, 9> matrix{1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::array<double, 3> translation{0, 0, 0};
    double scale = 1.0;

    static ComponentTransform Translation(double x, double y, double z);
    static ComponentTransform Scaling(double x, double y, double z);
};

class ComponentRecords {
public:
    using Transform = ComponentTransform;

    class Record : public CObject {
    public:
        Record(ComponentRecords& owner, const CRuntimeClass& runtimeClass)
            : m_owner(owner), m_runtimeClass(runtimeClass)
        {}
        const CRuntimeClass* GetRuntimeClass() const override { return &m_runtimeClass; }
        void Serialize(CArchive& ar) override;

    protected:
        virtual void WriteBody(CArchive& ar) const = 0;
        ComponentRecords& m_owner;

    private:
        const CRuntimeClass& m_runtimeClass;
    };

    struct ComponentRecord : Record {
        using Record::Record;
        void WriteBody(CArchive& ar) const override;
        void WriteComponentPart(CArchive& ar) const;

        std::vector<const CObject*> entities;
        std::vector<const CObject*> definitions;
        // Kept beside the contents below schema 7.
        Transform legacyTransform;
        // Schema 10: the font manager's record (no fonts) after the active section plane.
        const CObject* activeSectionPlane = nullptr;
    };

    struct DefinitionRecord : ComponentRecord {
        using ComponentRecord::ComponentRecord;
        void WriteBody(CArchive& ar) const override;

        std::array<uint8_t, 16> guid{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        std::wstring name;
        std::wstring description;
        // One text from schema 4 on; before, the list whose last entry counts.
        std::vector<std::wstring> thirdTexts{L"third"};
        uint32_t time = 1000000;
        bool edited = false;
        orbisk::geometry::CPoint3d insertionPoint;
        // Listed below schema 6.
        std::vector<const CObject*> instances;
        bool facesCamera = false;
        int32_t kind = 0;
    };

    struct InstanceRecord : Record {
        using Record::Record;
        void WriteBody(CArchive& ar) const override;

        const CObject* definition = nullptr;
        Transform transform;
        std::wstring name;
    };

    explicit ComponentRecords(ComponentSchemas schemas = {});
    ~ComponentRecords();
    ComponentRecords(const ComponentRecords&) = delete;
    ComponentRecords& operator=(const ComponentRecords&) = delete;

    const ComponentSchemas& GetSchemas() const { return m_schemas; }

    ComponentRecord& Component();
    DefinitionRecord& Definition(const std::wstring& name, int32_t kind = 0);
    // Also lists the instance with the definition (for the schemas that list them there).
    InstanceRecord& Instance(DefinitionRecord& definition, const Transform& transform = {});
    InstanceRecord& Group(DefinitionRecord& definition, const Transform& transform = {});
    InstanceRecord& Image(DefinitionRecord& definition, const Transform& transform = {});

    static void WriteReference(CArchive& ar, const CObject* record);
    // An archive (no file header) holding a reference to the record.
    static Bytes Archive(const CObject& record);
    // The class-version map entries of these schemas.
    ModelFileWriter::VersionMap GetVersionMap() const;

    void WriteEntityPart(CArchive& ar) const;
    void WriteDrawingElementPart(CArchive& ar) const;

private:
    template <class T>
    T& Add(const char* className, int32_t schema);
    InstanceRecord& Placed(const char* className, int32_t schema, DefinitionRecord& definition,
                           const Transform& transform);
    void WriteMaterialManager(CArchive& ar) const;
    void WriteLayerManager(CArchive& ar) const;
    static void WriteList(CArchive& ar, const std::vector<const CObject*>& records);
    static void WriteTransform(CArchive& ar, const Transform& transform);
    static void WriteText(CArchive& ar, const std::wstring& text);

    ComponentSchemas m_schemas;
    RecordClassMap m_classes;
    std::vector<std::unique_ptr<Record>> m_records;
};
