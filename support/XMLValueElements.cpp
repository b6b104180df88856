#include "support/XMLValueElements.h"

#include "support/StringUtils.h"
#include "support/XMLInput.h"
#include "support/XMLOutput.h"

#include <cmath>
#include <ctime>

namespace orbisk {

namespace {

constexpr int kMatrixSize = 16;

std::wstring MatrixName(int index)
{
    return L"m" + XMLValueText(index);
}

// Reads whichever of "x", "y", "z" are present over the values given.
bool ReadCoordinates(IXMLInput& input, const std::wstring& name, double (&values)[3])
{
    if (!input.EnterElement(name))
        return false;
    input.ReadAttribute(L"x", values[0]);
    input.ReadAttribute(L"y", values[1]);
    input.ReadAttribute(L"z", values[2]);
    input.LeaveElement();
    return true;
}

}  // namespace

void WriteXMLTime(IXMLOutput& output, const std::wstring& name, std::int64_t time, bool utc)
{
    const std::time_t seconds = static_cast<std::time_t>(time);
    std::tm calendar{};
    const bool known =
        utc ? gmtime_r(&seconds, &calendar) != nullptr : localtime_r(&seconds, &calendar) != nullptr;
    std::wstring text;
    if (known)
        utils::Format(text, utc ? L"%4d-%02d-%02dT%02d:%02d:%02dZ" : L"%4d-%02d-%02dT%02d:%02d:%02d",
                      calendar.tm_year + 1900, calendar.tm_mon + 1, calendar.tm_mday, calendar.tm_hour,
                      calendar.tm_min, calendar.tm_sec);
    output.WriteElement(name, text);
}

void WritePoint3dXML(IXMLOutput& output, const std::wstring& name, double x, double y, double z)
{
    if (!output.BeginElement(name))
        return;
    output.WriteAttribute(L"x", x);
    output.WriteAttribute(L"y", y);
    output.WriteAttribute(L"z", z);
    output.EndElement(name);
}

void WriteTransformXML(IXMLOutput& output, const std::wstring& name, const geometry::CTransform3d& transform)
{
    if (!output.BeginElement(name))
        return;
    double matrix[kMatrixSize];
    transform.GetMatrix(matrix);
    for (int i = 0; i < kMatrixSize; ++i)
        output.WriteAttribute(MatrixName(i), matrix[i]);
    output.EndElement(name);
}

bool ReadPoint3dXML(IXMLInput& input, const std::wstring& name, geometry::CPoint3d& point)
{
    double values[3] = {point.x, point.y, point.z};
    if (!ReadCoordinates(input, name, values))
        return false;
    point.Set(values[0], values[1], values[2]);
    return true;
}

bool ReadVector3dXML(IXMLInput& input, const std::wstring& name, geometry::CVector3d& vector)
{
    double values[3] = {vector.x, vector.y, vector.z};
    if (!ReadCoordinates(input, name, values))
        return false;
    vector = geometry::CVector3d(values[0], values[1], values[2]);
    return true;
}

bool ReadUnitVector3dXML(IXMLInput& input, const std::wstring& name, geometry::CUnitVector3d& vector)
{
    double values[3] = {vector.x, vector.y, vector.z};
    if (!ReadCoordinates(input, name, values))
        return false;
    vector.Set(values[0], values[1], values[2]);
    return true;
}

bool ReadTransformXML(IXMLInput& input, const std::wstring& name, geometry::CTransform3d& transform)
{
    if (!input.EnterElement(name))
        return false;
    double matrix[kMatrixSize];
    bool complete = true;
    for (int i = 0; i < kMatrixSize && complete; ++i)
        complete = input.ReadAttribute(MatrixName(i), matrix[i]) && std::isfinite(matrix[i]);
    input.LeaveElement();
    if (!complete || matrix[kMatrixSize - 1] == 0)
        return false;
    transform.SetMatrix(matrix);
    return true;
}

}  // namespace orbisk
