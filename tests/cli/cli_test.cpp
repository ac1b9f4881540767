// The command line program, run for real against a copy of the shipped settings database.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/bini_writer.h"
#include "support/pe_builder.h"
#include "support/program.h"
#include "support/rows.h"
#include "support/settings_db.h"
#include "support/world.h"

namespace tarn {
namespace {

using testing::Result;
using testing::Rows;

class CliTest : public ::testing::Test {
 protected:
  std::string Mdb() const { return tarn_.home.File("TARN.MDB"); }
  testing::Tarn tarn_;
};

TEST_F(CliTest, UsageErrorsExitWithTwoHelpAndVersionWithZero) {
  for (const char* args :
       {"", "frobnicate", "--overwrite --append dump", "--no-such-option dump", "bini",
        "dump bini x", "strings", "dump strings x", "rules list x", "dump rules export x"}) {
    Result r = tarn_.Run(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.err, "") << args;
  }
  Result version = tarn_.Run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "tarn 0.9.7\n");
  Result help = tarn_.Run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--overwrite"), std::string::npos);
}

// The dump of the shipped rule set: every section and entry of its sources, each value.
TEST_F(CliTest, DumpWritesTheShippedRulesToTheLogAndStandardOutput) {
  Result r = tarn_.Run("--log <log> --overwrite --game /games/kv dump");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(
      r.log.starts_with("TARN v 0.9.7 Log File\n \nKV Path /games/kv\nLog Path <log>\n \n"
                        "Rules Dump\n \n"));
  EXPECT_NE(r.log.find("Section: system\n"
                       "    Entry: nickname, IDX: 1, SINGLELine, NOVarArgs, FixedArgs: 1\n"
                       "        Value: nickname, IDX: 1, FIXEDArg, String\n"
                       "    Entry: file, IDX: 2, SINGLELine, NOVarArgs, FixedArgs: 1\n"
                       "        Value: path, IDX: 1, FIXEDArg, String\n"
                       "    Entry: pos, IDX: 3, SINGLELine, NOVarArgs, FixedArgs: 2\n"
                       "        Value: x, IDX: 1, FIXEDArg, Double\n"
                       "        Value: y, IDX: 2, FIXEDArg, Double\n"),
            std::string::npos);
  EXPECT_TRUE(r.log.ends_with("\n \nRules Dump Complete.\n"));
  EXPECT_EQ(r.out, r.log);
  // As many sections and entries as the sources the rule set exports to.
  ASSERT_EQ(tarn_.Run("rules export <game>/rules").status, 0);
  std::string sources;
  for (const auto& file : std::filesystem::directory_iterator(tarn_.game.File("rules"))) {
    sources += testing::ReadFile(file.path());
  }
  const auto count = [](const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_GT(count(sources, "\n["), 50);
  EXPECT_EQ(count(r.log, "\nSection: "), count(sources, "\n["));
  EXPECT_EQ(count(r.log, "\n    Entry: "), count(sources, " #"));
}

TEST_F(CliTest, AppendQuietAndSettingsNeverWrittenBack) {
  const std::string first = tarn_.Run("--log <log> --overwrite dump").log;
  Result r = tarn_.Run("--log <log> --append --quiet --game /elsewhere dump");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  // The second run appends the dump alone: no banner, no "Rules Dump" heading.
  EXPECT_EQ(r.log, first + first.substr(first.find("Rules Dump\n \n") + 13));
  EXPECT_EQ(testing::RowsOf(Mdb(), "SELECT * FROM _bc_Settings"), Rows{"||1"});
}

// The window cannot start with a stored flag its check box cannot show; the command line
// refuses it too, unless told what to do.
TEST_F(CliTest, StoredOverwriteFlagOutsideTheCheckBoxNeedsOverwriteOrAppend) {
  testing::MakeSettingsDB(Mdb(), {.log_path = tarn_.log.Path(), .overwrite = "255"});
  Result refused = tarn_.Run("dump");
  EXPECT_EQ(refused.status, 3);
  EXPECT_EQ(refused.err, "tarn: stored OverwriteLog 255 is not 0, 1 or 2\n");
  EXPECT_EQ(refused.log, "");
  Result r = tarn_.Run("--overwrite dump");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.log.starts_with("TARN v 0.9.7 Log File\n")) << r.log;
  EXPECT_EQ(tarn_.Run("--append dump").status, 0);
}

// The program needs only the three objects of TARN.MDB; the tables of the data database come
// with "Init DB".
TEST_F(CliTest, BrokenSettingsDatabaseEndsWithThreeAndOneOfThreeObjectsWorks) {
  std::filesystem::remove(Mdb());
  Result r = tarn_.Run("dump");
  EXPECT_EQ(r.status, 3);
  EXPECT_TRUE(r.err.starts_with("OpenSettingsDB: Unable to open settings database\n\n")) << r.err;
  testing::MakeSettingsDB(Mdb(), {.log_path = tarn_.log.Path(), .query_rows = Rows{}});
  const std::string main_file =
      "Processing <game>/EXE/kestrovar.ini\nError : Path not found\nNumber: 76\nSource: TARN\n"
      "Unable to open <game>/EXE/kestrovar.ini\nDone Processing <game>/EXE/kestrovar.ini\n\n\n"
      "Reading files for other INIs\nDone Reading files for other INIs\n\n\n"
      "Reading files for value ID 74\n";
  r = tarn_.Run("--game <game> all");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.log, main_file +
                       "Error : no such table: Sections\nNumber: 1\nSource: SQLite\n"
                       "ReadINIFromValues\n");
  r = tarn_.Run("--game <game> --append init-db all dump");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.log.find("Done.\n" + main_file + "Done Reading files for value ID 74 , , \n"),
            std::string::npos)
      << r.log;
  EXPECT_TRUE(
      r.log.ends_with("Done Reading files for value ID 872 , , \n \nRules Dump Complete.\n"));
}

TEST_F(CliTest, InitDBCreatesTheDataDatabaseAndAFailedOneDisablesAll) {
  Result r = tarn_.Run("--log <log> --append init-db");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.log, "Initialising DATA database: <home>/KV.MDB\nDone.\n");
  EXPECT_EQ(testing::RowsOf(tarn_.home.File("KV.MDB"), "SELECT count(*) FROM Sections"), Rows{"0"});
  // A folder in the place of the data database can be neither deleted nor opened.
  std::filesystem::remove(tarn_.home.File("KV.MDB"));
  std::filesystem::create_directory(tarn_.home.File("KV.MDB"));
  r = tarn_.Run("--log <log> --overwrite init-db all");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err, "tarn: \"All\" is disabled: the last \"Init DB\" failed.\n");
  EXPECT_TRUE(r.log.ends_with("Unable to create <home>/KV.MDB\n")) << r.log;
}

TEST_F(CliTest, RulesExportThenImportGivesTheSameQueryAndABrokenSourceChangesNothing) {
  const std::string query = "SELECT * FROM _bc_ListSections";
  const Rows shipped = testing::RowsOf(Mdb(), query);
  ASSERT_EQ(tarn_.Run("rules export <game>/rules").status, 0);
  // A settings database of another design gets the rule tables and the query.
  testing::Tarn other;
  testing::MakeSettingsDB(other.home.File("TARN.MDB"), {.query_rows = Rows{}});
  Result r = other.Run("rules import " + tarn_.game.File("rules"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(testing::RowsOf(other.home.File("TARN.MDB"), query), shipped);
  EXPECT_GT(shipped.size(), 100u);

  testing::WriteFile(tarn_.game.File("rules/zz.rules"),
                     "; a modder's\n[Ship]\nspeed #9 = Double\n");
  r = tarn_.Run("rules import <game>/rules");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "tarn: rules import: <game>/rules/zz.rules:2: section [Ship] is stated twice "
            "(letter case aside)\n");
  EXPECT_EQ(testing::RowsOf(Mdb(), query), shipped);
}

// Fault: a rule folder that cannot be read is named twice, as "<DIR>/<DIR>:0: cannot read ...".
TEST_F(CliTest, DISABLED_RulesImportNamesAnUnreadableFolderOnce) {
  Result r = tarn_.Run("rules import <game>/none");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "tarn: rules import: <game>/none: cannot read the folder: No such file or "
            "directory\n");
}

TEST_F(CliTest, BiniConvertsEachFileAndReportsTheBrokenOnes) {
  const std::string good = testing::BiniWriter().Section("s", 1).Entry("k", 1).Int(5).Bytes();
  testing::WriteFile(tarn_.game.File("good.bin"), good);
  testing::WriteFile(tarn_.game.File("v2.bin"), "BINI\2" + good.substr(5));
  Result r = tarn_.Run("bini <game>/v2.bin <game>/good.bin <game>/none.bin");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "tarn: bini: <game>/v2.bin: version 2, expected 1\n"
            "tarn: bini: <game>/none.bin: cannot be opened: No such file or directory\n");
  EXPECT_FALSE(std::filesystem::exists(tarn_.game.File("v2.bin.txt")));
  EXPECT_EQ(testing::ReadFile(tarn_.game.File("good.bin.txt")), "[s]\r\nk = 5\r\n");
  r = tarn_.Run("bini <game>/good.bin");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
}

TEST_F(CliTest, StringsListsTheStringTablesOfADll) {
  testing::WriteFile(tarn_.game.File("names.dll"),
                     testing::PeBuilder().Block(2, {u"Kestrel", u"", u"Caf\u00e9"}).Build().bytes);
  Result r = tarn_.Run("strings <game>/names.dll");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "16\tKestrel\n18\tCaf\xC3\xA9\n");
  EXPECT_EQ(r.err, "");
  r = tarn_.Run("strings <game>/missing.dll");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "tarn: strings: <game>/missing.dll: No such file or directory\n");
}

}  // namespace
}  // namespace tarn
