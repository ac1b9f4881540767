// Flag keys written alone on their line ("separable"): the rule form that says how a section
// writes them, what rules learn makes of a folder, and how a check judges such lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "datadb/database.h"
#include "ini/section_reader.h"
#include "learn/learned_rules.h"
#include "learn/rule_learner.h"
#include "rules/rule_tables.h"
#include "rules/rule_text.h"
#include "support/core_fixture.h"
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

class FlagLearnTest : public testing::CoreTest {
 protected:
  // How the rules learned from text, starting from the rule text start (merging when given),
  // say each section writes its flag keys: "Ship separable bare".
  std::vector<std::string> Learn(const std::string& text, const std::string& start = "") {
    files.AddFolder("game");
    files.SetFile("game/ships.ini", text);
    RecordedValues recorded;
    RuleLearner learner({}, recorded);
    LineSource file(files, log);
    file.SetFileName("game/ships.ini");
    SectionBuffer buffer;
    while (ReadSection(buffer, file, log)) learner.HandleSection("ships", buffer);
    const char* const names[] = {"unsaid", "bare", "valued"};
    std::vector<std::string> forms;
    for (const SectionRule& section :
         LearnRules(learner.Seen(), Parse(start), !start.empty()).rules.sections) {
      for (const EntryRule& entry : section.entries) {
        if (!IsFlagKey(entry.name)) continue;
        forms.push_back(section.name + " " + entry.name + " " +
                        names[static_cast<int>(entry.flag)]);
      }
    }
    return forms;
  }
};

// A kind that writes the key only alone learns "bare", only with values "valued", both ways
// nothing; merging, a rule the folder contradicts stops saying, one it writes bare says so.
TEST_F(FlagLearnTest, EachSectionKindLearnsHowItWritesItsFlagKeys) {
  EXPECT_THAT(Learn("[Ship]\nseparable\n[ship]\nseparable\n[Base]\nseparable\n[Base]\n"
                    "separable = true\n[Gun]\nseparable = true\noffer_missions\n"),
              ::testing::ElementsAre("Ship separable bare", "Base separable unsaid",
                                     "Gun separable valued", "Gun offer_missions bare"));
  EXPECT_THAT(Learn("[Gun]\nseparable = true\n[Ship]\nseparable\n[Base]\nseparable = false\n",
                    "[Gun]\nseparable #1 bare = Boolean\n[Ship]\nseparable #2 = Boolean\n"
                    "[Base]\nseparable #3 valued = Boolean\n"),
              ::testing::ElementsAre("Gun separable unsaid", "Ship separable bare",
                                     "Base separable valued"));
}

// Learned from a world whose ships write "separable" alone and whose guns write it with a
// value, the rules check that world without a repair or a warning; a ship's line with a value
// and a gun's bare line are findings of their own; the shipped rules repair and report as ever.
TEST(FlagCheckTest, LearnedRulesJudgeFlagLinesWhereTheShippedOnesRepairThem) {
  const testing::Tarn tarn, shipped;
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
  testing::WriteWorld(shipped.game.Path(), world);
  EXPECT_THAT(shipped.Run(check).log,
              HasSubstr("WARN: File <game>/DATA/ships.ini line 3\n"
                        "      !separable! line found. Changed to !separable = true!\n"));
}

}  // namespace
}  // namespace tarn
