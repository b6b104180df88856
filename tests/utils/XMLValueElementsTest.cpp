#include "support/XMLValueElements.h"

#include "support/XercesXMLOutput.h"
#include "tests/support/TempFolder.h"
#include "tests/support/XmlTestSupport.h"

#include <gtest/gtest.h>

#include <ctime>
#include <limits>
#include <sstream>

namespace orbisk {
namespace {

using testing::Child;
using testing::ParsedDocument;
using testing::TextOf;

// The text of the time element written in a document of its own.
std::wstring TimeText(std::int64_t time, bool utc)
{
    std::ostringstream stream;
    IXMLOutput* writer = CreateXercesXMLOutput(&stream, L"root", L"", L"");
    EXPECT_NE(writer, nullptr);
    WriteXMLTime(*writer, L"time", time, utc);
    ReleaseXercesXMLOutput(writer);
    const ParsedDocument parsed(stream.str());
    const auto* element = parsed.IsWellFormed() ? Child(parsed.Root(), L"", L"time") : nullptr;
    return element ? TextOf(element) : L"(none)";
}

std::int64_t UtcTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm calendar{};
    calendar.tm_year = year - 1900;
    calendar.tm_mon = month - 1;
    calendar.tm_mday = day;
    calendar.tm_hour = hour;
    calendar.tm_min = minute;
    calendar.tm_sec = second;
    return timegm(&calendar);
}

class LocalTimeZone {
public:
    explicit LocalTimeZone(const char* zone) : m_zone("TZ", zone) { tzset(); }
    ~LocalTimeZone() { tzset(); }

private:
    ScopedEnvironment m_zone;
};

TEST(XMLTime, UtcHasTheSuffixAndLocalTimeFollowsTheZone)
{
    const LocalTimeZone zone("EST5EDT,M3.2.0,M11.1.0");
    struct Case {
        std::int64_t time;
        bool utc;
        std::wstring text;
    };
    const Case cases[] = {
        {UtcTime(2008, 1, 15, 12, 30, 5), true, L"2008-01-15T12:30:05Z"},
        {UtcTime(2008, 1, 15, 12, 30, 5), false, L"2008-01-15T07:30:05"},
        {UtcTime(2008, 7, 1, 3, 0, 0), true, L"2008-07-01T03:00:00Z"},  // summer time
        {UtcTime(2008, 7, 1, 3, 0, 0), false, L"2008-06-30T23:00:00"},
        {UtcTime(2008, 3, 9, 7, 30, 0), true, L"2008-03-09T07:30:00Z"},  // the hour the clocks move
        {UtcTime(999, 12, 31, 23, 59, 59), true, L" 999-12-31T23:59:59Z"},
        {std::numeric_limits<std::int64_t>::max(), true, L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TimeText(c.time, c.utc), c.text) << c.time;
}

}  // namespace
}  // namespace orbisk
