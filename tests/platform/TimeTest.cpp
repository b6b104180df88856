// CTime: its 32-bit archive form and its calendar (the tests run with TZ=UTC).

#include <gtest/gtest.h>

#include "platform/mfc/Time.h"
#include "tests/support/ArchiveBytes.h"

namespace {

TEST(Time, ArchivesHoldA32BitCountOfSeconds)
{
    EXPECT_EQ(WrittenBy([](CArchive& ar) { ar << CTime(0x12345678); }), (Bytes{0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(WrittenBy([](CArchive& ar) { ar << CTime(0x100000005); }), (Bytes{0x05, 0x00, 0x00, 0x00}));
}

TEST(Time, ReadingZeroExtendsTheCount)
{
    ReadFrom({0xFF, 0xFF, 0xFF, 0xFF}, [](CArchive& ar) {
        CTime time;
        ar >> time;
        EXPECT_EQ(time.GetTime(), 4294967295);
        EXPECT_EQ(time.GetYear(), 2106);
    });
}

TEST(Time, CalendarFieldsFollowTheProcessTimeZone)
{
    CTime time(951782400 + 13 * 3600 + 30 * 60 + 15);  // 2000-02-29 13:30:15 UTC
    EXPECT_EQ(time.GetYear(), 2000);
    EXPECT_EQ(time.GetMonth(), 2);
    EXPECT_EQ(time.GetDay(), 29);
    EXPECT_EQ(time.GetHour(), 13);
    EXPECT_EQ(time.GetMinute(), 30);
    EXPECT_EQ(time.GetSecond(), 15);
    EXPECT_EQ(time.GetGmtTm().tm_hour, 13);
    EXPECT_LT(CTime(1), time);
}

}  // namespace
