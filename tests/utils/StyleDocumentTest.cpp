// A style-like object, the shape in which the style of the settings code uses this
// library: an XML-serialisable property list of variants that is its own document
// persister.

#include "support/DocumentPersister.h"
#include "support/StringUtils.h"
#include "support/Variant.h"
#include "support/XMLNamespaces.h"
#include "support/XMLOutput.h"
#include "support/XercesXMLOutput.h"
#include "tests/support/TempFolder.h"
#include "tests/support/XmlTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>

namespace orbisk {
namespace {

using testing::Attribute;
using testing::Child;
using testing::ChildElements;
using testing::DomXMLInput;
using testing::ExpandedName;
using testing::NameOf;
using testing::ParsedDocument;
using testing::TextOf;

const std::wstring kStyle = utils::WideFromUtf8(kStyleNamespace);
const std::wstring kStyleTypes = utils::WideFromUtf8(kTypesNamespace);
const std::wstring kNpr = utils::WideFromUtf8(kNPRNamespace);

// A stroke-set-like object that a property refers to.
class TestStrokes : public XMLSerializableObjectBase {
public:
    const XMLSerializableClassInfo& GetClassInfo() const override { return classInfo; }
    bool WriteXML(IXMLOutput& output) override
    {
        output.WriteAttribute(kNpr + L":width", width);
        return true;
    }
    bool ReadXML(IXMLInput& input) override { return input.ReadAttribute(kNpr + L":width", width); }

    static IXMLSerializableObject* Create() { return new TestStrokes(); }
    static const XMLSerializableClassInfo classInfo;
    double width = 0;
};
const XMLSerializableClassInfo TestStrokes::classInfo("NPREdge", "nprEdge", kNPRNamespace, 0, 0,
                                                      &TestStrokes::Create);

class TestStyle : public XMLSerializableObjectBase, public DocumentPersister {
public:
    TestStyle()
        : DocumentPersister({L"styleDocument", kDocumentPartFileName, L"sty", kStyle, kStyle + L".xsd"})
    {
        GetDocumentProperties().generatorName = L"Style";
        GetDocumentProperties().generatorVersion = 1.0f;
    }

    const XMLSerializableClassInfo& GetClassInfo() const override { return classInfo; }
    bool WriteXML(IXMLOutput& output) override
    {
        output.DeclareNamespace(kStyleTypes, L"t");
        output.WriteAttribute(L"name", name);
        output.WriteAttribute(L"desc", description);
        for (auto& [id, value] : properties) {
            output.BeginElement(kStyle + L":item");
            output.WriteAttribute(L"id", id);
            output.WriteObject(&value);
            output.EndElement(kStyle + L":item");
        }
        return true;
    }
    // Reading a style walks its items with a next-sibling operation of the settings
    // code's input; the test reads the items itself.
    bool ReadXML(IXMLInput&) override { return false; }
    bool WriteContent(IXMLOutput& output) override { return output.WriteObject(this); }
    bool ReadContent(IXMLInput&) override { return false; }
    bool Save(const std::wstring& path) override
    {
        GetDocumentProperties().title = name;
        GetDocumentProperties().description = description;
        return DocumentPersister::Save(path);
    }

    static const XMLSerializableClassInfo classInfo;
    std::wstring name;
    std::wstring description;
    std::map<int, Variant> properties;
};
const XMLSerializableClassInfo TestStyle::classInfo("Style", "style", kStyleNamespace, 0, 0, nullptr);

class StyleDocument : public ::testing::Test {
protected:
    StyleDocument()
    {
        m_style.name = L"Rough <Edges>";
        m_style.description = L"Pencil & paper";
        m_style.properties[1000] = Variant(true);
        m_style.properties[1001] = Variant(utils::CColor(10, 20, 30, 255));
        m_style.properties[1002] = Variant(2.5);
        m_style.properties[1005] = Variant(3);
        m_style.properties[4001].SetPoint(geometry::CPoint3d(1, -2, 0.5));
        m_style.properties[4002].SetTransform(geometry::CTransform3d(2, 3, 4));
        auto* strokes = new TestStrokes();
        strokes->width = 1.75;
        m_style.properties[1013].SetObject(strokes);
        auto* text = new VariantString(L"Caf\u00E9 \u20AC");
        m_style.properties[5000].SetString(text);
        text->Release();
    }

    // The style's content part as the persister's owner writes it.
    std::string WriteContentPart()
    {
        std::ostringstream stream;
        const DocumentPartInfo& part = m_style.GetPartInfo();
        IXMLOutput* writer = CreateXercesXMLOutput(&stream, part.rootElement, part.namespaceURI, part.prefix);
        EXPECT_NE(writer, nullptr);
        if (!writer)
            return {};
        EXPECT_TRUE(m_style.WriteContent(*writer));
        EXPECT_TRUE(ReleaseXercesXMLOutput(writer));
        return stream.str();
    }

    TestStyle m_style;
};

TEST_F(StyleDocument, EveryElementIsInItsNamespace)
{
    const std::string written = WriteContentPart();
    const ParsedDocument parsed(written);
    ASSERT_TRUE(parsed.IsWellFormed()) << written;
    const auto* root = parsed.Root();
    EXPECT_EQ(NameOf(root), (ExpandedName{kStyle, L"styleDocument"}));
    EXPECT_EQ(testing::Wide(root->getPrefix()), L"sty");
    const auto* styleElement = Child(root, kStyle, L"style");
    ASSERT_NE(styleElement, nullptr) << written;
    EXPECT_EQ(Attribute(styleElement, L"", L"name"), L"Rough <Edges>");
    EXPECT_EQ(Attribute(styleElement, L"", L"desc"), L"Pencil & paper");

    const auto items = ChildElements(styleElement);
    ASSERT_EQ(items.size(), m_style.properties.size());
    auto property = m_style.properties.begin();
    for (const auto* item : items) {
        EXPECT_EQ(NameOf(item), (ExpandedName{kStyle, L"item"}));
        EXPECT_EQ(Attribute(item, L"", L"id"), std::to_wstring(property->first));
        const auto* variant = Child(item, kStyleTypes, L"variant");
        ASSERT_NE(variant, nullptr) << property->first;
        EXPECT_EQ(testing::Wide(variant->getPrefix()), L"t");
        EXPECT_EQ(Attribute(variant, L"", L"type"), std::to_wstring(property->second.GetType()));
        ++property;
    }
    const auto* strokesItem = items[std::distance(m_style.properties.begin(), m_style.properties.find(1013))];
    const auto* strokes = Child(Child(strokesItem, kStyleTypes, L"variant"), kNpr, L"nprEdge");
    ASSERT_NE(strokes, nullptr) << "property 1013 holds the stroke set";
    EXPECT_EQ(Attribute(strokes, kNpr, L"width"), L"1.75");
}

TEST_F(StyleDocument, EveryPropertyReadsBackEqual)
{
    const ParsedDocument parsed(WriteContentPart());
    ASSERT_TRUE(parsed.IsWellFormed());
    for (const auto* item : ChildElements(Child(parsed.Root(), kStyle, L"style"))) {
        const int id = std::stoi(*Attribute(item, L"", L"id"));
        DomXMLInput input(item);
        IXMLSerializableObject* read = nullptr;
        ASSERT_TRUE(input.ReadObject(read)) << id;
        const std::unique_ptr<IXMLSerializableObject> owner(read);
        auto* variant = dynamic_cast<Variant*>(read);
        ASSERT_NE(variant, nullptr) << id;
        if (id != 1013) {
            EXPECT_EQ(*variant, m_style.properties[id]) << id;
            continue;
        }
        XMLSerializableObjectBase* object = nullptr;
        variant->GetObject(object);
        ASSERT_NE(dynamic_cast<TestStrokes*>(object), nullptr);
        EXPECT_EQ(static_cast<TestStrokes*>(object)->width, 1.75);
    }
}

TEST_F(StyleDocument, SavedPropertiesCarryTheStyleNameAndGenerator)
{
    TempFolder temp;
    const auto path = temp.Path() / "documentProperties.xml";
    ASSERT_TRUE(m_style.Save(path.wstring()));
    const ParsedDocument parsed = ParsedDocument::FromFile(path);
    ASSERT_TRUE(parsed.IsWellFormed());
    const std::wstring dp = kDocumentPropertiesNamespaceW;
    EXPECT_EQ(TextOf(Child(parsed.Root(), dp, L"title")), L"Rough <Edges>");
    EXPECT_EQ(TextOf(Child(parsed.Root(), dp, L"description")), L"Pencil & paper");
    const auto* generator = Child(parsed.Root(), dp, L"generator");
    EXPECT_EQ(Attribute(generator, dp, L"name"), L"Style");
    EXPECT_EQ(Attribute(generator, dp, L"version"), L"1");
}

}  // namespace
}  // namespace orbisk
