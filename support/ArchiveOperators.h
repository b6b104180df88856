#pragma once
// The byte forms of geometry and support values in model files (the framework's
// archive, little-endian, doubles as IEEE 8-byte values), and the conversions between
// CString and the standard wide string.
//
//   CColor          red, green, blue, alpha bytes                        4 bytes
//   CPoint3d, CVector3d, CUnitVector3d   x, y, z                         24
//   CPlane3d        a, b, c, d                                           32
//   3x3 matrix      nine values row by row                               72
//   CRay3d          origin x, y, z; direction x, y, z                    48
//   CLine3d         origin; direction; start and end parameters          64
//   CTransform3d    m row by row, translation x, y, z, scale (no flags)  104
//   arc             center; normal a, b, c; xAxis; start and end angles; 88
//                   then, when the record has it, yAxis                  (112)
//
// Reading normalises what must be normalised: unit vectors (a vector of squared length
// at most 1e-20 becomes zero), plane normals, the directions of rays and lines; a
// transformation's flags are recomputed. Reading from a storing archive raises
// CArchiveException writeOnly, writing into a loading one readOnly, and reading past
// the end endOfFile.

#include <string>

#include "geometry/Arc3d.h"
#include "geometry/Line3d.h"
#include "geometry/Plane3d.h"
#include "geometry/Ray3d.h"
#include "geometry/Transform3d.h"
#include "geometry/UnitVector3d.h"
#include "platform/mfc/Archive.h"
#include "support/Color.h"
#include "support/TypedValue.h"

namespace orbisk::utils {

CString ToCString(const std::wstring& text);
std::wstring FromCString(const CString& text);

// Removes one double quote at the start and one at the end, each when present.
CString StripQuotes(const CString& text);

CArchive& operator<<(CArchive& ar, const CColor& color);
CArchive& operator>>(CArchive& ar, CColor& color);

void WriteMatrix3x3(CArchive& ar, const double (&matrix)[9]);
void ReadMatrix3x3(CArchive& ar, double (&matrix)[9]);

// Stores an arc with its y axis always, or reads one that has the y axis only when
// `hasYAxis`; without it the y axis becomes normal x xAxis. Radius and plane are
// recomputed after reading.
void SerializeArc3d(CArchive& ar, geometry::CArc3d& arc, bool hasYAxis);

}  // namespace orbisk::utils

// In the geometry namespace, so that argument-dependent lookup finds them.
namespace orbisk::geometry {

CArchive& operator<<(CArchive& ar, const CPoint3d& point);
CArchive& operator>>(CArchive& ar, CPoint3d& point);
CArchive& operator<<(CArchive& ar, const CVector3d& vector);
CArchive& operator>>(CArchive& ar, CVector3d& vector);
CArchive& operator<<(CArchive& ar, const CUnitVector3d& vector);
CArchive& operator>>(CArchive& ar, CUnitVector3d& vector);
CArchive& operator<<(CArchive& ar, const CPlane3d& plane);
CArchive& operator>>(CArchive& ar, CPlane3d& plane);
CArchive& operator<<(CArchive& ar, const CRay3d& ray);
CArchive& operator>>(CArchive& ar, CRay3d& ray);
CArchive& operator<<(CArchive& ar, const CLine3d& line);
CArchive& operator>>(CArchive& ar, CLine3d& line);
CArchive& operator<<(CArchive& ar, const CTransform3d& transform);
CArchive& operator>>(CArchive& ar, CTransform3d& transform);

}  // namespace orbisk::geometry
