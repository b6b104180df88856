// The screen and colour queries: fixed answers in programs without windows, the display's
// once one is installed.

#include <gtest/gtest.h>

#include "platform/win32/SystemInfo.h"

namespace {

struct Answers {
    int width, height, dpiX, dpiY;
    COLORREF buttonFace;
};

Answers Ask()
{
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), GetScreenDeviceCaps(LOGPIXELSX),
            GetScreenDeviceCaps(LOGPIXELSY), GetSysColor(COLOR_BTNFACE)};
}

void ExpectFixed(const Answers& answers)
{
    EXPECT_EQ(answers.width, 1280);
    EXPECT_EQ(answers.height, 1024);
    EXPECT_EQ(answers.dpiX, 96);
    EXPECT_EQ(answers.dpiY, 96);
    EXPECT_EQ(answers.buttonFace, 0xF0F0F0u);
}

// A display of 1920 x 1080 at 120 by 110 dots per inch with a dark button face, or one
// that cannot be reached.
class Display : public IDisplayQueries {
public:
    explicit Display(bool reachable) : m_reachable(reachable) {}
    bool GetScreen(int& width, int& height, int& dpiX, int& dpiY) const override
    {
        width = 1920;
        height = 1080;
        dpiX = 120;
        dpiY = 110;
        return m_reachable;
    }
    bool GetSysColor(int index, COLORREF& colour) const override
    {
        colour = 0x303030;
        return m_reachable && index == COLOR_BTNFACE;
    }

private:
    bool m_reachable;
};

TEST(SystemInfo, WithoutADisplayTheAnswersAreFixed)
{
    ExpectFixed(Ask());
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 1);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), 0xFFFFFFu);
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), 0u);
}

TEST(SystemInfo, AnInstalledDisplayAnswersUntilItIsRemoved)
{
    const Display display(true);
    SetDisplayQueries(&display);
    const Answers answers = Ask();
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    SetDisplayQueries(nullptr);

    EXPECT_EQ(answers.width, 1920);
    EXPECT_EQ(answers.height, 1080);
    EXPECT_EQ(answers.dpiX, 120);
    EXPECT_EQ(answers.dpiY, 110);
    EXPECT_EQ(answers.buttonFace, 0x303030u);
    EXPECT_EQ(window, 0xFFFFFFu) << "a colour the display does not give stays fixed";
    ExpectFixed(Ask());
}

TEST(SystemInfo, ADisplayThatCannotBeReachedLeavesTheFixedAnswers)
{
    const Display display(false);
    SetDisplayQueries(&display);
    const Answers answers = Ask();
    SetDisplayQueries(nullptr);
    ExpectFixed(answers);
}

}  // namespace
