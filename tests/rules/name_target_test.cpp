// Positions that name objects defined elsewhere: their text form, the check that the named
// kinds exist, and their rows in the rule tables.
#include <gtest/gtest.h>

#include "datadb/database.h"
#include "rules/rule_check.h"
#include "rules/rule_tables.h"
#include "rules/rule_text.h"
#include "shell/error.h"
#include "support/temp_dir.h"

namespace tarn {
namespace {

RuleSet Parse(const std::string& text) {
  RuleSet rules;
  ParseRuleText(text, "t.rules", rules);
  return rules;
}

constexpr const char* kRules =
    "[Gun]\n"
    "nickname #1 = String\n"
    "[\" Odd, Kind \"]\n"
    "\"my key\" #2 = String, Long\n"
    "[Loadout]\n"
    "nickname #3 = String\n"
    "equip #4 multiline = item:String -> [Gun]nickname | [\" Odd, Kind \"]\"my key\", "
    "*String -> [Loadout]nickname\n";

TEST(NameTargetTest, TextReadsTargetsAndWritesThemBackTheSame) {
  const RuleSet rules = Parse(kRules);
  const EntryRule& equip = rules.sections[2].entries[1];
  ASSERT_EQ(equip.values.size(), 2u);
  EXPECT_EQ(equip.values[0].name, "item");
  EXPECT_EQ(equip.values[0].type, 3);
  EXPECT_EQ(equip.values[0].refers_to,
            (std::vector<NameTarget>{{"Gun", "nickname"}, {" Odd, Kind ", "my key"}}));
  EXPECT_TRUE(equip.values[1].is_multi);
  EXPECT_EQ(equip.values[1].refers_to, (std::vector<NameTarget>{{"Loadout", "nickname"}}));
  EXPECT_NO_THROW(CheckRuleSet(rules));

  const std::string formatted = FormatRuleText(rules, "t.rules");
  EXPECT_NE(formatted.find("equip #4 multiline = item:String -> [Gun]nickname | "
                           "[\" Odd, Kind \"]\"my key\", *String -> [Loadout]nickname\n"),
            std::string::npos)
      << formatted;
  EXPECT_EQ(FormatRuleText(Parse(formatted), "t.rules"), formatted);
}

TEST(NameTargetTest, FaultsNameTheirLine) {
  struct Case {
    const char* text;
    const char* what;
  } cases[] = {
      // The text form.
      {"[S]\nx #1 = String > [S]x", "t.rules:2: expected \"->\" before what a value names"},
      {"[S]\nx #1 = -> [S]x", "t.rules:2: empty value position"},
      {"[S]\nx #1 = String -> S x",
       "t.rules:2: expected a section in brackets and a key, "
       "as in [Gun]nickname"},
      {"[S]\nx #1 = String -> [S", "t.rules:2: a named section without its closing \"]\""},
      {"[S]\nx #1 = String -> [S]", "t.rules:2: no key after [S]"},
      {"[S]\nx #1 = String -> [S]x |",
       "t.rules:2: expected a section in brackets and a key, "
       "as in [Gun]nickname"},
      {"[S]\nx #1 = String -> [a b]x", "t.rules:2: name \"a b\" needs double quotes"},
      // The check: every named kind is defined by the rules.
      {"[S]\nx #1 = String\ny #2 = Long -> [S]x",
       "t.rules:3: entry \"y\": only a String position can name an object"},
      {"[S]\nx #1 = String -> [T]x", "t.rules:2: entry \"x\": [T]x: no section rule [T]"},
      {"[S]\nx #1 = String -> [s]y", "t.rules:2: entry \"x\": [s]y: no entry rule \"y\" in [s]"},
      {"[S]\nx #1 = Long\ny #2 = String -> [S]x",
       "t.rules:3: entry \"y\": [S]x: its first position is not a String, so it defines no name"},
      {"[S]\nx #1 = String -> [S]x | [s]X", "t.rules:2: entry \"x\": [s]X is named twice"},
  };
  for (const Case& c : cases) {
    try {
      CheckRuleSet(Parse(c.text));
      ADD_FAILURE() << c.text;
    } catch (const RuleSourceError& error) {
      EXPECT_STREQ(error.what(), c.what);
    }
  }
  // Letter case aside, as the game's section and key names.
  EXPECT_NO_THROW(CheckRuleSet(Parse("[S]\nx #1 = String\n[T]\ny #2 = String -> [s]X")));
}

TEST(NameTargetTest, RuleTablesKeepTargetsByIdentifier) {
  testing::TempDir dir;
  Database db = Database::Open(dir.File("TARN.MDB"), Database::Mode::kCreate);
  WriteRuleTables(db, Parse(kRules));

  const std::vector<StoredNameReference> stored = ReadNameReferences(db);
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0].entry_id, 4);
  EXPECT_EQ(stored[0].position, 1);
  EXPECT_FALSE(stored[0].is_multi);
  EXPECT_EQ(stored[0].targets, (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(stored[1].position, 2);
  EXPECT_TRUE(stored[1].is_multi);
  EXPECT_EQ(stored[1].targets, (std::vector<std::int32_t>{3}));
  EXPECT_EQ(FormatRuleText(ReadRuleTables(db), "t.rules"),
            FormatRuleText(Parse(kRules), "t.rules"));

  // Writing again replaces them; a named kind the rules lack is refused, the tables kept.
  WriteRuleTables(db, Parse("[Gun]\nnickname #1 = String\n"));
  EXPECT_TRUE(ReadNameReferences(db).empty());
  EXPECT_THROW(WriteRuleTables(db, Parse("[Gun]\nnickname #1 = String -> [Ship]nickname\n")),
               TarnError);
  EXPECT_EQ(ReadRuleTables(db).sections.size(), 1u);

  // Rule tables made before positions could name anything have no such table.
  db.Exec("DROP TABLE _bc_references");
  EXPECT_TRUE(ReadNameReferences(db).empty());
  EXPECT_EQ(ReadRuleTables(db).sections.size(), 1u);
}

}  // namespace
}  // namespace tarn
