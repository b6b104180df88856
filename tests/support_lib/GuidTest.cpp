#include "support/Guid.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

namespace orbisk::utils {
namespace {

TEST(Guid, NullGuid) {
  const CGuid guid;
  EXPECT_TRUE(guid.IsNull());
  EXPECT_EQ(guid.ToString(), L"00000000-0000-0000-0000-000000000000");
}

TEST(Guid, TextIsTheFieldsInOrderInLowerCase) {
  CGuid guid;
  guid.value = {0x01ABCDEF, 0x2345, 0x6789, {0x8A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78}};
  EXPECT_EQ(guid.ToString(), L"01abcdef-2345-6789-8abc-def012345678");
}

TEST(Guid, CreatedGuidsAreRandomVersionFour) {
  std::set<std::wstring> seen;
  const std::wregex form(L"[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
  for (int i = 0; i < 100; ++i) {
    CGuid guid;
    ASSERT_EQ(guid.Create(), S_OK);
    EXPECT_FALSE(guid.IsNull());
    const std::wstring text = guid.ToString();
    EXPECT_TRUE(std::regex_match(text, form));
    seen.insert(text);
  }
  EXPECT_EQ(seen.size(), 100u);
}

TEST(Guid, CreateRefusesANullTarget) { EXPECT_EQ(CoCreateGuid(nullptr), E_INVALIDARG); }

}  // namespace
}  // namespace orbisk::utils
