#pragma once
// Model-file records of the topology for tests: vertices, edges, edge uses, loops, curves and
// arc curves, in any schema of each class, with any references between them (null ones,
// dangling rings and chains in any order included).
//
// A record is described first and written when something first refers to it; later references
// are back references, as in a real file. Records may refer to each other in cycles (an edge
// use and its loop, an edge and its curve); the description can be changed until it is written.
//
//   TopologyRecords records;                     // the newest schemas
//   auto& a = records.Vertex({0, 0, 0});
//   auto& b = records.Vertex({1, 0, 0});
//   auto& edge = records.Edge(a, b);
//   const Bytes bytes = records.Archive({&edge}); // the edge record, with its vertices inside
//   file.WriteVersionMap(records.GetVersionMap()); // or a map of the same entries
//
// The entity part is written for the schema given to "CEntity" (an attribute container
// reference from schema 3 on, always null), and the drawing element part of edges for the
// schema of "CDrawingElement" (no material, no layer).

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "geometry/Point3d.h"
#include "geometry/Vector3d.h"
#include "platform/mfc/Archive.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/ModelFileWriter.h"
#include "tests/support/RecordClasses.h"

struct TopologySchemas {
    int32_t entity = 3;
    int32_t drawingElement = 9;
    int32_t vertex = 0;
    int32_t edge = 2;
    int32_t edgeUse = 1;
    int32_t loop = 1;
    int32_t curve = 4;
    int32_t arcCurve = 1;
};

class TopologyRecords {
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CVector3d = orbisk::geometry::CVector3d;

    class Record : public CObject {
    public:
        Record(TopologyRecords& owner, const CRuntimeClass& runtimeClass)
            : m_owner(owner), m_runtimeClass(runtimeClass)
        {}
        const CRuntimeClass* GetRuntimeClass() const override { return &m_runtimeClass; }
        void Serialize(CArchive& ar) override;

    protected:
        virtual void WriteBody(CArchive& ar) const = 0;
        TopologyRecords& m_owner;

    private:
        const CRuntimeClass& m_runtimeClass;
    };

    struct VertexRecord : Record {
        using Record::Record;
        void WriteBody(CArchive& ar) const override;
        CPoint3d position;
    };
    struct EdgeRecord : Record {
        using Record::Record;
        void WriteBody(CArchive& ar) const override;
        const Record* start = nullptr;
        const Record* end = nullptr;
        const Record* curve = nullptr;
        bool hidden = false;
        bool soft = false;
        bool smooth = false;
    };
    struct EdgeUseRecord : Record {
        using Record::Record;
        void WriteBody(CArchive& ar) const override;
        const Record* edge = nullptr;
        bool reversed = false;
        const Record* loop = nullptr;
        // Schema 0 only.
        const Record* previous = nullptr;
        const Record* next = nullptr;
    };
    struct LoopRecord : Record {
        using Record::Record;
        void WriteBody(CArchive& ar) const override;
        bool outer = true;
        bool convex = true;
        // The first use, then (schema 1 on) the others, ended by a null reference.
        std::vector<const Record*> uses;
    };
    struct CurveRecord : Record {
        using Record::Record;
        void WriteBody(CArchive& ar) const override;
        // Schemas 0 and 3.
        const Record* first = nullptr;
        const Record* last = nullptr;
        bool flag = false;
        int32_t count = 0;

    protected:
        void WriteCurvePart(CArchive& ar) const;
    };
    struct ArcCurveRecord : CurveRecord {
        using CurveRecord::CurveRecord;
        void WriteBody(CArchive& ar) const override;
        CPoint3d center;
        CVector3d normal{0.0, 0.0, 1.0};
        CVector3d xAxis{1.0, 0.0, 0.0};
        CVector3d yAxis{0.0, 1.0, 0.0};
        double startAngle = 0.0;
        double endAngle = 0.0;
    };

    explicit TopologyRecords(TopologySchemas schemas = {});
    ~TopologyRecords();
    TopologyRecords(const TopologyRecords&) = delete;
    TopologyRecords& operator=(const TopologyRecords&) = delete;

    const TopologySchemas& GetSchemas() const { return m_schemas; }

    VertexRecord& Vertex(const CPoint3d& position);
    EdgeRecord& Edge(const Record& start, const Record& end, const Record* curve = nullptr);
    EdgeUseRecord& EdgeUse(const Record& edge, bool reversed, const Record& loop);
    LoopRecord& Loop(bool outer = true);
    CurveRecord& Curve();
    // A circle of the radius about the centre in the plane normal to z; angles 0 to 0.
    ArcCurveRecord& ArcCurve(const CPoint3d& center, double radius);

    // A reference to the record: the record itself the first time, a back reference later;
    // null writes the null reference.
    static void WriteReference(CArchive& ar, const Record* record);
    // An archive (no file header) holding a reference to each record in turn.
    static Bytes Archive(std::initializer_list<const Record*> records);
    // The class-version map entries of these schemas, for ModelFileWriter::WriteVersionMap.
    ModelFileWriter::VersionMap GetVersionMap() const;

private:
    template <class T>
    T& Add(const char* className, int32_t schema);
    void WriteEntityPart(CArchive& ar) const;
    void WriteDrawingElementPart(CArchive& ar, const EdgeRecord& edge) const;

    TopologySchemas m_schemas;
    RecordClassMap m_classes;
    std::vector<std::unique_ptr<Record>> m_records;
};
