#include "support/ArchiveOperators.h"

#include <string_view>

namespace orbisk::utils {

CString ToCString(const std::wstring& text)
{
    return CString(std::wstring_view(text));
}

std::wstring FromCString(const CString& text)
{
    return std::wstring(text.GetString(), static_cast<size_t>(text.GetLength()));
}

CString StripQuotes(const CString& text)
{
    std::wstring_view view(text.GetString(), static_cast<size_t>(text.GetLength()));
    if (!view.empty() && view.front() == L'"')
        view.remove_prefix(1);
    if (!view.empty() && view.back() == L'"')
        view.remove_suffix(1);
    return CString(view);
}

CArchive& operator<<(CArchive& ar, const CColor& color)
{
    ar.Write(&color, sizeof color);
    return ar;
}

CArchive& operator>>(CArchive& ar, CColor& color)
{
    ar.Read(&color, sizeof color);
    return ar;
}

void WriteMatrix3x3(CArchive& ar, const double (&matrix)[9])
{
    for (double value : matrix)
        ar << value;
}

void ReadMatrix3x3(CArchive& ar, double (&matrix)[9])
{
    for (double& value : matrix)
        ar >> value;
}

void SerializeArc3d(CArchive& ar, geometry::CArc3d& arc, bool hasYAxis)
{
    if (ar.IsStoring()) {
        ar << arc.center << arc.plane.GetNormal() << arc.xAxis << arc.startAngle << arc.endAngle << arc.yAxis;
        return;
    }
    geometry::CUnitVector3d normal;
    ar >> arc.center >> normal;
    arc.SetNormal(normal);
    ar >> arc.xAxis >> arc.startAngle >> arc.endAngle;
    if (hasYAxis)
        ar >> arc.yAxis;
    arc.Recompute(!hasYAxis);
}

}  // namespace orbisk::utils

namespace orbisk::geometry {

CArchive& operator<<(CArchive& ar, const CPoint3d& point)
{
    return ar << point.x << point.y << point.z;
}

CArchive& operator>>(CArchive& ar, CPoint3d& point)
{
    return ar >> point.x >> point.y >> point.z;
}

CArchive& operator<<(CArchive& ar, const CVector3d& vector)
{
    return ar << vector.x << vector.y << vector.z;
}

CArchive& operator>>(CArchive& ar, CVector3d& vector)
{
    return ar >> vector.x >> vector.y >> vector.z;
}

CArchive& operator<<(CArchive& ar, const CUnitVector3d& vector)
{
    return ar << vector.x << vector.y << vector.z;
}

CArchive& operator>>(CArchive& ar, CUnitVector3d& vector)
{
    double x = 0, y = 0, z = 0;
    ar >> x >> y >> z;
    vector.Set(x, y, z);
    return ar;
}

CArchive& operator<<(CArchive& ar, const CPlane3d& plane)
{
    return ar << plane.a << plane.b << plane.c << plane.d;
}

CArchive& operator>>(CArchive& ar, CPlane3d& plane)
{
    double a = 0, b = 0, c = 0, d = 0;
    ar >> a >> b >> c >> d;
    plane.Set(a, b, c, d);
    return ar;
}

CArchive& operator<<(CArchive& ar, const CRay3d& ray)
{
    return ar << ray.origin << ray.direction;
}

CArchive& operator>>(CArchive& ar, CRay3d& ray)
{
    return ar >> ray.origin >> ray.direction;
}

CArchive& operator<<(CArchive& ar, const CLine3d& line)
{
    return ar << line.origin << line.direction << line.t0 << line.t1;
}

CArchive& operator>>(CArchive& ar, CLine3d& line)
{
    CUnitVector3d direction;
    ar >> line.origin >> direction;
    line.SetDirection(direction);
    // The parameters as stored, whatever the direction setter made of them.
    return ar >> line.t0 >> line.t1;
}

CArchive& operator<<(CArchive& ar, const CTransform3d& transform)
{
    utils::WriteMatrix3x3(ar, transform.m);
    return ar << transform.t << transform.scale;
}

CArchive& operator>>(CArchive& ar, CTransform3d& transform)
{
    double matrix[9];
    CVector3d translation;
    double scale = 1;
    utils::ReadMatrix3x3(ar, matrix);
    ar >> translation >> scale;
    transform.Set(matrix, translation, scale);
    return ar;
}

}  // namespace orbisk::geometry
