#pragma once
// CConstructionLine: a guide line, infinite, a half-line or a segment (CLine3d: t0 <= -1e30 no
// start, t1 >= 1e30 no end), drawn with its own line stipple (0: the guide default).
//
// Record: the guide part, origin and direction (normalised); from schema 1 on also t0, t1 and
// the stipple as 32 bits (the low 16 kept). Schema 0 guides are infinite lines with stipple 0.

#include <cstdint>

#include "database/ILinePick.h"
#include "geometry/Line3d.h"
#include "topology/ConstructionGeometry.h"
#include "topology/LineProvider.h"

class CConstructionLine : public CConstructionGeometry, public ILineProvider, public ILinePick {
    DECLARE_SERIAL(CConstructionLine)
public:
    using CLine3d = orbisk::geometry::CLine3d;
    using CRay3d = orbisk::geometry::CRay3d;

    // The whole z axis, stipple 0.
    CConstructionLine() = default;
    explicit CConstructionLine(const CLine3d& line) : m_line(line) {}
    CConstructionLine(const CConstructionLine& other) = default;
    CConstructionLine& operator=(const CConstructionLine&) = delete;

    void Serialize(CArchive& ar) override;
    void Transform(const orbisk::geometry::CTransform3d& transform) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityConstructionLine; }

    // Dashed in the guide colour, cut by the section planes: an infinite guide across the whole
    // view, a half-line from its end to the view's edge, a segment between its ends. Not at all
    // while the view is below full detail or draws its item buffer.
    void Draw(IModelView* view) override;
    // The distance along the local pick ray to its point nearest the line; false when parallel.
    bool Pick(IPickHelper* picker, double& depth, double& distance) override;
    // An unbounded guide adds only its origin; a bounded one both ends.
    void AddBoundsTransformed(const orbisk::geometry::CTransform3d& transform,
                              CBoundingBox3d& box) const override;
    void AddScreenBounds(CBoundingBox3d& box, IModelView* view) const override;
    void AddBounds(CBoundingBox3d& box) const override;
    // 0 not accepted, 2 cut away by the section planes, else the picker's line test.
    int PickInside(IPickHelper* picker) override;
    bool Accept(IEntityExportVisitor* visitor) override;
    // The origin moves to the point.
    void SetPosition(const CPoint3d& point) override;

    // The guide's point nearest the line's line (an unbounded guide counts as reaching 1e30
    // both ways), when it lies on the line within 0.001, not behind its start and not beyond its
    // end. False for a hidden guide when skipHidden.
    bool PickLine(const CLine3d& line, CPoint3d& point, bool skipHidden) override;

    void GetLine(CRay3d& ray) const override { ray = m_line; }
    const CLine3d& GetGuideLine() const { return m_line; }
    uint16_t GetStipple() const { return m_stipple; }
    // The guide's own pattern, else 0x3333 when hidden and 0x0F0F otherwise.
    uint16_t GetDrawStipple() const;

private:
    void ReadRecord(CArchive& ar);
    static void DrawGuideLine(const CLine3d& line, IModelView* view, uint16_t pattern, const CColor& color);
    // A guide seen end-on (the eye on the line): one 5-pixel point just beyond the near plane.
    static void DrawGuideLineAsPoint(const CLine3d& line, IModelView* view);
    void WriteRecord(CArchive& ar) const;
    void AddEnds(CBoundingBox3d& box, const orbisk::geometry::CTransform3d* transform,
                 IModelView* view) const;

    CLine3d m_line;
    uint16_t m_stipple = 0;
};
