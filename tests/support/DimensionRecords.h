#pragma once
// Model-file records of dimensions for tests: the dimension style, linear dimensions with their
// reference points, and radial dimensions, in any schema of each class. They refer to topology
// records (TopologyRecords) and to each other through the archive's object references, so one
// archive may hold the vertices, edges and dimensions of a case together.
//
//   TopologyRecords topology;
//   DimensionRecords records({.linear = 4});
//   auto& a = topology.Vertex({0, 0, 0});
//   auto& linear = records.Linear();
//   linear.point1 = DimensionRecords::Point::On(2, &a);
//   const Bytes bytes = records.Archive({&linear});
//
// The entity and drawing element parts are those of CEntity schema 3 (no attribute container)
// and CDrawingElement schema 9 (no material, default layer); a font is always null.

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

struct DimensionSchemas {
    int32_t dimension = 1;
    int32_t style = 4;
    int32_t linear = 6;
    int32_t radial = 2;
};

class DimensionRecords {
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CVector3d = orbisk::geometry::CVector3d;

    // A reference point record (inside a linear dimension's record).
    struct Point {
        int32_t kind = 0;
        int32_t version = 4;
        CPoint3d parameters;
        const CObject* entity = nullptr;
        const CObject* entity2 = nullptr;
        std::vector<const CObject*> path;
        std::vector<const CObject*> path2;
        // A path count written in place of the path's size (a damaged record).
        int32_t pathCountOverride = -1;

        static Point On(int32_t kind, const CObject* entity, CPoint3d parameters = {})
        {
            Point point;
            point.kind = kind;
            point.entity = entity;
            point.parameters = parameters;
            return point;
        }
        void Write(CArchive& ar) const;
    };

    class Record : public CObject {
    public:
        Record(DimensionRecords& owner, const CRuntimeClass& runtimeClass)
            : m_owner(owner), m_runtimeClass(runtimeClass)
        {}
        const CRuntimeClass* GetRuntimeClass() const override { return &m_runtimeClass; }
        void Serialize(CArchive& ar) override { WriteBody(ar); }

    protected:
        virtual void WriteBody(CArchive& ar) const = 0;
        // The entity, drawing element and dimension parts.
        void WriteDimensionPart(CArchive& ar) const;
        DimensionRecords& m_owner;

    public:
        // The dimension part.
        std::wstring text;
        bool aligned = false;
        int32_t arrowType = 0;

    private:
        const CRuntimeClass& m_runtimeClass;
    };

    struct StyleRecord : Record {
        using Record::Record;
        void WriteBody(CArchive& ar) const override;
        int32_t fontType = 0;
        bool aligned = false;
        bool keepReadable = true;
        int32_t value1 = 5, value2 = 10, lineWidth = 1, arrowType = 3, value3 = 10;
        bool highlight = false;
        uint8_t highlightColor[4] = {255, 0, 0, 255};
        bool radiusPrefix = true;
        bool hideOutOfPlane = false;
        double outOfPlane = 0.6;
        bool hideWhenSmall = false;
        double minimumSize = 10.0;
        uint8_t defaultColor[4] = {64, 64, 64, 255};
        uint8_t color4[4] = {0, 0, 0, 0};
        int32_t textPosition = 1;
    };

    struct LinearRecord : Record {
        using Record::Record;
        void WriteBody(CArchive& ar) const override;
        Point point1;
        Point point2;
        // Schema 0: the vertices' records.
        const CObject* vertex1 = nullptr;
        const CObject* vertex2 = nullptr;
        CVector3d normal{0, 0, 1};
        CVector3d xAxis{1, 0, 0};
        // Schemas up to 3: the x axis as an angle about the normal.
        double xAxisAngle = 0.0;
        int32_t type = 0;
        double yOffset = 0.0;
        double xOffset = 0.0;
        int32_t textPosition = 1;
    };

    struct RadialRecord : Record {
        using Record::Record;
        void WriteBody(CArchive& ar) const override;
        const CObject* edge = nullptr;
        double leaderAngle = 0.0;
        double leaderPosition = 0.0;
        bool diameter = false;
        // Without an edge: the arc, a circle in the plane normal to z.
        CPoint3d center;
        double radius = 1.0;
        double startAngle = 0.0;
        double endAngle = 0.0;
    };

    explicit DimensionRecords(DimensionSchemas schemas = {});
    ~DimensionRecords();
    DimensionRecords(const DimensionRecords&) = delete;
    DimensionRecords& operator=(const DimensionRecords&) = delete;

    const DimensionSchemas& GetSchemas() const { return m_schemas; }

    StyleRecord& Style();
    LinearRecord& Linear();
    RadialRecord& Radial();

    // An archive (no file header) holding a reference to each record in turn.
    static Bytes Archive(std::initializer_list<const CObject*> records);
    // The class-version map entries of these schemas (with CEntity 3 and CDrawingElement 9).
    ModelFileWriter::VersionMap GetVersionMap() const;

private:
    template <class T>
    T& Add(const char* className, int32_t schema);

    DimensionSchemas m_schemas;
    RecordClassMap m_classes;
    std::vector<std::unique_ptr<Record>> m_records;
};
