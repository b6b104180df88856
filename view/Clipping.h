#pragma once
// Lines that the view draws for tools and guides, kept visible over the whole depth range.
//
// OpenGL would cut such lines off at the near and far clipping planes. A segment is split at
// planes just inside the near distance (1.0001 x near) and the far distance (0.9999 x far) and
// the parts outside are flattened onto those planes: centrally (towards the eye) in perspective,
// orthogonally in parallel projection, so the pieces cover the pixels the whole segment would.
// An infinite guide line (or a ray) is intersected with the view frustum in eye coordinates and
// drawn over the part the camera sees, out to its vanishing point on the far limit.
//
// Points are in the view's current local coordinates unless a name says otherwise. Eye
// coordinates have the eye at the origin looking along -z. Degenerate input (coinciding end
// points, a degenerate camera, a line that misses the view) draws nothing; nothing is reported.

#include <utility>
#include <vector>

#include "geometry/BoundingBox3d.h"
#include "geometry/Line3d.h"
#include "geometry/Plane3d.h"
#include "geometry/Point3d.h"
#include "geometry/Ray3d.h"
#include "geometry/Transform3d.h"
#include "support/Color.h"

class CViewDefinition;
class IModelView;

using CSegment3d = std::pair<orbisk::geometry::CPoint3d, orbisk::geometry::CPoint3d>;

// The planes that bound the depth range drawn lines are kept in: both face the view direction
// V and pass through E + 1.0001 n V (near) and E + 0.9999 f V (far), with the camera's eye E
// and the view definition's clipping distances n and f.
class CDepthRangePlanes {
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CPlane3d = orbisk::geometry::CPlane3d;
    using CTransform3d = orbisk::geometry::CTransform3d;

    // The planes of the view's camera, carried into the view's current local coordinates.
    explicit CDepthRangePlanes(IModelView* view);
    // localFromModel: the inverse of the placement of the coordinates the points are given in.
    CDepthRangePlanes(const CViewDefinition& definition, const CTransform3d& localFromModel);

    bool IsBeyondFarPlane(const CPoint3d& p) const { return m_far.SignedDistance(p) > 0.0; }
    bool IsBeforeNearPlane(const CPoint3d& p) const { return m_near.SignedDistance(p) < 0.0; }
    // Perspective: where the line from the eye through p meets the plane; parallel: the
    // orthogonal projection. The plane's point on the view axis when there is none.
    CPoint3d ProjectToFarPlane(const CPoint3d& p) const { return Project(m_far, m_farAxisPoint, p); }
    CPoint3d ProjectToNearPlane(const CPoint3d& p) const { return Project(m_near, m_nearAxisPoint, p); }
    // Where the line through a towards b meets the plane; the plane's point on the view axis
    // when they are parallel.
    CPoint3d ClipToFarPlane(const CPoint3d& a, const CPoint3d& b) const
    {
        return Clip(m_far, m_farAxisPoint, a, b);
    }
    CPoint3d ClipToNearPlane(const CPoint3d& a, const CPoint3d& b) const
    {
        return Clip(m_near, m_nearAxisPoint, a, b);
    }
    // The pieces that stand for the segment a-b inside the depth range; none when a and b
    // coincide within 0.001.
    std::vector<CSegment3d> SplitSegment(const CPoint3d& a, const CPoint3d& b) const;

private:
    CPoint3d Project(const CPlane3d& plane, const CPoint3d& axisPoint, const CPoint3d& p) const;
    static CPoint3d Clip(const CPlane3d& plane, const CPoint3d& axisPoint, const CPoint3d& a,
                         const CPoint3d& b);
    // Distance in front of the eye along the view direction.
    double DepthOf(const CPoint3d& p) const { return m_direction.Dot(p - m_eye); }

    CPoint3d m_eye;
    orbisk::geometry::CUnitVector3d m_direction;
    double m_nearDistance = 0.0;
    bool m_perspective = true;
    CPlane3d m_near;
    CPlane3d m_far;
    CPoint3d m_nearAxisPoint;
    CPoint3d m_farAxisPoint;
};

// The view frustum in eye coordinates and the parts of a line it holds.
class CViewFrustumClip {
public:
    using CBoundingBox3d = orbisk::geometry::CBoundingBox3d;
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CRay3d = orbisk::geometry::CRay3d;

    // Face codes of the entry and exit parameters.
    enum Face : int { kLeft = 1, kRight = 2, kBottom = 4, kTop = 8, kFar = 16, kNear = 32 };
    // Bits of ClipRay: the line crosses the frustum (first entry and exit); the line runs
    // between the side walls (second entry, and exit unless it runs to infinity inside them).
    enum Result : int { kCrossesFrustum = 1, kCrossesSideWalls = 2 };

    // An empty box and a ray along +z.
    CViewFrustumClip();
    CViewFrustumClip(const CBoundingBox3d& box, double focalDistance, const CRay3d& ray);

    // With depth, p must also lie between the far and near limits (box z); without it, in
    // perspective, in front of the eye. Tolerance 1e-6.
    bool ContainsPoint(const CPoint3d& p, bool withDepth) const;
    // Fills the results; 0 when the line misses the view.
    int ClipRay();

    // x from left to right and y from bottom to top of the view window at the focal distance;
    // z from the far limit to the near limit, both negative.
    CBoundingBox3d box;
    // 0 for parallel projection.
    double focalDistance = 0.0;
    CRay3d ray;
    // Parameters along the ray, and their face codes (0 when not found).
    double firstEntry = 0.0;
    double firstExit = 0.0;
    double secondEntry = 0.0;
    double secondExit = 0.0;
    int firstEntryFace = 0;
    int firstExitFace = 0;
    int secondEntryFace = 0;
    int secondExitFace = 0;
};

// The pieces DrawInfiniteLine draws: the visible part within the depth range in local
// coordinates, and the parts between the side walls but beyond a depth limit, flattened onto
// that limit, in eye coordinates.
struct CInfiniteLinePieces {
    std::vector<CSegment3d> local;
    std::vector<CSegment3d> eye;
};

// Of the line only its origin and direction count: a line infinite both ways, or the ray from
// its origin. modelFromLocal places the line's coordinates in the model.
CInfiniteLinePieces FindInfiniteLinePieces(const CViewDefinition& definition,
                                           const orbisk::geometry::CTransform3d& modelFromLocal,
                                           const orbisk::geometry::CLine3d& line, bool bothDirections);

// The strokes of the arrow heads asked for at a and b, each from its end point: two 5-pixel
// lines at 45 degrees in the plane facing the eye, pointing outward. None when the segment
// points at the eye.
std::vector<CSegment3d> ArrowHeadStrokes(IModelView* view, const orbisk::geometry::CPoint3d& a,
                                         const orbisk::geometry::CPoint3d& b, bool atStart, bool atEnd);
// Lighting off, the segment in the colour, width and stipple, stipple off again; an arrow head
// at either end is two 5-pixel lines at 45 degrees in the plane facing the eye.
void DrawStyledSegment(IModelView* view, const orbisk::geometry::CPoint3d& a,
                       const orbisk::geometry::CPoint3d& b, orbisk::utils::CColor color,
                       unsigned short stipple, bool arrowAtStart, bool arrowAtEnd, double width);
// Through the view's DrawLine, piece by piece.
void DrawLineClippedToDepthRange(IModelView* view, const orbisk::geometry::CPoint3d& a,
                                 const orbisk::geometry::CPoint3d& b);
// Leaves the GL matrix mode and model-view matrix as it found them.
void DrawInfiniteLine(IModelView* view, const orbisk::geometry::CLine3d& line, unsigned short stipple,
                      bool bothDirections, orbisk::utils::CColor color, double width);
