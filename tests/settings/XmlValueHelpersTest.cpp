// The XML shapes the display settings share: typed values, attribute dictionaries and the
// namespace map, written with the support library's writer and read back through Xerces.

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "database/ArchiveSchema.h"
#include "database/AttributeContainer.h"
#include "database/AttributeNamed.h"
#include "database/XmlValueHelpers.h"
#include "support/StringUtils.h"
#include "support/TypedValue.h"
#include "support/XMLNamespaces.h"
#include "support/XMLOutput.h"
#include "support/XercesXMLOutput.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/settings/XmlTestInput.h"

using orbisk::utils::CTypedValue;
namespace utils = orbisk::utils;

namespace {

// A document whose root holds what write wrote; read runs on the root.
template <class Write, class Read>
void RoundTrip(Write write, Read read)
{
    std::ostringstream stream;
    orbisk::IXMLOutput* writer = orbisk::CreateXercesXMLOutput(&stream, L"doc", L"urn:test", L"");
    ASSERT_NE(writer, nullptr);
    write(*writer);
    ASSERT_TRUE(orbisk::ReleaseXercesXMLOutput(writer));
    const orbisk::testing::ParsedDocument parsed(stream.str());
    ASSERT_TRUE(parsed.IsWellFormed()) << stream.str();
    XmlTestInput input(parsed.Root());
    read(input, stream.str());
}

// The same kind and value.
bool SameValue(const CTypedValue& a, const CTypedValue& b)
{
    if (a.GetType() != b.GetType())
        return false;
    switch (a.GetType()) {
        case utils::kTypeString: return a.GetString() == b.GetString();
        case utils::kTypeColor: {
            utils::CColor x, y;
            return a.TryGetColor(x) && b.TryGetColor(y) && x == y;
        }
        case utils::kTypePoint: {
            orbisk::geometry::CPoint3d x, y;
            return a.TryGetPoint(x) && b.TryGetPoint(y) && x.x == y.x && x.y == y.y && x.z == y.z;
        }
        case utils::kTypeVector: {
            orbisk::geometry::CVector3d x, y;
            return a.TryGetVector(x) && b.TryGetVector(y) && x.x == y.x && x.y == y.y && x.z == y.z;
        }
        case utils::kTypeUnitVector: {
            orbisk::geometry::CUnitVector3d x, y;
            return a.TryGetUnitVector(x) && b.TryGetUnitVector(y) && x.x == y.x && x.y == y.y && x.z == y.z;
        }
        case utils::kTypeTransform: {
            orbisk::geometry::CTransform3d x, y;
            return a.TryGetTransform(x) && b.TryGetTransform(y) && x.IsEqual(y);
        }
        default: {
            double x = 0, y = 0;
            return a.TryGetDouble(x) && b.TryGetDouble(y) && x == y;
        }
    }
}

CTypedValue ValueRoundTrip(const CTypedValue& value)
{
    CTypedValue read;
    RoundTrip([&](orbisk::IXMLOutput& output) { WriteTypedValueXML(output, value); },
              [&](XmlTestInput& input, const std::string&) { EXPECT_TRUE(ReadTypedValueXML(input, read)); });
    return read;
}

}  // namespace

TEST(XmlValueHelpersTest, TypedValuesComeBackAsTheyWere)
{
    CTypedValue byte, shortValue, integer, floating, doubleValue, boolean, color, text, point, vector, unit,
        transform;
    byte.SetByte(200);
    shortValue.SetShort(-300);
    integer.SetInt(-70000);
    floating.SetFloat(0.25f);
    doubleValue.SetDouble(-0.375);
    boolean.SetBool(true);
    color.SetColor(utils::CColor(250, 1, 2, 3));
    text.SetString(CString(L"a <b> & \u00E9"));
    point.SetPoint(orbisk::geometry::CPoint3d(1, -2, 3.5));
    vector.SetVector(orbisk::geometry::CVector3d(0, 4, 0));
    unit.SetUnitVector(orbisk::geometry::CUnitVector3d(0, 1, 0));
    transform.SetTransform(orbisk::geometry::CTransform3d(2, 3, 4));
    for (const CTypedValue* value : {&byte, &shortValue, &integer, &floating, &doubleValue, &boolean, &color,
                                     &text, &point, &vector, &unit, &transform}) {
        const CTypedValue read = ValueRoundTrip(*value);
        EXPECT_EQ(read.GetType(), value->GetType());
        EXPECT_TRUE(SameValue(read, *value)) << value->GetType();
    }
    EXPECT_TRUE(ValueRoundTrip(CTypedValue()).IsEmpty());
}

TEST(XmlValueHelpersTest, ATimeKeepsItsLow32Bits)
{
    CTypedValue time;
    time.SetTime((int64_t{5} << 32) + 0xFFFFFFF0);
    int64_t read = 0;
    ASSERT_TRUE(ValueRoundTrip(time).TryGetTime(read));
    EXPECT_EQ(read, -16);
}

TEST(XmlValueHelpersTest, ADoubleKindComesBackAsAPlainDouble)
{
    RoundTrip(
        [](orbisk::IXMLOutput& output) {
            output.WriteAttribute(L"type", 13);
            output.WriteText(2.5);
        },
        [](XmlTestInput& input, const std::string&) {
            CTypedValue read;
            EXPECT_TRUE(ReadTypedValueXML(input, read));
            EXPECT_EQ(read.GetType(), utils::kTypeDouble);
            EXPECT_EQ(read.GetDouble(), 2.5);
        });
}

TEST(XmlValueHelpersTest, DynamicAttributesAreSavedFromFormat7000On)
{
    struct SaveFormat {
        explicit SaveFormat(int format) : previous(GetSaveFormat()) { SetSaveFormat(format); }
        ~SaveFormat() { SetSaveFormat(previous); }
        int previous;
    };
    CZephyronModel model;
    CCurrentModelScope current{&model};
    CRenderingOptions source;  // any entity: it owns its dictionaries
    auto* dynamic = new CAttributeNamed(CString(L"Dynamic_Attributes"));
    dynamic->SetValue(CString(L"height"), CTypedValue(2.0));
    auto* info = new CAttributeNamed(CString(L"Info"));
    info->SetValue(CString(L"b"), CTypedValue(1));
    info->SetValue(CString(L"a <1>"), CTypedValue(CString(L"text")));
    source.AddAttributeDictionary(dynamic);
    source.AddAttributeDictionary(info);
    const CAttributeContainer* container = source.GetAttributeContainer();

    for (int format : {6999, 7000}) {
        SaveFormat saving(format);
        RoundTrip(
            [&](orbisk::IXMLOutput& output) {
                EXPECT_TRUE(WriteAttributeDictionariesXML(output, container));
            },
            [&](XmlTestInput& input, const std::string& document) {
                CRenderingOptions entity;
                EXPECT_TRUE(ReadAttributeDictionariesXML(input, entity)) << document;
                CAttributeContainer* read = entity.GetAttributeContainer();
                ASSERT_NE(read, nullptr) << document;
                ASSERT_EQ(read->GetCount(), format == 6999 ? 1 : 2) << document;
                const auto* last = dynamic_cast<CAttributeNamed*>(read->GetAt(read->GetCount() - 1));
                ASSERT_NE(last, nullptr);
                EXPECT_EQ(last->GetName(), CString(L"Info"));
                EXPECT_EQ(last->GetDictionary().size(), 2u);
                EXPECT_TRUE(SameValue(last->GetValue(CString(L"a <1>")), CTypedValue(CString(L"text"))))
                    << document;
            });
    }
}

TEST(XmlValueHelpersTest, NoSaveableDictionaryGivesACountOfZero)
{
    RoundTrip([](orbisk::IXMLOutput& output) { EXPECT_TRUE(WriteAttributeDictionariesXML(output, nullptr)); },
              [](XmlTestInput& input, const std::string& document) {
                  const std::wstring types = utils::WideFromUtf8(orbisk::kTypesNamespace);
                  ASSERT_TRUE(input.EnterElement(types + L":AttributeDictionaries")) << document;
                  int32_t count = -1;
                  EXPECT_TRUE(input.ReadAttribute(L"count", count));
                  EXPECT_EQ(count, 0);
              });
}

TEST(XmlValueHelpersTest, HistoricNamespacesMapToTheCurrentOnes)
{
    const auto& map = GetNamespaceConversionMap();
    const std::wstring current = L"http://xmlns.quenta.com/schemas/zephyron/1.0/";
    const struct {
        std::wstring from, to;
    } cases[] = {
        {L"http://www.zephyron.com/schemas/zephyron/1.0/style", current + L"style"},
        {L"http://www.quenta.com/schemas/orbisk/npr", current + L"npr"},
        {L"http://www.quenta.com/schemas/orbisk/wmlist", current + L"wmlist"},
        {L"http://www.zephyron.com/schemas/zephyron/1.0/material", current + L"material"},
        {current + L"metadata", current + L"metadata"},
        {L"http://www.w3.org/2001/XMLSchema-instance", L"http://www.w3.org/2001/XMLSchema-instance"},
        {L"http://www.zephyron.com/schemas/1.0/types", L"http://xmlns.quenta.com/schemas/1.0/types"},
    };
    for (const auto& c : cases) {
        const auto it = map.find(c.from);
        ASSERT_NE(it, map.end()) << utils::ToUtf8(c.from);
        EXPECT_EQ(it->second, c.to);
    }
    EXPECT_EQ(map.count(L"http://example.com/schemas/style"), 0u);
    const size_t entries = map.size();
    ReleaseZephyronNamespaceMap();
    EXPECT_EQ(GetNamespaceConversionMap().size(), entries) << "made again after the release";
}
