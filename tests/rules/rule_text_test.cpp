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

TEST(RuleTextTest, ReadsEntriesFlagsAndValuePositions) {
  RuleSet rules = Parse(
      "; a comment\n"
      "[Ship]  ; trailing comment\r\n"
      "nickname #2001 mandatory = nickname:String\n"
      "shape #12 multiline idx:9 = \"odd name\":Long, Double, *tail:boolean\n"
      "\n"
      "[ Base ]\n"
      "file #101 fixed:3 varargs = path:String\n");
  ASSERT_EQ(rules.sections.size(), 2u);
  const SectionRule& ship = rules.sections[0];
  EXPECT_EQ(ship.name, "Ship");
  EXPECT_EQ(ship.file, "t.rules");
  EXPECT_EQ(ship.line, 2);
  ASSERT_EQ(ship.entries.size(), 2u);
  const EntryRule& nickname = ship.entries[0];
  EXPECT_EQ(nickname.db_id, 2001);
  EXPECT_EQ(nickname.idx, 1);
  EXPECT_TRUE(nickname.mandatory);
  EXPECT_FALSE(nickname.multi_line);
  const EntryRule& shape = ship.entries[1];
  EXPECT_EQ(shape.line, 4);
  EXPECT_EQ(shape.idx, 9);
  EXPECT_TRUE(shape.multi_line);
  EXPECT_EQ(shape.fixed, 2);
  EXPECT_TRUE(shape.var_args);
  ASSERT_EQ(shape.values.size(), 3u);
  EXPECT_EQ(shape.values[0].name, "odd name");
  EXPECT_EQ(shape.values[1].name, std::nullopt);
  EXPECT_EQ(shape.values[1].type, 2);
  EXPECT_TRUE(shape.values[2].is_multi);
  EXPECT_EQ(shape.values[2].type, 4);
  EXPECT_EQ(rules.sections[1].name, "Base");
  EXPECT_EQ(rules.sections[1].entries[0].fixed, 3);
  EXPECT_TRUE(rules.sections[1].entries[0].var_args);
}

TEST(RuleTextTest, FaultsNameTheirLine) {
  struct Case {
    const char* text;
    const char* what;
  } cases[] = {
      {"x #1 = a:Long", "t.rules:1: entry rule before the first section header"},
      {"[S\n", "t.rules:1: section header without \"]\""},
      {"[S]\n\nx = a:Long", "t.rules:3: entry rule \"x\" needs its identifier, as in #1234"},
      {"[S]\nx #1 a:Long", "t.rules:2: expected \"=\" and the value positions"},
      {"[S]\nx #1 = a:Lon", "t.rules:2: unknown value type \"Lon\""},
      {"[S]\nx #1 = a:Long,", "t.rules:2: empty value position"},
      {"[S]\nx #1 sometimes = a:Long", "t.rules:2: unknown flag \"sometimes\""},
      {"[S]\nx #1 = a b:Long", "t.rules:2: name \"a b\" needs double quotes"},
  };
  for (const Case& c : cases) {
    try {
      Parse(c.text);
      ADD_FAILURE() << c.text;
    } catch (const RuleSourceError& error) {
      EXPECT_STREQ(error.what(), c.what);
    }
  }
}

TEST(RuleTextTest, FormatReadsBackToTheSameRules) {
  const std::string text =
      "[Ship]\n"
      "nickname #2001 mandatory = nickname:String\n"
      "shape #12 multiline idx:9 = \"odd name\":Long, Double, *tail:Boolean\n"
      "pos #13 fixed:3 = x:Double\n"
      "any #14 varargs = x:Null\n";
  RuleSet rules = Parse(text);
  std::string formatted = FormatRuleText(rules, "t.rules");
  EXPECT_NE(formatted.find(text.substr(7)), std::string::npos) << formatted;
  RuleSet again = Parse(formatted);
  EXPECT_EQ(FormatRuleText(again, "t.rules"), formatted);
}

TEST(RuleCheckTest, RefusesWhatTheLoaderRefuses) {
  struct Case {
    const char* text;
    const char* what;
  } cases[] = {
      {"[Ship]\nx #1 = Long\n[SHIP]\ny #2 = Long",
       "t.rules:3: section [SHIP] is stated twice (letter case aside)"},
      {"[S]\nx #1 = Long\nX #2 = Long", "t.rules:3: entry \"X\" is stated twice (letter case aside)"},
      {"[S]\nx #1 = Long\n[T]\ny #1 = Long", "t.rules:4: identifier #1 is used already at t.rules:2"},
      {"[S]\nx #1 = *Long, Long", "t.rules:2: 10206 - Multi Value in Fixed Position"},
      {"[S]\nx #1 = Long, *Long, *Long", "t.rules:2: 10210 - Multi Value Must Be Last"},
      {"[S]\nx #1 fixed:1 = Long, Long", "t.rules:2: 10205 - Too Many Values"},
      {"[S]\nx #1 fixed:1 varargs = Long, Long", "t.rules:2: 10207 - Fixed Value in Multi Position"},
  };
  for (const Case& c : cases) {
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
