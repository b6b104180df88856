#include "support/XercesXMLOutput.h"

#include "support/SystemQueries.h"
#include "support/XMLSerializableClassInfo.h"
#include "support/XMLSerializableObjectBase.h"
#include "tests/support/TempFolder.h"
#include "tests/support/XmlTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

namespace orbisk {
namespace {

using testing::Attribute;
using testing::Child;
using testing::ChildElements;
using testing::ChildNames;
using testing::ExpandedName;
using testing::NameOf;
using testing::ParsedDocument;
using testing::TextOf;
using testing::Wide;

constexpr wchar_t kXmlns[] = L"http://www.w3.org/2000/xmlns/";
const std::wstring kStyle = L"http://xmlns.example/style";
const std::wstring kExampleTypes = L"http://xmlns.example/types";

std::wstring PrefixOf(const testing::xml::DOMElement* element)
{
    return Wide(element->getPrefix());
}

// An object of the test namespace that writes a "label" attribute and says whether it
// wants to be written.
class Labelled : public XMLSerializableObjectBase {
public:
    explicit Labelled(std::wstring label, bool prepared = true, bool writes = true)
        : m_label(std::move(label)), m_prepared(prepared), m_writes(writes)
    {}
    const XMLSerializableClassInfo& GetClassInfo() const override { return classInfo; }
    bool WriteXML(IXMLOutput& output) override
    {
        output.WriteAttribute(L"label", m_label);
        return m_writes;
    }
    bool ReadXML(IXMLInput&) override { return false; }
    bool PrepareWrite(const std::wstring& basePath) override
    {
        preparedWith = basePath;
        return m_prepared;
    }

    static const XMLSerializableClassInfo classInfo;
    std::wstring preparedWith;

private:
    std::wstring m_label;
    bool m_prepared;
    bool m_writes;
};

const XMLSerializableClassInfo Labelled::classInfo("Labelled", "labelled", "urn:test:objects", 0, 0, nullptr);

class XercesWriter : public ::testing::Test {
protected:
    ~XercesWriter() override { ReleaseXercesXMLOutput(m_writer); }

    IXMLOutput& Open(const std::wstring& root, const std::wstring& namespaceURI = {},
                     const std::wstring& prefix = {})
    {
        m_writer = CreateXercesXMLOutput(&m_stream, root, namespaceURI, prefix);
        if (!m_writer)
            throw std::runtime_error("no writer");
        return *m_writer;
    }

    // Releases the writer and parses what reached the stream.
    const testing::xml::DOMElement* Finish()
    {
        EXPECT_TRUE(ReleaseXercesXMLOutput(m_writer));
        m_parsed = std::make_unique<ParsedDocument>(m_stream.str());
        EXPECT_TRUE(m_parsed->IsWellFormed()) << m_stream.str();
        return m_parsed->Root();
    }

    std::ostringstream m_stream;
    IXMLOutput* m_writer = nullptr;
    std::unique_ptr<ParsedDocument> m_parsed;
};

TEST_F(XercesWriter, PrefixedRootKeepsItsChildrenInTheirNamespaces)
{
    IXMLOutput& out = Open(L"styleDocument", kStyle, L"sty");
    out.BeginElement(kStyle + L":style");
    out.WriteAttribute(kStyle + L":name", L"Default");
    out.WriteAttribute(L"desc", L"plain");
    out.BeginElement(kExampleTypes + L":variant");
    out.WriteElement(L"point3d", L"");
    out.EndElement(kExampleTypes + L":variant");
    out.EndElement(kStyle + L":style");

    const auto* root = Finish();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(NameOf(root), (ExpandedName{kStyle, L"styleDocument"}));
    EXPECT_EQ(PrefixOf(root), L"sty");
    const auto* style = Child(root, kStyle, L"style");
    ASSERT_NE(style, nullptr) << m_stream.str();
    EXPECT_EQ(Attribute(style, kStyle, L"name"), L"Default");
    EXPECT_EQ(Attribute(style, L"", L"desc"), L"plain");
    const auto* variant = Child(style, kExampleTypes, L"variant");
    ASSERT_NE(variant, nullptr) << m_stream.str();
    EXPECT_EQ(ChildNames(variant), (std::vector<ExpandedName>{{L"", L"point3d"}}))
        << "no default namespace in scope";
}

TEST_F(XercesWriter, EmptyRootPrefixDeclaresTheDefaultNamespace)
{
    const std::wstring dp = L"http://xmlns.example/documentproperties";
    IXMLOutput& out = Open(L"documentProperties", dp);
    out.WriteElement(dp + L":title", L"T");
    out.WriteElement(L"plain", L"P");
    // The default namespace does not apply to attributes: this one needs a prefix.
    out.WriteAttribute(dp + L":lang", L"en");

    const auto* root = Finish();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(NameOf(root), (ExpandedName{dp, L"documentProperties"}));
    EXPECT_EQ(ChildNames(root), (std::vector<ExpandedName>{{dp, L"title"}, {dp, L"plain"}}));
    EXPECT_EQ(PrefixOf(ChildElements(root)[0]), L"");
    EXPECT_EQ(Attribute(root, dp, L"lang"), L"en");
}

TEST_F(XercesWriter, UndeclaredNamespacesGetPrefixesWhereFirstUsed)
{
    IXMLOutput& out = Open(L"root");
    out.BeginElement(L"urn:a:first");
    out.BeginElement(L"urn:b:second");
    out.WriteElement(L"urn:a:third", L"");
    out.EndElement(L"urn:b:second");
    out.EndElement(L"urn:a:first");

    const auto* root = Finish();
    ASSERT_NE(root, nullptr);
    const auto* first = Child(root, L"urn:a", L"first");
    ASSERT_NE(first, nullptr) << m_stream.str();
    const auto* second = Child(first, L"urn:b", L"second");
    ASSERT_NE(second, nullptr) << m_stream.str();
    const auto* third = Child(second, L"urn:a", L"third");
    ASSERT_NE(third, nullptr) << m_stream.str();
    EXPECT_EQ(PrefixOf(first), L"n0");
    EXPECT_EQ(PrefixOf(second), L"n1");
    EXPECT_EQ(PrefixOf(third), L"n0");
    // A child's name is resolved before the child exists: the declaration lands on the
    // element that was current.
    EXPECT_EQ(Attribute(root, kXmlns, L"n0"), L"urn:a");
    EXPECT_EQ(Attribute(first, kXmlns, L"n1"), L"urn:b");
}

TEST_F(XercesWriter, NamespaceUriWithColonsIsSplitAtTheLastOne)
{
    IXMLOutput& out = Open(L"root");
    out.WriteElement(L"urn:x:y:z:leaf", L"");
    const auto* root = Finish();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(ChildNames(root), (std::vector<ExpandedName>{{L"urn:x:y:z", L"leaf"}}));
}

TEST_F(XercesWriter, DeclaredPrefixesAreUsed)
{
    IXMLOutput& out = Open(L"root");
    out.BeginElement(L"holder");
    EXPECT_EQ(out.DeclareDefaultNamespace(L"urn:d"), L"");
    EXPECT_EQ(out.DeclareNamespace(L"urn:p", L"dp"), L"dp");
    EXPECT_EQ(out.DeclareNamespace(L"", L"x"), L"") << "a prefix needs a namespace";
    out.WriteElement(L"urn:d:bare", L"");
    out.WriteElement(L"urn:p:prefixed", L"");
    out.WriteElement(L"plain", L"");
    out.EndElement(L"holder");

    const auto* root = Finish();
    ASSERT_NE(root, nullptr);
    const auto children = ChildElements(ChildElements(root).at(0));
    ASSERT_EQ(children.size(), 3u);
    EXPECT_EQ(NameOf(children[0]), (ExpandedName{L"urn:d", L"bare"}));
    EXPECT_EQ(PrefixOf(children[0]), L"");
    EXPECT_EQ(NameOf(children[1]), (ExpandedName{L"urn:p", L"prefixed"}));
    EXPECT_EQ(PrefixOf(children[1]), L"dp");
    EXPECT_EQ(NameOf(children[2]), (ExpandedName{L"urn:d", L"plain"}));
}

TEST_F(XercesWriter, InnerDeclarationOfAPrefixHidesTheOuterOne)
{
    IXMLOutput& out = Open(L"root");
    out.DeclareNamespace(L"urn:outer", L"p");
    out.BeginElement(L"urn:outer:a");
    out.DeclareNamespace(L"urn:inner", L"p");
    out.WriteElement(L"urn:outer:b", L"");
    out.WriteElement(L"urn:inner:c", L"");
    out.EndElement(L"urn:outer:a");

    const auto* root = Finish();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(ChildNames(ChildElements(root).at(0)),
              (std::vector<ExpandedName>{{L"urn:outer", L"b"}, {L"urn:inner", L"c"}}));
}

TEST_F(XercesWriter, ValuesAreWrittenInTheirTextForms)
{
    IXMLOutput& out = Open(L"root");
    out.WriteElement(L"bool", true);
    out.WriteElement(L"char", static_cast<char>(-1));
    out.WriteElement(L"uchar", static_cast<unsigned char>(200));
    out.WriteElement(L"short", static_cast<short>(-5));
    out.WriteElement(L"ushort", static_cast<unsigned short>(65535));
    out.WriteElement(L"int", -7);
    out.WriteElement(L"uint", 4000000000u);
    out.WriteElement(L"long", -9000000000L);
    out.WriteElement(L"ulong", 18000000000UL);
    out.WriteElement(L"float", 0.1f);
    out.WriteElement(L"bigFloat", 1e20f);
    out.WriteElement(L"double", 1.0 / 3.0);
    out.WriteElement(L"half", 2.5);
    out.WriteElement(L"utf8", "caf\xC3\xA9");
    out.WriteElement(L"wide", L"\u20AC \U0001F600");
    out.WriteElement(L"bytes", std::vector<unsigned char>{1, 20, 255});
    out.WriteElement(L"oneByte", std::vector<unsigned char>{7});
    out.WriteElement(L"noBytes", std::vector<unsigned char>{});
    out.WriteIdAttribute(L"ref", 42);

    const auto* root = Finish();
    ASSERT_NE(root, nullptr);
    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"bool", L"1"},          {L"char", L"255"},         {L"uchar", L"200"},
        {L"short", L"-5"},        {L"ushort", L"65535"},     {L"int", L"-7"},
        {L"uint", L"4000000000"}, {L"long", L"-9000000000"}, {L"ulong", L"18000000000"},
        {L"float", L"0.1"},       {L"bigFloat", L"1e+20"},   {L"double", L"0.3333333333333"},
        {L"half", L"2.5"},        {L"utf8", L"caf\u00E9"},   {L"wide", L"\u20AC \U0001F600"},
        {L"bytes", L"1,20,255"},  {L"oneByte", L"7"},        {L"noBytes", L""},
    };
    for (const auto& [name, text] : expected) {
        const auto* element = Child(root, L"", name);
        ASSERT_NE(element, nullptr) << name;
        EXPECT_EQ(TextOf(element), text) << name;
    }
    EXPECT_EQ(Attribute(root, L"", L"ref"), L"id42");
}

TEST_F(XercesWriter, SpecialCharactersSurviveTheRoundTrip)
{
    const std::wstring text = L"a < b & c > \"d\" 'e'";
    IXMLOutput& out = Open(L"root");
    out.WriteAttribute(L"attribute", text);
    out.WriteElement(L"element", text);
    out.BeginElement(L"mixed", text);
    out.EndElement(L"mixed");
    out.WriteText(text);

    const auto* root = Finish();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(Attribute(root, L"", L"attribute"), text);
    EXPECT_EQ(TextOf(Child(root, L"", L"element")), text);
    EXPECT_EQ(TextOf(Child(root, L"", L"mixed")), text);
}

TEST_F(XercesWriter, LoneSurrogatesBecomeReplacementCharactersAndPairsOneCharacter)
{
    IXMLOutput& out = Open(L"root");
    out.WriteAttribute(L"text", std::wstring{L'a', 0xD800, 0xD83D, 0xDE00});

    const auto* root = Finish();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(Attribute(root, L"", L"text"), L"a\uFFFD\U0001F600");
    EXPECT_NE(m_stream.str().find("a\xEF\xBF\xBD\xF0\x9F\x98\x80"), std::string::npos);
}

TEST_F(XercesWriter, EscapedTextCarriesAngleBracketsAsEntitiesOneLevelDeep)
{
    const std::wstring text = L"<b> & &lt; \u00E9";
    // What a reader of the document sees: the brackets as entities, all else as it was.
    const std::wstring read = L"&lt;b&gt; & &lt; \u00E9";
    IXMLOutput& out = Open(L"root");
    out.WriteAttribute(L"attribute", XMLEscapedText{text});
    out.WriteElement(L"element", XMLEscapedText{text});
    out.BeginElement(L"mixed");
    out.WriteText(XMLEscapedText{text});
    out.EndElement(L"mixed");
    out.WriteElement(L"empty", XMLEscapedText{});

    const auto* root = Finish();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(Attribute(root, L"", L"attribute"), read);
    EXPECT_EQ(TextOf(Child(root, L"", L"element")), read);
    EXPECT_EQ(TextOf(Child(root, L"", L"mixed")), read);
    EXPECT_EQ(TextOf(Child(root, L"", L"empty")), L"");
    EXPECT_NE(m_stream.str().find("&amp;lt;b&amp;gt;"), std::string::npos) << m_stream.str();
}

TEST_F(XercesWriter, NullUtf8TextsWriteNothingOrEmptyText)
{
    IXMLOutput& out = Open(L"root");
    const char* none = nullptr;
    EXPECT_FALSE(out.BeginElement(L"never", none));
    out.WriteAttribute(L"never", none);
    out.WriteElement(L"empty", none);
    out.WriteText(none);
    EXPECT_TRUE(out.BeginElement(L"emptyWide", L""));
    out.EndElement(L"emptyWide");

    const auto* root = Finish();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(ChildNames(root), (std::vector<ExpandedName>{{L"", L"empty"}, {L"", L"emptyWide"}}));
    EXPECT_EQ(Attribute(root, L"", L"never"), std::nullopt);
    EXPECT_EQ(TextOf(Child(root, L"", L"empty")), L"");
}

TEST_F(XercesWriter, EndElementClosesTheCurrentElementWhateverItsName)
{
    IXMLOutput& out = Open(L"root");
    out.BeginElement(L"a");
    out.EndElement(L"wrong");
    out.EndElement(L"root");
    out.EndElement(L"root");  // the root stays open
    out.WriteElement(L"b", L"");

    const auto* root = Finish();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(ChildNames(root), (std::vector<ExpandedName>{{L"", L"a"}, {L"", L"b"}}));
}

TEST_F(XercesWriter, InvalidNamesAreRefusedWithoutHarm)
{
    IXMLOutput& out = Open(L"root");
    EXPECT_FALSE(out.BeginElement(L"1st"));
    EXPECT_FALSE(out.BeginElement(L"urn:a:"));
    out.WriteAttribute(L"bad name", L"x");
    out.WriteAttribute(L"xmlns", L"urn:sneaky");
    EXPECT_EQ(out.DeclareNamespace(L"urn:a", L"xmlns"), L"");
    out.WriteElement(L"good", L"");

    const auto* root = Finish();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(ChildNames(root), (std::vector<ExpandedName>{{L"", L"good"}}));
    EXPECT_EQ(NameOf(root), (ExpandedName{L"", L"root"}));
    EXPECT_EQ(nullptr, CreateXercesXMLOutput(&m_stream, L"bad root", L"", L""));
}

TEST_F(XercesWriter, NestedObjectsAreWrittenUnderTheirClassElement)
{
    Labelled named(L"named");
    Labelled byClass(L"by class");
    Labelled declining(L"declining", false);
    Labelled failing(L"failing", true, false);
    IXMLOutput& out = Open(L"root");
    out.SetBasePath(L"/base");
    EXPECT_TRUE(out.WriteObject(&named, L"urn:other:custom"));
    EXPECT_TRUE(out.WriteObject(&byClass, L""));
    EXPECT_TRUE(out.WriteObject(&failing, L"")) << "the named form ignores WriteXML's answer";
    EXPECT_FALSE(out.WriteObject(&failing)) << "the class form gives WriteXML's answer";
    EXPECT_TRUE(out.WriteObject(&declining));
    EXPECT_TRUE(out.WriteObject(nullptr));
    EXPECT_FALSE(out.WriteObject(nullptr, L"x"));
    EXPECT_EQ(declining.preparedWith, L"/base");

    const auto* root = Finish();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(ChildNames(root), (std::vector<ExpandedName>{{L"urn:other", L"custom"},
                                                           {L"urn:test:objects", L"labelled"},
                                                           {L"urn:test:objects", L"labelled"},
                                                           {L"urn:test:objects", L"labelled"}}));
    EXPECT_EQ(Attribute(ChildElements(root)[1], L"", L"label"), L"by class");
}

TEST_F(XercesWriter, GetTextLeavesTheDocumentAsItIs)
{
    IXMLOutput& out = Open(L"root", L"urn:r");
    out.WriteElement(L"urn:r:item", 1);
    const std::wstring first = out.GetText();
    EXPECT_EQ(out.GetText(), first);
    const ParsedDocument parsed = ParsedDocument::FromText(first);
    ASSERT_TRUE(parsed.IsWellFormed()) << first.size();
    EXPECT_EQ(ChildNames(parsed.Root()), (std::vector<ExpandedName>{{L"urn:r", L"item"}}));
    out.WriteElement(L"urn:r:item", 2);
    EXPECT_EQ(ChildNames(Finish()).size(), 2u);
}

TEST(XercesFileWriter, WritesTheDocumentToTheFileAtRelease)
{
    TempFolder temp;
    const std::wstring path = (temp.Path() / "out.xml").wstring();
    IXMLOutput* writer = CreateXercesXMLFileOutput(path, L"root", L"urn:f", L"f");
    ASSERT_NE(writer, nullptr);
    writer->WriteElement(L"urn:f:item", L"\u00E9");
    EXPECT_FALSE(std::filesystem::exists(path)) << "nothing is written before the release";
    EXPECT_TRUE(ReleaseXercesXMLOutput(writer));
    EXPECT_EQ(writer, nullptr);
    const ParsedDocument parsed = ParsedDocument::FromFile(path);
    ASSERT_TRUE(parsed.IsWellFormed());
    EXPECT_EQ(TextOf(Child(parsed.Root(), L"urn:f", L"item")), L"\u00E9");
}

TEST(XercesFileWriter, FailureToWriteIsReportedAndTraced)
{
    std::FILE* trace = std::tmpfile();
    ASSERT_NE(trace, nullptr);
    utils::SetDebugTraceStream(trace);
    IXMLOutput* writer = CreateXercesXMLFileOutput(L"/nonexistent/folder/out.xml", L"root", L"", L"");
    ASSERT_NE(writer, nullptr);
    EXPECT_FALSE(ReleaseXercesXMLOutput(writer));
    utils::SetDebugTraceStream(nullptr);
    EXPECT_GT(std::ftell(trace), 0L);
    std::fclose(trace);
}

TEST(XercesStreamWriter, FailingStreamIsReported)
{
    std::ofstream full("/dev/full");
    ASSERT_TRUE(full.is_open());
    IXMLOutput* writer = CreateXercesXMLOutput(&full, L"root", L"", L"");
    ASSERT_NE(writer, nullptr);
    EXPECT_FALSE(ReleaseXercesXMLOutput(writer));
    IXMLOutput* none = nullptr;
    EXPECT_TRUE(ReleaseXercesXMLOutput(none));
}

TEST(XercesStreamWriter, WritersMayOverlap)
{
    std::ostringstream first, second;
    IXMLOutput* a = CreateXercesXMLOutput(&first, L"a", L"", L"");
    IXMLOutput* b = CreateXercesXMLOutput(&second, L"b", L"", L"");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(ReleaseXercesXMLOutput(a));
    b->WriteElement(L"still", L"working");
    EXPECT_TRUE(ReleaseXercesXMLOutput(b));
    EXPECT_TRUE(ParsedDocument(first.str()).IsWellFormed());
    const ParsedDocument parsed(second.str());
    ASSERT_TRUE(parsed.IsWellFormed());
    EXPECT_EQ(TextOf(Child(parsed.Root(), L"", L"still")), L"working");
}

}  // namespace
}  // namespace orbisk
