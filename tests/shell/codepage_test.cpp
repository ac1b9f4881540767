#include "shell/codepage.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

TEST(Cp1252Test, EveryByteBecomesOneCharacter) {
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {"plain ascii", "plain ascii"},
      {"\x80", "\xE2\x82\xAC"},          // euro sign
      {"\x92", "\xE2\x80\x99"},          // right single quote
      {"\x81", "\xC2\x81"},              // undefined: the control of that number
      {"\xE9", "\xC3\xA9"},              // e acute
      {"\xFF", "\xC3\xBF"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const Case& c : cases) EXPECT_EQ(Cp1252ToUtf8(c.in), c.out);
}

}  // namespace
}  // namespace tarn
