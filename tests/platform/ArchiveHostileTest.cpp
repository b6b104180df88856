// Cut-short and hostile archives: each raises the archive exception with its cause, creates
// nothing that outlives the read, and allocates nothing sized by an unchecked number.

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/mfc/File.h"
#include "tests/platform/TestObjects.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/TempFolder.h"

namespace {

// Reads the record that kSmallRecord holds, owning what it reads.
void ReadSmallRecord(CArchive& ar)
{
    CString header;
    int32_t count = 0;
    ar >> header >> count;
    std::unique_ptr<CObject> holder(ar.ReadObject(RUNTIME_CLASS(CTestHolder)));
    EXPECT_EQ(ar.ReadObject(RUNTIME_CLASS(CTestHolder)), holder.get());
    double last = 0;
    ar >> last;
}

const Bytes kSmallRecord = Bytes{0xFF, 0xFE, 0xFF, 0x03} + Utf16Le(u"Zph") + Bytes{0x02, 0x00, 0x00, 0x00} +
                           kHolderClass + kValueClass +
                           Bytes{0x05, 0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00} + Bytes{0x02, 0x00} +
                           Bytes{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F};

int CauseOfReading(const Bytes& bytes, const std::function<void(CArchive&)>& read)
{
    return ArchiveCause([&] { ReadFrom(bytes, read); });
}

TEST(ArchiveHostile, EveryCutPointOfARecordIsAnEndOfFile)
{
    ASSERT_EQ(CauseOfReading(kSmallRecord, ReadSmallRecord), CArchiveException::none);
    for (size_t cut = 0; cut < kSmallRecord.size(); ++cut) {
        SCOPED_TRACE(cut);
        Bytes truncated(kSmallRecord.begin(), kSmallRecord.begin() + static_cast<ptrdiff_t>(cut));
        EXPECT_EQ(CauseOfReading(truncated, ReadSmallRecord), CArchiveException::endOfFile);
        EXPECT_EQ(CTestObject::LiveCount(), 0);
    }
}

CObject* ReadAny(CArchive& ar)
{
    return ar.ReadObject(nullptr);
}

struct Hostile {
    const char* what;
    Bytes bytes;
    const CRuntimeClass* expectedClass;
    int cause;
};

// Each record follows a valid CTestValue object (class 1, object 2) that is read first.
const Hostile kHostileObjects[] = {
    {"an unknown class name", Bytes{0xFF, 0xFF, 0x00, 0x00, 0x08, 0x00} + Ascii("CUnknown"), nullptr,
     CArchiveException::badClass},
    {"a class name in another letter case", Bytes{0xFF, 0xFF, 0x01, 0x00, 0x0A, 0x00} + Ascii("ctestvalue"),
     nullptr, CArchiveException::badClass},
    {"a class without archive records", Bytes{0xFF, 0xFF, 0x00, 0x00, 0x10, 0x00} + Ascii("CTestDynamicOnly"),
     nullptr, CArchiveException::badClass},
    {"a class name longer than any class has",
     Bytes{0xFF, 0xFF, 0x00, 0x00, 0x2C, 0x01} + Repeat({0x41}, 300), nullptr, CArchiveException::badClass},
    {"a class name longer than the data", Bytes{0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x41}, nullptr,
     CArchiveException::endOfFile},
    {"a new class of the wrong kind", Bytes{0xFF, 0xFF, 0x00, 0x00, 0x0A, 0x00} + Ascii("CTestOther"),
     RUNTIME_CLASS(CTestValue), CArchiveException::badClass},
    {"a known class of the wrong kind",
     {0x01, 0x80, 0x00, 0x00, 0x00, 0x00},
     RUNTIME_CLASS(CTestHolder),
     CArchiveException::badClass},
    {"a back reference of the wrong kind",
     {0x02, 0x00},
     RUNTIME_CLASS(CTestHolder),
     CArchiveException::badClass},
    {"a non-versionable class under another schema",
     Bytes{0xFF, 0xFF, 0x02, 0x00, 0x0A, 0x00} + Ascii("CTestValue"), nullptr, CArchiveException::badSchema},
    {"an object number never seen", {0x05, 0x00}, nullptr, CArchiveException::badIndex},
    {"an object number that names a class", {0x01, 0x00}, nullptr, CArchiveException::badIndex},
    {"a class number never seen", {0x05, 0x80}, nullptr, CArchiveException::badIndex},
    {"a class number that names an object", {0x02, 0x80}, nullptr, CArchiveException::badIndex},
    {"class number 0", {0x00, 0x80}, nullptr, CArchiveException::badIndex},
    {"a long-form object never seen",
     {0xFF, 0x7F, 0x10, 0x00, 0x00, 0x00},
     nullptr,
     CArchiveException::badIndex},
    {"a long-form object 0", {0xFF, 0x7F, 0x00, 0x00, 0x00, 0x00}, nullptr, CArchiveException::badIndex},
    {"a long-form class never seen",
     {0xFF, 0x7F, 0x10, 0x00, 0x00, 0x80},
     nullptr,
     CArchiveException::badIndex},
    {"a long-form tag cut short", {0xFF, 0x7F, 0x02, 0x00}, nullptr, CArchiveException::endOfFile},
};

TEST(ArchiveHostile, BadObjectRecordsRaiseTheirCause)
{
    const Bytes valid = kValueClass + Bytes{0x2A, 0x00, 0x00, 0x00};
    for (const auto& hostile : kHostileObjects) {
        SCOPED_TRACE(hostile.what);
        int cause = CauseOfReading(valid + hostile.bytes, [&](CArchive& ar) {
            std::unique_ptr<CObject> first(ReadAny(ar));
            std::unique_ptr<CObject> second(ar.ReadObject(hostile.expectedClass));
            ADD_FAILURE() << "read an object";
        });
        EXPECT_EQ(cause, hostile.cause);
        EXPECT_EQ(CTestObject::LiveCount(), 0);
    }
}

const Hostile kHostileStrings[] = {
    {"an 8-bit length of 2^31",
     {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 0x61},
     nullptr,
     CArchiveException::endOfFile},
    {"a UTF-16 length of 2^31",
     {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 0x61, 0x00},
     nullptr,
     CArchiveException::endOfFile},
    {"the largest 32-bit length",
     {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
     nullptr,
     CArchiveException::endOfFile},
    {"a UTF-16 length one unit beyond the data",
     {0xFF, 0xFE, 0xFF, 0x02, 0x61, 0x00, 0x62},
     nullptr,
     CArchiveException::endOfFile},
    {"two UTF-16 markers",
     {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x00},
     nullptr,
     CArchiveException::genericException},
};

TEST(ArchiveHostile, BadStringRecordsRaiseTheirCause)
{
    for (const auto& hostile : kHostileStrings) {
        SCOPED_TRACE(hostile.what);
        CString text = L"before";
        int cause = CauseOfReading(hostile.bytes, [&](CArchive& ar) { ar >> text; });
        EXPECT_EQ(cause, hostile.cause);
        EXPECT_EQ(text, L"before");
    }
}

TEST(ArchiveHostile, AnObjectWhoseRecordFailsIsDestroyedAndForgotten)
{
    // A holder whose child reads completely but whose trailer is missing.
    Bytes bytes = kHolderClass + kValueClass + Bytes{0x05, 0x00, 0x00, 0x00, 0x09, 0x00};
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    try {
        ar.ReadObject(nullptr);
        FAIL() << "read a cut-short holder";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
    }
    EXPECT_EQ(CTestObject::LiveCount(), 0);
    EXPECT_EQ(ar.GetLoadCount(), 2u);  // null and the holder's class
    EXPECT_EQ(ar.GetObjectSchema(), CArchive::kNoSchema);
}

TEST(ArchiveHostile, ObjectsNestedDeeperThanTheStackAllowsRaiseInsteadOfOverflowing)
{
    // Each further node costs two bytes (a class tag) but a whole Serialize frame to read.
    constexpr size_t kDepth = 4'000'000;
    const Bytes bytes = Bytes{0xFF, 0xFF, 0x00, 0x00, 0x09, 0x00} + Ascii("CTestNode") +
                        Repeat(Bytes{0x01, 0x80}, kDepth) + Bytes{0x00, 0x00};
    EXPECT_EQ(CauseOfReading(bytes, [](CArchive& ar) { delete ar.ReadObject(nullptr); }),
              CArchiveException::genericException);
    EXPECT_EQ(CTestObject::LiveCount(), 0);

    const Bytes shallow = Bytes{0xFF, 0xFF, 0x00, 0x00, 0x09, 0x00} + Ascii("CTestNode") +
                          Repeat(Bytes{0x01, 0x80}, 1000) + Bytes{0x00, 0x00};
    EXPECT_EQ(CauseOfReading(shallow, [](CArchive& ar) { delete ar.ReadObject(nullptr); }),
              CArchiveException::none);
}

TEST(ArchiveHostile, LengthsAreCheckedAgainstTheFileBeforeReading)
{
    const TempFolder folder;
    const std::string path = folder / "hostile.bin";
    const Bytes bytes = {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 0x61, 0x62};
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);

    CFile file(CString(path.c_str()), CFile::modeRead | CFile::shareDenyWrite);
    CArchive ar(&file, CArchive::load);
    CString text;
    try {
        ar >> text;
        FAIL() << "read a string longer than the file";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
        EXPECT_EQ(e.m_strFileName, CString(path.c_str()));
    }
    file.Close();
}

}  // namespace
