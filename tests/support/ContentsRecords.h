#pragma once
// Model-file records of the model's contents beside the topology, for tests: section planes,
// guide lines and guide points, polylines and drawing axes, each in any schema of its class.
// Every field is written as given, so that a test can make records no writer would (a zero
// axis, a negative point count, a count larger than the points that follow).
//
//   ContentsRecords records;                          // the newest schemas
//   const Bytes bytes = records.SectionPlane({}, {0, 0, 2, -4});
//   file.WriteVersionMap(records.GetVersionMap());    // or install the same entries
//
// Each record is one new object (class record and body). Its entity part follows the schema of
// "CEntity" (from 3 on a null attribute reference) and its drawing element part schema 9: a
// material (null, or a plain material record of schema 7), the six flag bytes, and a layer
// (null, or a shown layer record of schema 2). Material and layer records are written without
// an entity part of their own: records that carry them need an entity schema of 0.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "geometry/Point3d.h"
#include "geometry/Vector3d.h"
#include "support/Color.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/ModelFileWriter.h"

struct ContentsSchemas {
    int32_t entity = 3;
    int32_t constructionLine = 1;
};

struct ElementFields {
    bool hidden = false;
    // A plain material of this colour, named "Paint".
    std::optional<orbisk::utils::CColor> material;
    // A shown layer of this name with a blue material.
    std::optional<std::string> layer;
};

struct GuideLineFields {
    orbisk::geometry::CPoint3d origin;
    orbisk::geometry::CVector3d direction{0.0, 0.0, 1.0};
    // Schema 1 on.
    double t0 = -1e30;
    double t1 = 1e30;
    int32_t stipple = 0;
};

struct AxesFields {
    orbisk::geometry::CPoint3d origin;
    orbisk::geometry::CVector3d x{1.0, 0.0, 0.0};
    orbisk::geometry::CVector3d y{0.0, 1.0, 0.0};
    orbisk::geometry::CVector3d z{0.0, 0.0, 1.0};
};

class ContentsRecords {
public:
    using CPoint3d = orbisk::geometry::CPoint3d;

    explicit ContentsRecords(ContentsSchemas schemas = {}) : m_schemas(schemas) {}

    // The class-version map entries of these schemas (with "CDrawingElement" 9, "CMaterial" 7
    // and "CLayer" 2), for ModelFileWriter::WriteVersionMap.
    ModelFileWriter::VersionMap GetVersionMap() const;

    // a, b, c, d as stored.
    Bytes SectionPlane(const ElementFields& element, const double (&plane)[4]) const;
    Bytes GuideLine(const ElementFields& element, const GuideLineFields& line) const;
    Bytes GuidePoint(const ElementFields& element, const CPoint3d& position, const CPoint3d& fromPosition,
                     bool hasFromLine) const;
    // The count as given, then the points.
    Bytes Polyline(const ElementFields& element, int32_t count, const std::vector<CPoint3d>& points) const;
    Bytes Axes(const ElementFields& element, const AxesFields& axes) const;
    // Drawing axes whose drawing element part breaks off at its material: the reference there
    // names the axes themselves, an object of the wrong class.
    Bytes AxesWithBrokenElementPart(const AxesFields& axes) const;

private:
    void WriteEntityPart(CArchive& ar) const;
    void WriteElementPart(ModelFileWriter& file, CArchive& ar, const ElementFields& element) const;

    ContentsSchemas m_schemas;
};
