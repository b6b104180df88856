// Program text reaches wxWidgets, and comes back from it, by the codec's one rule.
#include "platform/mfc/FrameWnd.h"
#include "platform/mfc/WxText.h"
#include "tests/support/WindowTest.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(WxText, SurrogatesReachWxStringsAsTheCodecSaysAndComeBackTheSame)
{
    struct Case {
        const char* name;
        std::wstring program;
        const char* utf8;  // the wxString expected, spelled as valid UTF-8
        std::wstring back;
    };
    const Case cases[] = {
        {"plain text", L"Zephyron \u00e9t\u00e9", "Zephyron \xC3\xA9t\xC3\xA9", L"Zephyron \u00e9t\u00e9"},
        {"lone high", std::wstring{L'a', wchar_t(0xD800), L'z'}, "a\xEF\xBF\xBDz", L"a\uFFFDz"},
        {"lone low", std::wstring{L'a', wchar_t(0xDC00), L'z'}, "a\xEF\xBF\xBDz", L"a\uFFFDz"},
        {"pair", std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}, "\xF0\x9F\x98\x80", L"\U0001F600"},
        {"above 10FFFF", std::wstring{L'a', wchar_t(0x110000)}, "a\xEF\xBF\xBD", L"a\uFFFD"},
    };
    for (const Case& c : cases) {
        const wxString shown = ToWxString(c.program);
        EXPECT_EQ(shown, wxString::FromUTF8(c.utf8)) << c.name;
        EXPECT_EQ(FromWxString(shown), c.back) << c.name;
        // wx's own conversion keeps the units as they are; reading them back still applies the rule.
        EXPECT_EQ(FromWxString(wxString(c.program.c_str())), c.back) << c.name;
    }
}

TEST(WxText, AFrameTitleWithALoneSurrogateReadsBackWithAReplacementCharacter)
{
    auto* frame = new CFrameWnd;
    bool destroyed = false;
    ASSERT_TRUE(frame->LoadFrame(CString(std::wstring{L'V', wchar_t(0xDBFF)}), nullptr));
    frame->Bind(wxEVT_DESTROY, [&](wxWindowDestroyEvent& event) {
        destroyed |= event.GetEventObject() == frame;
        event.Skip();
    });
    EXPECT_EQ(FromWxString(frame->GetTitle()), L"V\uFFFD");
    frame->OnUpdateFrameTitle();
    EXPECT_EQ(FromWxString(frame->GetTitle()), L"Untitled - V\uFFFD");
    frame->Destroy();
    EXPECT_TRUE(PumpEventsUntil([&] { return destroyed; }));
}

}  // namespace
