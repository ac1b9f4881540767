#include "shell/codepage.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

TEST(Cp1252Test, EveryByteBecomesOneCharacter) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"plain \x7F", "plain \x7F"},
      {"\x80", "\xE2\x82\xAC"},                      // the euro sign, first of the table
      {"\x81\x92", "\xC2\x81\xE2\x80\x99"},          // undefined: its own control
      {"\x9F", "\xC5\xB8"},                          // Y with diaeresis, the last
      {"\xA0\xE9\xFF", "\xC2\xA0\xC3\xA9\xC3\xBF"},  // Latin-1 from here on
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) EXPECT_EQ(Cp1252ToUtf8(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace tarn
