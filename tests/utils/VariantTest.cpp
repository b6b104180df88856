#include "support/Variant.h"

#include "support/StringUtils.h"
#include "support/XMLNamespaces.h"
#include "support/XercesXMLOutput.h"
#include "tests/support/XmlTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <sstream>

namespace orbisk {
namespace {

using geometry::CPoint3d;
using geometry::CTransform3d;
using geometry::CUnitVector3d;
using geometry::CVector3d;
using testing::Attribute;
using testing::Child;
using testing::ChildNames;
using testing::DomXMLInput;
using testing::ExpandedName;
using testing::ParsedDocument;
using testing::TextOf;

const std::wstring kTypes = utils::WideFromUtf8(kTypesNamespace);
constexpr char kShapeNamespace[] = "urn:test:shapes";

// A reference-counted object a variant can refer to; counts its destructions.
class Shape : public XMLSerializableObjectBase {
public:
    explicit Shape(int sides_ = 0) : sides(sides_) {}
    ~Shape() override { ++destroyed; }
    const XMLSerializableClassInfo& GetClassInfo() const override { return classInfo; }
    bool WriteXML(IXMLOutput& output) override
    {
        output.WriteAttribute(L"sides", sides);
        return true;
    }
    bool ReadXML(IXMLInput& input) override { return input.ReadAttribute(L"sides", sides); }

    static IXMLSerializableObject* Create() { return new Shape(); }
    static const XMLSerializableClassInfo classInfo;
    static inline int destroyed = 0;
    std::int32_t sides;
};
const XMLSerializableClassInfo Shape::classInfo("Shape", "shape", kShapeNamespace, 0, 0, &Shape::Create);

// An XML-serialisable object without reference counting: no variant can hold one.
class Plain : public IXMLSerializableObject {
public:
    const XMLSerializableClassInfo& GetClassInfo() const override { return classInfo; }
    bool WriteXML(IXMLOutput&) override { return true; }
    bool ReadXML(IXMLInput&) override { return true; }
    bool PrepareWrite(const std::wstring&) override { return true; }
    static IXMLSerializableObject* Create() { return new Plain(); }
    static const XMLSerializableClassInfo classInfo;
};
const XMLSerializableClassInfo Plain::classInfo("Plain", "plain", kShapeNamespace, 0, 0, &Plain::Create);

std::string WriteAsNestedObject(Variant& variant)
{
    std::ostringstream stream;
    IXMLOutput* writer = CreateXercesXMLOutput(&stream, L"root", L"", L"");
    EXPECT_NE(writer, nullptr);
    if (!writer)
        return {};
    writer->WriteObject(&variant);
    EXPECT_TRUE(ReleaseXercesXMLOutput(writer));
    return stream.str();
}

// The object nested in the document's root, read back through the class registry.
std::unique_ptr<IXMLSerializableObject> ReadNestedObject(const std::string& document)
{
    const ParsedDocument parsed(document);
    if (!parsed.IsWellFormed())
        return nullptr;
    DomXMLInput input(parsed.Root());
    IXMLSerializableObject* object = nullptr;
    if (!input.ReadObject(object))
        return nullptr;
    return std::unique_ptr<IXMLSerializableObject>(object);
}

Variant StringVariant(const std::wstring& text)
{
    auto* record = new VariantString(text);
    Variant variant;
    variant.SetString(record);
    record->Release();
    return variant;
}

CTransform3d SampleTransform()
{
    CTransform3d transform(CPoint3d(1, 2, 3), CUnitVector3d(0, 0, 1), 0.5);
    transform.SetUniformScale(2);
    return transform;
}

TEST(Variant, NumbersReadOnlyTheNumberKinds)
{
    Variant boolean(true);
    EXPECT_TRUE(boolean.GetBool());
    EXPECT_EQ(boolean.GetInt(), 0);
    EXPECT_EQ(boolean.GetDouble(), 0);

    Variant number;
    number.SetFloat(-2.7f);
    EXPECT_EQ(number.GetInt(), -2);
    EXPECT_EQ(number.GetShort(), -2);
    number.SetShort(-1);
    EXPECT_EQ(number.GetUInt(), 0xFFFFFFFFu);
    EXPECT_EQ(number.GetInt64(), -1);
    number.SetInt(300);
    EXPECT_EQ(number.GetByte(), 44) << "a narrower result takes the low bits";
    number.SetByte(200);
    EXPECT_EQ(number.GetShort(), 200);
    number.SetDouble(0.1);
    EXPECT_EQ(number.GetFloat(), 0.1f);
    number.SetDouble(std::nan(""));
    EXPECT_TRUE(number.GetBool());
    EXPECT_EQ(number.GetInt(), 0);
    number.SetDouble(1e300);
    EXPECT_EQ(number.GetInt64(), std::numeric_limits<std::int64_t>::max());
    number.SetDouble(0.0);
    EXPECT_FALSE(number.GetBool());

    const Variant red(utils::CColor(255, 0, 0, 255));
    EXPECT_EQ(red.GetInt(), -16776961);
    EXPECT_EQ(red.GetInt64(), 0xFF0000FF);
    EXPECT_TRUE(red.GetBool());

    for (const Variant& other : {Variant(), StringVariant(L"7")}) {
        EXPECT_FALSE(other.GetBool());
        EXPECT_EQ(other.GetInt(), 0);
        EXPECT_EQ(other.GetFloat(), 0);
        EXPECT_EQ(other.GetInt64(), 0);
    }
    Variant big;
    big.SetInt64((std::int64_t{1} << 32) + 5);
    EXPECT_EQ(big.GetInt64(), (std::int64_t{1} << 32) + 5);
    EXPECT_EQ(big.GetInt(), 0) << "the numbers read byte to double only";
}

TEST(Variant, EqualityNeedsTheSameKindAndValue)
{
    EXPECT_NE(Variant(), Variant()) << "two empty variants are unequal";
    EXPECT_EQ(Variant(3), Variant(3));
    Variant shortThree;
    shortThree.SetShort(3);
    EXPECT_NE(Variant(3), shortThree);
    EXPECT_NE(Variant(std::nan("")), Variant(std::nan("")));
    EXPECT_EQ(StringVariant(L"abc"), StringVariant(L"abc"));
    EXPECT_NE(StringVariant(L"abc"), StringVariant(L"abd"));

    Variant a, b;
    a.SetPoint(CPoint3d(1, 2, 3));
    b.SetPoint(CPoint3d(1.0004, 2, 3));
    EXPECT_EQ(a, b) << "within the tolerance";
    b.SetPoint(CPoint3d(1.002, 2, 3));
    EXPECT_NE(a, b);
    a.SetUnitVector(CUnitVector3d(0, 0, 5));
    b.SetUnitVector(CUnitVector3d(0, 0, 1));
    EXPECT_EQ(a, b);
    a.SetTransform(SampleTransform());
    b.SetTransform(SampleTransform());
    EXPECT_EQ(a, b);

    Shape one, two;
    one.AddRef();
    two.AddRef();
    EXPECT_EQ(Variant(&one), Variant(&one));
    EXPECT_NE(Variant(&one), Variant(&two)) << "objects compare by identity";
}

TEST(Variant, CopiesShareTheStringRecord)
{
    auto* record = new VariantString(L"shared");
    {
        Variant first;
        first.SetString(record);
        EXPECT_EQ(record->GetRefCount(), 2u);
        record->Release();
        first.SetString(record);
        EXPECT_EQ(record->GetRefCount(), 1u) << "setting the record it holds changes nothing";
        Variant second(first);
        EXPECT_EQ(record->GetRefCount(), 2u);
        Variant third;
        third = second;
        EXPECT_EQ(record->GetRefCount(), 3u);
        third.SetString(nullptr);
        EXPECT_TRUE(third.IsEmpty());
        EXPECT_EQ(record->GetRefCount(), 2u);
    }
    // Both variants gone: the record was freed once (AddressSanitizer watches).
}

TEST(Variant, ObjectReferencesAreCounted)
{
    Shape::destroyed = 0;
    auto* shape = new Shape(4);
    {
        Variant holder(shape);
        EXPECT_EQ(shape->GetRefCount(), 1u);
        Variant copy = holder;
        EXPECT_EQ(shape->GetRefCount(), 2u);
        XMLSerializableObjectBase* held = nullptr;
        copy.GetObject(held);
        EXPECT_EQ(held, shape);
        copy.SetObject(nullptr);
        EXPECT_TRUE(copy.IsEmpty());
        EXPECT_EQ(shape->GetRefCount(), 1u);
        holder.SetInt(1);
        EXPECT_EQ(Shape::destroyed, 1) << "the last reference went with the object payload";
    }
    EXPECT_TRUE(Variant(static_cast<XMLSerializableObjectBase*>(nullptr)).IsEmpty());
}

TEST(Variant, GeometryPayloadsAreOwnedCopies)
{
    Variant original;
    original.SetPoint(CPoint3d(1, 2, 3));
    Variant copy = original;
    original.SetVector(CVector3d(4, 5, 6));
    Variant point;
    point.SetPoint(CPoint3d(1, 2, 3));
    EXPECT_EQ(copy, point);
}

TEST(Variant, WritesTypeAndValue)
{
    struct Case {
        const char* name;
        Variant variant;
        std::wstring text;
    };
    Variant byteValue, shortValue, floatValue, bigValue;
    byteValue.SetByte(200);
    shortValue.SetShort(-3);
    floatValue.SetFloat(0.1f);
    bigValue.SetInt64((std::int64_t{1} << 32) + 5);
    const Case cases[] = {
        {"empty", Variant(), L""},
        {"bool", Variant(true), L"1"},
        {"byte", byteValue, L"200"},
        {"short", shortValue, L"-3"},
        {"int", Variant(-42), L"-42"},
        {"color", Variant(utils::CColor(255, 0, 0, 255)), L"-16776961"},
        {"float", floatValue, L"0.1"},
        {"double", Variant(2.5), L"2.5"},
        {"string", StringVariant(L"a < b & \u00E9"), L"a < b & \u00E9"},
        {"int64", bigValue, L"4294967301"},
    };
    for (Case c : cases) {
        const ParsedDocument parsed(WriteAsNestedObject(c.variant));
        ASSERT_TRUE(parsed.IsWellFormed()) << c.name;
        const auto* element = Child(parsed.Root(), kTypes, L"variant");
        ASSERT_NE(element, nullptr) << c.name;
        EXPECT_EQ(Attribute(element, L"", L"type"), std::to_wstring(c.variant.GetType())) << c.name;
        EXPECT_EQ(TextOf(element), c.text) << c.name;
    }
}

TEST(Variant, WritesGeometryAsChildElements)
{
    Variant point, unit, transform;
    point.SetPoint(CPoint3d(1.5, -2, 1.0 / 3.0));
    unit.SetUnitVector(CUnitVector3d(0, 3, 4));
    transform.SetTransform(SampleTransform());

    const ParsedDocument pointDocument(WriteAsNestedObject(point));
    const auto* point3d = Child(Child(pointDocument.Root(), kTypes, L"variant"), L"", L"point3d");
    ASSERT_NE(point3d, nullptr);
    EXPECT_EQ(Attribute(point3d, L"", L"x"), L"1.5");
    EXPECT_EQ(Attribute(point3d, L"", L"y"), L"-2");
    EXPECT_EQ(Attribute(point3d, L"", L"z"), L"0.3333333333333");

    const ParsedDocument unitDocument(WriteAsNestedObject(unit));
    const auto* unitVector3d = Child(Child(unitDocument.Root(), kTypes, L"variant"), L"", L"unitVector3d");
    ASSERT_NE(unitVector3d, nullptr);
    EXPECT_EQ(Attribute(unitVector3d, L"", L"y"), L"0.6");
    EXPECT_EQ(Attribute(unitVector3d, L"", L"z"), L"0.8");

    const ParsedDocument transformDocument(WriteAsNestedObject(transform));
    const auto* element = Child(Child(transformDocument.Root(), kTypes, L"variant"), L"", L"transform");
    ASSERT_NE(element, nullptr);
    double matrix[16];
    SampleTransform().GetMatrix(matrix);
    for (int i = 0; i < 16; ++i) {
        const auto text = Attribute(element, L"", L"m" + std::to_wstring(i));
        ASSERT_TRUE(text) << i;
        EXPECT_NEAR(std::stod(*text), matrix[i], 1e-12) << i;
    }
}

TEST(Variant, WritesAReferencedObjectAsItsOwnElement)
{
    auto* shape = new Shape(6);
    Variant variant(shape);
    const ParsedDocument parsed(WriteAsNestedObject(variant));
    const auto* element = Child(parsed.Root(), kTypes, L"variant");
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(ChildNames(element), (std::vector<ExpandedName>{{L"urn:test:shapes", L"shape"}}));
    EXPECT_EQ(Attribute(Child(element, L"urn:test:shapes", L"shape"), L"", L"sides"), L"6");
}

TEST(Variant, EveryKindReadsBackEqual)
{
    std::vector<Variant> variants(14);
    variants[0].SetBool(false);
    variants[1].SetByte(255);
    variants[2].SetShort(-32768);
    variants[3].SetInt(-2147483647 - 1);
    variants[4].SetColor(utils::CColor(255, 0, 0, 255));
    variants[5].SetFloat(1.5f);  // seven digits keep floats of seven digits
    variants[6].SetDouble(-0.125);
    variants[7] = StringVariant(L"Caf\u00E9 <&> \U0001F600");
    variants[8].SetPoint(CPoint3d(1e-3, -2e6, 3.25));
    variants[9].SetVector(CVector3d(0, -1, 0.5));
    variants[10].SetUnitVector(CUnitVector3d(1, 1, 0));
    variants[11].SetTransform(SampleTransform());
    variants[12].SetInt64(-(std::int64_t{1} << 40));
    variants[13].SetDouble(1e-300);
    for (Variant& variant : variants) {
        const std::unique_ptr<IXMLSerializableObject> read = ReadNestedObject(WriteAsNestedObject(variant));
        const auto* readVariant = dynamic_cast<const Variant*>(read.get());
        ASSERT_NE(readVariant, nullptr) << variant.GetType();
        EXPECT_EQ(*readVariant, variant) << variant.GetType();
    }
}

TEST(Variant, ReferencedObjectReadsBackWithOneReference)
{
    Variant variant(new Shape(5));
    const std::unique_ptr<IXMLSerializableObject> read = ReadNestedObject(WriteAsNestedObject(variant));
    auto* readVariant = dynamic_cast<Variant*>(read.get());
    ASSERT_NE(readVariant, nullptr);
    XMLSerializableObjectBase* object = nullptr;
    readVariant->GetObject(object);
    ASSERT_NE(dynamic_cast<Shape*>(object), nullptr);
    EXPECT_EQ(dynamic_cast<Shape*>(object)->sides, 5);
    EXPECT_EQ(object->GetRefCount(), 1u);
}

TEST(Variant, UnreadableValuesLeaveItEmpty)
{
    const std::string types = kTypesNamespace;
    auto document = [&](const std::string& content) {
        return "<root><v:variant xmlns:v='" + types + "' " + content + "</v:variant></root>";
    };
    struct Case {
        const char* name;
        std::string xml;
        bool read;
    };
    const std::string m =
        "m0='1' m1='0' m2='0' m3='0' m4='0' m5='1' m6='0' m8='0' m9='0' m10='1' m11='0' "
        "m12='0' m13='0' m14='0' ";
    const Case cases[] = {
        {"no type", document(">1"), false},
        {"not a number", document("type='7'>abc"), false},
        {"int out of range", document("type='4'>4294967296"), false},
        {"byte out of range", document("type='2'>256"), false},
        {"no point element", document("type='9'>"), false},
        {"transform without m7", document("type='12'><transform " + m + "m15='1'/>"), false},
        {"transform with no scale", document("type='12'><transform " + m + "m7='0' m15='0'/>"), false},
        {"object of an unknown class", document("type='13'><unknown/>"), false},
        {"object that counts no references", document("type='13'><p:plain xmlns:p='urn:test:shapes'/>"),
         false},
        {"unknown type", document("type='99'>5"), true},
        {"negative type", document("type='-1'>5"), true},
        {"empty", document("type='0'>"), true},
    };
    for (const Case& c : cases) {
        const ParsedDocument parsed(c.xml);
        ASSERT_TRUE(parsed.IsWellFormed()) << c.name;
        DomXMLInput input(parsed.Root());
        ASSERT_TRUE(input.EnterElement(kTypes + L":variant")) << c.name;
        Variant variant(42);
        EXPECT_EQ(variant.ReadXML(input), c.read) << c.name;
        EXPECT_TRUE(variant.IsEmpty()) << c.name;
    }
}

TEST(Variant, IsRegisteredUnderTheTypesNamespace)
{
    const XMLSerializableClassInfo* record =
        XMLSerializableClassInfo::Find(std::string(kTypesNamespace) + ":variant");
    ASSERT_EQ(record, &Variant::ClassInfo());
    EXPECT_EQ(record->className, "Variant");
    const std::unique_ptr<IXMLSerializableObject> made(record->factory());
    ASSERT_NE(dynamic_cast<Variant*>(made.get()), nullptr);
    EXPECT_TRUE(static_cast<Variant*>(made.get())->IsEmpty());
    EXPECT_EQ(&made->GetClassInfo(), record);
}

}  // namespace
}  // namespace orbisk
