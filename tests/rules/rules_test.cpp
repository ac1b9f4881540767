#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "datadb/database.h"
#include "platform/error.h"
#include "rules/dump_rules.h"
#include "rules/rule_check.h"
#include "rules/rule_diff.h"
#include "rules/rule_folder.h"
#include "rules/rule_history.h"
#include "rules/rule_json.h"
#include "rules/rule_library.h"
#include "rules/rule_tables.h"
#include "rules/rule_text.h"
#include "support/core_fixture.h"
#include "support/memory_file_system.h"
#include "support/settings_db.h"
#include "support/world.h"

namespace tarn {
namespace {

RuleSet Parse(const std::string& text) {
  RuleSet rules;
  ParseRuleText(text, "t.rules", rules);
  return rules;
}

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
    try {
      CheckRuleSet(Parse(text));
      ADD_FAILURE() << text;
    } catch (const RuleSourceError& error) {
      EXPECT_EQ(error.what(), "t.rules:" + what);
    }
  }
  EXPECT_NO_THROW(CheckRuleSet(Parse("[S]\nx #1 = Long, *String\n[T]\nx #2 = Long")));
  // In a quoted name, "" stands for one '"'.
  EXPECT_EQ(Parse("[S]\nx #1 = \"a\"\"b\":Long").sections[0].entries[0].values[0].name, "a\"b");
  // A named kind is found letter case aside, as the game's section and key names are.
  EXPECT_NO_THROW(CheckRuleSet(Parse("[S]\nx #1 = String\n[T]\ny #2 = String -> [s]X")));
}

// Positions that name objects defined elsewhere: one or more kinds each, odd names quoted.
constexpr const char* kNamingRules =
    "[Gun]\n"
    "nickname #1 = String\n"
    "[\" Odd, Kind \"]\n"
    "\"my key\" #2 = String, Whole\n"
    "[Loadout]\n"
    "nickname #3 = String\n"
    "equip #4 multiline = item:String -> [Gun]nickname | [\" Odd, Kind \"]\"my key\", "
    "*String -> [Loadout]nickname\n"
    "[\"Tabbed\t\"]\n"
    "k #5 = Long\n"
    "\"carriage\rreturn\" #6 = Long\n";

TEST(RuleTextTest, NamedKindsAreReadAndWrittenBackTheSame) {
  const RuleSet rules = Parse(kNamingRules);
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

TEST(RuleTablesTest, KeepNamedKindsByIdentifier) {
  testing::TempDir dir;
  Database db = Database::Open(dir.File("TARN.MDB"), Database::Mode::kCreate);
  WriteRuleTables(db, Parse(kNamingRules));

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
            FormatRuleText(Parse(kNamingRules), "t.rules"));

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

// The fault a rule folder's reader raises, as "FILE:LINE: ..." and whether it is one of the
// place (RuleFolderError) rather than of the text; "" when it reads the folder.
std::string ReadFault(testing::MemoryFileSystem& files, const std::string& folder) {
  try {
    ReadRuleFolder(files, folder);
  } catch (const RuleFolderError& error) {
    return std::string("place: ") + error.what();
  } catch (const RuleSourceError& error) {
    return std::string("text: ") + error.what();
  }
  return "";
}

// Rule files are found whatever the letter case of ".rules", read through the file system,
// and a file that starts with a UTF-8 byte order mark is taken as UTF-8.
TEST(RuleFolderTest, ReadsEveryRuleFileAndUtf8WithAByteOrderMark) {
  testing::MemoryFileSystem files;
  files.AddFolder("r");
  files.SetFile("r/SHIPS.RULES", "[Ship]\nnickname #1 = String\n");
  files.SetFile("r/b.Rules", "\xEF\xBB\xBF[Caf\xC3\xA9]\nprice #2 = \xE2\x82\xAC:Long\n");
  files.SetFile("r/c.rules", "[Raw\xC3\xA9]\nx #3 = Long\n");  // no mark: the code page's bytes
  files.SetFile("r/notes.txt", "[Not]\nx #4 = Long\n");
  files.SetFile("r/.rules", "[Not]\nx #5 = Long\n");
  const RuleSet rules = ReadRuleFolder(files, "r");
  ASSERT_EQ(rules.sections.size(), 3u);
  EXPECT_EQ(rules.sections[0].file, "SHIPS.RULES");
  EXPECT_EQ(rules.sections[1].name, "Caf\xE9");
  EXPECT_EQ(rules.sections[1].entries[0].values[0].name, "\x80");
  EXPECT_EQ(rules.sections[2].name, "Raw\xC3\xA9");

  // A character the code page lacks, or bytes that are not UTF-8, name their line.
  for (const char* bad : {"\xE2\x82\xBD", "\xF0\x9F\x9A\x80", "\xC3", "\xC1\x81"}) {
    files.SetFile("r/b.Rules", std::string("\xEF\xBB\xBF[S]\n; ok\nx #9 = Long ; ") + bad + "\n");
    EXPECT_THAT(ReadFault(files, "r"), ::testing::StartsWith("text: b.Rules:3: a character"))
        << bad;
  }
  // What cannot be read as a file is a fault of the place, never waited on or skipped.
  files.SetFile("r/b.Rules", "");
  EXPECT_EQ(ReadFault(files, "none"), "place: cannot read the folder: Path not found");
  files.FailReadAfter("r/SHIPS.RULES", 2);
  EXPECT_EQ(ReadFault(files, "r"),
            "place: SHIPS.RULES: cannot be read: Path/File access error: Input/output error");
}

// Export writes each file whole through the file system, makes the folder, and names the
// file it could not write.
TEST(RuleFolderTest, ExportWritesWholeFilesAndNamesTheOneItCannotWrite) {
  RuleSet rules = Parse(kNamingRules);
  rules.sections[1].file = "odd.rules";
  testing::MemoryFileSystem files;
  files.AddFolder("out");
  files.SetFile("out/README", "mine");
  WriteRuleFolder(files, rules, "out/rules");
  EXPECT_EQ(files.File("out/rules/t.rules"), FormatRuleText(rules, "t.rules"));
  EXPECT_EQ(files.File("out/rules/odd.rules"), FormatRuleText(rules, "odd.rules"));
  WriteRuleFolder(files, rules, "out");
  EXPECT_EQ(files.File("out/README"), "mine");
  files.Lock("out/odd.rules");
  try {
    WriteRuleFolder(files, rules, "out");
    ADD_FAILURE();
  } catch (const RuleFolderError& error) {
    EXPECT_EQ(error.In("out"), "out/odd.rules: cannot be written: Path/File access error");
  }
  EXPECT_THROW(WriteRuleFolder(files, rules, "out/README"), RuleFolderError);
  // A write that fails part way leaves the file as it was.
  files.SetFile("out/t.rules", "old");
  files.FailWriteAfter("out/t.rules", 4);
  EXPECT_THROW(WriteRuleFolder(files, rules, "out"), RuleFolderError);
  EXPECT_EQ(files.File("out/t.rules"), "old");
}

// 200,000 sections in 20 files, each naming the one before it: exported from the rule tables
// and imported again in time that grows with the sections, and the same files come back.
TEST(RuleFolderTest, ExportAndImportOfManySectionsRoundTrip) {
  constexpr int kSections = 200000;
  RuleSet rules;
  for (int i = 0; i < kSections; ++i) {
    SectionRule section{"Kind" + std::to_string(i), "area" + std::to_string(i % 20) + ".rules"};
    section.entries.push_back({"nickname", 2 * i + 1, 1, 1, false, false, true, {{"n", 3}}});
    EntryRule link{"link", 2 * i + 2, 2, 1, true, false, false, {{std::nullopt, 3}}};
    if (i > 0) link.values[0].refers_to.push_back({"Kind" + std::to_string(i - 1), "nickname"});
    section.entries.push_back(link);
    rules.sections.push_back(std::move(section));
  }
  testing::TempDir dir;
  Database db = Database::Open(dir.File("TARN.MDB"), Database::Mode::kCreate);
  WriteRuleTables(db, rules);
  testing::MemoryFileSystem files;
  WriteRuleFolder(files, ReadRuleTables(db), "r");
  const RuleSet read = ReadRuleFolder(files, "r");
  CheckRuleSet(read);
  ImportRuleTables(db, read);
  const std::vector<FolderFile> again = RuleFolderFiles(ReadRuleTables(db));
  ASSERT_EQ(again.size(), 20u);
  for (const FolderFile& file : again) EXPECT_EQ(file.data, files.File("r/" + file.name));
}

// An import keeps the rule set it replaces, exactly as it was and whatever its design, for
// one restore; a refused import changes nothing, not even what is kept.
TEST(RuleTablesTest, ImportKeepsTheReplacedRuleSetForOneRestore) {
  testing::TempDir dir;
  const std::string path = dir.File("TARN.MDB");
  for (const testing::SettingsContent& content :
       {testing::SettingsContent{.rules = kNamingRules},
        testing::SettingsContent{.query_rows = testing::Rows{"A|x|1|3|0|0|0|100|v|1|Long|1|0"}}}) {
    testing::MakeSettingsDB(path, content);
    Database db = Database::Open(path, Database::Mode::kReadWrite);
    const testing::Rows before = testing::Everything(db);
    EXPECT_FALSE(RestoreRuleObjects(db));
    ImportRuleTables(db, Parse("[Gun]\nnickname #1 = String\n"));
    const testing::Rows imported = testing::Everything(db);
    EXPECT_THROW(ImportRuleTables(db, Parse("[Gun]\nnickname #1 = String -> [X]y\n")), TarnError);
    EXPECT_EQ(testing::Everything(db), imported);
    EXPECT_TRUE(RestoreRuleObjects(db));
    EXPECT_EQ(testing::Everything(db), before);
    EXPECT_FALSE(RestoreRuleObjects(db));
    // Only what the last import replaced is kept.
    ImportRuleTables(db, Parse("[Gun]\nnickname #1 = String\n"));
    const testing::Rows gun = testing::RowsOf(db, "SELECT * FROM _bc_ListSections");
    ImportRuleTables(db, Parse("[Ship]\nnickname #7 = String, Whole\n"));
    EXPECT_TRUE(RestoreRuleObjects(db));
    EXPECT_EQ(testing::RowsOf(db, "SELECT * FROM _bc_ListSections"), gun);
  }
}

// A whole number keeps its mark through the tables wherever it stands: first, between, last.
TEST(RuleTablesTest, WholeNumbersKeepTheirMarkAtEveryPosition) {
  for (const char* text : {"[Ship]\nm #1 = Whole\n", "[Ship]\nm #1 = Whole, String, Whole\n",
                           "[Ship]\nm #1 = String, Whole, Long\n"}) {
    testing::TempDir dir;
    Database db = Database::Open(dir.File("TARN.MDB"), Database::Mode::kCreate);
    WriteRuleTables(db, Parse(text));
    EXPECT_EQ(FormatRuleText(ReadRuleTables(db), "t.rules"), FormatRuleText(Parse(text), "t.rules"))
        << text;
  }
}

// A target local to groups of files keeps its mark (however it is spaced or cased) through the
// rule text and the tables; tables written before the mark existed read as naming no local
// target.
TEST(RuleTablesTest, KeepTheLocalMarkOfATarget) {
  const char* text =
      "[Room]\nnickname #1 = String\n[Hotspot]\nroom_switch #2 = String -> local "
      "[Room]nickname\n";
  testing::TempDir dir;
  Database db = Database::Open(dir.File("TARN.MDB"), Database::Mode::kCreate);
  WriteRuleTables(db, Parse(text));
  ASSERT_EQ(ReadNameReferences(db).size(), 1u);
  EXPECT_EQ(ReadNameReferences(db)[0].local_targets, (std::vector<std::int32_t>{1}));
  EXPECT_EQ(FormatRuleText(ReadRuleTables(db), "t.rules"), FormatRuleText(Parse(text), "t.rules"));
  for (const char* spelled :
       {"local [Room]nickname", "LOCAL\t[Room]nickname", "local[Room]nickname"}) {
    const std::string rules =
        "[Room]\nnickname #1 = String\n[Hotspot]\nroom_switch #2 = String -> " +
        std::string(spelled) + "\n";
    EXPECT_NE(FormatRuleText(Parse(rules), "t.rules").find("-> local [Room]nickname"),
              std::string::npos)
        << spelled;
  }

  db.Exec(
      "CREATE TABLE old AS SELECT DB_ID, EntryID, IDX, TargetEntryID FROM _bc_references; "
      "DROP TABLE _bc_references; ALTER TABLE old RENAME TO _bc_references");
  ASSERT_EQ(ReadNameReferences(db).size(), 1u);
  EXPECT_TRUE(ReadNameReferences(db)[0].local_targets.empty());
}

using testing::Rows;

// The rule loader and the dump over a settings database of the given content.
class InitParseTest : public testing::CoreTest {
 protected:
  // Loads the rules (dumps them, when dump is set); the log, which is empty when they loaded.
  std::string Load(const testing::SettingsContent& content, bool dump = false) {
    testing::MakeSettingsDB(dir_.File("TARN.MDB"), content);
    Database db = Database::Open(dir_.File("TARN.MDB"), Database::Mode::kReadWrite);
    files.SetFile(kLogFile, "");
    library_.reset();
    ended_ = 0;
    try {
      if (dump) DumpRules(log, db);
      if (!dump) library_ = InitParse(log, db);
    } catch (const ProgramEnd& end) {
      EXPECT_EQ(library_, nullptr);
      ended_ = end.status;
    }
    return LogText();
  }
  testing::TempDir dir_;
  std::unique_ptr<RuleLibrary> library_;
  int ended_ = 0;  // the status the program ended with; 0 when it went on
};

TEST_F(InitParseTest, BuildsSectionsEntriesAndSlotsInQueryOrder) {
  ASSERT_EQ(Load({.rules = "[Ship]\n"
                           "nickname #2001 mandatory = nick:String\n"
                           "pos #2002 = x:Long, Double, *Boolean\n"
                           "[Base]\n"
                           "file #101 multiline = path:String\n"}),
            "");
  ASSERT_EQ(library_->Count(), 2);
  Section& ship = library_->Item("SHIP");
  EXPECT_EQ(ship.SectionName(), "Ship");
  EXPECT_EQ(ship.Count(), 2);
  EXPECT_TRUE(ship.Item("nickname").IsMandatory());
  const Entry& pos = ship.Item("POS");
  EXPECT_EQ(pos.EntryDB_ID(), 2002);
  EXPECT_FALSE(pos.IsMultiLine() || pos.IsMandatory());
  const EntryLine& line = pos.Line(1);
  EXPECT_EQ(line.FixedValuesNo(), 2);
  EXPECT_TRUE(line.HasVariableValues());
  EXPECT_EQ(line.Value(1).ValueName(), "x");
  EXPECT_EQ(line.Value(2).ValueName(), "");  // a null name gives an unnamed slot
  EXPECT_EQ(line.Value(2).Type(), kDoubleType);
  EXPECT_TRUE(line.Value(3).IsMulti());
  EXPECT_EQ(library_->Item(2).SectionName(), "Base");
  EXPECT_TRUE(library_->Item("base").Item("FILE").IsMultiLine());
  ASSERT_EQ(Load({}), "");
  EXPECT_EQ(library_->Count(), 0);
}

// A value row of entry e of section s (three fixed values) at position pos.
std::string Row(const std::string& s, const std::string& e, const std::string& pos) {
  return s + "|" + e + "|1|3|0|0|0|100|v|1|Long|" + pos + "|0";
}

std::string Block(const std::string& error, const std::string& number,
                  const std::string& source = "TARN") {
  return "Error : " + error + "\nNumber: " + number + "\nSource: " + source + "\nInitParse\n";
}

// The query's values are read as the platform would: numbers from text, halves to even.
TEST_F(InitParseTest, QueryThatTheLoaderRefusesIsReportedAndEndsTheProgram) {
  const std::string duplicate =
      Block("This key is already associated with an element of this collection", "457");
  const struct {
    Rows rows;
    std::string log;
  } cases[] = {
      {{Row("A", "x", "1"), Row("B", "x", "1"), Row("A", "y", "1")}, duplicate},
      {{Row("Ship", "x", "1"), Row("SHIP", "y", "1")}, duplicate},
      {{Row("A", "x", "1"), Row("A", "y", "1"), Row("A", "X", "1")}, duplicate},
      {{Row("A", "x", "1"), Row("A", "x", "3")},
       Block("10204 - Value Position Mismatch", "10204", "TARN.Entry")},
      {{Row("A", "x", "1"), Row("A", "x", "2"), Row("A", "x", "3"), Row("A", "x", "4")},
       Block("10205 - Too Many Values", "10205", "TARN.Entry")},
      {{Row("A", "x", "1.5")}, Block("10204 - Value Position Mismatch", "10204", "TARN.Entry")},
      {{Row("A", "x", "null")}, Block("Invalid use of Null", "94")},
      {{Row("A", "x", "40000")}, Block("Overflow", "6")},
      {{Row("A", "x", "1e10")}, Block("Overflow", "6")},
      {{Row("A", "x", "40000.5")}, Block("Overflow", "6")},
      {{Row("A", "x", "one")}, Block("Type mismatch", "13")},
      {{"A|x|1|3|maybe|0|0|100|v|1|Long|1|0"}, Block("Type mismatch", "13")},
      {{"A|x|1|3|0|0|0|3000000000|v|1|Long|1|0"}, Block("Overflow", "6")},
      {{Row("A", "x", "1"), Row("A", "x", "2.5"), "A|x|1|3|0|0|0|100|v|1|Long|3|TRUE"},
       Block("10211 - Entry does not accept Multi Value", "10211", "TARN.Entry")},
      {{Row("A", "x", "0.5")}, Block("10204 - Value Position Mismatch", "10204", "TARN.Entry")},
      {{"A|x|1|3|true|False|0|100|v|1|Long|1.4|0"}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Load({.query_rows = c.rows}), c.log) << c.rows[0];
  EXPECT_TRUE(library_->Item("A").Item("x").IsMultiLine());
  EXPECT_EQ(Load({.sql = "DROP VIEW _bc_ListSections"}),
            Block("no such table: _bc_ListSections", "1", "SQLite"));
  // Columns are found by name, letter case aside.
  EXPECT_EQ(
      Load({.sql = "DROP VIEW _bc_ListSections; CREATE TABLE _bc_ListSections "
                   "(SECTIONNAME, entryname); INSERT INTO _bc_ListSections VALUES ('S', 'e')"}),
      Block("Item not found in this collection: FixedArgsNo", "3265", "SQLite"));
}

// Rows are grouped as they come, and nothing is checked: a section in two runs, positions out
// of order and odd values show as the query gives them.
TEST_F(InitParseTest, DumpShowsTheQueryAsItComes) {
  EXPECT_EQ(Load({.query_rows = Rows{"Ship|nickname|1|1|0|0|0|2001|nick|3|String|1|0",
                                     "Ship|shape|7|3|0|true|0|2002|b|2|Double|2|0",
                                     "Ship|shape|7|3|0|true|0|2002|a|1|Long|1|0",
                                     "Ship|shape|7|3|0|true|0|2002|null|3|String|4|-1",
                                     "Base|file|2.5|1|1|null|0|101|path|3|null|null|maybe",
                                     "Ship|hp|3.0|1|yes|0|0|2003|h|1|Long|1|0",
                                     "Ship|null|1|1|0|0|0|1|p|1|Long|1|0"}},
                 true),
            "Section: Ship\n"
            "    Entry: nickname, IDX: 1, SINGLELine, NOVarArgs, FixedArgs: 1\n"
            "        Value: nick, IDX: 1, FIXEDArg, String\n"
            "    Entry: shape, IDX: 7, SINGLELine, VARArgs, FixedArgs: 3\n"
            "        Value: b, IDX: 2, FIXEDArg, Double\n"
            "        Value: a, IDX: 1, FIXEDArg, Long\n"
            "        Value: < >, IDX: 4, VARArg, String\n"
            "Section: Base\n"
            "    Entry: file, IDX: 2.5, MULTILine, NOVarArgs, FixedArgs: 1\n"
            "        Value: path, IDX: , FIXEDArg, \n"
            "Section: Ship\n"
            "    Entry: hp, IDX: 3, SINGLELine, NOVarArgs, FixedArgs: 1\n"
            "        Value: h, IDX: 1, FIXEDArg, Long\n"
            "Error : Invalid use of Null\nNumber: 94\nSource: TARN\nDumpRules\n");
  EXPECT_EQ(ended_, kFatalStatus);
  // A rule query the dump cannot read ends the program as well.
  EXPECT_EQ(Load({.sql = "DROP VIEW _bc_ListSections"}, true),
            "Error : no such table: _bc_ListSections\nNumber: 1\nSource: SQLite\nDumpRules\n");
  EXPECT_EQ(ended_, kFatalStatus);
}

}  // namespace
}  // namespace tarn
