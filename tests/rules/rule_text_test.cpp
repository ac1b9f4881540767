// The rule text: read and written back, its faults named by line, its JSON form, and what
// changed between two rule sets.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "rules/naming_rules.h"
#include "rules/rule_check.h"
#include "rules/rule_diff.h"
#include "rules/rule_json.h"
#include "rules/rule_text.h"
#include "support/core_fixture.h"

namespace tarn {
namespace {

using testing::Parse;

// Scripts read rules through this text alone: every field of every level, in a fixed order,
// texts in UTF-8.
TEST(RuleJsonTest, GivesEveryFieldOfEachRuleInOrder) {
  RuleSet rules = Parse(
      "[Ship]\n"
      "nickname #7 mandatory = nickname:String\n"
      "separable #9 bare = Boolean\n"
      "equip #8 multiline idx:5 fixed:1 = item:String -> [Gun]nickname | local [\"Bay x\"]id, "
      "Whole, *\"caf\xe9\":Double\n"
      "[Empty]\n");
  rules.sections[0].file = "ships.rules";
  EXPECT_EQ(RuleSetJson(rules),
            "{\"sections\": [\n"
            R"({"name":"Ship","file":"ships.rules","line":1,"entries":[)"
            R"({"key":"nickname","id":7,"idx":1,"fixed":1,"varargs":false,"multiline":false,)"
            R"("mandatory":true,"flag":null,"line":2,"values":[{"name":"nickname","type":"String",)"
            R"("tail":false,"refers_to":[]}]},)"
            R"({"key":"separable","id":9,"idx":2,"fixed":1,"varargs":false,"multiline":false,)"
            R"("mandatory":false,"flag":"bare","line":3,"values":[{"name":null,"type":"Boolean",)"
            R"("tail":false,"refers_to":[]}]},)"
            R"({"key":"equip","id":8,"idx":5,"fixed":1,"varargs":true,"multiline":true,)"
            R"("mandatory":false,"flag":null,"line":4,"values":[{"name":"item","type":"String",)"
            R"("tail":false,"refers_to":[{"section":"Gun","key":"nickname","local":false},)"
            R"({"section":"Bay x","key":"id","local":true}]},)"
            R"({"name":null,"type":"Whole","tail":false,"refers_to":[]},)"
            "{\"name\":\"caf\xc3\xa9\",\"type\":\"Double\",\"tail\":true,\"refers_to\":[]}]}]},\n"
            R"({"name":"Empty","file":"t.rules","line":5,"entries":[]})"
            "\n]}\n");
  EXPECT_EQ(RuleSetJson(RuleSet{}), "{\"sections\": [\n]}\n");
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
      "any #-5 =x.y-z:String\n"
      "tail #6= a_b\x80\xE9:String, *Long");
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
      "tail #6 = a_b\x80\xE9:String, *Long\n";
  EXPECT_EQ(FormatRuleText(rules, "t.rules"), text);
  EXPECT_EQ(FormatRuleText(rules, "other.rules"),
            "; other.rules: rule source of TARN.MDB (see data/README.md)\n");
  EXPECT_EQ(FormatRuleText(Parse(text), "t.rules"), text);
  // A type number that has no name (rule tables edited by hand) is shown as the number.
  for (const int type : {0, 6, -1}) EXPECT_EQ(TypeName(type), std::to_string(type));
}

// A source the parser or the loader's checks refuse names the file and line of the fault.
TEST(RuleTextTest, FaultsNameTheirLine) {
  for (const auto& [text, what] : std::vector<std::pair<std::string, std::string>>{
           {"x #1 = a:Long", "1: entry rule before the first section header"},
           {"[S\n", "1: section header without \"]\""},
           {"[ ]\n", "1: section header without a name"},
           {"[S]\n\nx = a:Long", "3: entry rule \"x\" needs its identifier, as in #1234"},
           {"[S]\nx 1 = a:Long", "2: entry rule \"x\" needs its identifier, as in #1234"},
           {"[S]\nx #1x = a:Long", "2: entry rule \"x\" needs its identifier, as in #1234"},
           {"[S]\n = a:Long", "2: entry rule without a key"},
           {"[S]\nx #1 a:Long", "2: expected \"=\" and the value positions"},
           {"[S]\nx #1 = a:Lon", "2: unknown value type \"Lon\""},
           {"[S]\nx #1 = a:Long,", "2: empty value position"},
           {"[S]\nx #1 sometimes = a:Long", "2: unknown flag \"sometimes\""},
           {"[S]\nx #1 fixed:a = a:Long", "2: unknown flag \"fixed:a\""},
           {"[S]\nx #1 = a b:Long", "2: name \"a b\" needs double quotes"},
           {"[S]\nx #1 = \"a\"b:Long", "2: text after the quoted name \"a\""},
           {"[Ship]\nx #1 = Long\n[SHIP]\ny #2 = Long",
            "3: section [SHIP] is stated twice (letter case aside)"},
           {"[S]\nx #1 = Long\nX #2 = Long", "3: entry \"X\" is stated twice (letter case aside)"},
           {"[S]\nx #1 = Long\n[T]\ny #1 = Long", "4: identifier #1 is used already at t.rules:2"},
           {"[S]\nx #1 = *Long, Long", "2: 10206 - Multi Value in Fixed Position"},
           {"[S]\nx #1 = Long, *Long, *Long", "2: 10210 - Multi Value Must Be Last"},
           {"[S]\nx #1 fixed:1 = Long, Long", "2: 10205 - Too Many Values"},
           {"[S]\nx #1 fixed:1 varargs = Long, Long", "2: 10207 - Fixed Value in Multi Position"},
           {"[S]\nx #1 fixed:40000 = Long", "2: Overflow"},
           {"[_bc_empty]\nx #1 = Long", "2: 10202 - Entry object is not initialized"},
           // What a position names: the text form, and that the rules define the named kind.
           {"[S]\nx #1 = String > [S]x", "2: expected \"->\" before what a value names"},
           {"[S]\nx #1 = -> [S]x", "2: empty value position"},
           {"[S]\nx #1 = String -> S x",
            "2: expected a section in brackets and a key, as in [Gun]nickname"},
           {"[S]\nx #1 = String -> [S", "2: a named section without its closing \"]\""},
           {"[S]\nx #1 = String -> [S]", "2: no key after [S]"},
           {"[S]\nx #1 = String -> [S]x |",
            "2: expected a section in brackets and a key, as in [Gun]nickname"},
           {"[S]\nx #1 = String -> [a b]x", "2: name \"a b\" needs double quotes"},
           {"[S]\nx #1 = String\ny #2 = Long -> [S]x",
            "3: entry \"y\": only a String position can name an object"},
           {"[S]\nx #1 = String -> [T]x", "2: entry \"x\": [T]x: no section rule [T]"},
           {"[S]\nx #1 = String -> [s]y", "2: entry \"x\": [s]y: no entry rule \"y\" in [s]"},
           {"[S]\nx #1 = Long\ny #2 = String -> [S]x",
            "3: entry \"y\": [S]x: its first position is not a String, so it defines no name"},
           {"[S]\nx #1 = String -> [S]x | [s]X", "2: entry \"x\": [s]X is named twice"}}) {
    EXPECT_EQ(testing::WhatOf<RuleSourceError>([&rules = text] { CheckRuleSet(Parse(rules)); }),
              "t.rules:" + what);
  }
  EXPECT_NO_THROW(CheckRuleSet(Parse("[S]\nx #1 = Long, *String\n[T]\nx #2 = Long")));
  // In a quoted name, "" stands for one '"'.
  EXPECT_EQ(Parse("[S]\nx #1 = \"a\"\"b\":Long").sections[0].entries[0].values[0].name, "a\"b");
  // A named kind is found letter case aside, as the game's section and key names are.
  EXPECT_NO_THROW(CheckRuleSet(Parse("[S]\nx #1 = String\n[T]\ny #2 = String -> [s]X")));
}

// The kinds a position names come back in the text as they were read, odd names quoted.
TEST(RuleTextTest, NamedKindsAreReadAndWrittenBackTheSame) {
  const std::string formatted = FormatRuleText(Parse(testing::kNamingRules), "t.rules");
  EXPECT_NE(formatted.find("equip #4 multiline = item:String -> [Gun]nickname | "
                           "[\" Odd, Kind \"]\"my key\", *String -> [Loadout]nickname\n"),
            std::string::npos)
      << formatted;
  EXPECT_EQ(FormatRuleText(Parse(formatted), "t.rules"), formatted);
}

// What a game update changed in its rules: each kind of change on a pair of small rule sets.
TEST(RuleDiffTest, ListsEachKindOfChangeBetweenTwoRuleSets) {
  const std::string base =
      "[Gun]\nnickname #1 mandatory = String\n[Mine]\nnickname #2 mandatory = String\n";
  struct Case {
    const char* older;
    const char* newer;
    std::vector<std::string> changes;
  };
  const Case cases[] = {
      {"[Ship]\nmass #10 = Long\n", "[ship]\nMASS #99 idx:4 = Long\n", {}},
      {"[Ship]\nmass #10 = Long\n", "[Base]\nk #11 = String\n", {"- [Ship]", "+ [Base]"}},
      {"[Ship]\nhp #10 = Long\n",
       "[Ship]\nhit_pts #10 = Long\n",
       {"- [Ship] hp", "+ [Ship] hit_pts"}},
      {"[Ship]\nm #10 = Whole, Long, Double, String, Long\n",
       "[Ship]\nm #10 = Long, Double, String, Long, Boolean\n",
       {"~ [Ship] m: value 1 Whole -> Long (widened)",
        "~ [Ship] m: value 2 Long -> Double (widened)",
        "~ [Ship] m: value 3 Double -> String (widened)",
        "~ [Ship] m: value 4 String -> Long (narrowed)", "~ [Ship] m: value 5 Long -> Boolean"}},
      {"[Ship]\nm #10 mandatory = Long, Long\n",
       "[Ship]\nm #10 multiline = Long, *Long\n",
       {"~ [Ship] m: 2 fixed values -> 1", "~ [Ship] m: variable tail gained (widened)",
        "~ [Ship] m: multiline gained (widened)", "~ [Ship] m: mandatory dropped (widened)"}},
      {"[Ship]\ng #10 = String -> [Gun]nickname, *String -> [Gun]nickname\n",
       "[Ship]\ng #10 = String -> [Mine]nickname, *String -> [gun]NICKNAME\n",
       {"~ [Ship] g: value 1 refers to [Mine]nickname too",
        "~ [Ship] g: value 1 refers to [Gun]nickname no more"}},
  };
  for (const Case& c : cases) {
    RuleSet older, newer;
    ParseRuleText(base + c.older, "a.rules", older);
    ParseRuleText(base + c.newer, "a.rules", newer);
    EXPECT_EQ(DiffRuleSets(older, newer), c.changes) << c.newer;
  }
}

}  // namespace
}  // namespace tarn
