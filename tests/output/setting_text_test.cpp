// Settings texts typed in UTF-8 told apart from Mazovia ones, and converted through the host.
#include <string>
#include <vector>

#include "output/setting_text.h"
#include "tests/support/host_fixture.h"

namespace {

constexpr std::size_t kField = 12;  // 11 bytes and the NUL

TEST(IsUtf8Text, OnlyValidUtf8WithAMultiByteCharacterCounts) {
  struct Case {
    std::string text;
    bool utf8;
    std::size_t usable;  // what SettingTextLength keeps
  };
  const std::vector<Case> cases = {
      {"\xc5\xbb" "abka", true, 6},
      {"\xe2\x82\xac 5", true, 5},                    // three bytes
      {"\xf0\x9f\x8d\x9e", true, 4},                  // four
      {"Sklep", false, 5},                            // ASCII: nothing to tell
      {"\x9C\x86ka \xA7\x86", false, 7},              // Mazovia's Polish letters
      {"\xc0\xaf", false, 2},                         // overlong
      {"\xed\xa0\x80", false, 3},                     // a surrogate
      {"\xf4\x90\x80\x80", false, 4},                 // beyond U+10FFFF
      {"ab\xc5", false, 3},                           // cut short, but the field is not full
      {"abcdefghij\xc5", true, 10},                   // cut by the full field's end
      {"abcdefghi\xe2\x82", true, 9},
      {"abcdefghi\xc5" "x", false, 11},               // a broken character inside
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(IsUtf8Text(c.text.c_str(), kField), c.utf8);
    EXPECT_EQ(SettingTextLength(c.text.c_str(), kField), c.usable);
  }
  // Only the field's bytes are looked at: the settings service keeps a value within them.
  EXPECT_TRUE(IsUtf8Text("abcdefghij\xc5\xbb", kField));
  EXPECT_EQ(SettingTextLength("abcdefghij\xc5\xbb", kField), 10u);
}

using SettingText = testsupport::PluginInProcess;

TEST_F(SettingText, UsedInMazoviaOrInUtf8WhicheverItWasTypedIn) {
  char out[3 * kField];
  SettingTextInMazovia("\xc5\xbb" "abka \xe2\x82\xac", kField, out, sizeof out);
  EXPECT_STREQ(out, "\xA1" "abka ?");  // the emulator's mark for what Mazovia lacks
  SettingTextInMazovia("\x9C\x86ka", kField, out, sizeof out);
  EXPECT_STREQ(out, "\x9C\x86ka");
  SettingTextInMazovia("abcdefghij\xc5", kField, out, sizeof out);  // the cut letter dropped
  EXPECT_STREQ(out, "abcdefghij");
  SettingTextInMazovia("abcdefghij\xc5", kField, out, 4);
  EXPECT_STREQ(out, "abc");

  EXPECT_EQ(SettingTextInUtf8("\x9C\x86ka", kField, out, sizeof out), 6);
  EXPECT_STREQ(out, "\xc5\x81\xc4\x85ka");
  EXPECT_EQ(SettingTextInUtf8("abcdefghij\xc5", kField, out, sizeof out), 10);
  EXPECT_STREQ(out, "abcdefghij");
  // Too little room is said, never cut silently.
  EXPECT_EQ(SettingTextInUtf8("\x9C\x86ka", kField, out, 6), -1);
  EXPECT_EQ(SettingTextInUtf8("\xc5\xbb" "abka", kField, out, 6), -1);
}

}  // namespace
