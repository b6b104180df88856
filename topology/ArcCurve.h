#pragma once
// CArcCurve: a curve whose edges are the chords of a polygon inscribed in an arc, a circle or
// an ellipse, kept beside them as exact geometry. Angle 0 is at the chain's start vertex and the
// end angle at its end vertex; a free full circle has both angles 0.
//
// Record: the curve part, then centre, normal, x axis, start and end angle, and from schema 1
// the y axis (otherwise normal x x axis). Axes that turn negatively about the stored normal
// reverse the plane.
//
// The bulge and resize iterations stop after kMaxFitIterations steps at most.

#include "geometry/Arc3d.h"
#include "topology/Curve.h"

class CArcCurve : public CCurve {
    DECLARE_SERIAL(CArcCurve)
public:
    using CArc3d = orbisk::geometry::CArc3d;

    static constexpr int kMaxFitIterations = 100;

    CArcCurve() = default;
    CArcCurve(const CArcCurve& other);
    CArcCurve& operator=(const CArcCurve&) = delete;

    void Serialize(CArchive& ar) override;
    void Transform(const orbisk::geometry::CTransform3d& transform) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityArcCurve; }

    int GetEdgeDirection(CEdge* edge) override;
    bool IsClosed(bool test) override { return m_arc.IsFullCircle(test); }
    bool GetQuadrantPoints(CPoint3d& p0, CPoint3d& p1, CPoint3d& p2, CPoint3d& p3) override;
    bool IsCoplanarWithFaces() override;
    void ResetParameterization(bool allowFreeCircle, bool radiusToStart) override;
    void PassThroughPoint(const CPoint3d& point) override;
    void SetRadiusThroughPoint(const CPoint3d& directionPoint, const CPoint3d& point) override;
    void MoveEnd(CVertex* vertex, CPoint3d& oldPosition, const CPoint3d& newPosition) override;
    double GetLength() override;
    bool GetMidpoint(CPoint3d& point) override;
    bool IsPointOnCurve(const CPoint3d& point) override;
    bool IsArc() const override { return true; }
    CPlane3d GetPlane() const override { return m_arc.plane; }
    CVector3d GetNormal() override { return m_arc.plane.GetNormal(); }
    CCurve* CreateEmptyLike() const override;

    const CArc3d& GetArc() const { return m_arc; }
    void SetArc(const CArc3d& arc) { m_arc = arc; }
    // The point of the chord polygon that a ray from the centre through the point's projection
    // onto the plane meets first; false at the centre or without a hit.
    bool ProjectToPolygon(const CPoint3d& point, CPoint3d& out) const;

private:
    void PlaceInnerVertices(const std::vector<CVertex*>& vertices, double start, double step, size_t count);
    int CheckArcValidity(int level);

    CArc3d m_arc;
};

// Exchanges the circles and angles of two arcs.
void SwapArcs(orbisk::geometry::CArc3d& a, orbisk::geometry::CArc3d& b);
