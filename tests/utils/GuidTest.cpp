#include "support/Guid.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

namespace orbisk::utils {
namespace {

TEST(Guid, NullGuid)
{
    const CGuid guid;
    EXPECT_TRUE(guid.IsNull());
    EXPECT_EQ(guid.ToString(), L"00000000-0000-0000-0000-000000000000");
}

TEST(Guid, TextIsTheFieldsInOrderInLowerCase)
{
    CGuid guid;
    guid.value = {0x01ABCDEF, 0x2345, 0x6789, {0x8A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78}};
    EXPECT_EQ(guid.ToString(), L"01abcdef-2345-6789-8abc-def012345678");
}

// The text of a random (version 4, variant 1) GUID: xxxxxxxx-xxxx-4xxx-[89ab]xxx-xxxxxxxxxxxx.
bool IsVersionFourText(const std::wstring& text)
{
    if (text.size() != 36)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash != (c == L'-'))
            return false;
        if (!dash && !((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f')))
            return false;
    }
    return text[14] == L'4' && std::wstring_view(L"89ab").find(text[19]) != std::wstring_view::npos;
}

TEST(Guid, CreatedGuidsAreRandomVersionFour)
{
    std::set<std::wstring> seen;
    for (int i = 0; i < 100; ++i) {
        CGuid guid;
        ASSERT_EQ(guid.Create(), S_OK);
        EXPECT_FALSE(guid.IsNull());
        const std::wstring text = guid.ToString();
        EXPECT_TRUE(IsVersionFourText(text)) << text;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 100u);
}

TEST(Guid, CreateRefusesANullTarget)
{
    EXPECT_EQ(CoCreateGuid(nullptr), E_INVALIDARG);
}

}  // namespace
}  // namespace orbisk::utils
