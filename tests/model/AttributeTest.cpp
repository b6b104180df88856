// Attribute containers, reference-counted attributes and named dictionaries, with their records.

#include <gtest/gtest.h>

#include <memory>

#include "database/ArchiveSchema.h"
#include "database/AttributeContainer.h"
#include "database/AttributeNamed.h"
#include "geometry/Transform3d.h"
#include "support/NotificationCenter.h"
#include "tests/model/ModelTestSupport.h"
#include "tests/model/doubles/EntityDoubles.h"
#include "tests/support/ArchiveBytes.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CTypedValue;

namespace {

class AttributeTest : public ModelTest {
protected:
    ~AttributeTest() override
    {
        SetCurrentVersionMap(nullptr);
        SetSaveFormat(8000);
    }
    CSuspendUndo noUndo;
};

Bytes ClassTag(std::string_view name, uint16_t schema = 0)
{
    return LittleEndian(uint16_t{0xFFFF}, schema, static_cast<uint16_t>(name.size())) + Ascii(name);
}

Bytes Utf16Text(std::u16string_view text)
{
    return Bytes{0xFF, 0xFE, 0xFF, static_cast<uint8_t>(text.size())} + Utf16Le(text);
}

const Bytes kNull = LittleEndian(uint16_t{0});

// A dictionary record without its class tag: no container, value word 5, its name, one int
// entry "n" = 7 (typed-value code 4), the end, then the second value when given.
Bytes DictionaryBody(bool secondValue)
{
    Bytes body = kNull + LittleEndian(uint32_t{5}) + Utf16Text(u"info") + Utf16Text(u"n") + Bytes{4} +
                 LittleEndian(int32_t{7}) + Utf16Text(u"");
    return secondValue ? body + LittleEndian(uint32_t{9}) : body;
}

// Keeps a copy of each "AttributeNamed Notification" payload, which lives only during the post.
struct SwapObserver : orbisk::utils::IObserver {
    SwapObserver()
    {
        orbisk::utils::CNotificationCenter::GetInstance().AddObserver("AttributeNamed Notification", this);
    }
    ~SwapObserver() override
    {
        orbisk::utils::CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
    }
    void OnNotification(const char*, void* payload) override
    {
        seen.push_back(*static_cast<CAttributeNamedNotification*>(payload));
    }
    std::vector<CAttributeNamedNotification> seen;
};

template <class T>
std::unique_ptr<T> ReadRecord(const Bytes& bytes)
{
    std::unique_ptr<T> object;
    ReadFrom(bytes, [&](CArchive& ar) { object.reset(dynamic_cast<T*>(ar.ReadObject(nullptr))); });
    return object;
}

}  // namespace

TEST_F(AttributeTest, TheArrayGrowsByFourThenByAnEighthThenBy1024)
{
    CAttributeContainer container;
    auto* attribute = new CAttribute;
    std::vector<int> capacities;
    int beyond8200Before = 0;
    int beyond8200After = 0;
    for (int count = 1; count <= 9300; ++count) {
        const int before = container.GetCapacity();
        ASSERT_TRUE(container.Add(attribute));
        if (count <= 40 && container.GetCapacity() != before)
            capacities.push_back(container.GetCapacity());
        if (before >= 8200 && container.GetCapacity() != before && beyond8200Before == 0) {
            beyond8200Before = before;
            beyond8200After = container.GetCapacity();
        }
    }
    EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 16, 20, 24, 28, 32, 36, 40}));
    EXPECT_EQ(beyond8200After - beyond8200Before, 1024);
    EXPECT_EQ(attribute->GetRefCount(), 9300);
    container.ReleaseAll();
}

TEST_F(AttributeTest, ACountThatWouldWrapIsRefused)
{
    CAttributeContainer container;
    auto* attribute = new CAttribute;
    for (int i = 0; i < CAttributeContainer::kMaxCount; ++i)
        container.Add(attribute);
    EXPECT_EQ(container.GetCount(), 65535);
    EXPECT_FALSE(container.Add(attribute));
    EXPECT_EQ(container.GetCount(), 65535);
    EXPECT_EQ(container.GetCapacity(), 65535);
    EXPECT_FALSE(container.Add(nullptr));
    container.ReleaseAll();
}

TEST_F(AttributeTest, AnAttributeLivesWhileAContainerHoldsIt)
{
    CAttributeContainer first, second;
    auto* attribute = new CAttributeNamed(L"shared");
    first.Add(attribute);
    second.Add(attribute);
    EXPECT_EQ(attribute->GetParent(), &second) << "the last container that added it";
    EXPECT_EQ(attribute->GetRefCount(), 2);

    second.Remove(attribute);
    EXPECT_EQ(attribute->GetRefCount(), 1);
    EXPECT_EQ(attribute->GetParent(), nullptr);
    EXPECT_EQ(second.GetCount(), 0);
    second.Remove(attribute);
    EXPECT_EQ(attribute->GetRefCount(), 1) << "removing what is not held does nothing";

    first.Remove(attribute);  // the last holder: the attribute erases itself
    EXPECT_EQ(first.GetCount(), 0);
}

TEST_F(ModelTest, ReleasingTheLastHolderInsideAnOperationHandsTheAttributeToIt)
{
    CAttributeContainer container;
    auto* attribute = new CAttributeNamed(L"a");
    container.Add(attribute);
    const int32_t id = attribute->GetId();
    CUndoOperation* operation = Start();
    container.Remove(attribute);
    EXPECT_EQ(attribute->GetId(), -id);
    EXPECT_EQ(operation->GetErasedEntities(), std::vector<CEntity*>{attribute});
    Commit();
}

TEST_F(ModelTest, AClonedAttributeIsANewEntityOfTheOperation)
{
    CAttributeNamed original(L"info");
    original.SetValue(L"n", CTypedValue(2));
    original.AddRef();
    CUndoOperation* operation = Start();
    std::unique_ptr<CAttribute> clone(CloneAttribute(original));
    ASSERT_NE(clone, nullptr);
    auto* dictionary = dynamic_cast<CAttributeNamed*>(clone.get());
    ASSERT_NE(dictionary, nullptr);
    EXPECT_EQ(dictionary->GetName(), CString(L"info"));
    EXPECT_EQ(dictionary->GetValue(L"n").GetInt(), 2);
    EXPECT_EQ(dictionary->GetRefCount(), 0);
    EXPECT_GT(dictionary->GetId(), original.GetId());
    EXPECT_EQ(operation->GetCreatedEntities(), std::vector<CEntity*>{clone.get()});
    CSuspendUndo noUndo;
    manager->Clear();
}

TEST_F(AttributeTest, LookupsFindByTypeAndName)
{
    CAttributeContainer container;
    auto* plain = new CAttribute;
    auto* first = new CAttributeNamed(L"first");
    auto* second = new CAttributeNamed(L"second");
    for (CAttribute* attribute :
         {static_cast<CAttribute*>(plain), static_cast<CAttribute*>(first), static_cast<CAttribute*>(second)})
        container.Add(attribute);
    EXPECT_EQ(container.FindByType(kEntityAttributeNamed), first);
    EXPECT_EQ(container.FindNamed(kEntityAttributeNamed, L"second"), second);
    EXPECT_EQ(container.FindNamed(kEntityAttributeNamed, L"Second"), nullptr);
    EXPECT_EQ(container.FindNamed(kEntityAttribute, L"second"), nullptr);
    EXPECT_EQ(container.GetAt(0), plain);
    EXPECT_EQ(container.GetAt(3), nullptr);
    EXPECT_EQ(container.GetAt(-1), nullptr);
    container.ReleaseAll();
}

TEST_F(AttributeTest, ADictionaryStoresRemovesAndAlwaysAnnouncesValues)
{
    NotificationRecorder changes("EntityChanged");
    CAttributeNamed dictionary(L"info");
    dictionary.SetValue(L"n", CTypedValue(1));
    dictionary.SetValue(L"n", CTypedValue(1));
    EXPECT_EQ(changes.CountFor(static_cast<CEntity*>(&dictionary)), 2)
        << "an equal value still counts as a change";
    EXPECT_EQ(dictionary.GetValue(L"n").GetInt(), 1);
    EXPECT_TRUE(dictionary.GetValue(L"N").IsEmpty());
    EXPECT_EQ(dictionary.RemoveValue(L"n").GetInt(), 1);
    EXPECT_TRUE(dictionary.RemoveValue(L"n").IsEmpty());
    EXPECT_EQ(changes.CountFor(static_cast<CEntity*>(&dictionary)), 3)
        << "removing an absent key is no change";
    EXPECT_TRUE(dictionary.HasName(L"info"));
    EXPECT_FALSE(dictionary.HasName(L"Info"));
}

TEST_F(AttributeTest, KeysAreOrderedByUtf16CodeUnits)
{
    CAttributeNamed dictionary;
    for (const wchar_t* key : {L"\uE000", L"\U00010000", L"b", L"B"})
        dictionary.SetValue(key, CTypedValue(true));
    std::vector<CString> keys;
    for (const auto& [key, value] : dictionary.GetDictionary())
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<CString>{L"B", L"b", L"\U00010000", L"\uE000"}));
}

TEST_F(AttributeTest, DynamicAttributesAreSavedOnlyFromFormat7000On)
{
    struct Case {
        const wchar_t* name;
        int format;
        bool persistent;
    };
    const Case cases[] = {
        {L"dynamic_attributes", 6000, false},
        {L"Dynamic_Attributes", 5000, false},
        {L"dynamic_attributes", 7000, true},
        {L"DYNAMIC_ATTRIBUTES", 8000, true},
        {L"other", 6000, true},
    };
    for (const Case& c : cases) {
        SetSaveFormat(c.format);
        EXPECT_EQ(CAttributeNamed(c.name).IsPersistent(), c.persistent) << c.format;
    }
    EXPECT_TRUE(CAttribute().IsPersistent());
}

TEST_F(AttributeTest, TransformingMovesGeometricValuesWithOneChangeNotice)
{
    NotificationRecorder changes("EntityChanged");
    CAttributeNamed dictionary;
    CTypedValue point, vector;
    point.SetPoint(CPoint3d(1, 2, 3));
    vector.SetVector(CVector3d(1, 0, 0));
    dictionary.SetValue(L"point", point);
    dictionary.SetValue(L"vector", vector);
    dictionary.SetValue(L"count", CTypedValue(4));
    changes.payloads.clear();
    CTransform3d move;
    move.SetTranslation(CVector3d(10, 0, 0));
    dictionary.Transform(move);
    CPoint3d moved;
    ASSERT_TRUE(dictionary.GetValue(L"point").TryGetPoint(moved));
    EXPECT_DOUBLE_EQ(moved.x, 11);
    CVector3d direction;
    ASSERT_TRUE(dictionary.GetValue(L"vector").TryGetVector(direction));
    EXPECT_DOUBLE_EQ(direction.x, 1);
    EXPECT_EQ(dictionary.GetValue(L"count").GetInt(), 4);
    EXPECT_EQ(changes.payloads.size(), 1u);

    CAttributeNamed plain;
    plain.SetValue(L"count", CTypedValue(4));
    changes.payloads.clear();
    plain.Transform(move);
    EXPECT_TRUE(changes.payloads.empty());
}

TEST_F(AttributeTest, SwappingDictionariesIsAnnounced)
{
    SwapObserver swaps;
    CAttributeNamed a(L"a"), b(L"b");
    a.SetValue(L"k", CTypedValue(1));
    a.SwapContents(b);
    EXPECT_TRUE(a.GetDictionary().empty());
    EXPECT_EQ(b.GetValue(L"k").GetInt(), 1);
    EXPECT_EQ(a.GetName(), CString(L"a")) << "names stay";
    ASSERT_EQ(swaps.seen.size(), 1u);
    EXPECT_EQ(swaps.seen[0].code, 0);
    EXPECT_EQ(swaps.seen[0].dictionary, &a);
}

TEST_F(AttributeTest, ADictionaryRecordIsReadByItsSchema)
{
    struct Case {
        int32_t schema;
        bool secondValue;
    };
    for (const Case c : {Case{0, false}, Case{1, true}}) {
        auto map = std::make_unique<CVersionMap>();
        map->Set("CEntity", 3);
        map->Set("CAttributeNamed", c.schema);
        SetCurrentVersionMap(map.release());
        const Bytes bytes =
            ClassTag("CAttributeNamed") + DictionaryBody(c.secondValue) + LittleEndian(uint32_t{1});
        std::unique_ptr<CAttributeNamed> dictionary;
        EXPECT_EQ(BytesLeftAfter(bytes,
                                 [&](CArchive& ar) {
                                     dictionary.reset(static_cast<CAttributeNamed*>(
                                         ar.ReadObject(RUNTIME_CLASS(CAttributeNamed))));
                                 }),
                  4u)
            << "schema " << c.schema;
        ASSERT_TRUE(dictionary);
        EXPECT_EQ(dictionary->GetName(), CString(L"info"));
        EXPECT_EQ(dictionary->GetValueWord(), 5u);
        EXPECT_EQ(dictionary->GetValue(L"n").GetInt(), 7);
        EXPECT_EQ(dictionary->GetSecondValue(), c.secondValue ? 9u : 0u);
    }
}

TEST_F(AttributeTest, AContainerRecordHoldsSharedAttributesOnce)
{
    // The container, a new dictionary, the same dictionary again (object 4), the end.
    const Bytes bytes = ClassTag("CAttributeContainer") + kNull + ClassTag("CAttributeNamed") +
                        DictionaryBody(true) + LittleEndian(uint16_t{4}) + kNull;
    std::unique_ptr<CAttributeContainer> container = ReadRecord<CAttributeContainer>(bytes);
    ASSERT_TRUE(container);
    ASSERT_EQ(container->GetCount(), 2);
    EXPECT_EQ(container->GetAt(0), container->GetAt(1));
    EXPECT_EQ(container->GetAt(0)->GetRefCount(), 2);
    EXPECT_EQ(container->GetAt(0)->GetParent(), container.get());
    container.release()->Erase();
}

TEST_F(AttributeTest, AContainerIsWrittenWithItsPersistentDictionaries)
{
    CAttributeContainer container;
    auto* info = new CAttributeNamed(L"info");
    info->SetValue(L"n", CTypedValue(7));
    container.Add(info);
    container.Add(new CAttributeNamed(L"dynamic_attributes"));
    // Classes and objects are numbered together: 1 and 2 the container, 3 the dictionary class.
    const Bytes containerHead = ClassTag("CAttributeContainer") + kNull;
    const Bytes infoRecord = ClassTag("CAttributeNamed", 1) + kNull + LittleEndian(uint32_t{0}) +
                             Utf16Text(u"info") + Utf16Text(u"n") + Bytes{4} + LittleEndian(int32_t{7}) +
                             Utf16Text(u"");
    const Bytes dynamic = LittleEndian(uint16_t{0x8003}) + kNull + LittleEndian(uint32_t{0}) +
                          Utf16Text(u"dynamic_attributes") + Utf16Text(u"");
    const auto written = [&] {
        return WrittenBy([&](CArchive& ar) { ar << static_cast<const CObject*>(&container); });
    };
    EXPECT_EQ(written(), containerHead + infoRecord + LittleEndian(uint32_t{0}) + dynamic +
                             LittleEndian(uint32_t{0}) + kNull);
    SetSaveFormat(6000);
    EXPECT_EQ(written(), containerHead + infoRecord + kNull)
        << "no second value, and the dynamic attributes stay behind";
    container.ReleaseAll();
}

TEST_F(AttributeTest, AnAttributeInsideItsOwnContainerIsRefused)
{
    // A dictionary (object 2) whose new container (object 4) lists that dictionary.
    const Bytes bytes = ClassTag("CAttributeNamed") + ClassTag("CAttributeContainer") + kNull +
                        LittleEndian(uint16_t{2}) + kNull + LittleEndian(uint32_t{0}) + Utf16Text(u"x") +
                        Utf16Text(u"") + LittleEndian(uint32_t{0});
    EXPECT_EQ(ArchiveCause([&] { ReadRecord<CAttributeNamed>(bytes); }), CArchiveException::genericException);
}

TEST_F(AttributeTest, MoreAttributesThanTheCountHoldsAreRefused)
{
    Bytes bytes =
        ClassTag("CAttributeContainer") + kNull + ClassTag("CAttributeNamed") + DictionaryBody(true);
    const Bytes again = LittleEndian(uint16_t{4});
    bytes.reserve(bytes.size() + 2 * CAttributeContainer::kMaxCount + 4);
    for (int i = 1; i < CAttributeContainer::kMaxCount; ++i)
        bytes.insert(bytes.end(), again.begin(), again.end());
    std::unique_ptr<CAttributeContainer> full = ReadRecord<CAttributeContainer>(bytes + kNull);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->GetCount(), CAttributeContainer::kMaxCount);
    full.release()->Erase();
    EXPECT_EQ(ArchiveCause([&] { ReadRecord<CAttributeContainer>(bytes + again + kNull); }),
              CArchiveException::genericException);
}
