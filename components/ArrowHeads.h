#pragma once
// Drawing shared by the annotations (dimensions and texts with leaders): the arrow-head shapes
// and their placement on a line in a plane, the edge-on test of an annotation's plane, and a
// line drawn with a gap where it would cross its own text. Everything draws through the view's
// drawing interface and keeps no state.
//
// Arrow types: 0 none, 1 slash, 2 dot, 3 closed arrow, 4 open arrow.
//
// The offset between a leader's end and its text, GetTextGapVector, lives with the text
// placement (components/TextLayout.h) and is reached through this header too.

#include "components/TextLayout.h"
#include "geometry/Interval1d.h"
#include "geometry/Plane3d.h"
#include "geometry/Point3d.h"
#include "geometry/Vector3d.h"

class CZpFont;
class IModelView;

enum ArrowType : int { kArrowNone = 0, kArrowSlash = 1, kArrowDot = 2, kArrowClosed = 3, kArrowOpen = 4 };

// One arrow head whose tip touches tip and whose body lies along direction from it, in plane
// (all local points of the view's current transform). Nothing for type 0 or a zero direction.
void DrawArrowHead(IModelView* view, const orbisk::geometry::CPlane3d& plane,
                   const orbisk::geometry::CPoint3d& tip, const orbisk::geometry::CVector3d& direction,
                   int arrowType, double size, int lineWidth);

// The shape in the current frame: tip at the origin, body along +x, z = 0. fill draws the dot
// and the closed arrow as polygons (pulled towards the viewer), else as outlines; flip mirrors
// the slash.
void DrawArrowShape(int arrowType, IModelView* view, double lineWidth, double size, bool fill, bool flip);

// Whether the camera sees the plane edge-on at the (local) point: the sight line from the eye to
// the point, projected into the plane, is within tolerance of lying in it.
bool IsEdgeOnToView(const orbisk::geometry::CPlane3d& plane, const orbisk::geometry::CPoint3d& point,
                    IModelView* view, double tolerance);

// Where value lies against the interval: 1 below (or at) its minimum, 2 above (or at) its
// maximum, 0 inside; code when the interval and the value are all one point.
int ClassifyInInterval(double value, int code, const orbisk::geometry::CInterval1d& interval);

// Intersection, on x and y only, of the segments p->q and r->s; t is the parameter of the
// crossing along r->s. Parallel segments never intersect (t stays 0).
bool IntersectSegments2d(const orbisk::geometry::CPoint3d& p, const orbisk::geometry::CPoint3d& q,
                         const orbisk::geometry::CPoint3d& r, const orbisk::geometry::CPoint3d& s, double& t);

// The line start->end with the part inside the text's box (grown by 3 pixels) left out; nothing
// when an end lies inside the box. inPlane: the text lies in the x-y plane of the current
// transform, else it faces the viewer. alignment is the font's code 0..8 (row * 3 + column).
void DrawLineAroundText(IModelView* view, const orbisk::geometry::CPoint3d& start,
                        const orbisk::geometry::CPoint3d& end, const orbisk::geometry::CPoint3d& anchor,
                        CZpFont* font, const wchar_t* text, int alignment, bool inPlane);
