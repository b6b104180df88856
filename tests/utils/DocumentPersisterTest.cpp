#include "support/DocumentPersister.h"

#include "support/StringUtils.h"
#include "support/XMLNamespaces.h"
#include "tests/support/TempFolder.h"
#include "tests/support/XmlTestSupport.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>

namespace orbisk {
namespace {

namespace fs = std::filesystem;
using testing::Attribute;
using testing::Child;
using testing::ChildNames;
using testing::ExpandedName;
using testing::NameOf;
using testing::ParsedDocument;
using testing::TextOf;

const std::wstring kDp = kDocumentPropertiesNamespaceW;

class TestDocument : public DocumentPersister {
public:
    TestDocument()
        : DocumentPersister(
              {L"testDocument", kDocumentPartFileName, L"tst", L"urn:test:doc", L"urn:test:doc.xsd"})
    {}
    bool WriteContent(IXMLOutput&) override { return true; }
    bool ReadContent(IXMLInput&) override { return true; }
};

std::wstring Utc(std::int64_t time)
{
    const std::time_t seconds = static_cast<std::time_t>(time);
    std::tm calendar{};
    gmtime_r(&seconds, &calendar);
    wchar_t text[32];
    std::wcsftime(text, std::size(text), L"%Y-%m-%dT%H:%M:%SZ", &calendar);
    return text;
}

TEST(DocumentPersister, DefaultPropertiesDocument)
{
    TempFolder temp;
    TestDocument document;
    const fs::path path = temp.Path() / "documentProperties.xml";
    ASSERT_TRUE(document.Save(path.wstring()));
    EXPECT_EQ(document.GetDocumentProperties().revision, 1u);

    const ParsedDocument parsed = ParsedDocument::FromFile(path);
    const auto* root = parsed.Root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(NameOf(root), (ExpandedName{kDp, L"documentProperties"}));
    EXPECT_EQ(Attribute(root, utils::WideFromUtf8(kXMLSchemaInstanceNamespace), L"schemaLocation"),
              kDp + L" " + kDp + L".xsd");
    std::vector<ExpandedName> expected;
    for (const wchar_t* name : {L"title", L"description", L"creator", L"keywords", L"lastModifiedBy",
                                L"revision", L"created", L"modified", L"thumbnail", L"generator"})
        expected.push_back({kDp, name});
    EXPECT_EQ(ChildNames(root), expected);
    for (const wchar_t* name : {L"title", L"description", L"creator", L"keywords", L"lastModifiedBy"})
        EXPECT_EQ(TextOf(Child(root, kDp, name)), L"") << name;
    EXPECT_EQ(TextOf(Child(root, kDp, L"revision")), L"0");
    EXPECT_EQ(TextOf(Child(root, kDp, L"created")), Utc(document.GetDocumentProperties().created));
    EXPECT_EQ(TextOf(Child(root, kDp, L"modified")), Utc(document.GetDocumentProperties().modified));
    EXPECT_EQ(TextOf(Child(root, kDp, L"thumbnail")), L"doc_thumbnail.png");
    const auto* generator = Child(root, kDp, L"generator");
    EXPECT_EQ(Attribute(generator, kDp, L"name"), L"unknown");
    EXPECT_EQ(Attribute(generator, kDp, L"version"), L"0");
}

TEST(DocumentPersister, EverySaveCountsTheRevision)
{
    TempFolder temp;
    TestDocument document;
    DocumentProperties& properties = document.GetDocumentProperties();
    properties.title = L"Brick & <Mortar>";
    properties.generatorName = L"Style";
    properties.generatorVersion = 1.5f;
    properties.created = 1200000000;
    std::wstring modified[2];
    for (int revision = 0; revision < 2; ++revision) {
        const fs::path path = temp.Path() / ("save" + std::to_string(revision) + ".xml");
        ASSERT_TRUE(document.Save(path.wstring()));
        const ParsedDocument parsed = ParsedDocument::FromFile(path);
        ASSERT_TRUE(parsed.IsWellFormed());
        EXPECT_EQ(TextOf(Child(parsed.Root(), kDp, L"revision")), std::to_wstring(revision));
        EXPECT_EQ(TextOf(Child(parsed.Root(), kDp, L"title")), L"Brick & <Mortar>");
        EXPECT_EQ(TextOf(Child(parsed.Root(), kDp, L"created")), L"2008-01-10T21:20:00Z");
        EXPECT_EQ(Attribute(Child(parsed.Root(), kDp, L"generator"), kDp, L"version"), L"1.5");
        modified[revision] = TextOf(Child(parsed.Root(), kDp, L"modified"));
    }
    EXPECT_LE(modified[0], modified[1]);
    EXPECT_EQ(properties.revision, 2u);
}

TEST(DocumentPersister, SaveReportsAFileThatCannotBeWritten)
{
    TempFolder temp;
    TestDocument document;
    const fs::path missing = temp.Path() / "missing" / "out.xml";
    EXPECT_FALSE(document.Save(missing.wstring()));
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_FALSE(document.Save(L"/dev/full")) << "a write failure is no success";
}

TEST(DocumentPersister, ReferencesNumberObjectsFromOne)
{
    TestDocument document;
    int brick = 0, stone = 0, plain = 0, bare = 0;
    bool isNew = false;
    EXPECT_EQ(document.AddReference(&brick, isNew, L"/textures/brick.jpg"), 1u);
    EXPECT_TRUE(isNew);
    EXPECT_EQ(document.AddReference(&brick, isNew, L"other.png"), 1u);
    EXPECT_FALSE(isNew);
    EXPECT_EQ(document.AddReference(&stone, isNew, L"C:\\maps\\stone.tar.gz"), 2u);
    EXPECT_TRUE(isNew);
    EXPECT_EQ(document.AddReference(&plain, isNew, L""), 3u);
    EXPECT_EQ(document.AddReference(&bare, isNew, L"dir.v2/noextension"), 4u);
    EXPECT_EQ(document.GetReferenceFileName(1), L"brick_1.jpg");
    EXPECT_EQ(document.GetReferenceFileName(2), L"stone.tar_2.gz");
    EXPECT_EQ(document.GetReferenceFileName(3), L"");
    EXPECT_EQ(document.GetReferenceFileName(4), L"noextension_4.");
    EXPECT_EQ(document.GetReferenceFileName(9), L"");
}

TEST(DocumentPersister, ReferencedObjectsAreRecordedForReading)
{
    TestDocument document;
    int first = 0, second = 0;
    EXPECT_EQ(document.FindReferencedObject(1), nullptr);
    document.SetReferencedObject(1, &first);
    document.SetReferencedObject(1, &second);
    EXPECT_EQ(document.FindReferencedObject(1), &second);
}

TEST(DocumentPersister, WorkingFolderLivesInTheTemporaryFolderWhileItIsNeeded)
{
    TempFolder temp;
    ScopedEnvironment temporary("TMPDIR", temp.Path().c_str());
    std::wstring folder;
    {
        TestDocument document;
        folder = document.GetWorkingFolder();
        ASSERT_FALSE(folder.empty());
        EXPECT_EQ(fs::path(folder).parent_path(), temp.Path());
        const std::string name = fs::path(folder).filename().string();
        EXPECT_EQ(name.substr(0, 3), "tst");
        EXPECT_EQ(name.find_first_not_of("0123456789", 3), std::string::npos) << name;
        EXPECT_EQ(document.GetWorkingFolder(), folder);
        const std::wstring references = document.GetReferencesFolder();
        EXPECT_EQ(references, folder + L"/ref");
        EXPECT_TRUE(fs::is_directory(references));

        fs::remove_all(folder);
        folder = document.GetWorkingFolder();
        EXPECT_TRUE(fs::is_directory(folder)) << "a folder deleted from outside is made again";
    }
    EXPECT_FALSE(fs::exists(folder)) << "the persister deletes its working folder";
}

TEST(DocumentPersister, NoWorkingFolderMeansNoReferencesFolder)
{
    TempFolder temp;
    const fs::path notAFolder = temp.Path() / "file";
    std::ofstream(notAFolder) << "x";
    ScopedEnvironment temporary("TMPDIR", notAFolder.c_str());
    TestDocument document;
    EXPECT_EQ(document.GetWorkingFolder(), L"");
    EXPECT_EQ(document.GetReferencesFolder(), L"");
}

TEST(DocumentPersister, CurrentPersisterIsSetForAScope)
{
    EXPECT_EQ(DocumentPersister::GetCurrent(), nullptr);
    TestDocument outer;
    {
        const CurrentPersisterScope outerScope(&outer);
        EXPECT_EQ(DocumentPersister::GetCurrent(), &outer);
        {
            TestDocument inner;
            const CurrentPersisterScope innerScope(&inner);
            EXPECT_EQ(DocumentPersister::GetCurrent(), &inner);
        }
        EXPECT_EQ(DocumentPersister::GetCurrent(), &outer);
    }
    EXPECT_EQ(DocumentPersister::GetCurrent(), nullptr);
}

}  // namespace
}  // namespace orbisk
