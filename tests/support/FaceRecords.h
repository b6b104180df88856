#pragma once
// Model-file records of faces and of their texture coordinates for tests, beside the topology
// records (TopologyRecords) of their loops, in any schema of each class.
//
// Objects that a test makes in memory (materials) are referred to through stand-ins: the
// writer numbers each stand-in first, and the reading archive maps the real objects in the
// same order (MapStandIns) before it reads, so that the records' references reach them.
//
//   TopologyRecords topology;
//   FaceRecords faces(topology, {.face = 2});
//   auto& face = faces.Face({0, 0, 1, 0}, {&loop});
//   face.frontMaterial = &faces.StandIn(0);
//   const Bytes bytes = faces.Archive({&face});
//   ReadFrom(bytes, [&](CArchive& ar) { FaceRecords::MapStandIns(ar, {material}); ... });

#include <array>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/mfc/Archive.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/ModelFileWriter.h"
#include "tests/support/RecordClasses.h"
#include "tests/support/TopologyRecords.h"

struct FaceSchemas {
    int32_t face = 3;
    int32_t faceTextureCoords = 4;
    int32_t attribute = 0;
};

class FaceRecords {
public:
    // A record of any class written by a callback of the test.
    class Record : public CObject {
    public:
        Record(FaceRecords& owner, const CRuntimeClass& runtimeClass)
            : m_owner(owner), m_runtimeClass(runtimeClass)
        {}
        const CRuntimeClass* GetRuntimeClass() const override { return &m_runtimeClass; }
        void Serialize(CArchive& ar) override;

    protected:
        virtual void WriteBody(CArchive& ar) const = 0;
        FaceRecords& m_owner;

    private:
        const CRuntimeClass& m_runtimeClass;
    };

    struct FaceRecord : Record {
        using Record::Record;
        void WriteBody(CArchive& ar) const override;
        std::array<double, 4> plane{0.0, 0.0, 1.0, 0.0};
        std::vector<const CObject*> loops;
        // Written instead of the number of loops when set.
        std::optional<int32_t> loopCount;
        // The drawing element's material (its schema 5 on).
        const CObject* frontMaterial = nullptr;
        // Schema 1: the face's own front material, with its flag.
        const CObject* schema1Material = nullptr;
        // Schema 3 on.
        const CObject* backMaterial = nullptr;
        // An attribute container reference in the entity part (entity schema 3 on).
        const CObject* attributes = nullptr;
    };

    struct TextureSide {
        std::array<double, 9> mapping{1, 0, 0, 0, 1, 0, 0, 0, 1};
        std::array<double, 3> projection{0.0, 0.0, 0.0};
        // first.x, first.y, second.x, second.y
        std::vector<std::array<double, 4>> pairs;
        // Written instead of the number of pairs when set.
        std::optional<int32_t> pairCount;
        uint32_t flags = 0;
    };

    struct TextureCoordsRecord : Record {
        using Record::Record;
        void WriteBody(CArchive& ar) const override;
        TextureSide front;
        TextureSide back;
    };

    // An object the reading archive maps in its place.
    class StandInObject : public CObject {};

    FaceRecords(TopologyRecords& topology, FaceSchemas schemas = {});
    ~FaceRecords();
    FaceRecords(const FaceRecords&) = delete;
    FaceRecords& operator=(const FaceRecords&) = delete;

    FaceRecord& Face(const std::array<double, 4>& plane, std::vector<const CObject*> loops);
    TextureCoordsRecord& TextureCoords();
    // The stand-in numbered index (from 0); they are all mapped, in order, before any record.
    const CObject& StandIn(size_t index);

    // An archive (no file header) of the stand-ins' numbers, then a reference to each record.
    Bytes Archive(std::initializer_list<const CObject*> records);
    // Maps the objects that the stand-ins stand for, in their order.
    static void MapStandIns(CArchive& ar, std::initializer_list<const CObject*> objects);
    // The topology's entries, with the face and texture coordinate schemas.
    ModelFileWriter::VersionMap GetVersionMap() const;

private:
    template <class T>
    T& Add(const char* className, int32_t schema);
    void WriteEntityPart(CArchive& ar, const CObject* attributes) const;
    void WriteDrawingElementPart(CArchive& ar, const CObject* material) const;

    TopologyRecords& m_topology;
    FaceSchemas m_schemas;
    RecordClassMap m_classes;
    std::vector<std::unique_ptr<Record>> m_records;
    std::vector<std::unique_ptr<StandInObject>> m_standIns;
};
