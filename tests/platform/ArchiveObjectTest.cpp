// The persistent-object record: class records, class tags, back references and the long
// form, checked against bytes written out by hand.

#include <functional>

#include <gtest/gtest.h>

#include "tests/platform/TestObjects.h"
#include "tests/support/ArchiveBytes.h"

namespace {

template <class T = CObject>
std::unique_ptr<T> ReadOwned(CArchive& ar, const CRuntimeClass* expectedClass = nullptr)
{
    return std::unique_ptr<T>(static_cast<T*>(ar.ReadObject(expectedClass)));
}

int32_t ValueOf(const CObject* object)
{
    EXPECT_TRUE(object && object->IsKindOf(RUNTIME_CLASS(CTestValue)));
    return static_cast<const CTestValue*>(object)->m_value;
}

struct ObjectRecord {
    const char* what;
    Bytes bytes;
    std::function<void(CArchive&)> write;
    std::function<void(CArchive&)> read;  // checks what it reads
};

const ObjectRecord kObjectRecords[] = {
    {"a null object",
     {0x00, 0x00},
     [](CArchive& ar) { ar.WriteObject(nullptr); },
     [](CArchive& ar) { EXPECT_EQ(ar.ReadObject(nullptr), nullptr); }},
    {"a new class followed by an object of it", kValueClass + Bytes{0x2A, 0x00, 0x00, 0x00},
     [](CArchive& ar) {
         CTestValue value(42);
         ar << &value;
     },
     [](CArchive& ar) { EXPECT_EQ(ValueOf(ReadOwned(ar, RUNTIME_CLASS(CTestValue)).get()), 42); }},
    {"a second object of the same class by its class tag 8001",
     kValueClass + Bytes{0x2A, 0x00, 0x00, 0x00, 0x01, 0x80, 0x07, 0x00, 0x00, 0x00},
     [](CArchive& ar) {
         CTestValue first(42), second(7);
         ar << &first << &second;
     },
     [](CArchive& ar) {
         auto first = ReadOwned(ar);
         auto second = ReadOwned(ar);
         EXPECT_EQ(ValueOf(first.get()), 42);
         EXPECT_EQ(ValueOf(second.get()), 7);
     }},
    {"a back reference to the first object, number 2 after its class",
     kValueClass + Bytes{0x2A, 0x00, 0x00, 0x00, 0x02, 0x00},
     [](CArchive& ar) {
         CTestValue value(42);
         ar << &value << &value;
     },
     [](CArchive& ar) {
         auto first = ReadOwned(ar);
         EXPECT_EQ(ar.ReadObject(RUNTIME_CLASS(CTestValue)), first.get());
     }},
    {"classes and objects numbered together",
     kValueClass + Bytes{0x01, 0x00, 0x00, 0x00} + kOtherClass +
         Bytes{0x01, 0x80, 0x02, 0x00, 0x00, 0x00, 0x03, 0x80, 0x04, 0x00, 0x02, 0x00},
     [](CArchive& ar) {
         CTestValue one(1), two(2);
         CTestOther other, otherAgain;
         ar << &one << &other << &two << &otherAgain << &other << &one;
     },
     [](CArchive& ar) {
         auto one = ReadOwned(ar);         // class 1, object 2
         auto other = ReadOwned(ar);       // class 3, object 4
         auto two = ReadOwned(ar);         // object 5
         auto otherAgain = ReadOwned(ar);  // a second CTestOther by class tag 8003: object 6
         EXPECT_EQ(ValueOf(two.get()), 2);
         EXPECT_NE(otherAgain.get(), other.get());
         EXPECT_EQ(ar.ReadObject(nullptr), other.get());
         EXPECT_EQ(ar.ReadObject(nullptr), one.get());
     }},
    {"an object read inside another one's record",
     kHolderClass + kValueClass + Bytes{0x05, 0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0x04, 0x00},
     [](CArchive& ar) {
         CTestHolder holder;
         holder.m_child = std::make_unique<CTestValue>(5);
         holder.m_trailer = 9;
         ar << &holder << holder.m_child.get();
     },
     [](CArchive& ar) {
         auto holder = ReadOwned<CTestHolder>(ar, RUNTIME_CLASS(CTestHolder));
         EXPECT_EQ(holder->m_schema, 2u);
         EXPECT_EQ(ValueOf(holder->m_child.get()), 5);
         EXPECT_EQ(holder->m_trailer, 9);
         EXPECT_EQ(ar.ReadObject(RUNTIME_CLASS(CTestValue)), holder->m_child.get());
     }},
};

TEST(ArchiveObject, RecordsReadAndWriteByteForByte)
{
    for (const auto& record : kObjectRecords) {
        SCOPED_TRACE(record.what);
        EXPECT_EQ(WrittenBy(record.write), record.bytes);
        ReadFrom(record.bytes, [&](CArchive& ar) {
            record.read(ar);
            EXPECT_TRUE(IsAtEnd(ar));
        });
    }
    EXPECT_EQ(CTestObject::LiveCount(), 0);
}

TEST(ArchiveObject, LongFormTagsReadClassesAndObjectsOfAnyNumber)
{
    Bytes bytes = kValueClass + Bytes{0x2A, 0x00, 0x00, 0x00} +
                  Bytes{0xFF, 0x7F, 0x01, 0x00, 0x00, 0x80, 0x07, 0x00, 0x00, 0x00} +  // class 1, object 3
                  Bytes{0xFF, 0x7F, 0x02, 0x00, 0x00, 0x00} +                          // object 2
                  Bytes{0xFF, 0x7F, 0x03, 0x00, 0x00, 0x00};                           // object 3
    ReadFrom(bytes, [](CArchive& ar) {
        auto first = ReadOwned(ar);
        auto second = ReadOwned(ar);
        EXPECT_EQ(ValueOf(second.get()), 7);
        EXPECT_EQ(ar.ReadObject(nullptr), first.get());
        EXPECT_EQ(ar.ReadObject(nullptr), second.get());
        EXPECT_TRUE(IsAtEnd(ar));
    });
}

// With 7FFE objects mapped first, the class takes number 7FFF and its first object 8000:
// from there on, references need the long form.
TEST(ArchiveObject, NumbersFrom7FFFOnAreWrittenInTheLongForm)
{
    std::vector<CTestValue> mapped(0x7FFE);
    Bytes expected = kValueClass + Bytes{0x2A, 0x00, 0x00, 0x00} +
                     Bytes{0xFF, 0x7F, 0xFF, 0x7F, 0x00, 0x80, 0x07, 0x00, 0x00, 0x00} +  // class 7FFF
                     Bytes{0xFF, 0x7F, 0x00, 0x80, 0x00, 0x00} +                          // object 8000
                     Bytes{0xFE, 0x7F};                                                   // the last mapped
    CTestValue first(42), second(7);
    Bytes written = WrittenBy([&](CArchive& ar) {
        for (const auto& object : mapped)
            ar.MapObject(&object);
        ar << &first << &second << &first << &mapped.back();
    });
    EXPECT_EQ(written, expected);

    ReadFrom(expected, [&](CArchive& ar) {
        for (const auto& object : mapped)
            ar.MapObject(&object);
        auto readFirst = ReadOwned(ar);
        auto readSecond = ReadOwned(ar);
        EXPECT_EQ(ValueOf(readSecond.get()), 7);
        EXPECT_EQ(ar.ReadObject(nullptr), readFirst.get());
        EXPECT_EQ(ar.ReadObject(nullptr), &mapped.back());
        EXPECT_TRUE(IsAtEnd(ar));
    });
}

// The entity copier maps shared objects on both sides, then pairs each stored object's
// number with the object loaded under it.
TEST(ArchiveObject, StoreMapAndLoadArrayPairObjectsByNumber)
{
    CTestValue shared(1), copied(2);
    CMemFile file;
    std::vector<std::pair<const void*, uint32_t>> stored;
    {
        CArchive ar(&file, CArchive::store);
        ar.MapObject(&shared);
        ar << &copied << &shared;
        for (auto [object, number] : ar.GetStoreMap())
            stored.emplace_back(object, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(number)));
        ar.Close();
    }
    ASSERT_EQ(stored.size(), 2u);

    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    ar.MapObject(&shared);
    auto copy = ReadOwned(ar);
    EXPECT_EQ(ar.ReadObject(nullptr), &shared);
    EXPECT_EQ(ar.GetLoadCount(), 4u);  // null, shared, the class, the copy
    for (auto [object, number] : stored) {
        const CObject* expected = object == &shared ? static_cast<const CObject*>(&shared) : copy.get();
        EXPECT_EQ(ar.GetLoadedObject(number), expected);
    }
    EXPECT_EQ(ar.GetLoadedObject(0), nullptr);
    EXPECT_EQ(ar.GetLoadedObject(2), nullptr);  // the class
    EXPECT_EQ(ar.GetLoadedObject(4), nullptr);  // past the end
}

TEST(ArchiveObject, TellsWhichRecordsAreStillBeingRead)
{
    // A back reference from inside a record may name its own object, not whole yet.
    CTestNode outer;
    outer.m_next = std::make_unique<CTestNode>();
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << &outer;
        ar.Close();
    }
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    std::unique_ptr<CObject> read(ar.ReadObject(nullptr));
    auto* node = dynamic_cast<CTestNode*>(read.get());
    ASSERT_NE(node, nullptr);
    EXPECT_TRUE(node->m_selfStillRead);
    EXPECT_FALSE(node->m_nextStillRead);
    EXPECT_FALSE(ar.IsStillReading(node));
}

TEST(ArchiveObject, ObjectsOfDerivedClassesReadWhereTheBaseIsExpected)
{
    CTestDerivedValue derived;
    derived.m_value = 3;
    derived.m_extra = 0.5;
    Bytes bytes = WrittenBy([&](CArchive& ar) { ar << &derived; });
    ReadFrom(bytes, [](CArchive& ar) {
        CTestValue* value = nullptr;
        ar >> value;
        std::unique_ptr<CTestValue> owned(value);
        ASSERT_TRUE(value->IsKindOf(RUNTIME_CLASS(CTestDerivedValue)));
        EXPECT_EQ(value->m_value, 3);
        EXPECT_EQ(static_cast<CTestDerivedValue*>(value)->m_extra, 0.5);
    });
}

TEST(ArchiveObject, VersionableClassesReadAnySchemaAndSeeItOnce)
{
    Bytes bytes = Bytes{0xFF, 0xFF, 0x09, 0x00, 0x0B, 0x00} + Ascii("CTestHolder") +
                  Bytes{0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    ReadFrom(bytes, [](CArchive& ar) {
        auto holder = ReadOwned<CTestHolder>(ar);
        EXPECT_EQ(holder->m_schema, 9u);
        EXPECT_EQ(ar.GetObjectSchema(), CArchive::kNoSchema);
    });
}

}  // namespace
