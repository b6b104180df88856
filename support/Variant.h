#pragma once
// The XML-serialisable typed value: the property value of styles, written as the
// element "variant" of the types namespace.
//
// A type code and an 8-byte payload. Strings are shared records (copies add a share);
// points, vectors, unit vectors and transformations are owned copies; an object
// reference holds one reference on the object.
//
// XML form, inside the element its holder opens: the attribute "type" with the code,
// then the value as text, or as a child element "point3d", "vector3d", "unitVector3d"
// or "transform" (see XMLValueElements.h), or as the referenced object's own element.
// Colours are written as their 32-bit word read as a signed number.

#include "geometry/Point3d.h"
#include "geometry/Transform3d.h"
#include "geometry/UnitVector3d.h"
#include "support/Color.h"
#include "support/RefCount.h"
#include "support/XMLSerializableClassInfo.h"
#include "support/XMLSerializableObjectBase.h"

#include <cstdint>
#include <string>

namespace orbisk {

// A string shared by the variants that copy it; starts with one share, freed when the
// last one is given up.
class VariantString : public utils::CRefCountBase {
public:
    explicit VariantString(std::wstring text_) : text(std::move(text_)) {}
    std::wstring text;
};

class Variant : public XMLSerializableObjectBase {
public:
    enum Type : std::int32_t {
        kEmpty = 0,
        kBool = 1,
        kByte = 2,
        kShort = 3,
        kInt = 4,
        kColor = 5,  // the colour's four bytes as one word, red in the low byte
        kFloat = 6,
        kDouble = 7,
        kString = 8,
        kPoint = 9,
        kVector = 10,
        kUnitVector = 11,
        kTransform = 12,
        kObject = 13,
        kInt64 = 14,
    };

    Variant() = default;
    explicit Variant(bool value) { SetBool(value); }
    explicit Variant(int value) { SetInt(value); }
    explicit Variant(double value) { SetDouble(value); }
    explicit Variant(const utils::CColor& color) { SetColor(color); }
    // A null object gives an empty variant.
    explicit Variant(XMLSerializableObjectBase* object) { SetObject(object); }
    Variant(const Variant& other) : XMLSerializableObjectBase(other) { Assign(other); }
    Variant& operator=(const Variant& other);
    ~Variant() override { Clear(); }

    static const XMLSerializableClassInfo& ClassInfo();

    Type GetType() const { return m_type; }
    bool IsEmpty() const { return m_type == kEmpty; }
    // Gives up the payload; the variant becomes empty.
    void Clear();

    void SetBool(bool value);
    void SetByte(std::uint8_t value);
    void SetShort(std::int16_t value);
    void SetInt(std::int32_t value);
    void SetColor(const utils::CColor& color);
    void SetFloat(float value);
    void SetDouble(double value);
    void SetPoint(const geometry::CPoint3d& point);
    void SetVector(const geometry::CVector3d& vector);
    void SetUnitVector(const geometry::CUnitVector3d& vector);
    void SetTransform(const geometry::CTransform3d& transform);
    void SetInt64(std::int64_t value);
    // Each adds a share or reference to what it stores, and does nothing when the variant
    // already holds that very record or object; null leaves the variant empty.
    void SetString(VariantString* record);
    void SetObject(XMLSerializableObjectBase* object);

    // Bool: its value; byte, short, int, colour: non-zero; float, double: not equal to 0
    // (NaN is true); every other kind false.
    bool GetBool() const;
    // The numbers read only byte, short, int, colour, float and double, and give 0 for
    // every other kind, bool included. Floating values are truncated toward zero (a value
    // beyond 64 bits saturates, NaN gives 0), and a narrower result takes the low bits.
    std::uint8_t GetByte() const;
    std::int16_t GetShort() const;
    std::int32_t GetInt() const;
    std::uint32_t GetUInt() const;
    float GetFloat() const;
    double GetDouble() const;
    // The 64-bit integer; a colour's word (never negative); the other numbers as the
    // integer getters give them; 0 for every other kind.
    std::int64_t GetInt64() const;
    // The held object or string record (no reference added), else null.
    void GetObject(XMLSerializableObjectBase*& object) const;
    void GetObject(VariantString*& record) const;

    // Equal only with the same kind (so two empty variants are unequal): numbers exactly,
    // strings by content, points, vectors and unit vectors within the geometric
    // tolerance, transformations by CTransform3d::IsEqual, objects by identity.
    bool operator==(const Variant& other) const;

    const XMLSerializableClassInfo& GetClassInfo() const override { return ClassInfo(); }
    // True whatever the writer reports.
    bool WriteXML(IXMLOutput& output) override;
    // False, the variant left empty, when the type or the value cannot be read; an
    // unknown type code gives an empty variant.
    bool ReadXML(IXMLInput& input) override;

private:
    // Clears, then takes the code; the payload is zero.
    void Reset(Type type);
    void Assign(const Variant& other);
    bool IsNumber() const { return m_type >= kByte && m_type <= kDouble; }
    // Byte to double as a double, 0 for every other kind.
    double NumberValue() const;
    bool ReadValue(IXMLInput& input, Type type);

    Type m_type = kEmpty;
    union Payload {
        std::uint8_t byteValue;  // bool and byte
        std::int16_t shortValue;
        std::int32_t intValue;
        std::uint32_t word;  // colour
        float floatValue;
        double doubleValue;
        std::int64_t int64Value;
        VariantString* string;
        geometry::CPoint3d* point;
        geometry::CVector3d* vector;
        geometry::CUnitVector3d* unitVector;
        geometry::CTransform3d* transform;
        XMLSerializableObjectBase* object;
        std::uint64_t raw;
    } payload_{.raw = 0};
};

}  // namespace orbisk
