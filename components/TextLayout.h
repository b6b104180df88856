#pragma once
// Placing text in a view beside what it labels: the gap between the end of a leader and the
// text it leads to.

#include "geometry/Point3d.h"
#include "geometry/Vector3d.h"

class CZpFont;
class IModelView;

// The offset, in model (root) coordinates, from a leader's end to its text for the text position
// (3 and 9: along the camera's right vector; 5 and 10: against it; otherwise none) at the local
// point: the font's height in screen pixels, as a model length there. The zero vector without
// a font, without a camera or when the font has no height at the point.
orbisk::geometry::CVector3d GetTextGapVector(IModelView* view, const CZpFont* font,
                                             const orbisk::geometry::CPoint3d& point, int textPosition);
