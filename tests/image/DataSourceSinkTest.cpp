#include "ImageTestUtil.h"

#include "image/PLFileSink.h"
#include "image/PLFileSource.h"
#include "image/PLMemSink.h"
#include "image/PLMemSource.h"
#include "image/PLTiffIO.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <vector>

namespace {

using imagetest::CodeOf;

constexpr int kEnd = PLErr::EndOfData;

void WriteFile(const std::filesystem::path& path, size_t size)
{
    std::ofstream(path, std::ios::binary) << std::string(size, 'x');
}

TEST(DataSource, ReadsUpToTheEndAndNoFurther)
{
    const uint8_t data[] = {1, 2, 3, 4, 5};
    PLMemSource source;
    source.OpenMemory(data, sizeof data);
    EXPECT_EQ(source.GetName(), "Mem");
    EXPECT_EQ(*source.ReadBytes(2), 1);
    EXPECT_EQ(*source.PeekBytes(3), 3);
    EXPECT_EQ(*source.ReadBytes(3), 3);
    std::string text;
    EXPECT_EQ(CodeOf([&] { source.ReadBytes(1); }, &text), kEnd);
    EXPECT_EQ(text, "End of file reached while decoding.\n");
    EXPECT_EQ(source.GetPosition(), 5u);
}

TEST(DataSource, EveryMoveIsCheckedAgainstTheSize)
{
    const uint8_t data[8] = {};
    PLMemSource source;
    source.OpenMemory(data, sizeof data);
    source.ReadBytes(4);
    EXPECT_EQ(CodeOf([&] { source.PeekBytes(5); }), kEnd);
    EXPECT_EQ(CodeOf([&] { source.ReadBytes(SIZE_MAX); }), kEnd);  // no wrap-around
    EXPECT_EQ(CodeOf([&] { source.Seek(9); }), kEnd);
    EXPECT_EQ(CodeOf([&] { source.Seek(size_t(-1)); }), kEnd);
    EXPECT_EQ(source.GetPosition(), 4u);  // failed moves leave the position
    source.Seek(8);
    EXPECT_EQ(source.GetBytesLeft(), 0u);
    source.Seek(0);
    EXPECT_EQ(source.GetBytesLeft(), 8u);
}

class Recorder : public IProgressNotification {
public:
    void OnProgress(double fraction) noexcept override { calls.push_back(fraction); }
    std::vector<double> calls;
};

TEST(DataSource, ProgressIsReportedPerKilobyteCrossedAndAtTheEnd)
{
    TempFolder folder;
    WriteFile(folder / "data", 4096);
    Recorder progress;
    PLFileSource source(&progress);
    ASSERT_EQ(source.OpenFile((folder / "data").c_str()), 0);
    source.ReadBytes(1000);
    EXPECT_TRUE(progress.calls.empty());
    source.ReadBytes(100);
    ASSERT_EQ(progress.calls.size(), 1u);
    EXPECT_DOUBLE_EQ(progress.calls[0], 1100.0 / 4096);
    source.EndRead();
    EXPECT_DOUBLE_EQ(progress.calls.back(), 1.0);
    EXPECT_EQ(source.GetFileSize(), 0u);
}

TEST(FileSource, OpeningFailuresHaveTheirCodes)
{
    TempFolder folder;
    WriteFile(folder / "empty", 0);
    std::filesystem::create_directory(folder / "folder");
    struct Case {
        std::string path;
        int code;
    };
    const Case cases[] = {
        {(folder / "missing.png").string(), PLErr::FileNotFound},
        {(folder / "nowhere" / "missing.png").string(), PLErr::PathNotFound},
        {(folder / "empty").string(), PLErr::AccessDenied},
        {(folder / "folder").string(), PLErr::AccessDenied},
    };
    for (const Case& c : cases) {
        PLFileSource source;
        EXPECT_EQ(source.OpenFile(c.path.c_str()), c.code) << c.path;
    }
}

TEST(FileSource, WideNamesOpenTheFileAndAreKept)
{
    TempFolder folder;
    WriteFile(folder / "b\xC3\xA4r.dat", 3);  // UTF-8 on disk
    const std::string base = (folder / "").string();
    const std::wstring path = std::wstring(base.begin(), base.end()) + L"b\u00E4r.dat";
    PLFileSource source;
    ASSERT_EQ(source.OpenFile(path.c_str()), 0);
    EXPECT_TRUE(source.NameIsWide());
    EXPECT_EQ(source.GetName(), "Wide");
    EXPECT_EQ(source.GetWideName(), path);
    EXPECT_EQ(source.GetFileSize(), 3u);
}

TEST(DataSink, RefusesWhatDoesNotFitAndWritesNothing)
{
    PLMemSink sink;
    ASSERT_EQ(sink.OpenMemory("Mem", 8), 0);
    sink.WriteBytes(4, "abcd");
    std::string text;
    EXPECT_EQ(CodeOf([&] { sink.WriteBytes(5, "efghi"); }, &text), kEnd);
    EXPECT_EQ(text, "Buffer overflow while encoding.\n");
    EXPECT_EQ(sink.GetDataSize(), 4u);
    sink.WriteBytes(4, "efgh");
    EXPECT_EQ(CodeOf([&] { sink.WriteByte(0); }), kEnd);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(sink.GetBytes()), 8), "abcdefgh");
}

TEST(DataSink, WritingBeyondTheEndFillsTheGapWithZeros)
{
    PLMemSink sink;
    ASSERT_EQ(sink.OpenMemory("Mem", 8), 0);
    sink.WriteBytes(1, "a");
    sink.WriteAt(3, 1, "b");
    sink.WriteAt(0, 1, "c");
    EXPECT_EQ(sink.GetDataSize(), 4u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(sink.GetBytes()), 4), std::string("c\0\0b", 4));
    EXPECT_EQ(CodeOf([&] { sink.WriteAt(SIZE_MAX, 2, "xy"); }), kEnd);
}

TEST(MemSink, BytesOfAClosedSinkAreAnInternalError)
{
    PLMemSink sink;
    std::string text;
    EXPECT_EQ(CodeOf([&] { sink.GetBytes(); }, &text), PLErr::Internal);
    EXPECT_EQ(text, "Open was not called for CMemSink");
}

TEST(FileSink, FileIsExactlyAsLongAsTheBytesWritten)
{
    TempFolder folder;
    PLFileSink sink;
    ASSERT_EQ(sink.OpenFile((folder / "out").c_str(), 100000), 0);
    sink.WriteBytes(10, "0123456789");
    sink.Close();
    EXPECT_EQ(std::filesystem::file_size(folder / "out"), 10u);
}

TEST(FileSink, GrowsBeyondItsFirstCapacity)
{
    TempFolder folder;
    PLFileSink sink;
    ASSERT_EQ(sink.OpenFile((folder / "out").c_str(), 4), 0);
    const std::string text(1000, 'z');
    sink.WriteBytes(text.size(), text.data());
    sink.Close();
    EXPECT_EQ(std::filesystem::file_size(folder / "out"), 1000u);
}

TEST(FileSink, MissingFolderIsPathNotFound)
{
    TempFolder folder;
    PLFileSink sink;
    EXPECT_EQ(sink.OpenFile((folder / "nowhere" / "out").c_str(), 10), PLErr::PathNotFound);
}

TEST(TiffStream, ReadingStaysInsideTheBlock)
{
    const std::vector<uint8_t> data = imagetest::ReadData("rgb.tif");
    const auto stream = PLTiffStream::OpenRead(data.data(), data.size());
    TIFF* tiff = stream->GetHandle();
    ASSERT_TRUE(tiff);
    const TIFFSeekProc seek = TIFFGetSeekProc(tiff);
    const TIFFReadWriteProc read = TIFFGetReadProc(tiff);
    const TIFFReadWriteProc write = TIFFGetWriteProc(tiff);
    const thandle_t handle = TIFFClientdata(tiff);
    const toff_t refused = toff_t(-1);
    uint8_t buffer[16];

    EXPECT_EQ(seek(handle, 4, SEEK_SET), 4u);
    EXPECT_EQ(seek(handle, toff_t(-8), SEEK_CUR), refused);  // before the start
    EXPECT_EQ(seek(handle, toff_t(-2), SEEK_CUR), 2u);
    EXPECT_EQ(seek(handle, toff_t(-1), SEEK_SET), refused);
    EXPECT_EQ(seek(handle, 0, SEEK_END), data.size());
    EXPECT_EQ(read(handle, buffer, sizeof buffer), 0);  // at the end
    EXPECT_EQ(seek(handle, data.size() - 3, SEEK_SET), data.size() - 3);
    EXPECT_EQ(read(handle, buffer, sizeof buffer), 3);   // what is left
    EXPECT_EQ(write(handle, buffer, sizeof buffer), 0);  // a source is never written
}

}  // namespace
