// The rule set in the settings database's tables and in a folder of rule files: what each
// keeps, export and import through the file system, and the rule set kept for a restore.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "datadb/database.h"
#include "platform/error.h"
#include "rules/naming_rules.h"
#include "rules/rule_folder.h"
#include "rules/rule_history.h"
#include "rules/rule_tables.h"
#include "rules/rule_text.h"
#include "support/core_fixture.h"
#include "support/memory_file_system.h"
#include "support/settings_db.h"
#include "support/world.h"

namespace tarn {
namespace {

using testing::Parse;

TEST(RuleTablesTest, KeepNamedKindsByIdentifier) {
  testing::TempDir dir;
  Database db = Database::Open(dir.File("TARN.MDB"), Database::Mode::kCreate);
  WriteRuleTables(db, Parse(testing::kNamingRules));

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
            FormatRuleText(Parse(testing::kNamingRules), "t.rules"));

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
  RuleSet rules = Parse(testing::kNamingRules);
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
  EXPECT_EQ(testing::WhatOf<RuleFolderError>([&] { WriteRuleFolder(files, rules, "out"); }),
            "odd.rules: cannot be written: Path/File access error");
  EXPECT_THROW(WriteRuleFolder(files, rules, "out/README"), RuleFolderError);
  // A write that fails part way leaves the file as it was.
  files.SetFile("out/t.rules", "old");
  files.FailWriteAfter("out/t.rules", 4);
  EXPECT_THROW(WriteRuleFolder(files, rules, "out"), RuleFolderError);
  EXPECT_EQ(files.File("out/t.rules"), "old");
}

// An import keeps the rule set it replaces, exactly as it was and whatever its design, for
// one restore; a refused import changes nothing, not even what is kept.
TEST(RuleTablesTest, ImportKeepsTheReplacedRuleSetForOneRestore) {
  testing::TempDir dir;
  const std::string path = dir.File("TARN.MDB");
  for (const testing::SettingsContent& content :
       {testing::SettingsContent{.rules = testing::kNamingRules},
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

// The rule text comes back from the tables as it went in: a whole number's mark wherever it
// stands (first, between, last) and a target's local mark. Tables written before the local
// mark existed read as naming no local target.
TEST(RuleTablesTest, KeepTheMarksOfWholeNumbersAndLocalTargets) {
  const char* local =
      "[Room]\nnickname #1 = String\n[Hotspot]\nroom_switch #2 = String -> local [Room]nickname\n";
  for (const char* text : {"[Ship]\nm #1 = Whole\n", "[Ship]\nm #1 = Whole, String, Whole\n",
                           "[Ship]\nm #1 = String, Whole, Long\n", local}) {
    testing::TempDir dir;
    Database db = Database::Open(dir.File("TARN.MDB"), Database::Mode::kCreate);
    WriteRuleTables(db, Parse(text));
    EXPECT_EQ(FormatRuleText(ReadRuleTables(db), "t.rules"), FormatRuleText(Parse(text), "t.rules"))
        << text;
    if (text != local) continue;
    ASSERT_EQ(ReadNameReferences(db).size(), 1u);
    EXPECT_EQ(ReadNameReferences(db)[0].local_targets, (std::vector<std::int32_t>{1}));
    db.Exec(
        "CREATE TABLE old AS SELECT DB_ID, EntryID, IDX, TargetEntryID FROM _bc_references; "
        "DROP TABLE _bc_references; ALTER TABLE old RENAME TO _bc_references");
    ASSERT_EQ(ReadNameReferences(db).size(), 1u);
    EXPECT_TRUE(ReadNameReferences(db)[0].local_targets.empty());
  }
  // However the mark is spaced or cased.
  for (const char* spelled :
       {"local [Room]nickname", "LOCAL\t[Room]nickname", "local[Room]nickname"}) {
    const std::string rules =
        "[Room]\nnickname #1 = String\n[Hotspot]\nroom_switch #2 = String -> " +
        std::string(spelled) + "\n";
    EXPECT_NE(FormatRuleText(Parse(rules), "t.rules").find("-> local [Room]nickname"),
              std::string::npos)
        << spelled;
  }
}

}  // namespace
}  // namespace tarn
