#include "shell/codepage.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

TEST(Cp1252Test, EveryByteBecomesOneCharacter) {
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {"plain ascii", "plain ascii"}, {"\x80", "\xE2\x82\xAC"},  // euro sign
      {"\x92", "\xE2\x80\x99"},                                  // right single quote
      {"\x81", "\xC2\x81"},  // undefined: the control of that number
      {"\xE9", "\xC3\xA9"},  // e acute
      {"\xFF", "\xC3\xBF"},           {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const Case& c : cases) EXPECT_EQ(Cp1252ToUtf8(c.in), c.out);
}

// Texts read back from the data database are written to the log in the game's code page again:
// every byte comes back as it was, and what is no code page character becomes '?'.
TEST(Cp1252Test, TextsComeBackByteForByte) {
  std::string every;
  for (int byte = 1; byte < 256; ++byte) every += static_cast<char>(byte);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(every)), every);
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82"), "??");  // cut short
  EXPECT_EQ(Utf8ToCp1252("a\xF0\x9F\x98\x80"
                         "b"),
            "a????b");                           // beyond three bytes
  EXPECT_EQ(Utf8ToCp1252("\xE2\x88\x9E"), "?");  // infinity: not in the code page
}

}  // namespace
}  // namespace tarn
