#include "support/PathUtils.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace orbisk::utils {
namespace {

namespace fs = std::filesystem;

TEST(NormalizePath, Table)
{
    struct Case {
        std::wstring path, expected;
    };
    const Case cases[] = {
        {L"C:\\dir\\\\sub\\", L"C:/dir/sub"},
        {L"C:\\", L"C:/"},
        {L"C:", L"C:"},
        {L"dir/a:b?.txt", L"dir/a_b_.txt"},
        {L"C:/a:b", L"C:/a_b"},
        {L"/home//user///file", L"/home/user/file"},
        {L"//server/share/", L"//server/share"},  // the first character is the prefix
        {L"http://host//a<b>|c*\"", L"http://host/a_b__c__"},
        {L"smb://host/x", L"smb://host/x"},
        {L"a\tb", L"a_b"},
        {L"", L""},
        // The root stays a root on this platform.
        {L"/", L"/"},
        {L"\\", L"/"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NormalizePath(c.path), c.expected) << c.path.size();
}

TEST(PathParts, JoinAndExtend)
{
    EXPECT_EQ(JoinPath(L"C:/a/", L"/b"), L"C:/a/b");
    EXPECT_EQ(JoinPath(L"C:\\a\\", L"b"), L"C:/a/b");
    EXPECT_EQ(JoinPath(L"/tmp", L"x/y"), L"/tmp/x/y");
    EXPECT_EQ(JoinPath(L"", L"b"), L"b");
    EXPECT_EQ(AppendExtension(L"a", L"png"), L"a.png");
    EXPECT_EQ(AppendExtension(L"a", L".png"), L"a.png");
    EXPECT_EQ(AppendExtension(L"a", L""), L"a");
}

TEST(PathParts, ExtensionNameAndFolder)
{
    EXPECT_EQ(GetFileExtension(L"C:/a.b/c"), L"");
    EXPECT_EQ(GetFileExtension(L"x.tar.gz"), L"gz");
    EXPECT_EQ(GetFileExtension(L"C:\\a.b\\c.TXT"), L"TXT");
    EXPECT_EQ(GetFileExtension(L"noext"), L"");

    EXPECT_EQ(GetFileName(L"C:\\dir\\file.txt", true), L"file.txt");
    EXPECT_EQ(GetFileName(L"/dir/file.txt", false), L"file");
    EXPECT_EQ(GetFileName(L"/dir/archive.tar.gz", false), L"archive.tar");
    EXPECT_EQ(GetFileName(L"/dir/", true), L"");
    EXPECT_EQ(GetFileName(L"/dir/" + std::wstring(256, L'n') + L".txt", true), L"");
    EXPECT_EQ(GetFileName(L"/dir/" + std::wstring(255, L'n'), true), std::wstring(255, L'n'));

    EXPECT_EQ(GetFolder(L"C:\\dir\\sub\\file.txt"), L"C:/dir/sub");
    EXPECT_EQ(GetFolder(L"C:\\file.txt"), L"C:/");
    EXPECT_EQ(GetFolder(L"/usr/bin/prog"), L"/usr/bin");
    EXPECT_EQ(GetFolder(L"/prog"), L"/");
    EXPECT_EQ(GetFolder(L"prog"), L"");
}

class FileSystemTest : public ::testing::Test {
protected:
    std::wstring Child(const std::wstring& name) const { return JoinPath(temp.Wide(), name); }

    static void Touch(const fs::path& path) { std::ofstream(path) << "x"; }

    TempFolder temp;
};

TEST_F(FileSystemTest, StatusQueries)
{
    Touch(temp.Path() / "file");
    EXPECT_TRUE(PathExists(temp.Wide()));
    EXPECT_TRUE(IsDirectory(temp.Wide()));
    EXPECT_FALSE(IsRegularFile(temp.Wide()));
    EXPECT_TRUE(IsRegularFile(Child(L"file")));
    EXPECT_FALSE(PathExists(Child(L"missing")));
    EXPECT_FALSE(PathExists(L""));
    EXPECT_FALSE(IsDirectory(L""));
}

TEST_F(FileSystemTest, NonAsciiNamesReachTheFileSystemAsUtf8)
{
    const std::wstring name{L'\x00e9', L't', L'\x00e9', 0x1F600};
    FilePtr file = OpenFile(Child(name), L"wb");
    ASSERT_TRUE(file);
    file.reset();
    EXPECT_TRUE(fs::exists(temp.Path() / "\xC3\xA9t\xC3\xA9\xF0\x9F\x98\x80"));
}

TEST_F(FileSystemTest, OpenFileRefusesEmptyArgumentsAndMissingFiles)
{
    EXPECT_FALSE(OpenFile(L"", L"rb"));
    EXPECT_FALSE(OpenFile(Child(L"x"), L""));
    EXPECT_FALSE(OpenFile(Child(L"missing"), L"rb"));
}

TEST_F(FileSystemTest, CreateDirectoriesMakesMissingParents)
{
    EXPECT_TRUE(CreateDirectories(Child(L"a\\b/c/")));
    EXPECT_TRUE(fs::is_directory(temp.Path() / "a" / "b" / "c"));
    EXPECT_TRUE(CreateDirectories(Child(L"a")));
    EXPECT_FALSE(CreateDirectories(L""));
}

TEST_F(FileSystemTest, CreateDirectoriesFailsOnARegularFile)
{
    Touch(temp.Path() / "file");
    EXPECT_FALSE(CreateDirectories(Child(L"file")));
    EXPECT_FALSE(CreateDirectories(Child(L"file/sub")));
}

TEST_F(FileSystemTest, CreateUniqueDirectoryNeverReusesAName)
{
    std::wstring first = L"run";
    std::wstring second = L"run";
    ASSERT_TRUE(CreateUniqueDirectory(temp.Wide(), first));
    ASSERT_TRUE(CreateUniqueDirectory(temp.Wide(), second));
    EXPECT_NE(first, second);
    EXPECT_EQ(GetFolder(first), NormalizePath(temp.Wide()));
    EXPECT_EQ(GetFileName(first, true).rfind(L"run", 0), 0u);
    EXPECT_TRUE(IsDirectory(second));
}

TEST_F(FileSystemTest, RemoveDirectoryTreeRecursive)
{
    const fs::path tree = temp.Path() / "tree";
    fs::create_directories(tree / "sub" / "deeper");
    Touch(tree / "file");
    Touch(tree / "sub" / "deeper" / "file");
    // A link to a folder outside the tree: the link goes, the folder it names stays.
    const fs::path outside = temp.Path() / "outside";
    fs::create_directory(outside);
    Touch(outside / "keep");
    fs::create_directory_symlink(outside, tree / "link");

    EXPECT_FALSE(RemoveDirectoryTree(Child(L"tree"), true));
    EXPECT_FALSE(fs::exists(tree));
    EXPECT_TRUE(fs::exists(outside / "keep"));
}

TEST_F(FileSystemTest, RemoveDirectoryTreeWithoutRecursionKeepsAFullFolder)
{
    fs::create_directories(temp.Path() / "full");
    Touch(temp.Path() / "full" / "file");
    fs::create_directories(temp.Path() / "empty");
    EXPECT_TRUE(RemoveDirectoryTree(Child(L"full"), false));
    EXPECT_TRUE(fs::exists(temp.Path() / "full" / "file"));
    EXPECT_FALSE(RemoveDirectoryTree(Child(L"empty"), false));
    EXPECT_FALSE(fs::exists(temp.Path() / "empty"));
    EXPECT_FALSE(RemoveDirectoryTree(Child(L"missing"), true));
    EXPECT_FALSE(RemoveDirectoryTree(L"", true));
}

TEST(TempFolderQuery, FollowsTmpdirNormalised)
{
    std::wstring folder;
    {
        ScopedEnvironment tmpdir("TMPDIR", "/var//tmp/");
        GetTempFolder(folder);
        EXPECT_EQ(folder, L"/var/tmp");
    }
    ScopedEnvironment noTmpdir("TMPDIR", nullptr);
    GetTempFolder(folder);
    EXPECT_EQ(folder, L"/tmp");
}

}  // namespace
}  // namespace orbisk::utils
