#pragma once
// A small tagged value for free-form model data (attribute dictionaries, options,
// contributors): a 32-bit type code and an 8-byte payload. Strings, arrays and
// geometric values are shared payloads; a geometric value never changes its payload in
// place, so sharing is never visible.

#include <cstdint>
#include <vector>

#include "geometry/Point3d.h"
#include "geometry/Transform3d.h"
#include "geometry/UnitVector3d.h"
#include "geometry/Vector3d.h"
#include "platform/mfc/String.h"
#include "support/Color.h"
#include "support/RefCount.h"

class CArchive;

namespace orbisk::utils {

// Codes 12 to 16 are further double kinds; 1 and 21 to 255 carry no payload.
enum TypedValueType : std::int32_t {
    kTypeEmpty = 0,
    kTypeByte = 2,
    kTypeShort = 3,
    kTypeInt = 4,
    kTypeFloat = 5,
    kTypeDouble = 6,
    kTypeBool = 7,
    kTypeColor = 8,
    kTypeTime = 9,  // seconds since 1970-01-01 00:00 UTC
    kTypeString = 10,
    kTypeArray = 11,
    kTypePoint = 17,
    kTypeVector = 18,
    kTypeUnitVector = 19,
    kTypeTransform = 20,  // the 16 column-major values of the 4x4 matrix
};

// Thrown when a value cannot give the kind asked for; carries that kind's code.
class CConversionError {
public:
    explicit CConversionError(std::int32_t requestedType) : m_requestedType(requestedType) {}
    std::int32_t m_requestedType;
};

class CTypedValue {
public:
    using Array = CRefCountedArrayData<CTypedValue>;

    CTypedValue() = default;
    explicit CTypedValue(const wchar_t* text);
    explicit CTypedValue(const CString& text);
    CTypedValue(const char*) = delete;  // would otherwise become a bool
    explicit CTypedValue(float value) { SetFloat(value); }
    explicit CTypedValue(double value) { SetDouble(value); }
    explicit CTypedValue(int value) { SetInt(value); }
    explicit CTypedValue(bool value) { SetBool(value); }
    explicit CTypedValue(const CColor& color) { SetColor(color); }

    CTypedValue(const CTypedValue& other);
    CTypedValue(CTypedValue&& other) noexcept;
    CTypedValue& operator=(const CTypedValue& other);
    CTypedValue& operator=(CTypedValue&& other) noexcept;
    ~CTypedValue() { Clear(); }

    std::int32_t GetType() const { return m_type; }
    bool IsEmpty() const { return m_type == kTypeEmpty; }

    // Releases a shared payload; the value becomes empty.
    void Clear();

    // Each setter clears first.
    void SetByte(std::uint8_t value);
    void SetShort(std::int16_t value);
    void SetInt(std::int32_t value);
    void SetFloat(float value);
    void SetDouble(double value);
    void SetBool(bool value);
    void SetColor(const CColor& color);
    void SetTime(std::int64_t seconds);
    void SetString(const CString& text);
    void SetArray(std::vector<CTypedValue> values);
    void SetPoint(const geometry::CPoint3d& point);
    void SetVector(const geometry::CVector3d& vector);
    void SetUnitVector(const geometry::CUnitVector3d& vector);
    void SetTransform(const geometry::CTransform3d& transform);

    // Each TryGet zeroes its output, then converts and returns true, or returns false
    // when the value cannot give that kind. Each Get throws CConversionError instead.
    // Numbers: a fractional value is truncated toward zero, and one beyond the 32-bit
    // range is taken as the nearest 32-bit value before its low bits are kept.
    bool TryGetByte(std::uint8_t& value) const;
    bool TryGetShort(std::int16_t& value) const;
    bool TryGetInt(std::int32_t& value) const;
    // Doubles outside the float range fail.
    bool TryGetFloat(float& value) const;
    bool TryGetDouble(double& value) const;
    bool TryGetBool(bool& value) const;
    // Numbers as "%d" or "%g", bools as "false"/"true", a time as the ctime text of
    // local time (empty when out of range), an absent string as "NULL".
    bool TryGetString(CString& value) const;
    // A packed colour or int, a colour name or hexadecimal text, or an array of 3 or 4
    // bytes, shorts or ints (clamped to 0..255), floats or doubles (unit values).
    bool TryGetColor(CColor& value) const;
    bool TryGetTime(std::int64_t& value) const;
    bool TryGetPoint(geometry::CPoint3d& value) const;
    bool TryGetVector(geometry::CVector3d& value) const;
    // Renormalised on the way out.
    bool TryGetUnitVector(geometry::CUnitVector3d& value) const;
    bool TryGetTransform(geometry::CTransform3d& value) const;

    std::uint8_t GetByte() const;
    std::int32_t GetInt() const;
    float GetFloat() const;
    double GetDouble() const;
    bool GetBool() const;
    CString GetString() const;
    // A new reference to the same array.
    CRefPtr<Array> GetArray() const;

    // Points, vectors, unit vectors, transformations, and arrays holding any of them.
    bool IsGeometric() const;
    // Transforms the geometric content (a transformation becomes `transform` applied after
    // it) into new payloads; false, nothing changed, when there is none.
    bool TransformBy(const geometry::CTransform3d& transform);

    // The archive form: one byte of type code, then the payload by code.
    friend CArchive& operator<<(CArchive& ar, const CTypedValue& value);
    friend CArchive& operator>>(CArchive& ar, CTypedValue& value);

private:
    using Doubles = CRefCountedArrayData<double>;

    bool HoldsReference() const;
    void SetDoubles(std::int32_t type, std::vector<double> values);
    // The payloads of the reference-holding codes.
    const CString& Text() const;
    const std::vector<CTypedValue>& Elements() const;
    const std::vector<double>* DoublesOf(std::int32_t type) const;  // null for another code
    bool TryGetNumber(double& value) const;
    void Read(CArchive& ar, int depth);
    void Write(CArchive& ar) const;

    std::int32_t m_type = kTypeEmpty;
    union Payload {
        std::uint8_t byteValue;
        std::int16_t shortValue;
        std::int32_t intValue;
        float floatValue;
        double doubleValue;
        bool boolValue;
        std::uint32_t colorValue;
        std::int64_t timeValue;
        CRefCountBase* shared;  // never null under a reference-holding code
        std::uint64_t raw;
    } m_payload{.raw = 0};
};

}  // namespace orbisk::utils
