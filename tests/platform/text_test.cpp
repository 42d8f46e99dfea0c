#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

TEST(CodePages, Cp1252AndUtf8RoundTrip) {
  struct Case {
    std::string cp1252, utf8;
  } cases[] = {
      {"plain", "plain"},
      {"R\xE4" "ce", "R\xC3\xA4" "ce"},
      {"\x80", "\xE2\x82\xAC"},           // euro sign
      {"\xD7\xFF", "\xC3\x97\xC3\xBF"},   // multiplication sign, y diaeresis
      {"\x81", "\xC2\x81"},               // undefined byte keeps its C1 value
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::Cp1252ToUtf8(c.cp1252), c.utf8);
    EXPECT_EQ(platform::Utf8ToCp1252(c.utf8), c.cp1252);
  }
}

TEST(CodePages, Utf8OutsideCp1252BecomesQuestionMark) {
  EXPECT_EQ(platform::Utf8ToCp1252("a\xE2\x98\x83" "b"), "a?b");  // snowman
  EXPECT_EQ(platform::Utf8ToCp1252("\xC3"), "?");                 // cut off
  EXPECT_EQ(platform::Utf8ToCp1252("\xFF" "x"), "?x");            // not UTF-8
}

TEST(CodePages, AnsiToOemUsesCodePage850) {
  EXPECT_EQ(platform::AnsiToOem("\xE4"), "\x84");  // a umlaut
  EXPECT_EQ(platform::AnsiToOem("\xDF"), "\xE1");  // sharp s
  EXPECT_EQ(platform::AnsiToOem("\xC4\xD6\xDC"), "\x8E\x99\x9A");
  EXPECT_EQ(platform::AnsiToOem("\x80\x93x\x94"), "E\"x\"");  // no CP850 form: ASCII
  EXPECT_EQ(platform::AnsiToOem("\x81"), "?");
  EXPECT_EQ(platform::AnsiToOem("Name_1.gam"), "Name_1.gam");
  // Every Latin-1 letter has a CP850 form: nothing above 0xA0 turns into "?".
  for (int c = 0xA1; c <= 0xFF; ++c) {
    EXPECT_NE(platform::AnsiToOem(std::string(1, static_cast<char>(c))), "?") << c;
  }
}

}  // namespace
