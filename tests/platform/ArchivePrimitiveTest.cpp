// Primitive values, raw bytes, buffering and the archive's modes.

#include <cmath>
#include <functional>

#include <gtest/gtest.h>

#include "tests/platform/TestObjects.h"
#include "tests/support/ArchiveBytes.h"

namespace {

const Bytes kPrimitives = {
    0xAB,                                            // byte
    0x01,                                            // bool
    0xFE, 0xFF,                                      // int16 -2
    0x34, 0x12,                                      // uint16 0x1234
    0xFF, 0xFF, 0xFF, 0xFF,                          // int32 -1
    0x04, 0x03, 0x02, 0x01,                          // uint32 0x01020304
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80,  // int64 minimum
    0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,  // uint64 0x0102030405060708
    0x00, 0x00, 0x80, 0x3F,                          // float 1
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0xBF,  // double -1.5
};

TEST(ArchivePrimitive, ValuesAreStoredLittleEndianAtTheirOwnSize)
{
    Bytes written = WrittenBy([](CArchive& ar) {
        ar << uint8_t{0xAB} << true << int16_t{-2} << uint16_t{0x1234} << int32_t{-1} << uint32_t{0x01020304}
           << INT64_MIN << uint64_t{0x0102030405060708} << 1.0f << -1.5;
    });
    EXPECT_EQ(written, kPrimitives);
}

TEST(ArchivePrimitive, ValuesReadBackFromTheirBytes)
{
    ReadFrom(kPrimitives, [](CArchive& ar) {
        uint8_t byte = 0;
        bool flag = false;
        int16_t i16 = 0;
        uint16_t u16 = 0;
        int32_t i32 = 0;
        uint32_t u32 = 0;
        int64_t i64 = 0;
        uint64_t u64 = 0;
        float f = 0;
        double d = 0;
        ar >> byte >> flag >> i16 >> u16 >> i32 >> u32 >> i64 >> u64 >> f >> d;
        EXPECT_EQ(byte, 0xAB);
        EXPECT_TRUE(flag);
        EXPECT_EQ(i16, -2);
        EXPECT_EQ(u16, 0x1234);
        EXPECT_EQ(i32, -1);
        EXPECT_EQ(u32, 0x01020304u);
        EXPECT_EQ(i64, INT64_MIN);
        EXPECT_EQ(u64, 0x0102030405060708u);
        EXPECT_EQ(f, 1.0f);
        EXPECT_EQ(d, -1.5);
        EXPECT_TRUE(IsAtEnd(ar));
    });
}

TEST(ArchivePrimitive, AnyNonZeroByteReadsAsTrue)
{
    ReadFrom({0x00, 0x01, 0x02, 0xFF}, [](CArchive& ar) {
        bool flags[4] = {true, false, false, false};
        for (bool& flag : flags)
            ar >> flag;
        EXPECT_FALSE(flags[0]);
        EXPECT_TRUE(flags[1] && flags[2] && flags[3]);
    });
}

TEST(ArchivePrimitive, NotANumberKeepsItsBits)
{
    Bytes bytes = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x7F};
    ReadFrom(bytes, [&](CArchive& ar) {
        double value = 0;
        ar >> value;
        EXPECT_TRUE(std::isnan(value));
        EXPECT_EQ(WrittenBy([&](CArchive& out) { out << value; }), bytes);
    });
}

// Values, strings, objects and raw blocks larger than the buffer, across refills.
TEST(ArchivePrimitive, MixedRecordsSurviveEveryBufferSize)
{
    Bytes block(300);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i * 7);
    // Distinct live objects: an address seen before would be written as a back reference.
    std::vector<CTestValue> values;
    for (int32_t i = 0; i < 200; ++i)
        values.emplace_back(i);
    auto write = [&](CArchive& ar) {
        for (int32_t i = 0; i < 200; ++i) {
            ar << i << static_cast<double>(i) / 4 << uint8_t(i) << CString(L"entry") << &values[i];
            ar.Write(block.data(), static_cast<uint32_t>(i % 3 == 0 ? block.size() : 5));
        }
    };
    for (int bufferSize : {0, 16, 17, 64, 4096}) {
        SCOPED_TRACE(bufferSize);
        Bytes bytes = WrittenBy(write, bufferSize);
        ReadFrom(
            bytes,
            [&](CArchive& ar) {
                for (int32_t i = 0; i < 200; ++i) {
                    int32_t number = 0;
                    double quarter = 0;
                    uint8_t low = 0;
                    CString text;
                    ar >> number >> quarter >> low >> text;
                    std::unique_ptr<CObject> value(ar.ReadObject(RUNTIME_CLASS(CTestValue)));
                    Bytes raw(i % 3 == 0 ? block.size() : 5);
                    ar.Read(raw.data(), static_cast<uint32_t>(raw.size()));
                    ASSERT_EQ(number, i);
                    ASSERT_EQ(quarter, i / 4.0);
                    ASSERT_EQ(low, uint8_t(i));
                    ASSERT_EQ(text, L"entry");
                    ASSERT_EQ(static_cast<CTestValue*>(value.get())->m_value, i);
                    ASSERT_TRUE(std::equal(raw.begin(), raw.end(), block.begin()));
                }
                EXPECT_TRUE(IsAtEnd(ar));
            },
            bufferSize);
    }
}

struct Operation {
    const char* what;
    std::function<void(CArchive&)> run;
};

int CauseOf(const std::function<void(CArchive&)>& run, CArchive& ar)
{
    return ArchiveCause([&] { run(ar); });
}

TEST(ArchiveMode, ReadingFromAStoringArchiveIsRefusedAsWriteOnly)
{
    const Operation reads[] = {
        {"a byte",
         [](CArchive& ar) {
             uint8_t v;
             ar >> v;
         }},
        {"a double",
         [](CArchive& ar) {
             double v;
             ar >> v;
         }},
        {"raw bytes",
         [](CArchive& ar) {
             char v[4];
             ar.Read(v, 4);
         }},
        {"a string",
         [](CArchive& ar) {
             CString v;
             ar >> v;
         }},
        {"an object", [](CArchive& ar) { ar.ReadObject(nullptr); }},
        {"a length check", [](CArchive& ar) { ar.CheckBytesLeft(1); }},
    };
    for (const auto& read : reads) {
        SCOPED_TRACE(read.what);
        CMemFile file;
        CArchive ar(&file, CArchive::store);
        EXPECT_EQ(CauseOf(read.run, ar), CArchiveException::writeOnly);
    }
}

TEST(ArchiveMode, WritingIntoALoadingArchiveIsRefusedAsReadOnly)
{
    const Operation writes[] = {
        {"a byte", [](CArchive& ar) { ar << uint8_t{1}; }},
        {"a double", [](CArchive& ar) { ar << 1.0; }},
        {"raw bytes", [](CArchive& ar) { ar.Write("abcd", 4); }},
        {"a string", [](CArchive& ar) { ar << CString(L"x"); }},
        {"a null object", [](CArchive& ar) { ar.WriteObject(nullptr); }},
        {"an object",
         [](CArchive& ar) {
             CTestValue v;
             ar << &v;
         }},
    };
    Bytes bytes(64, 0);
    for (const auto& write : writes) {
        SCOPED_TRACE(write.what);
        CMemFile file(bytes.data(), bytes.size());
        CArchive ar(&file, CArchive::load);
        EXPECT_EQ(CauseOf(write.run, ar), CArchiveException::readOnly);
    }
}

TEST(ArchiveMode, AClosedArchiveRefusesFurtherUse)
{
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar << int32_t{5};
    ar.Close();
    EXPECT_EQ(ar.GetFile(), nullptr);
    EXPECT_EQ(file.GetLength(), 4u);
    EXPECT_EQ(CauseOf([](CArchive& a) { a << int32_t{6}; }, ar), CArchiveException::genericException);
}

TEST(ArchiveMode, DestroyingAStoringArchiveWritesWhatIsBufferedUnlessAskedNotTo)
{
    CMemFile flushed, dropped;
    {
        CArchive ar(&flushed, CArchive::store);
        ar << int32_t{5};
    }
    {
        CArchive ar(&dropped, CArchive::store | CArchive::bNoFlushOnDelete);
        ar << int32_t{5};
    }
    EXPECT_EQ(flushed.GetLength(), 4u);
    EXPECT_EQ(dropped.GetLength(), 0u);
}

TEST(ArchiveMode, FlushWhileLoadingPutsTheFileAtTheFirstUnreadByte)
{
    Bytes bytes(100, 0x11);
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    int32_t value = 0;
    ar >> value;
    ar.Flush();
    EXPECT_EQ(file.GetPosition(), 4u);
    ar >> value;
    EXPECT_EQ(value, 0x11111111);
}

TEST(ArchiveLimits, CheckBytesLeftCountsBufferedAndUnreadBytes)
{
    Bytes bytes(10000, 0);
    ReadFrom(bytes, [](CArchive& ar) {
        uint8_t first = 0;
        ar >> first;  // fills the buffer with 4,096 bytes
        EXPECT_NO_THROW(ar.CheckBytesLeft(9999));
        EXPECT_EQ(CauseOf([](CArchive& a) { a.CheckBytesLeft(10000); }, ar), CArchiveException::endOfFile);
    });
}

}  // namespace
