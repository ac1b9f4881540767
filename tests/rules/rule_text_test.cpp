#include "rules/rule_text.h"

#include <gtest/gtest.h>

#include "rules/rule_check.h"

namespace tarn {
namespace {

RuleSet Parse(const std::string& text) {
  RuleSet rules;
  ParseRuleText(text, "t.rules", rules);
  return rules;
}

// Exported text states only what differs from what the value list implies.
TEST(RuleTextTest, ReadsEntriesFlagsAndPositionsAndWritesThemBack) {
  const RuleSet rules = Parse(
      "; a comment\n"
      "[Ship]  ; trailing comment\r\n"
      "nickname #2001 mandatory = nickname:String\n"
      "shape #12 multiline idx:9 = \"odd name\":long, 2, *tail:boolean\n"
      "\n"
      "[ Base ]\n"
      "file #101 fixed:3 varargs idx:1 = path:String, Null\n"
      "any #-5 = x.y-z:String\n"
      "tail #6= a_b\xE9:String, *Long");
  ASSERT_EQ(rules.sections.size(), 2u);
  EXPECT_EQ(rules.sections[0].file, "t.rules");
  EXPECT_EQ(rules.sections[0].line, 2);
  EXPECT_EQ(rules.sections[0].entries[1].line, 4);
  EXPECT_EQ(rules.sections[1].entries[0].fixed, 3);
  EXPECT_TRUE(rules.sections[1].entries[0].var_args);
  const std::string text =
      "; t.rules: rule source of TARN.MDB (see data/README.md)\n"
      "\n[Ship]\n"
      "nickname #2001 mandatory = nickname:String\n"
      "shape #12 multiline idx:9 = \"odd name\":Long, Double, *tail:Boolean\n"
      "\n[Base]\n"
      "file #101 fixed:3 varargs = path:String, Null\n"
      "any #-5 = x.y-z:String\n"
      "tail #6 = a_b\xE9:String, *Long\n";
  EXPECT_EQ(FormatRuleText(rules, "t.rules"), text);
  EXPECT_EQ(FormatRuleText(rules, "other.rules"),
            "; other.rules: rule source of TARN.MDB (see data/README.md)\n");
  EXPECT_EQ(FormatRuleText(Parse(text), "t.rules"), text);
}

TEST(RuleTextTest, FaultsNameTheirLine) {
  const struct {
    const char* text;
    const char* what;
  } cases[] = {
      {"x #1 = a:Long", "t.rules:1: entry rule before the first section header"},
      {"[S\n", "t.rules:1: section header without \"]\""},
      {"[ ]\n", "t.rules:1: section header without a name"},
      {"[S]\n\nx = a:Long", "t.rules:3: entry rule \"x\" needs its identifier, as in #1234"},
      {"[S]\nx 1 = a:Long", "t.rules:2: entry rule \"x\" needs its identifier, as in #1234"},
      {"[S]\nx #1x = a:Long", "t.rules:2: entry rule \"x\" needs its identifier, as in #1234"},
      {"[S]\n = a:Long", "t.rules:2: entry rule without a key"},
      {"[S]\nx #1 a:Long", "t.rules:2: expected \"=\" and the value positions"},
      {"[S]\nx #1 = a:Lon", "t.rules:2: unknown value type \"Lon\""},
      {"[S]\nx #1 = a:Long,", "t.rules:2: empty value position"},
      {"[S]\nx #1 sometimes = a:Long", "t.rules:2: unknown flag \"sometimes\""},
      {"[S]\nx #1 fixed:a = a:Long", "t.rules:2: unknown flag \"fixed:a\""},
      {"[S]\nx #1 = a b:Long", "t.rules:2: name \"a b\" needs double quotes"},
      {"[S]\nx #1 = \"a\"\"b\":Long", "t.rules:2: a name may not hold '\"'"},
  };
  for (const auto& c : cases) {
    try {
      Parse(c.text);
      ADD_FAILURE() << c.text;
    } catch (const RuleSourceError& error) {
      EXPECT_STREQ(error.what(), c.what);
    }
  }
}

TEST(RuleCheckTest, RefusesWhatTheLoaderRefuses) {
  const struct {
    const char* text;
    const char* what;
  } cases[] = {
      {"[Ship]\nx #1 = Long\n[SHIP]\ny #2 = Long",
       "t.rules:3: section [SHIP] is stated twice (letter case aside)"},
      {"[S]\nx #1 = Long\nX #2 = Long",
       "t.rules:3: entry \"X\" is stated twice (letter case aside)"},
      {"[S]\nx #1 = Long\n[T]\ny #1 = Long",
       "t.rules:4: identifier #1 is used already at t.rules:2"},
      {"[S]\nx #1 = *Long, Long", "t.rules:2: 10206 - Multi Value in Fixed Position"},
      {"[S]\nx #1 = Long, *Long, *Long", "t.rules:2: 10210 - Multi Value Must Be Last"},
      {"[S]\nx #1 fixed:1 = Long, Long", "t.rules:2: 10205 - Too Many Values"},
      {"[S]\nx #1 fixed:1 varargs = Long, Long",
       "t.rules:2: 10207 - Fixed Value in Multi Position"},
      {"[S]\nx #1 fixed:40000 = Long", "t.rules:2: Overflow"},
      {"[_bc_empty]\nx #1 = Long", "t.rules:2: 10202 - Entry object is not initialized"},
  };
  for (const auto& c : cases) {
    try {
      CheckRuleSet(Parse(c.text));
      ADD_FAILURE() << c.text;
    } catch (const RuleSourceError& error) {
      EXPECT_STREQ(error.what(), c.what);
    }
  }
  EXPECT_NO_THROW(CheckRuleSet(Parse("[S]\nx #1 = Long, *String\n[T]\nx #2 = Long")));
}

}  // namespace
}  // namespace tarn
