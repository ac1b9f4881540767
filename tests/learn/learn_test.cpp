// The rules learned from small files: what each kind of line teaches, how odd names are
// written, and how --merge widens an installed rule without narrowing it.
#include "learn/learned_rules.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "ini/section_reader.h"
#include "learn/known_check.h"
#include "learn/learn_report.h"
#include "learn/learning.h"
#include "learn/rule_learner.h"
#include "platform/file_system.h"
#include "rules/rule_text.h"
#include "settings/settings.h"
#include "support/core_fixture.h"
#include "support/settings_db.h"
#include "support/world.h"

namespace tarn {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

// The items of a list written with '|' between them ("" has none); "g1..100" stands for g1 to
// g100.
std::vector<std::string> Items(std::string_view list) {
  std::vector<std::string> items;
  while (!list.empty() || !items.empty()) {
    const std::size_t bar = list.find('|');
    const std::string item(list.substr(0, bar));
    const std::size_t dots = item.find("..");
    if (dots == std::string::npos) {
      items.push_back(item);
    } else {
      const std::size_t digits = item.find_first_of("0123456789");
      for (int i = std::stoi(item.substr(digits)); i <= std::stoi(item.substr(dots + 2)); ++i) {
        items.push_back(item.substr(0, digits) + std::to_string(i));
      }
    }
    if (bar == std::string_view::npos) break;
    list.remove_prefix(bar + 1);
  }
  return items;
}

class LearnedRulesTest : public testing::CoreTest {
 protected:
  // Reads text as one data file of the area "ships" and learns from it, starting from the
  // rule text start. Returns the learned rules as rule text, without the file's comment line
  // and the blank lines.
  std::vector<std::string> Learn(const std::string& text, const std::string& start = "",
                                 bool merge = false) {
    return LearnFiles({{"ships.ini", text}}, "ships", start, merge);
  }
  // The same for several files of one area, read in the order given, each below game/.
  std::vector<std::string> LearnFiles(const std::vector<std::pair<std::string, std::string>>& texts,
                                      const std::string& area, const std::string& start = "",
                                      bool merge = false) {
    files.AddFolder("game");
    recorded = RecordedValues();
    RuleLearner learner({{74, "system", "file"}}, recorded);
    log.SetFindings(&learner);
    for (const auto& [name, text] : texts) {
      files.SetFile("game/" + name, text);
      LineSource file(files, log);
      file.SetFileName("game/" + name);
      SectionBuffer buffer;
      while (ReadSection(buffer, file, log)) learner.HandleSection(area, buffer);
    }
    RuleSet start_rules;
    if (!start.empty()) ParseRuleText(start, AreaRuleFile(area), start_rules);
    learned = LearnRules(learner.Seen(), start_rules, merge);
    seen = learner.Seen();
    std::vector<std::string> lines;
    const std::string rules = FormatRuleText(learned.rules, AreaRuleFile(area));
    std::size_t at = rules.find('\n') + 1;
    while (at < rules.size()) {
      const std::size_t end = rules.find('\n', at);
      if (end > at) lines.push_back(rules.substr(at, end - at));
      at = end + 1;
    }
    return lines;
  }

  LearnedRules learned;
  Observations seen;
  RecordedValues recorded;
};

TEST_F(LearnedRulesTest, EachPositionTakesTheTightestTypeItsValuesAreWrittenIn) {
  struct Case {
    const char* values;  // the values of one key in three sections
    const char* rule;
  } cases[] = {
      {"1|-2|&H10", "k #1 mandatory = Whole"},        // a Long that takes no decimal
      {"1|2.5|1e3", "k #1 mandatory = Double"},       // 1e3 is whole, not written so
      {"1|2|3000000000", "k #1 mandatory = Double"},  // beyond the Long range
      {"true|FALSE|True", "k #1 mandatory = Boolean"},
      {"1|true|2", "k #1 mandatory = String"},  // 1 is no Boolean word
      {"1, a|2|3, b, 4", "k #1 mandatory = Whole, *String"},
      {"|1|2, 3", "k #1 mandatory = *Whole"},  // a line without values
      {"||", "k #1 mandatory = *String"},      // only lines without values
  };
  for (const Case& c : cases) {
    std::string text;
    for (const std::string& value : Items(c.values)) text += "[S]\r\nk = " + value + "\r\n";
    EXPECT_THAT(Learn(text), ElementsAre("[S]", c.rule)) << c.values;
  }
}

TEST_F(LearnedRulesTest, FlagsLetterCaseOrderAndIdentifiers) {
  EXPECT_THAT(
      Learn("[ship]\r\nNick = a\r\nhp = 1\r\nhp = 2\r\n"
            "[Ship]\r\nnick = b\r\n"
            "[Ship]\r\nnick = c\r\nspeed = 3\r\n"
            "[system]\r\nfile = x.ini\r\n",
            "[system]\nfile #74 mandatory = name:String\n"),
      ElementsAre("[system]", "file #74 mandatory = String", "[Ship]",
                  "nick #75 mandatory = String", "hp #76 multiline = Whole", "speed #77 = Whole"));
  EXPECT_THAT(LearnReport("game", false, seen, learned),
              HasSubstr("- key rules learned: 3; the reference rules keep their identifiers (1, 0 "
                        "of them now unlike the installed ones)"));
  // The reference rule keeps its identifier, and its value is kept for the walk as the value
  // query would give it: names as stored, in lower case.
  auto rows = recorded.Query(74);
  StoredValueRow row;
  ASSERT_TRUE(rows->Next(row));
  EXPECT_EQ(row.area + "|" + row.section + "|" + row.entry + "|" + row.file + "|" +
                std::to_string(row.section_line) + "|" + std::to_string(row.entry_line) + "|" +
                row.value.value_or("null"),
            "ships|system|file|game/ships.ini|10|11|x.ini");
  EXPECT_FALSE(rows->Next(row));
}

TEST_F(LearnedRulesTest, OddNamesAreQuotedAndReadBack) {
  std::vector<std::string> rules = Learn(
      "[ Ship ]\r\nmax speed = 5\r\nsay \"hi\" = 1\r\n=5\r\n"
      "[Empty]\r\n"
      "[]\r\nq = 1\r\n");
  EXPECT_THAT(rules, ElementsAre("[\" Ship \"]", "\"max speed\" #1 mandatory = Whole",
                                 "\"say \"\"hi\"\"\" #2 mandatory = Whole",
                                 "\"=5\" #3 mandatory = *String", "[Empty]", "\";\" #4 = *String"));
  // What is written reads back as the same rule set, which loads.
  RuleSet again;
  ParseRuleText(FormatRuleText(learned.rules, "ships.rules"), "ships.rules", again);
  EXPECT_EQ(FormatRuleText(again, "ships.rules"), FormatRuleText(learned.rules, "ships.rules"));
  ASSERT_EQ(seen.undescribable.size(), 1u);
  EXPECT_THAT(seen.undescribable[0].what, HasSubstr("without a name"));
  // An area's rule file is named in characters every file system takes.
  EXPECT_EQ(AreaRuleFile("My Ships-2"), "my_ships-2.rules");
  EXPECT_EQ(AreaRuleFile("Azure 09"), "azure_09.rules");  // the ends of each range
}

TEST_F(LearnedRulesTest, LinesNoRuleCanDescribeAreListed) {
  Learn("[Ship\r\nseparable\r\nk = " + std::string(33000, 'x') + "\r\n");
  ASSERT_EQ(seen.undescribable.size(), 3u);
  EXPECT_THAT(seen.undescribable[0].what, HasSubstr("10301"));
  EXPECT_EQ(seen.undescribable[0].place.line, 1);
  EXPECT_THAT(seen.undescribable[1].what, HasSubstr("repairs"));
  EXPECT_EQ(seen.undescribable[1].place.line, 2);
  EXPECT_THAT(seen.undescribable[2].what, HasSubstr("32,766"));
}

// A kind that writes a flag key only alone learns "bare", only with values "valued", both ways
// neither; merging, a rule the folder contradicts stops saying, one it writes bare says so.
TEST_F(LearnedRulesTest, EachSectionKindLearnsHowItWritesItsFlagKeys) {
  EXPECT_THAT(Learn("[Ship]\nseparable\n[ship]\nseparable\n[Base]\nseparable\n[Base]\n"
                    "separable = true\n[Gun]\nseparable = true\noffer_missions\n"),
              ElementsAre("[Ship]", "separable #1 mandatory bare = Boolean", "[Base]",
                          "separable #2 mandatory = Boolean", "[Gun]",
                          "separable #3 mandatory valued = Boolean",
                          "offer_missions #4 mandatory bare = Boolean"));
  EXPECT_THAT(
      Learn("[Gun]\nseparable = true\n[Ship]\nseparable\n[Base]\nseparable = false\n",
            "[Gun]\nseparable #1 bare = Boolean\n[Ship]\nseparable #2 = Boolean\n"
            "[Base]\nseparable #3 valued = Boolean\n",
            true),
      ElementsAre("[Gun]", "separable #1 = Boolean", "[Ship]", "separable #2 bare = Boolean",
                  "[Base]", "separable #3 valued = Boolean"));
}

// A line met many times is one item with its count and first places, and the report opens
// with the few items most worth a look.
TEST_F(LearnedRulesTest, RepeatedLinesAreGroupedAndTheFirstItemsSummed) {
  std::string text;
  for (int i = 1; i <= 6; ++i) text += "[A" + std::to_string(i) + "\r\n";
  for (int i = 0; i < 5; ++i) text += "[S]\r\nseparable\r\n";
  Learn(text);
  const std::string report = LearnReport("game", false, seen, learned);
  const std::string repaired =
      "a malformed line the reader repairs: 5 times, first at game/ships.ini:8, "
      "game/ships.ini:10, game/ships.ini:12\n";
  const std::size_t look = report.find(
      "\n## Worth a look\n\n- 10301 - Section has no closing "
      "bracket ![A1!! (at game/ships.ini:1)\n");
  const std::size_t lines = report.find("\n## Lines no rule can describe\n\n- game/ships.ini:1: ");
  ASSERT_LT(look, lines) << report;
  ASSERT_NE(lines, std::string::npos) << report;
  EXPECT_LT(report.find("- and 2 more items below\n", look), lines);
  EXPECT_NE(report.find("- " + repaired, lines), std::string::npos) << report;
  EXPECT_EQ(report.find("separable", report.find(repaired) + 1), std::string::npos);
}

TEST_F(LearnedRulesTest, FewOddValuesAreReportedWithWhereTheyStand) {
  std::string text = "[S]\r\nk = yes\r\n";
  for (int i = 0; i < 150; ++i) text += "[S]\r\nk = " + std::to_string(i) + "\r\n";
  EXPECT_THAT(Learn(text), ElementsAre("[S]", "k #1 mandatory = String"));
  ASSERT_EQ(learned.odd_positions.size(), 1u);
  const OddPosition& odd = learned.odd_positions[0];
  EXPECT_EQ(odd.candidate, kLongCandidate);
  EXPECT_EQ(odd.values, 151);
  ASSERT_EQ(odd.odd.size(), 1u);
  EXPECT_EQ(odd.odd[0].value, "yes");
  EXPECT_EQ(odd.odd[0].place.line, 2);
  EXPECT_THAT(
      LearnReport("game", false, seen, learned),
      ::testing::AllOf(HasSubstr("- [S] k, value 1: 150 of 151 values are Long; the others:\n"
                                 "  - `yes` at game/ships.ini:2\n"),
                       HasSubstr("\n## Names that refer to other objects\n\nNone found.\n")));
  // Two in a hundred are no longer "a few".
  Learn("[S]\r\nk = no\r\n" + text);
  EXPECT_TRUE(learned.odd_positions.empty());
}

TEST_F(LearnedRulesTest, MergeWidensAndNeverNarrows) {
  const std::string installed =
      "[Ship]\n"
      "nick #2001 mandatory = name:String\n"
      "mass #2002 mandatory = Long\n"
      "pos #2003 = x:Long, y:Long, z:Long\n"
      "hp #2004 multiline = Double\n"
      "gone #2005 mandatory = String\n"
      "tag #2006 = Long\n";
  EXPECT_THAT(Learn("[Ship]\r\nnick = a\r\nmass = 1.5\r\npos = 1, 2\r\nhp = 3\r\nnew = x\r\n"
                    "[Ship]\r\nnick = b\r\nmass = 2\r\npos = 1, 2, 3, 4\r\nnew = y\r\nnew = z\r\n"
                    "tag = t1\r\n",
                    installed, true),
              ElementsAre("[Ship]", "nick #2001 mandatory = name:String",
                          "mass #2002 mandatory = Double", "pos #2003 = x:Long, y:Long, *Long",
                          "hp #2004 multiline = Double", "gone #2005 = String",
                          "tag #2006 = String", "new #2007 multiline mandatory = String"));
  std::vector<std::string> how;
  for (const RuleChange& change : learned.changes) {
    how.push_back(change.key + ": " + std::to_string(static_cast<int>(change.kind)) + " " +
                  change.how);
  }
  EXPECT_THAT(how, ElementsAre("nick: 2 ", "mass: 1 position 1 Long -> Double",
                               "pos: 1 fixed values 3 -> 2; variable tail added (Long)", "hp: 2 ",
                               "new: 0 ", "tag: 1 position 1 Long -> String",
                               "gone: 1 no longer mandatory"));
  // The report lists the widened rules alone.
  const std::string report = LearnReport("game", true, seen, learned);
  EXPECT_THAT(report, HasSubstr("- key rules added: 1, widened: 4, unchanged: 2\n"));
  EXPECT_THAT(report, HasSubstr("- [Ship] mass: position 1 Long -> Double\n"));
  EXPECT_THAT(report, Not(HasSubstr("] nick:")));
}

// One installed rule against what the folder shows of its key: what is neither of two types
// widens to text, a key seen only in lines too long to read keeps no fixed position, and a
// key the section does not hold leaves a rule that was not mandatory as it was.
TEST_F(LearnedRulesTest, MergeWidensOneRuleToWhatBothTake) {
  struct Case {
    const char* installed;  // the rule of k in [S]
    std::string line;       // the one line of the one [S] section
    const char* rule;
    const char* how;
  } cases[] = {
      {"k #9 = Double", "k = a", "k #9 = String", "position 1 Double -> String"},
      {"k #9 = Boolean", "k = 1", "k #9 = String", "position 1 Boolean -> String"},
      {"k #9 = Long", "k = " + std::string(33000, 'x'), "k #9 = *Long",
       "fixed values 1 -> 0; variable tail added (Long)"},
      {"k #9 = Long", "j = 1", "k #9 = Long", ""},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> lines =
        Learn("[S]\r\n" + c.line + "\r\n", "[S]\n" + std::string(c.installed) + "\n", true);
    EXPECT_EQ(lines.at(1), c.rule) << c.installed << " / " << c.line.substr(0, 8);
    for (const RuleChange& change : learned.changes) {
      if (change.key == "k") {
        EXPECT_EQ(change.how, c.how) << c.installed;
      }
    }
  }
}

// Names that one kind of section defines and other lines use: what makes a position a
// reference, and what keeps it from being one.
TEST_F(LearnedRulesTest, ReferencesAreLearnedOnlyFromManyNamesThatAreAllDefined) {
  struct Case {
    const char* what;
    // The nicknames of the [Gun] sections, '|' between them; "g1..100" is g1 to g100, and
    // "id=g1" a section identified by the key id instead.
    const char* guns;
    const char* engines;  // the nicknames of the [Engine] sections
    const char* uses;     // the first values of the [Loadout] equip lines; "g1*3": g1 thrice
    const char* equip;    // the learned rule of equip, or "" for no reference
  } cases[] = {
      {"all defined", "g1|g2|g3|g4|g5", "", "g1|g2|g3|g4|g5|g1", "[Gun]nickname"},
      {"letter case does not count", "g1|g2|g3|g4|g5", "", "G1|g2|G3|g4|g5", "[Gun]nickname"},
      {"two kinds cover the uses", "g1|g2|g3|g4", "e1|e2", "g1|g2|g3|g4|e1|e2|g1",
       "[Gun]nickname | [Engine]nickname"},
      {"too few names", "g1|g2|g3|g4|g5", "", "g1|g2|g3|g4|g1", ""},
      {"a name nothing defines", "g1|g2|g3|g4|g5", "", "g1|g2|g3|g4|g5|g6", ""},
      {"one use in 200 undefined", "g1|g2|g3|g4|g5", "", "g1*195|g2|g3|g4|g5|g6", "[Gun]nickname"},
      {"a nickname defined twice", "g1|g2|g3|g4|g5|g5", "", "g1|g2|g3|g4|g5", ""},
      {"one use in 100 undefined", "g1..99", "", "g1..99|g200", "[Gun]nickname"},
      {"two uses in 100 undefined", "g1..98", "", "g1..98|g200|g201", ""},
      {"one name in 101 defined twice", "g1..100|g7", "", "g1..100", "[Gun]nickname"},
      {"two names in 102 defined twice", "g1..100|g7|g8", "", "g1..100", ""},
      {"a few identified by another key", "id=g1..5|g6|g7", "", "g1..7", "[Gun]id | [Gun]nickname"},
      {"one section identified by another key", "id=g1..5|g6", "", "g1..6", ""},
      {"names that are file paths", "a\\g1|a\\g2|a/g3|a\\g4|a\\g5", "",
       "a\\g1|a\\g2|a/g3|a\\g4|a\\g5|a\\g1", ""},
  };
  for (const Case& c : cases) {
    std::string text;
    for (const std::string& name : Items(c.guns)) {
      const std::size_t is = name.find('=');
      text += "[Gun]\n" +
              (is == std::string::npos ? "nickname = " + name
                                       : name.substr(0, is) + " = " + name.substr(is + 1)) +
              "\n";
    }
    for (const std::string& name : Items(c.engines)) {
      text += "[Engine]\nnickname = " + name + "\n";
    }
    for (const std::string& use : Items(c.uses)) {
      const std::size_t star = use.find('*');
      const int times = star == std::string::npos ? 1 : std::stoi(use.substr(star + 1));
      for (int i = 0; i < times; ++i) {
        text += "[Loadout]\nequip = " + use.substr(0, star) + ", HpWeapon01\n";
      }
    }
    const std::vector<std::string> lines = Learn(text);
    std::string rule;
    for (const std::string& line : lines) {
      if (line.starts_with("equip ")) rule = line;
    }
    if (*c.equip == '\0') {
      EXPECT_THAT(rule, Not(HasSubstr("->"))) << c.what;
    } else {
      EXPECT_THAT(rule, HasSubstr("String -> " + std::string(c.equip) + ", String")) << c.what;
    }
  }
}

// Rooms are named alike in every base: a position learns its names as local to a group of
// files only when each use finds its name in its own group, and the names repeat across
// groups. game/universe.ini names the two group files a.ini and b.ini.
TEST_F(LearnedRulesTest, NamesLocalToAGroupOfFilesAreLearnedWhereUsesStayInTheirGroup) {
  struct Case {
    const char* what;
    const char* a_rooms;  // the rooms a.ini defines, then the rooms it uses, '|' between
    const char* a_uses;
    const char* b_rooms;
    const char* b_uses;
    const char* rule;  // the learned targets of room_switch, or "" for none
  } cases[] = {
      {"each group uses its own rooms", "r1 r2 r3 r4 r5", "r1 r2 r3 r4 r5", "r1 r2 r3 r4 r5",
       "r5 r4 r3 r2 r1", "-> local [Room]nickname"},
      {"uses cross groups", "r1 r2 r3 r4 r5", "r1 r2 r3 r4 r5", "r1 r2 r3 r6 r7", "r1 r2 r3 r4 r5",
       ""},
      {"names unique in the folder", "a1 a2 a3 a4 a5", "a1 a2 a3 a4 a5", "b1 b2 b3 b4 b5",
       "b1 b2 b3 b4 b5", "-> [Room]nickname"},
  };
  auto file = [](std::string_view rooms, std::string_view uses) {
    std::string text;
    std::istringstream defined{std::string(rooms)}, used{std::string(uses)};
    for (std::string name; defined >> name;) text += "[Room]\nnickname = " + name + "\n";
    for (std::string name; used >> name;) text += "[Hotspot]\nroom_switch = " + name + "\n";
    return text;
  };
  for (const Case& c : cases) {
    std::string rule;
    for (const std::string& line :
         LearnFiles({{"universe.ini", "[system]\nfile = a.ini\n[system]\nfile = b.ini\n"},
                     {"a.ini", file(c.a_rooms, c.a_uses)},
                     {"b.ini", file(c.b_rooms, c.b_uses)}},
                    "universe")) {
      if (line.starts_with("room_switch ")) rule = line;
    }
    ASSERT_NE(rule, "") << c.what;
    if (*c.rule == '\0') {
      EXPECT_THAT(rule, Not(HasSubstr("->"))) << c.what;
    } else {
      EXPECT_THAT(rule, HasSubstr(std::string("String ") + c.rule)) << c.what;
    }
  }
}

// Known findings a check no longer met join its JSON report as findings of their own; a text
// that is not such a report is left as it is.
TEST(KnownCheckTest, KeptFingerprintsJoinTheReportsFindings) {
  const std::string none = "{\n  \"findings\": [\n  ]\n}\n";
  EXPECT_EQ(WithKeptFingerprints(none, {}), none);
  EXPECT_EQ(WithKeptFingerprints(none, {"a"}),
            "{\n  \"findings\": [\n    {\"fingerprint\": \"a\", \"baselineState\": "
            "\"unchanged\"}\n  ]\n}\n");
  EXPECT_EQ(WithKeptFingerprints("not a report", {"a"}), "not a report");
}

// A data file that cannot be read at all is listed among what no rule describes, and the
// learning goes on with the next file.
TEST(LearnFromFolderTest, AnUnreadableFileIsListedAndTheNextFileStillLearned) {
  testing::TempDir game, home;
  testing::WriteWorld(game.Path(), {{"EXE/kestrovar.ini", "[Data]\nships = a.ini\nships = b.ini\n"},
                                    {"DATA/a.ini", "BINI\x01\x00\x00\x00\xff\xff"},
                                    {"DATA/b.ini", "[Ship]\nnickname = x\n"}});
  testing::MakeSettingsDB(home.File("TARN.MDB"), {.kv_path = game.Path(), .log_path = home.Path()});
  testing::RecordingFrontEnd front_end;
  RealFileSystem files;
  Settings settings{front_end};
  settings.SetSettingsDBName(home.File("TARN.MDB"));
  const LearnResult result = LearnFromFolder(settings, front_end, files, false);
  ASSERT_EQ(result.seen.undescribable.size(), 1u);
  EXPECT_THAT(result.seen.undescribable[0].place.file, HasSubstr("a.ini"));
  EXPECT_THAT(FormatRuleText(result.learned.rules, "ships.rules"), HasSubstr("nickname"));
}

// rules learn writes a folder that is new, empty or its own, whole or not at all; any other
// folder, and one that holds the game, is left exactly as it was, with the reason.
TEST(WriteLearnedFolderTest, WritesANewEmptyOrItsOwnFolderWholeAndLeavesOthersAsTheyWere) {
  using Tree = testing::MemoryFileSystem;
  const auto foreign = [](Tree& t) {
    t.AddFolder("out");
    t.SetFile("out/stale.rules", "");
  };
  const auto own = [&](Tree& t) {
    foreign(t);
    t.SetFile("out/.tarn-learned", "");
  };
  const struct {
    std::function<void(Tree&)> before;
    std::string why;  // "" when the folder is written
  } cases[] = {
      {[](Tree&) {}, ""},
      {[](Tree& t) { t.AddFolder("out"); }, ""},
      {own, ""},
      {foreign, "did not write there"},
      {[&](Tree& t) { own(t), t.AddFolder("out/game"); }, "out: it contains the game folder"},
      {[&](Tree& t) { own(t), t.AddFolder("out/home"); }, "out: it contains the home folder"},
      {[&](Tree& t) { own(t), t.AddFolder("out/log"); }, "out: it contains the log folder"},
      {[](Tree& t) { t.SetFile("out", ""); }, "out exists and is not a folder"},
      {[&](Tree& t) { own(t), t.FailWriteAfter("out/LEARNED.md", 2); },
       "cannot write out: Path/File access error: No space left on device"},
      {[&](Tree& t) { own(t), t.FailRename("out"); }, "cannot write out: Path/File access error"},
  };
  LearnResult result;
  result.report = "# Learned\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    Tree files;
    c.before(files);
    const bool stale = files.HasFile("out/stale.rules");
    std::string why;
    try {
      WriteLearnedFolder(files, result, "out", {"out/home", "out/log", "out/game", std::nullopt});
    } catch (const LearnError& error) {
      why = error.what();
    }
    if (c.why.empty()) {
      EXPECT_EQ(why, "");
    }
    EXPECT_THAT(why, HasSubstr(c.why));
    EXPECT_EQ(files.HasFile("out/LEARNED.md"), c.why.empty());
    EXPECT_EQ(files.HasFile("out/stale.rules"), stale && !c.why.empty());
  }
}

}  // namespace
}  // namespace tarn
