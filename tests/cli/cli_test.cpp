// Runs the real command line program against copies of the shipped settings database.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "datadb/database.h"
#include "dll/pe_builder.h"
#include "support/shell_run.h"
#include "support/temp_dir.h"

namespace tarn {
namespace {

using testing::ReadAll;
using testing::TempDir;

struct Result {
  int status;
  std::string out;
  std::string err;
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(home_.File("logs"));
    std::filesystem::copy_file(TARN_SHIPPED_MDB, home_.File("TARN.MDB"));
  }

  Result Run(const std::string& args) {
    std::string out = scratch_.File("out"), err = scratch_.File("err");
    std::string command = std::string(TARN_CLI) + " " + args + " >" + out + " 2>" + err;
    const int status = testing::RunShell(command);
    return {status, ReadAll(out), ReadAll(err)};
  }

  std::string Home() const { return "--home " + home_.Path(); }
  std::string Log() const { return "--log " + home_.File("logs"); }
  std::string LogText() const { return ReadAll(home_.File("logs/tarn.log")); }

  TempDir home_;
  TempDir scratch_;
};

TEST_F(CliTest, UsageErrorsExitWithTwo) {
  const char* cases[] = {"", "frobnicate", "dump frobnicate", "--overwrite --append dump",
                         "--no-such-option dump"};
  for (const char* args : cases) {
    Result r = Run(Home() + " " + args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_FALSE(r.err.empty()) << args;
  }
}

TEST_F(CliTest, HelpAndVersionExitWithZero) {
  Result version = Run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "tarn 0.9.7\n");
  Result help = Run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--overwrite"), std::string::npos);
}

TEST_F(CliTest, DumpWritesTheLogAndStandardOutput) {
  Result r = Run(Home() + " " + Log() + " --overwrite --game /games/kv dump");
  EXPECT_EQ(r.status, 0) << r.err;
  std::string banner = "TARN v 0.9.7 Log File\r\n \r\nKV Path /games/kv\r\nLog Path " +
                       home_.File("logs") + "\r\n \r\nRules Dump\r\n \r\n";
  EXPECT_TRUE(LogText().starts_with(banner)) << LogText();
  EXPECT_TRUE(LogText().ends_with(" \r\nRules Dump Complete.\r\n"));
  std::string lf = LogText();
  std::erase(lf, '\r');
  EXPECT_EQ(r.out, lf);
}

TEST_F(CliTest, AppendQuietAndSettingsNeverWrittenBack) {
  Run(Home() + " " + Log() + " --overwrite dump");
  std::string first = LogText();
  Result r = Run(Home() + " " + Log() + " --append --quiet --game /elsewhere dump");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  // The second run appends the dump alone: no banner, no "Rules Dump" heading.
  std::string dump = first.substr(first.find("Rules Dump\r\n \r\n") + 15);
  EXPECT_EQ(LogText(), first + dump);
  auto db = Database::Open(home_.File("TARN.MDB"), Database::Mode::kReadWrite);
  auto row = db.Prepare("SELECT KVPath FROM _bc_Settings ORDER BY rowid LIMIT 1");
  ASSERT_TRUE(row.Step());
  EXPECT_EQ(row.Text(0), "");
}

TEST_F(CliTest, BrokenSettingsDatabaseEndsWithThree) {
  std::filesystem::remove(home_.File("TARN.MDB"));
  Result missing = Run(Home() + " dump");
  EXPECT_EQ(missing.status, 3);
  EXPECT_TRUE(missing.err.starts_with("OpenSettingsDB: Unable to open settings database\n\n"))
      << missing.err;

  auto db = Database::Open(home_.File("TARN.MDB"), Database::Mode::kCreate);
  db.Exec("CREATE TABLE _bc_Settings (KVPath TEXT, LogPath TEXT, OverwriteLog INTEGER)");
  Result empty = Run(Home() + " dump");
  EXPECT_EQ(empty.status, 3);
  EXPECT_TRUE(empty.err.starts_with("Unable to read settings\n")) << empty.err;
}

TEST_F(CliTest, SettingsDatabaseWithOnlyTheThreeObjectsWorks) {
  std::filesystem::remove(home_.File("TARN.MDB"));
  {
    auto db = Database::Open(home_.File("TARN.MDB"), Database::Mode::kCreate);
    db.Exec(
        "CREATE TABLE _bc_Settings (KVPath TEXT, LogPath TEXT, OverwriteLog INTEGER);"
        "INSERT INTO _bc_Settings VALUES ('', '" +
        home_.File("logs") +
        "', 0);"
        "CREATE TABLE _bc_OtherINI (Value TEXT);"
        "CREATE TABLE _bc_ListSections (SectionName TEXT, EntryName TEXT);");
  }
  Result r = Run(Home() + " --game " + TARN_EXAMPLES + "/kestrovar init-db all dump");
  // An empty rule set knows no section: the run warns about every one, and loads and dumps.
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_TRUE(LogText().ends_with("Rules Dump Complete.\r\n"));
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

TEST_F(CliTest, FailedInitDBDisablesAll) {
  // A folder in the place of the data database can be neither deleted nor opened.
  std::filesystem::create_directory(home_.File("KV.MDB"));
  Result r =
      Run(Home() + " " + Log() + " --game " + TARN_EXAMPLES + "/kestrovar --overwrite init-db all");
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("\"All\" is disabled"), std::string::npos) << r.err;
  EXPECT_TRUE(LogText().ends_with("Unable to create " + home_.File("KV.MDB") + "\r\n"))
      << LogText();
}

TEST_F(CliTest, RefsBeforeAllSaysWhatToDoAndEndsWithThree) {
  Result r = Run(Home() + " " + Log() + " --overwrite refs");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(LogText(),
            "Checking references: there is no data database; press \"Init DB\" and \"All\" "
            "first\r\n");
  EXPECT_THAT(r.err, ::testing::HasSubstr("references can be checked only after \"Init DB\" and "
                                          "\"All\""));
}

TEST_F(CliTest, InitDBCreatesTheDataDatabase) {
  Result r = Run(Home() + " " + Log() + " --append init-db");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(LogText(), "Initialising DATA database: " + home_.File("KV.MDB") + "\r\nDone.\r\n");
  auto db = Database::Open(home_.File("KV.MDB"), Database::Mode::kReadWrite);
  EXPECT_NO_THROW(db.Exec("SELECT DB_ID, Area, Section, File, Line FROM Sections"));
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

std::vector<std::string> QueryRows(const std::string& mdb) {
  auto db = Database::Open(mdb, Database::Mode::kReadWrite);
  auto rows = db.Prepare("SELECT * FROM _bc_ListSections");
  std::vector<std::string> out;
  while (rows.Step()) {
    std::string row;
    for (int i = 0; i < rows.ColumnCount(); ++i) {
      row += rows.ColumnName(i) + "=" + (rows.IsNull(i) ? "NULL" : rows.Text(i)) + ";";
    }
    out.push_back(row);
  }
  return out;
}

TEST_F(CliTest, RulesExportThenImportGivesTheSameQueryRows) {
  const std::string folder = scratch_.File("rules");
  ASSERT_EQ(Run(Home() + " rules export " + folder).status, 0);
  // A settings database of another design gets the rule tables and the query.
  TempDir other;
  {
    auto db = Database::Open(other.File("TARN.MDB"), Database::Mode::kCreate);
    db.Exec(
        "CREATE TABLE _bc_Settings (KVPath TEXT, LogPath TEXT, OverwriteLog INTEGER);"
        "CREATE TABLE _bc_OtherINI (Value TEXT);"
        "CREATE TABLE _bc_ListSections (SectionName TEXT);");
  }
  Result r = Run("--home " + other.Path() + " rules import " + folder);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(QueryRows(other.File("TARN.MDB")), QueryRows(home_.File("TARN.MDB")));
  EXPECT_FALSE(QueryRows(other.File("TARN.MDB")).empty());
}

TEST_F(CliTest, RulesImportRefusesABrokenSourceAndKeepsTheRules) {
  const std::string folder = scratch_.File("rules");
  ASSERT_EQ(Run(Home() + " rules export " + folder).status, 0);
  auto before = QueryRows(home_.File("TARN.MDB"));
  struct Case {
    const char* rules;  // a modder's new file, after its comment line
    const char* fault;  // as the import names it, after the file and line
  } cases[] = {
      {"[Ship]\nspeed #9 = Double\n", "section [Ship] is stated twice (letter case aside)"},
      // A reference to a kind the rules do not know, or to a key that was removed since.
      {"\n[Mine]\nk #9 = String -> [Nowhere]nickname\n",
       "entry \"k\": [Nowhere]nickname: no section rule [Nowhere]"},
      {"\n[Mine]\nk #9 = String -> [Gun]nick\n",
       "entry \"k\": [Gun]nick: no entry rule \"nick\" in [Gun]"},
      {"\n[Mine]\nk #9 = Long -> [Gun]nickname\n",
       "entry \"k\": only a String position can name an object"},
  };
  for (const Case& c : cases) {
    {
      std::ofstream broken(folder + "/zz.rules");
      broken << "; a modder's new file\n" << c.rules;
    }
    Result r = Run(Home() + " rules import " + folder);
    EXPECT_EQ(r.status, 1);
    const int line = c.rules[0] == '\n' ? 4 : 2;
    EXPECT_EQ(r.err, "tarn: rules import: " + folder + "/zz.rules:" + std::to_string(line) + ": " +
                         c.fault + "\n");
    EXPECT_EQ(QueryRows(home_.File("TARN.MDB")), before);
  }
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

TEST_F(CliTest, BiniConvertsEachFileAndReportsTheBrokenOnes) {
  // One section "s" with the entry "k = 5"; the copy claims version 2.
  const std::string good(
      "BINI\1\0\0\0\x18\0\0\0"
      "\0\0\1\0"
      "\2\0\1"
      "\1\5\0\0\0"
      "s\0k\0",
      28);
  std::string broken = good;
  broken[4] = '\2';
  const std::string good_path = scratch_.File("good.bin"), broken_path = scratch_.File("v2.bin");
  std::ofstream(good_path, std::ios::binary) << good;
  std::ofstream(broken_path, std::ios::binary) << broken;

  Result r = Run("bini " + broken_path + " " + good_path);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "tarn: bini: " + broken_path + ": version 2, expected 1\n");
  EXPECT_FALSE(std::filesystem::exists(broken_path + ".txt"));
  EXPECT_EQ(ReadAll(good_path + ".txt"), "[s]\r\nk = 5\r\n");

  Result ok = Run("bini " + good_path);
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_EQ(ok.err, "");
  EXPECT_EQ(Run("bini").status, 2);
  EXPECT_EQ(Run(Home() + " dump bini " + good_path).status, 2);
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

TEST_F(CliTest, StringsListsTheStringTablesOfADll) {
  const std::string dll = scratch_.File("names.dll"), missing = scratch_.File("missing.dll");
  std::ofstream(dll, std::ios::binary)
      << testing::PeBuilder().Block(2, {u"Kestrel", u"", u"Caf\u00e9"}).Build().bytes;
  Result r = Run("strings " + dll);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "16\tKestrel\n18\tCaf\xC3\xA9\n");
  EXPECT_EQ(r.err, "");

  Result failed = Run("strings " + missing);
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.out, "");
  EXPECT_EQ(failed.err, "tarn: strings: " + missing + ": No such file or directory\n");
  EXPECT_EQ(Run("strings").status, 2);
  EXPECT_EQ(Run(Home() + " dump strings " + dll).status, 2);
}

}  // namespace
}  // namespace tarn
