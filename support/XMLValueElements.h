#pragma once
// The XML forms of times, points, vectors and transformations, each a complete child
// element under a name the caller gives (usually a plain local name).
//
//   time            text "YYYY-MM-DDThh:mm:ss", with "Z" when in UTC; the year is padded
//                   with blanks to four places
//   point, vector   attributes "x", "y", "z"
//   transformation  attributes "m0" to "m15": the column-major 4x4 matrix

#include "geometry/Point3d.h"
#include "geometry/Transform3d.h"
#include "geometry/UnitVector3d.h"

#include <cstdint>
#include <string>

namespace orbisk {

class IXMLInput;
class IXMLOutput;

// `time` is in seconds since 1970 UTC; written in UTC with `utc`, else in local time.
// A time the calendar cannot hold gives empty text.
void WriteXMLTime(IXMLOutput& output, const std::wstring& name, std::int64_t time, bool utc);
void WritePoint3dXML(IXMLOutput& output, const std::wstring& name, double x, double y, double z);
void WriteTransformXML(IXMLOutput& output, const std::wstring& name, const geometry::CTransform3d& transform);

// Each reads the child element of the name; false when it is absent. A missing
// coordinate keeps the value it had.
bool ReadPoint3dXML(IXMLInput& input, const std::wstring& name, geometry::CPoint3d& point);
bool ReadVector3dXML(IXMLInput& input, const std::wstring& name, geometry::CVector3d& vector);
// The three values are normalised; values that cannot be give the zero vector.
bool ReadUnitVector3dXML(IXMLInput& input, const std::wstring& name, geometry::CUnitVector3d& vector);
// False, the transformation unchanged, when any of the 16 values is missing or not a
// number, or the last one (1 / scale) is 0.
bool ReadTransformXML(IXMLInput& input, const std::wstring& name, geometry::CTransform3d& transform);

}  // namespace orbisk
