#include "support/TypedValue.h"

#include "platform/mfc/ArchiveException.h"
#include "support/ArchiveOperators.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <ctime>
#include <iterator>
#include <utility>

namespace orbisk::utils {

namespace {

using geometry::CPoint3d;
using geometry::CTransform3d;
using geometry::CUnitVector3d;
using geometry::CVector3d;

// Arrays nest; a file cannot make the reader recurse deeper than this.
constexpr int kMaxArrayDepth = 64;
// Elements reserved before an array of a larger count has shown them in the file.
constexpr size_t kArrayReserve = 256;

bool IsDoubleKind(std::int32_t type)
{
    return type == kTypeDouble || (type >= 12 && type <= 16);
}

// Truncated toward zero; NaN gives 0 and values beyond the 32-bit range the nearest end.
std::int32_t TruncateToInt32(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= INT32_MAX)
        return INT32_MAX;
    if (value <= INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

// The ctime text ("Wed Jun 30 21:49:08 1993\n") of a time in local time.
CString LocalTimeText(std::int64_t seconds)
{
    static constexpr const wchar_t* kDays[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
    static constexpr const wchar_t* kMonths[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                                 L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&time, &local))
        return CString();
    CString text;
    text.Format(L"%s %s%3d %.2d:%.2d:%.2d %lld\n", kDays[local.tm_wday], kMonths[local.tm_mon], local.tm_mday,
                local.tm_hour, local.tm_min, local.tm_sec, static_cast<long long>(local.tm_year) + 1900);
    return text;
}

// A colour-array element: bytes as they are, shorts and ints clamped, floats and doubles
// as unit values; false for any other kind.
bool ColorChannel(const CTypedValue& element, std::uint8_t& channel)
{
    std::int32_t integer = 0;
    double unit = 0;
    switch (element.GetType()) {
        case kTypeByte:
        case kTypeShort:
        case kTypeInt:
            element.TryGetInt(integer);
            channel = static_cast<std::uint8_t>(std::clamp(integer, 0, 255));
            return true;
        case kTypeFloat:
        case kTypeDouble:
            element.TryGetDouble(unit);
            channel = UnitToByte(unit);
            return true;
        default: return false;
    }
}

template <typename T>
T GetOrThrow(bool (CTypedValue::*tryGet)(T&) const, const CTypedValue& value, std::int32_t code)
{
    T result{};
    if (!(value.*tryGet)(result))
        throw CConversionError(code);
    return result;
}

}  // namespace

CTypedValue::CTypedValue(const wchar_t* text)
{
    SetString(CString(text));
}

CTypedValue::CTypedValue(const CString& text)
{
    SetString(text);
}

CTypedValue::CTypedValue(const CTypedValue& other) : m_type(other.m_type), m_payload(other.m_payload)
{
    if (HoldsReference())
        m_payload.shared->AddRef();
}

CTypedValue::CTypedValue(CTypedValue&& other) noexcept
    : m_type(std::exchange(other.m_type, kTypeEmpty)),
      m_payload(std::exchange(other.m_payload, Payload{.raw = 0}))
{}

// By copy and swap: `other` may live inside the payload this value releases.
CTypedValue& CTypedValue::operator=(const CTypedValue& other)
{
    CTypedValue copy(other);
    return *this = std::move(copy);
}

CTypedValue& CTypedValue::operator=(CTypedValue&& other) noexcept
{
    // Taken out first, and the old contents released last, for the same reason.
    CTypedValue taken(std::move(other));
    std::swap(m_type, taken.m_type);
    std::swap(m_payload, taken.m_payload);
    return *this;
}

bool CTypedValue::HoldsReference() const
{
    return m_type == kTypeString || m_type == kTypeArray ||
           (m_type >= kTypePoint && m_type <= kTypeTransform);
}

void CTypedValue::Clear()
{
    if (HoldsReference())
        m_payload.shared->Release();
    m_type = kTypeEmpty;
    m_payload.raw = 0;
}

void CTypedValue::SetByte(std::uint8_t value)
{
    Clear();
    m_type = kTypeByte;
    m_payload.byteValue = value;
}

void CTypedValue::SetShort(std::int16_t value)
{
    Clear();
    m_type = kTypeShort;
    m_payload.shortValue = value;
}

void CTypedValue::SetInt(std::int32_t value)
{
    Clear();
    m_type = kTypeInt;
    m_payload.intValue = value;
}

void CTypedValue::SetFloat(float value)
{
    Clear();
    m_type = kTypeFloat;
    m_payload.floatValue = value;
}

void CTypedValue::SetDouble(double value)
{
    Clear();
    m_type = kTypeDouble;
    m_payload.doubleValue = value;
}

void CTypedValue::SetBool(bool value)
{
    Clear();
    m_type = kTypeBool;
    m_payload.boolValue = value;
}

void CTypedValue::SetColor(const CColor& color)
{
    Clear();
    m_type = kTypeColor;
    m_payload.colorValue = color.GetPacked();
}

void CTypedValue::SetTime(std::int64_t seconds)
{
    Clear();
    m_type = kTypeTime;
    m_payload.timeValue = seconds;
}

void CTypedValue::SetString(const CString& text)
{
    CRefCountBase* string = new CRefCountedString(text);
    Clear();
    m_type = kTypeString;
    m_payload.shared = string;
}

void CTypedValue::SetArray(std::vector<CTypedValue> values)
{
    CRefCountBase* array = new Array(std::move(values));
    Clear();
    m_type = kTypeArray;
    m_payload.shared = array;
}

void CTypedValue::SetDoubles(std::int32_t type, std::vector<double> values)
{
    CRefCountBase* doubles = new Doubles(std::move(values));
    Clear();
    m_type = type;
    m_payload.shared = doubles;
}

void CTypedValue::SetPoint(const CPoint3d& point)
{
    SetDoubles(kTypePoint, {point.x, point.y, point.z});
}

void CTypedValue::SetVector(const CVector3d& vector)
{
    SetDoubles(kTypeVector, {vector.x, vector.y, vector.z});
}

void CTypedValue::SetUnitVector(const CUnitVector3d& vector)
{
    SetDoubles(kTypeUnitVector, {vector.x, vector.y, vector.z});
}

void CTypedValue::SetTransform(const CTransform3d& transform)
{
    double matrix[16];
    transform.GetMatrix(matrix);
    SetDoubles(kTypeTransform, std::vector<double>(std::begin(matrix), std::end(matrix)));
}

const CString& CTypedValue::Text() const
{
    return static_cast<const CRefCountedString*>(m_payload.shared)->text;
}

const std::vector<CTypedValue>& CTypedValue::Elements() const
{
    return static_cast<const Array*>(m_payload.shared)->values;
}

const std::vector<double>* CTypedValue::DoublesOf(std::int32_t type) const
{
    if (m_type != type)
        return nullptr;
    return &static_cast<const Doubles*>(m_payload.shared)->values;
}

// Every numeric kind as a double (bools as 0 or 1); false for the others.
bool CTypedValue::TryGetNumber(double& value) const
{
    switch (m_type) {
        case kTypeByte: value = m_payload.byteValue; return true;
        case kTypeShort: value = m_payload.shortValue; return true;
        case kTypeInt: value = m_payload.intValue; return true;
        case kTypeFloat: value = m_payload.floatValue; return true;
        case kTypeBool: value = m_payload.boolValue ? 1 : 0; return true;
        default:
            if (!IsDoubleKind(m_type))
                return false;
            value = m_payload.doubleValue;
            return true;
    }
}

bool CTypedValue::TryGetByte(std::uint8_t& value) const
{
    value = 0;
    double number = 0;
    if (!TryGetNumber(number))
        return false;
    value = static_cast<std::uint8_t>(TruncateToInt32(number));
    return true;
}

bool CTypedValue::TryGetShort(std::int16_t& value) const
{
    value = 0;
    double number = 0;
    if (!TryGetNumber(number))
        return false;
    value = static_cast<std::int16_t>(TruncateToInt32(number));
    return true;
}

bool CTypedValue::TryGetInt(std::int32_t& value) const
{
    value = 0;
    if (m_type == kTypeColor) {
        value = static_cast<std::int32_t>(m_payload.colorValue);
        return true;
    }
    double number = 0;
    if (!TryGetNumber(number))
        return false;
    value = TruncateToInt32(number);
    return true;
}

bool CTypedValue::TryGetFloat(float& value) const
{
    value = 0;
    double number = 0;
    if (!TryGetNumber(number))
        return false;
    if (IsDoubleKind(m_type) && !(number > -FLT_MAX && number < FLT_MAX))
        return false;
    value = static_cast<float>(number);
    return true;
}

bool CTypedValue::TryGetDouble(double& value) const
{
    value = 0;
    return TryGetNumber(value);
}

bool CTypedValue::TryGetBool(bool& value) const
{
    value = false;
    if (m_type == kTypeString) {
        value = true;  // the string is always there
        return true;
    }
    double number = 0;
    if (!TryGetNumber(number))
        return false;
    value = number != 0;  // NaN counts as true
    return true;
}

bool CTypedValue::TryGetString(CString& value) const
{
    value = CString();
    switch (m_type) {
        case kTypeByte:
        case kTypeShort:
        case kTypeInt: {
            double number = 0;
            TryGetNumber(number);
            value.Format(L"%d", static_cast<int>(number));
            return true;
        }
        case kTypeFloat: value.Format(L"%g", static_cast<double>(m_payload.floatValue)); return true;
        case kTypeBool: value = m_payload.boolValue ? L"true" : L"false"; return true;
        case kTypeTime: value = LocalTimeText(m_payload.timeValue); return true;
        case kTypeString: value = Text(); return true;
        default:
            if (!IsDoubleKind(m_type))
                return false;
            value.Format(L"%g", m_payload.doubleValue);
            return true;
    }
}

bool CTypedValue::TryGetColor(CColor& value) const
{
    value = CColor();
    switch (m_type) {
        case kTypeInt:
        case kTypeColor: value = CColor(m_payload.colorValue); return true;
        case kTypeString: {
            CColor named;
            if (!named.SetFromName(FromCString(Text())))
                return false;
            value = named;
            return true;
        }
        case kTypeArray: {
            const std::vector<CTypedValue>& elements = Elements();
            if (elements.size() != 3 && elements.size() != 4)
                return false;
            std::uint8_t channels[4] = {0, 0, 0, 255};
            for (size_t i = 0; i < elements.size(); ++i)
                if (!ColorChannel(elements[i], channels[i]))
                    return false;
            value = CColor(channels[0], channels[1], channels[2], channels[3]);
            return true;
        }
        default: return false;
    }
}

bool CTypedValue::TryGetTime(std::int64_t& value) const
{
    value = 0;
    if (m_type != kTypeTime)
        return false;
    value = m_payload.timeValue;
    return true;
}

bool CTypedValue::TryGetPoint(CPoint3d& value) const
{
    value = CPoint3d();
    const std::vector<double>* v = DoublesOf(kTypePoint);
    if (!v)
        return false;
    value = CPoint3d((*v)[0], (*v)[1], (*v)[2]);
    return true;
}

bool CTypedValue::TryGetVector(CVector3d& value) const
{
    value = CVector3d();
    const std::vector<double>* v = DoublesOf(kTypeVector);
    if (!v)
        return false;
    value = CVector3d((*v)[0], (*v)[1], (*v)[2]);
    return true;
}

bool CTypedValue::TryGetUnitVector(CUnitVector3d& value) const
{
    value = CUnitVector3d();
    const std::vector<double>* v = DoublesOf(kTypeUnitVector);
    if (!v)
        return false;
    value = CUnitVector3d((*v)[0], (*v)[1], (*v)[2]);
    return true;
}

bool CTypedValue::TryGetTransform(CTransform3d& value) const
{
    value = CTransform3d();
    const std::vector<double>* v = DoublesOf(kTypeTransform);
    if (!v)
        return false;
    double matrix[16];
    std::copy(v->begin(), v->end(), matrix);
    value = CTransform3d(matrix);
    return true;
}

std::uint8_t CTypedValue::GetByte() const
{
    return GetOrThrow(&CTypedValue::TryGetByte, *this, kTypeByte);
}
std::int32_t CTypedValue::GetInt() const
{
    return GetOrThrow(&CTypedValue::TryGetInt, *this, kTypeInt);
}
float CTypedValue::GetFloat() const
{
    return GetOrThrow(&CTypedValue::TryGetFloat, *this, kTypeFloat);
}
double CTypedValue::GetDouble() const
{
    return GetOrThrow(&CTypedValue::TryGetDouble, *this, kTypeDouble);
}
bool CTypedValue::GetBool() const
{
    return GetOrThrow(&CTypedValue::TryGetBool, *this, kTypeBool);
}
CString CTypedValue::GetString() const
{
    return GetOrThrow(&CTypedValue::TryGetString, *this, kTypeString);
}

CRefPtr<CTypedValue::Array> CTypedValue::GetArray() const
{
    if (m_type != kTypeArray)
        throw CConversionError(kTypeArray);
    return CRefPtr<Array>::Share(static_cast<Array*>(m_payload.shared));
}

bool CTypedValue::IsGeometric() const
{
    if (m_type >= kTypePoint && m_type <= kTypeTransform)
        return true;
    if (m_type != kTypeArray)
        return false;
    const std::vector<CTypedValue>& elements = Elements();
    return std::any_of(elements.begin(), elements.end(),
                       [](const CTypedValue& e) { return e.IsGeometric(); });
}

bool CTypedValue::TransformBy(const CTransform3d& transform)
{
    switch (m_type) {
        case kTypePoint: {
            CPoint3d point;
            if (!TryGetPoint(point))
                return false;
            transform.TransformPoint(point);
            SetPoint(point);
            return true;
        }
        case kTypeVector: {
            CVector3d vector;
            if (!TryGetVector(vector))
                return false;
            transform.TransformVector(vector);
            SetVector(vector);
            return true;
        }
        case kTypeUnitVector: {
            CUnitVector3d vector;
            if (!TryGetUnitVector(vector))
                return false;
            transform.TransformUnitVector(vector);
            SetUnitVector(vector);
            return true;
        }
        case kTypeTransform: {
            CTransform3d stored;
            if (!TryGetTransform(stored))
                return false;
            SetTransform(transform * stored);
            return true;
        }
        case kTypeArray: {
            // A private copy: copies of this value taken before keep the old elements.
            SetArray(Elements());
            bool transformed = false;
            for (CTypedValue& element : static_cast<Array*>(m_payload.shared)->values)
                transformed = element.TransformBy(transform) || transformed;
            return transformed;
        }
        default: return false;
    }
}

void CTypedValue::Write(CArchive& ar) const
{
    ar << static_cast<std::uint8_t>(m_type & 0xFF);
    switch (m_type) {
        case kTypeByte: ar << m_payload.byteValue; return;
        case kTypeShort: ar << m_payload.shortValue; return;
        case kTypeInt: ar << m_payload.intValue; return;
        case kTypeFloat: ar << m_payload.floatValue; return;
        case kTypeBool: ar << m_payload.boolValue; return;
        case kTypeColor: ar << CColor(m_payload.colorValue); return;
        case kTypeTime: ar << m_payload.timeValue; return;  // all 8 bytes, as the reader takes them
        case kTypeString: ar << Text(); return;
        case kTypeArray: {
            const std::vector<CTypedValue>& elements = Elements();
            ar << static_cast<std::int32_t>(elements.size());
            for (const CTypedValue& element : elements)
                element.Write(ar);
            return;
        }
        case kTypePoint:
        case kTypeVector:
        case kTypeUnitVector:
            for (double coordinate : *DoublesOf(m_type))
                ar << coordinate;
            return;
        case kTypeTransform: {
            CTransform3d transform;
            TryGetTransform(transform);
            ar << transform;
            return;
        }
        default:
            if (IsDoubleKind(m_type))
                ar << m_payload.doubleValue;
            return;
    }
}

void CTypedValue::Read(CArchive& ar, int depth)
{
    Clear();
    std::uint8_t code = 0;
    ar >> code;
    switch (code) {
        case kTypeByte: {
            std::uint8_t value = 0;
            ar >> value;
            SetByte(value);
            return;
        }
        case kTypeShort: {
            std::int16_t value = 0;
            ar >> value;
            SetShort(value);
            return;
        }
        case kTypeInt: {
            std::int32_t value = 0;
            ar >> value;
            SetInt(value);
            return;
        }
        case kTypeFloat: {
            float value = 0;
            ar >> value;
            SetFloat(value);
            return;
        }
        case kTypeBool: {
            bool value = false;
            ar >> value;
            SetBool(value);
            return;
        }
        case kTypeColor: {
            CColor value;
            ar >> value;
            SetColor(value);
            return;
        }
        case kTypeTime: {
            std::int64_t value = 0;
            ar >> value;
            SetTime(value);
            return;
        }
        case kTypeString: {
            CString value;
            ar >> value;
            SetString(value);
            return;
        }
        case kTypeArray: {
            std::int32_t count = 0;
            ar >> count;
            if (count <= 0)
                return;
            if (depth >= kMaxArrayDepth)
                AfxThrowArchiveException(CArchiveException::genericException);
            // Every element is stored in one byte at least, so a larger count cannot be
            // right. Even a possible count may still be a lie, and an element takes 16
            // bytes in memory: the array grows with the elements actually read, so its
            // memory follows the bytes the file really holds.
            ar.CheckBytesLeft(static_cast<std::uint64_t>(count));
            std::vector<CTypedValue> elements;
            elements.reserve(std::min<size_t>(static_cast<size_t>(count), kArrayReserve));
            for (std::int32_t i = 0; i < count; ++i)
                elements.emplace_back().Read(ar, depth + 1);
            SetArray(std::move(elements));
            return;
        }
        case kTypePoint:
        case kTypeVector: {
            CVector3d value;
            ar >> value;
            SetDoubles(code, {value.x, value.y, value.z});
            return;
        }
        case kTypeUnitVector: {
            CUnitVector3d value;
            ar >> value;
            SetUnitVector(value);
            return;
        }
        case kTypeTransform: {
            CTransform3d value;
            ar >> value;
            SetTransform(value);
            return;
        }
        default:
            m_type = code;
            if (IsDoubleKind(code))
                ar >> m_payload.doubleValue;
            return;
    }
}

CArchive& operator<<(CArchive& ar, const CTypedValue& value)
{
    value.Write(ar);
    return ar;
}

CArchive& operator>>(CArchive& ar, CTypedValue& value)
{
    value.Read(ar, 0);
    return ar;
}

}  // namespace orbisk::utils
