// Flag keys written alone on their line ("separable"): the rule form that says how a section
// writes them, and how a check judges such lines (what rules learn makes of them: learn/).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "datadb/database.h"
#include "rules/rule_tables.h"
#include "rules/rule_text.h"
#include "support/program.h"
#include "support/rows.h"

namespace tarn {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

RuleSet Parse(const std::string& text) {
  RuleSet rules;
  ParseRuleText(text, "t.rules", rules);
  return rules;
}

// The form reads, writes and goes through the rule tables unchanged; the rule query shows
// the same rows as for the rules without it.
TEST(FlagRuleTest, BareAndValuedRoundTripAndLeaveTheQueryAsItWas) {
  const std::string text =
      "; t.rules: rule source of TARN.MDB (see data/README.md)\n\n[Ship]\n"
      "separable #1 bare = Boolean\noffer_missions #2 multiline valued = Boolean\n"
      "\n[Base]\nseparable #3 = Boolean\n";
  const RuleSet rules = Parse(text);
  EXPECT_EQ(rules.sections[0].entries[0].flag, FlagForm::kBare);
  EXPECT_EQ(rules.sections[0].entries[1].flag, FlagForm::kValued);
  EXPECT_EQ(FormatRuleText(rules, "t.rules"), text);
  testing::TempDir dir;
  Database db = Database::Open(dir.File("TARN.MDB"), Database::Mode::kCreate);
  WriteRuleTables(db, rules);
  EXPECT_EQ(FormatRuleText(ReadRuleTables(db), "t.rules"), text);
  const testing::Rows marked = testing::RowsOf(db, "SELECT * FROM _bc_ListSections");
  std::string plain = text;
  for (const char* flag : {" bare", " valued"}) plain.erase(plain.find(flag), std::strlen(flag));
  WriteRuleTables(db, Parse(plain));
  EXPECT_EQ(testing::RowsOf(db, "SELECT * FROM _bc_ListSections"), marked);
  EXPECT_EQ(FormatRuleText(ReadRuleTables(db), "t.rules"), plain);
  for (const auto& [source, fault] : std::vector<std::pair<std::string, std::string>>{
           {"[S]\nmass #1 bare = Boolean", "is only for the keys the reader repairs"},
           {"[S]\nseparable #1 bare valued = Boolean", "cannot be both bare and valued"}}) {
    try {
      Parse(source);
      ADD_FAILURE() << source;
    } catch (const RuleSourceError& error) {
      EXPECT_THAT(error.what(), HasSubstr(fault));
    }
  }
}

// Learned from a world whose ships write "separable" alone and whose guns write it with a
// value, the rules check that world without a repair or a warning; a ship's line with a value
// and a gun's bare line are findings of their own (rules that do not say a form repair such a
// line and report the repair: the walk's tests).
TEST(FlagCheckTest, LearnedRulesJudgeFlagLinesWithoutRepairingThem) {
  const testing::Tarn tarn;
  const testing::TempDir dir;
  const testing::Files world = {
      {"EXE/kestrovar.ini", "[Data]\nships = ships.ini\n"},
      {"DATA/ships.ini",
       "[Ship]\nnickname = a\nseparable\n[Ship]\nnickname = b\nseparable\n"
       "[Gun]\nnickname = g\nseparable = true\n"}};
  testing::WriteWorld(tarn.game.Path(), world);
  // The world has none of the files the game loads by a fixed path.
  Database::Open(tarn.home.File("TARN.MDB"), Database::Mode::kReadWrite)
      .Exec("DELETE FROM _bc_OtherINI");
  ASSERT_EQ(tarn.Run("--game <game> rules learn " + dir.File("rules")).status, 0);
  ASSERT_EQ(tarn.Run("rules import " + dir.File("rules")).status, 0);
  const std::string check = "--game <game> --log <log> --overwrite --quiet init-db all";
  testing::Result r = tarn.Run(check);
  EXPECT_EQ(r.status, 0) << r.log;
  EXPECT_THAT(r.log, Not(HasSubstr("WARN")));
  testing::WriteFile(tarn.game.File("DATA/ships.ini"),
                     "[Ship]\nnickname = a\nseparable = true\n[Gun]\nnickname = g\nseparable\n");
  r = tarn.Run(check);
  EXPECT_EQ(r.status, 1);
  for (const char* place : {"line 3\n      Section [Ship]", "line 6\n      Section [Gun]"}) {
    EXPECT_THAT(r.log, HasSubstr("WARN: File <game>/DATA/ships.ini " + std::string(place) +
                                 " line 2\n      10407 - Flag Form Mismatch !separable!true!\n"));
  }
  EXPECT_THAT(r.log, Not(HasSubstr("line found")));
}

}  // namespace
}  // namespace tarn
