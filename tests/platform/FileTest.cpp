// CFile over the file system and CMemFile in memory.

#include <cstdlib>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/mfc/FileException.h"
#include "platform/mfc/MemFile.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/TempFolder.h"

namespace {

class FileTest : public ::testing::Test {
protected:
    CString PathOf(const char* name) const { return CString((m_folder / name).c_str()); }

    TempFolder m_folder;
};

TEST_F(FileTest, AnArchiveStoredInAFileReadsBack)
{
    CString path = PathOf("model.zph");
    {
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        ar << CString(L"Zephyron Model") << int32_t{1200};
        ar.Close();
    }
    CFile file(path, CFile::modeRead | CFile::shareDenyWrite);
    EXPECT_EQ(file.GetLength(), 4u + 28u + 4u);
    CArchive ar(&file, CArchive::load);
    CString header;
    int32_t value = 0;
    ar >> header >> value;
    EXPECT_EQ(header, L"Zephyron Model");
    EXPECT_EQ(value, 1200);
    EXPECT_TRUE(IsAtEnd(ar));
}

TEST_F(FileTest, ThePathAndTheNameAreThoseGivenToOpen)
{
    CString path = PathOf("name.zph");
    CFile file(path, CFile::modeCreate | CFile::modeReadWrite);
    EXPECT_EQ(file.GetFilePath(), path);
    EXPECT_EQ(file.GetFileName(), L"name.zph");
}

TEST_F(FileTest, OpenReportsWhyAFileCannotBeOpened)
{
    struct Case {
        const char* what;
        CString path;
        uint32_t flags;
        int cause;
    };
    const Case cases[] = {
        {"a missing file", PathOf("missing.zph"), CFile::modeRead, CFileException::fileNotFound},
        {"a folder", CString(m_folder.Path().c_str()), CFile::modeRead, CFileException::accessDenied},
        {"a file below a missing folder", PathOf("missing/x.zph"), CFile::modeCreate | CFile::modeWrite,
         CFileException::fileNotFound},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CFile file;
        CFileException error;
        EXPECT_FALSE(file.Open(c.path, c.flags, &error));
        EXPECT_EQ(error.m_cause, c.cause);
        EXPECT_EQ(error.m_strFileName, c.path);
    }
    EXPECT_THROW(CFile(PathOf("missing.zph"), CFile::modeRead), CFileException);
}

TEST_F(FileTest, ReadsStopAtTheEndAndSeeksMoveThePosition)
{
    CFile file(PathOf("data.bin"), CFile::modeCreate | CFile::modeReadWrite);
    file.Write("abcdef", 6);
    EXPECT_EQ(file.Seek(-4, CFile::end), 2u);
    char buffer[8] = {};
    EXPECT_EQ(file.Read(buffer, 8), 4u);
    EXPECT_EQ(std::string(buffer), "cdef");
    EXPECT_EQ(file.Read(buffer, 8), 0u);
    EXPECT_EQ(file.GetPosition(), 6u);
    EXPECT_THROW(file.Seek(-10, CFile::current), CFileException);
}

TEST_F(FileTest, AClosedFileRefusesToBeUsed)
{
    CFile file(PathOf("closed.bin"), CFile::modeCreate | CFile::modeWrite);
    file.Close();
    try {
        file.GetLength();
        FAIL() << "used a closed file";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::invalidFile);
    }
}

TEST(MemFile, GrowsAsItIsWrittenAndReadsBack)
{
    CMemFile file(1024);
    Bytes block(1500);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i);
    for (int i = 0; i < 3; ++i)
        file.Write(block.data(), static_cast<uint32_t>(block.size()));
    EXPECT_EQ(file.GetLength(), 4500u);
    file.Seek(1500, CFile::begin);
    Bytes read(1500);
    EXPECT_EQ(file.Read(read.data(), 1500), 1500u);
    EXPECT_EQ(read, block);
    EXPECT_EQ(file.Read(read.data(), 1500), 1500u);
    EXPECT_EQ(file.Read(read.data(), 1500), 0u);
}

TEST(MemFile, WritingBeyondTheEndFillsTheGapWithZeros)
{
    CMemFile file;
    file.Write("ab", 2);
    file.Seek(5, CFile::begin);
    file.Write("c", 1);
    EXPECT_EQ(ToBytes(file.GetData()), (Bytes{'a', 'b', 0, 0, 0, 'c'}));
}

TEST(MemFile, CallersBytesAreReadInPlaceAndNeverWritten)
{
    const Bytes bytes = {1, 2, 3};
    CMemFile file(bytes.data(), bytes.size());
    EXPECT_EQ(file.GetData().data(), bytes.data());
    try {
        file.Write("x", 1);
        FAIL() << "wrote into the caller's bytes";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::accessDenied);
    }
}

TEST(MemFile, SeekingBeforeTheStartIsRefused)
{
    CMemFile file;
    file.Write("abc", 3);
    EXPECT_THROW(file.Seek(-4, CFile::end), CFileException);
    EXPECT_EQ(file.GetPosition(), 3u);
}

}  // namespace
