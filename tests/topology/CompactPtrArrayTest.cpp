// The child list of vertices and faces: its growth rule, its order, and its limit of 65,535
// items, which neither appends nor stored counts may pass.
#include <gtest/gtest.h>

#include <vector>

#include "platform/mfc/ArchiveException.h"
#include "tests/support/ArchiveBytes.h"
#include "topology/CompactPtrArray.h"

namespace {

CObject* Item(uintptr_t n)
{
    return reinterpret_cast<CObject*>(n * 8);
}

CCompactPtrArray Filled(int count, int capacity)
{
    CCompactPtrArray array;
    array.SetCapacity(capacity);
    for (int i = 1; i <= count; ++i)
        array.Append(Item(static_cast<uintptr_t>(i)));
    return array;
}

TEST(CompactPtrArray, GrowsByAnEighthOfItsCountWithinFourAndThousandTwentyFour)
{
    struct Case {
        int count;
        int capacity;
        int asked;
        int grown;
    };
    const Case cases[] = {
        {0, 0, 1, 4},               // at least four
        {100, 100, 101, 112},       // an eighth of the count
        {9000, 9000, 9001, 10024},  // at most 1,024
        {2, 4, 40, 40},             // what is asked when that is more
        {3, 8, 5, 8},               // nothing when there is room
    };
    for (const Case& c : cases) {
        CCompactPtrArray array = Filled(c.count, c.capacity);
        array.Reserve(c.asked);
        EXPECT_EQ(array.GetCapacity(), c.grown) << c.count << " items, room for " << c.capacity;
        EXPECT_EQ(array.GetCount(), c.count);
    }
}

TEST(CompactPtrArray, KeepsOrderThroughRemovalAndTruncation)
{
    CCompactPtrArray array = Filled(5, 5);
    EXPECT_TRUE(array.Remove(Item(2)));
    EXPECT_FALSE(array.Remove(Item(9)));
    std::vector<CObject*> items;
    for (int i = 0; i < array.GetCount(); ++i)
        items.push_back(array.GetAt(i));
    EXPECT_EQ(items, (std::vector<CObject*>{Item(1), Item(3), Item(4), Item(5)}));

    array.SetCapacity(2);
    EXPECT_EQ(array.GetCount(), 2);
    EXPECT_EQ(array.GetAt(1), Item(3));
    EXPECT_FALSE(CCompactPtrArray().Remove(Item(1)));
}

TEST(CompactPtrArray, CopiesItsItems)
{
    const CCompactPtrArray source = Filled(3, 3);
    CCompactPtrArray copy = Filled(1, 1);
    copy = source;
    ASSERT_EQ(copy.GetCount(), 3);
    EXPECT_EQ(copy.GetAt(2), Item(3));
    copy = CCompactPtrArray();
    EXPECT_EQ(copy.GetCount(), 0);
}

TEST(CompactPtrArray, RefusesTheItemBeyondItsSixteenBitCount)
{
    CCompactPtrArray array;
    for (int i = 0; i < CCompactPtrArray::kMaxCount; ++i)
        ASSERT_TRUE(array.Append(Item(1)));
    EXPECT_TRUE(array.IsFull());
    EXPECT_FALSE(array.Append(Item(2)));
    EXPECT_EQ(array.GetCount(), 65535);
    EXPECT_EQ(array.GetAt(65534), Item(1));
}

TEST(CompactPtrArray, RefusesAStoredCountBeyondItsLimit)
{
    EXPECT_EQ(ArchiveCause([] { CCompactPtrArray::CheckStoredCount(65535); }), CArchiveException::none);
    EXPECT_EQ(ArchiveCause([] { CCompactPtrArray::CheckStoredCount(65536); }),
              CArchiveException::genericException);
    EXPECT_EQ(ArchiveCause([] { CCompactPtrArray::CheckStoredCount(-1); }),
              CArchiveException::genericException);
}

}  // namespace
