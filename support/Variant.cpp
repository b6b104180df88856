#include "support/Variant.h"

#include "support/XMLInput.h"
#include "support/XMLNamespaces.h"
#include "support/XMLOutput.h"
#include "support/XMLValueElements.h"

#include <cmath>
#include <limits>
#include <new>

namespace orbisk {

namespace {

static_assert(sizeof(long) == sizeof(std::int64_t), "64-bit integers are written as long");

IXMLSerializableObject* NewVariant()
{
    return new (std::nothrow) Variant();
}

const XMLSerializableClassInfo variantClassInfo("Variant", "variant", kTypesNamespace, 0, 0, &NewVariant);

// Toward zero into 64 bits; NaN gives 0, values beyond the range saturate.
std::int64_t Truncate(double value)
{
    constexpr double kLimit = 9223372036854775808.0;  // 2^63
    if (std::isnan(value))
        return 0;
    if (value >= kLimit)
        return std::numeric_limits<std::int64_t>::max();
    if (value < -kLimit)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

}  // namespace

const XMLSerializableClassInfo& Variant::ClassInfo()
{
    return variantClassInfo;
}

Variant& Variant::operator=(const Variant& other)
{
    if (this != &other)
        Assign(other);
    return *this;
}

void Variant::Clear()
{
    // Emptied before anything is released, in case a released object reaches back here.
    const Type type = m_type;
    const Payload payload = payload_;
    m_type = kEmpty;
    payload_.raw = 0;
    switch (type) {
        case kString: payload.string->Release(); break;
        case kPoint: delete payload.point; break;
        case kVector: delete payload.vector; break;
        case kUnitVector: delete payload.unitVector; break;
        case kTransform: delete payload.transform; break;
        case kObject: payload.object->Release(); break;
        default: break;
    }
}

void Variant::Reset(Type type)
{
    Clear();
    m_type = type;
}

void Variant::Assign(const Variant& other)
{
    switch (other.m_type) {
        case kString: SetString(other.payload_.string); break;
        case kPoint: SetPoint(*other.payload_.point); break;
        case kVector: SetVector(*other.payload_.vector); break;
        case kUnitVector: SetUnitVector(*other.payload_.unitVector); break;
        case kTransform: SetTransform(*other.payload_.transform); break;
        case kObject: SetObject(other.payload_.object); break;
        default:
            Reset(other.m_type);
            payload_ = other.payload_;
            break;
    }
}

void Variant::SetBool(bool value)
{
    Reset(kBool);
    payload_.byteValue = value ? 1 : 0;
}

void Variant::SetByte(std::uint8_t value)
{
    Reset(kByte);
    payload_.byteValue = value;
}

void Variant::SetShort(std::int16_t value)
{
    Reset(kShort);
    payload_.shortValue = value;
}

void Variant::SetInt(std::int32_t value)
{
    Reset(kInt);
    payload_.intValue = value;
}

void Variant::SetColor(const utils::CColor& color)
{
    Reset(kColor);
    payload_.word = color.GetPacked();
}

void Variant::SetFloat(float value)
{
    Reset(kFloat);
    payload_.floatValue = value;
}

void Variant::SetDouble(double value)
{
    Reset(kDouble);
    payload_.doubleValue = value;
}

void Variant::SetPoint(const geometry::CPoint3d& point)
{
    auto* copy = new geometry::CPoint3d(point.x, point.y, point.z);
    Reset(kPoint);
    payload_.point = copy;
}

void Variant::SetVector(const geometry::CVector3d& vector)
{
    auto* copy = new geometry::CVector3d(vector.x, vector.y, vector.z);
    Reset(kVector);
    payload_.vector = copy;
}

void Variant::SetUnitVector(const geometry::CUnitVector3d& vector)
{
    auto* copy = new geometry::CUnitVector3d(vector.x, vector.y, vector.z);
    Reset(kUnitVector);
    payload_.unitVector = copy;
}

void Variant::SetTransform(const geometry::CTransform3d& transform)
{
    double matrix[16];
    transform.GetMatrix(matrix);
    auto* copy = new geometry::CTransform3d(matrix);
    Reset(kTransform);
    payload_.transform = copy;
}

void Variant::SetInt64(std::int64_t value)
{
    Reset(kInt64);
    payload_.int64Value = value;
}

void Variant::SetString(VariantString* record)
{
    if (m_type == kString && payload_.string == record)
        return;
    // The share is added first: the record may be held only by what Clear releases.
    if (record)
        record->AddRef();
    Clear();
    if (!record)
        return;
    m_type = kString;
    payload_.string = record;
}

void Variant::SetObject(XMLSerializableObjectBase* object)
{
    if (m_type == kObject && payload_.object == object)
        return;
    if (object)
        object->AddRef();
    Clear();
    if (!object)
        return;
    m_type = kObject;
    payload_.object = object;
}

double Variant::NumberValue() const
{
    switch (m_type) {
        case kByte: return payload_.byteValue;
        case kShort: return payload_.shortValue;
        case kInt:
        case kColor: return payload_.intValue;
        case kFloat: return payload_.floatValue;
        case kDouble: return payload_.doubleValue;
        default: return 0;
    }
}

bool Variant::GetBool() const
{
    if (m_type == kBool)
        return payload_.byteValue != 0;
    return IsNumber() && NumberValue() != 0;
}

std::uint8_t Variant::GetByte() const
{
    return static_cast<std::uint8_t>(Truncate(NumberValue()));
}
std::int16_t Variant::GetShort() const
{
    return static_cast<std::int16_t>(Truncate(NumberValue()));
}
std::int32_t Variant::GetInt() const
{
    return static_cast<std::int32_t>(Truncate(NumberValue()));
}
std::uint32_t Variant::GetUInt() const
{
    return static_cast<std::uint32_t>(Truncate(NumberValue()));
}
float Variant::GetFloat() const
{
    return static_cast<float>(NumberValue());
}
double Variant::GetDouble() const
{
    return NumberValue();
}

std::int64_t Variant::GetInt64() const
{
    if (m_type == kInt64)
        return payload_.int64Value;
    if (m_type == kColor)
        return payload_.word;
    return Truncate(NumberValue());
}

void Variant::GetObject(XMLSerializableObjectBase*& object) const
{
    object = m_type == kObject ? payload_.object : nullptr;
}

void Variant::GetObject(VariantString*& record) const
{
    record = m_type == kString ? payload_.string : nullptr;
}

bool Variant::operator==(const Variant& other) const
{
    if (m_type != other.m_type)
        return false;
    const Payload& a = payload_;
    const Payload& b = other.payload_;
    switch (m_type) {
        case kBool:
        case kByte: return a.byteValue == b.byteValue;
        case kShort: return a.shortValue == b.shortValue;
        case kInt:
        case kColor: return a.intValue == b.intValue;
        case kFloat: return a.floatValue == b.floatValue;
        case kDouble: return a.doubleValue == b.doubleValue;
        case kString: return a.string->text == b.string->text;
        case kPoint: return *a.point == *b.point;
        case kVector: return *a.vector == *b.vector;
        case kUnitVector: return geometry::CVector3d(*a.unitVector) == geometry::CVector3d(*b.unitVector);
        case kTransform: return a.transform->IsEqual(*b.transform);
        case kObject: return a.object == b.object;
        case kInt64: return a.int64Value == b.int64Value;
        default: return false;
    }
}

bool Variant::WriteXML(IXMLOutput& output)
{
    output.WriteAttribute(L"type", static_cast<int>(m_type));
    const Payload& p = payload_;
    switch (m_type) {
        case kBool: output.WriteText(p.byteValue != 0); break;
        case kByte: output.WriteText(p.byteValue); break;
        case kShort: output.WriteText(p.shortValue); break;
        case kInt: output.WriteText(p.intValue); break;
        case kColor: output.WriteText(static_cast<long>(p.intValue)); break;
        case kFloat: output.WriteText(p.floatValue); break;
        case kDouble: output.WriteText(p.doubleValue); break;
        case kString: output.WriteText(p.string->text); break;
        case kPoint: WritePoint3dXML(output, L"point3d", p.point->x, p.point->y, p.point->z); break;
        case kVector: WritePoint3dXML(output, L"vector3d", p.vector->x, p.vector->y, p.vector->z); break;
        case kUnitVector:
            WritePoint3dXML(output, L"unitVector3d", p.unitVector->x, p.unitVector->y, p.unitVector->z);
            break;
        case kTransform: WriteTransformXML(output, L"transform", *p.transform); break;
        case kObject: output.WriteObject(p.object); break;
        case kInt64: output.WriteText(static_cast<long>(p.int64Value)); break;
        default: break;
    }
    return true;
}

bool Variant::ReadXML(IXMLInput& input)
{
    Clear();
    std::int32_t code = kEmpty;
    if (!input.ReadAttribute(L"type", code))
        return false;
    if (code <= kEmpty || code > kInt64)
        return true;
    if (ReadValue(input, static_cast<Type>(code)))
        return true;
    Clear();
    return false;
}

bool Variant::ReadValue(IXMLInput& input, Type type)
{
    switch (type) {
        case kBool: {
            bool value = false;
            if (!input.ReadBool(value))
                return false;
            SetBool(value);
            return true;
        }
        case kByte: {
            std::uint8_t value = 0;
            if (!input.ReadByte(value))
                return false;
            SetByte(value);
            return true;
        }
        case kShort: {
            std::int16_t value = 0;
            if (!input.ReadShort(value))
                return false;
            SetShort(value);
            return true;
        }
        case kInt: {
            std::int32_t value = 0;
            if (!input.ReadInt(value))
                return false;
            SetInt(value);
            return true;
        }
        case kColor: {
            // Written as the word read as a signed number.
            std::int32_t value = 0;
            if (!input.ReadInt(value))
                return false;
            SetColor(utils::CColor(static_cast<std::uint32_t>(value)));
            return true;
        }
        case kFloat: {
            float value = 0;
            if (!input.ReadFloat(value))
                return false;
            SetFloat(value);
            return true;
        }
        case kDouble: {
            double value = 0;
            if (!input.ReadDouble(value))
                return false;
            SetDouble(value);
            return true;
        }
        case kInt64: {
            std::int64_t value = 0;
            if (!input.ReadInt64(value))
                return false;
            SetInt64(value);
            return true;
        }
        case kString: {
            std::wstring text;
            if (!input.ReadText(text))
                return false;
            auto* record = new VariantString(std::move(text));
            SetString(record);
            record->Release();
            return true;
        }
        case kPoint: {
            geometry::CPoint3d point;
            if (!ReadPoint3dXML(input, L"point3d", point))
                return false;
            SetPoint(point);
            return true;
        }
        case kVector: {
            geometry::CVector3d vector;
            if (!ReadVector3dXML(input, L"vector3d", vector))
                return false;
            SetVector(vector);
            return true;
        }
        case kUnitVector: {
            geometry::CUnitVector3d vector = geometry::CUnitVector3d::ZAxis();
            if (!ReadUnitVector3dXML(input, L"unitVector3d", vector))
                return false;
            SetUnitVector(vector);
            return true;
        }
        case kTransform: {
            geometry::CTransform3d transform;
            if (!ReadTransformXML(input, L"transform", transform))
                return false;
            SetTransform(transform);
            return true;
        }
        case kObject: {
            IXMLSerializableObject* read = nullptr;
            if (!input.ReadObject(read) || !read)
                return false;
            auto* object = dynamic_cast<XMLSerializableObjectBase*>(read);
            if (!object) {
                delete read;
                return false;
            }
            SetObject(object);
            return true;
        }
        default: return false;
    }
}

}  // namespace orbisk
