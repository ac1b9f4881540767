// The command line program, run for real against a copy of the shipped settings database.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <functional>
#include <regex>  // GoogleTest's own regular expressions, used on Windows, know no [0-9]

#include "ini/bini_encoder.h"
#include "platform/folder_lock.h"
#include "platform/version.h"
#include "support/pe_builder.h"
#include "support/program.h"
#include "support/rows.h"
#include "support/settings_db.h"
#include "support/world.h"

namespace tarn {
namespace {

// The version the build gives the program, as its log and --version show it.
const std::string kVersion = VersionText();

using testing::Rows;

class CliTest : public ::testing::Test {
 protected:
  // The exit status, standard output and standard error of a run, as "status|out|err".
  std::string Run(const std::string& args) {
    last_ = tarn_.Run(args);
    return std::to_string(last_.status) + "|" + last_.out + "|" + last_.err;
  }
  std::string Mdb() const { return tarn_.home.File("TARN.MDB"); }
  testing::Tarn tarn_;
  testing::Result last_;
};

TEST_F(CliTest, UsageErrorsExitWithTwoHelpAndVersionWithZero) {
  for (const char* args : {"", "frobnicate", "--overwrite --append dump", "--no-such-option dump",
                           "bini", "dump bini x", "strings", "dump strings x", "rules list x",
                           "dump rules export x", "rules restore x", "rules import"}) {
    EXPECT_TRUE(Run(args).starts_with("2||")) << args;
    EXPECT_NE(last_.err, "") << args;
  }
  EXPECT_EQ(Run("--version"), "0|tarn " + kVersion + "\n|");
  EXPECT_TRUE(Run("--help").starts_with("0|")) << last_.err;
  EXPECT_NE(last_.out.find("--overwrite"), std::string::npos);
}

// The dump of the shipped rule set, as standard output shows it too; a dump that does not
// overwrite appends only itself; the command line never writes the settings back.
TEST_F(CliTest, DumpOfTheShippedRulesAppendQuietAndSettingsNeverWrittenBack) {
  EXPECT_EQ(Run("--log <log> --overwrite --game /games/kv --stats dump").substr(0, 2), "0|");
  const std::string first = last_.log;
  EXPECT_TRUE(first.starts_with("TARN v " + kVersion +
                                " Log File\n \nKV Path /games/kv\nLog Path <log>\n \n"
                                "Rules Dump\n \n"));
  EXPECT_NE(first.find("Section: system\n"
                       "    Entry: nickname, IDX: 1, SINGLELine, NOVarArgs, FixedArgs: 1\n"),
            std::string::npos);
  EXPECT_TRUE(first.ends_with("\n \nRules Dump Complete.\n"));
  EXPECT_EQ(last_.out, first);
  // The run's summary, then where the time went: one line, whatever the figures.
  EXPECT_TRUE(last_.err.starts_with("tarn: read 0 files, 0 sections in ")) << last_.err;
  const std::string stats = last_.err.substr(last_.err.find("\nstats: ") + 1);
  EXPECT_TRUE(stats.starts_with("stats: reading and decoding ")) << last_.err;
  for (const char* step : {" s, checking ", " s, storing ", " s, logging ", " s, reports ",
                           " s, other ", " s, total "}) {
    EXPECT_NE(stats.find(step), std::string::npos) << step;
  }
  EXPECT_TRUE(stats.ends_with(" s\n"));
  EXPECT_TRUE(Run("--log <log> --append --quiet --game /elsewhere dump").starts_with("0||"));
  EXPECT_EQ(last_.log, first + first.substr(first.find("Rules Dump\n \n") + 13));
  EXPECT_EQ(testing::RowsOf(Mdb(), "SELECT * FROM _bc_Settings"), Rows{"||1"});
}

// The window cannot start with a stored flag its check box cannot show; the command line
// refuses it too, unless told what to do.
TEST_F(CliTest, StoredOverwriteFlagOutsideTheCheckBoxNeedsOverwriteOrAppend) {
  testing::MakeSettingsDB(Mdb(), {.log_path = tarn_.log.Path(), .overwrite = "255"});
  EXPECT_EQ(Run("dump"), "3||tarn: stored OverwriteLog 255 is not 0, 1 or 2\n");
  EXPECT_EQ(last_.log, "");
  EXPECT_TRUE(Run("--overwrite --quiet dump").starts_with("0||")) << last_.err;
  EXPECT_TRUE(last_.log.starts_with("TARN v " + kVersion + " Log File\n")) << last_.log;
  EXPECT_TRUE(Run("--append --quiet dump").starts_with("0||"));
}

// The program needs only the three objects of TARN.MDB; the tables of the data database come
// with "Init DB". One that cannot be made disables "All"; a game folder to check is needed too.
// Names are checked against the stored sections, which only "All" stores.
TEST_F(CliTest, SettingsAndDataDatabasesBrokenMissingAndMinimal) {
  EXPECT_TRUE(Run("--log <log> --overwrite refs").starts_with("3|")) << last_.err;
  EXPECT_EQ(last_.log,
            "Checking references: there is no data database; press \"Init DB\" and \"All\" "
            "first\n");
  EXPECT_THAT(last_.err, ::testing::HasSubstr("references can be checked only after \"Init DB\" "
                                              "and \"All\""));
  std::filesystem::remove(tarn_.log.File("tarn.log"));
  std::filesystem::remove(Mdb());
  EXPECT_TRUE(Run("dump").starts_with("3||OpenSettingsDB: Unable to open settings database\n\n"));
  testing::MakeSettingsDB(Mdb(), {.log_path = tarn_.log.Path(), .query_rows = Rows{}});
  const std::string main_file =
      "Processing <game>/EXE/kestrovar.ini\nError : Path not found\nNumber: 76\nSource: TARN\n"
      "Unable to open <game>/EXE/kestrovar.ini\nDone Processing <game>/EXE/kestrovar.ini\n\n\n"
      "Reading files for other INIs\nDone Reading files for other INIs\n\n\n"
      "Reading files for value ID 74\n";
  EXPECT_TRUE(Run("--game <game> --quiet all").starts_with("3||"));
  EXPECT_EQ(last_.log, main_file +
                           "Error : no such table: Sections\nNumber: 1\nSource: SQLite\n"
                           "ReadINIFromValues\n");
  // Without the game's main file the run goes on, but could not do its job.
  EXPECT_TRUE(Run("--game <game> --append --quiet init-db all dump").starts_with("3||"));
  EXPECT_TRUE(
      last_.err.ends_with("tarn: exit status 3: the game's main file "
                          "<game>/EXE/kestrovar.ini could not be read: is the game "
                          "folder right?\n"))
      << last_.err;
  EXPECT_NE(last_.log.find("Initialising DATA database: <home>/KV.MDB\nDone.\n" + main_file +
                           "Done Reading files for value ID 74 , , \n"),
            std::string::npos)
      << last_.log;
  EXPECT_TRUE(
      last_.log.ends_with("Done Reading files for value ID 872 , , \n \nRules Dump Complete.\n"));
  EXPECT_EQ(testing::RowsOf(tarn_.home.File("KV.MDB"), "SELECT count(*) FROM Sections"), Rows{"0"});
  // An empty rule set knows no section: a real game is warned about section by section, and
  // the rules still load and dump.
  EXPECT_TRUE(Run("--game " TARN_EXAMPLES "/kestrovar --overwrite --quiet init-db all dump")
                  .starts_with("1||"))
      << last_.err;
  EXPECT_TRUE(last_.log.ends_with("Rules Dump Complete.\n"));
  // A folder in the place of the data database can be neither deleted nor opened.
  std::filesystem::remove(tarn_.home.File("KV.MDB"));
  std::filesystem::create_directory(tarn_.home.File("KV.MDB"));
  EXPECT_TRUE(Run("--game <game> --overwrite --quiet init-db all").starts_with("3||"));
  EXPECT_TRUE(last_.err.ends_with(
      "tarn: exit status 3: \"All\" is disabled: the last \"Init DB\" failed\n"))
      << last_.err;
  EXPECT_TRUE(last_.log.ends_with("Unable to create <home>/KV.MDB\n")) << last_.log;
}

TEST_F(CliTest, RulesExportThenImportGivesTheSameQueryAndABrokenSourceChangesNothing) {
  const std::string query = "SELECT * FROM _bc_ListSections";
  const Rows shipped = testing::RowsOf(Mdb(), query);
  const Rows everything = testing::Everything(Mdb());
  EXPECT_EQ(Run("rules export <game>/rules"), "0||");
  // A settings database of another design gets the rule tables and the query.
  testing::Tarn other;
  testing::MakeSettingsDB(other.home.File("TARN.MDB"), {.query_rows = Rows{}});
  const auto imported = other.Run("rules import " + tarn_.game.File("rules"));
  EXPECT_EQ(imported.status, 0);
  EXPECT_TRUE(std::regex_match(imported.out, std::regex("[0-9]+ sections, [0-9]+ keys, [0-9]+ "
                                                        "references from [0-9]+ files\n")))
      << imported.out;
  EXPECT_EQ(testing::RowsOf(other.home.File("TARN.MDB"), query), shipped);
  EXPECT_GT(shipped.size(), 100u);
  const struct {
    const char* rules;  // a modder's new file, after its comment line
    const char* fault;  // as the import names it, after the file and line
  } broken[] = {
      {"[Ship]\nspeed #9 = Double\n", "2: section [Ship] is stated twice (letter case aside)"},
      // A name of a key of the shipped rules that was removed since.
      {"\n[Mine]\nk #9 = String -> [Gun]nick\n",
       "4: entry \"k\": [Gun]nick: no entry rule \"nick\" in [Gun]"},
  };
  for (const auto& c : broken) {
    testing::WriteFile(tarn_.game.File("rules/zz.rules"), std::string("; a modder's\n") + c.rules);
    EXPECT_EQ(Run("rules import <game>/rules"),
              std::string("1||tarn: rules import: <game>/rules/zz.rules:") + c.fault + "\n");
    EXPECT_EQ(testing::Everything(Mdb()), everything) << c.rules;
  }
}

#ifndef _WIN32
// Not on Windows: it makes a FIFO.
// What is not a complete rule set, or cannot be read, is refused with status 3 and the rule
// set left exactly as it was: no folder, an empty one, files that define no section, a FIFO
// (refused at once, not waited on) or a folder named like a rule file.
TEST_F(CliTest, RulesImportRefusesWhatIsNoRuleSetAndChangesNothing) {
  const Rows everything = testing::Everything(Mdb());
  const std::string good = "[Ship]\nnickname #1 = String\n";
  testing::WriteWorld(tarn_.game.Path(), {{"none/notes.txt", good},
                                          {"none/a.rules", "; nothing yet\n"},
                                          {"fifo/a.rules", good},
                                          {"folder/a.rules", good}});
  std::filesystem::create_directories(tarn_.game.File("empty"));
  std::filesystem::create_directories(tarn_.game.File("folder/B.RULES"));
  ASSERT_EQ(::mkfifo(tarn_.game.File("fifo/b.rules").c_str(), 0644), 0);
  for (const auto& [folder, err] : std::vector<std::pair<std::string, std::string>>{
           {"<game>/missing", "<game>/missing: cannot read the folder: Path not found"},
           {"<game>/empty", "no rule files in <game>/empty"},
           {"<game>/none", "no rule files in <game>/none"},
           {"<game>/fifo", "<game>/fifo/b.rules: cannot be read: it is a FIFO"},
           {"<game>/folder", "<game>/folder/B.RULES: cannot be read: it is a folder"}}) {
    EXPECT_EQ(Run("rules import " + folder), "3||tarn: rules import: " + err + "\n");
    EXPECT_EQ(testing::Everything(Mdb()), everything) << folder;
  }
}
#endif  // !_WIN32

// An import keeps the rule set it replaced: restore gives it back exactly, once.
TEST_F(CliTest, RulesRestoreGivesBackWhatTheImportReplacedOnce) {
  const Rows everything = testing::Everything(Mdb());
  std::filesystem::create_directories(tarn_.game.File("mine"));
  testing::WriteFile(tarn_.game.File("mine/SHIPS.RULES"),
                     "[Ship]\nnickname #1 = String\nequip #2 = String -> [Ship]nickname, *Long\n"
                     "[Gun]\nnickname #3 = Long\n");
  EXPECT_EQ(Run("rules import <game>/mine"), "0|2 sections, 3 keys, 1 references from 1 files\n|");
  EXPECT_TRUE(Run("rules restore").starts_with("0|restored ")) << last_.err;
  EXPECT_EQ(testing::Everything(Mdb()), everything);
  EXPECT_EQ(Run("rules restore"),
            "3||tarn: rules restore: <home>/TARN.MDB keeps no rule set that an import replaced\n");
}

// rules diff reads two rule folders and nothing else: agreeing, differing, and folders that
// cannot be read or hold no rule file.
TEST_F(CliTest, RulesDiffSaysWhetherTwoRuleFoldersAgree) {
  testing::WriteWorld(tarn_.game.Path(), {{"a/ships.rules", "[Ship]\nmass #1 = Long\n"},
                                          {"b/ships.rules", "[Ship]\nmass #1 = Long\n"},
                                          {"c/ships.rules", "[Ship]\nmass #1 = Double\n"},
                                          {"broken/ships.rules", "[Ship]\nmass = \n"}});
  std::filesystem::create_directories(tarn_.game.File("empty"));
  EXPECT_EQ(Run("rules diff <game>/a <game>/b"), "0|The rule folders agree.\n|");
  EXPECT_EQ(Run("rules diff <game>/a <game>/c"),
            "1|~ [Ship] mass: value 1 Long -> Double (widened)\n1 change\n|");
  EXPECT_EQ(Run("rules diff <game>/a <game>/empty"), "3||tarn: no rule files in <game>/empty\n");
  EXPECT_EQ(Run("rules diff <game>/none <game>/a").substr(0, 25), "3||tarn: <game>/none: can");
  EXPECT_TRUE(Run("rules diff <game>/broken <game>/a").starts_with("3||tarn: <game>/broken/ships"));
  EXPECT_TRUE(Run("rules diff <game>/a").starts_with("2||"));
  EXPECT_FALSE(std::filesystem::exists(tarn_.home.File("KV.MDB")));

  // The same folders as JSON (each field as the rule text's JSON form has it), faults as
  // import reports them.
  EXPECT_TRUE(Run("rules export --json --from <game>/c")
                  .starts_with("0|{\"sections\": [\n{\"name\":\"Ship\",\"file\":\"ships.rules\""))
      << last_.out;
  EXPECT_NE(last_.out.find("\"type\":\"Double\""), std::string::npos);
  EXPECT_TRUE(Run("rules export --json --from <game>/broken")
                  .starts_with("1||tarn: rules export: "
                               "<game>/broken/ships"));
  EXPECT_EQ(Run("rules export --json --from <game>/empty"),
            "3||tarn: rules export: no rule files in <game>/empty\n");
  // Export writes nothing it cannot write whole, and says so with status 3.
  EXPECT_TRUE(Run("rules export <game>/a/ships.rules/x").starts_with("3||tarn: rules export: "));
  EXPECT_EQ(testing::ReadFile(tarn_.game.File("a/ships.rules")), "[Ship]\r\nmass #1 = Long\r\n");
  EXPECT_TRUE(Run("rules export --json <game>/out").starts_with("2||"));
  EXPECT_TRUE(Run("rules export").starts_with("2||"));
  EXPECT_TRUE(Run("rules export <game>/out --from <game>/a").starts_with("2||"));
}

TEST_F(CliTest, BiniAndStringsConvertAndListFilesAndNameTheBrokenOnes) {
  const std::string good = BiniEncoder().Section("s").Entry("k").Int(5).Bytes();
  testing::WriteFile(tarn_.game.File("good.bin"), good);
  testing::WriteFile(tarn_.game.File("v2.bin"), "BINI\2" + good.substr(5));
  EXPECT_EQ(Run("bini <game>/v2.bin <game>/good.bin <game>/none.bin"),
            "1||tarn: bini: <game>/v2.bin: version 2, expected 1\n"
            "tarn: bini: <game>/none.bin: cannot be opened: No such file or directory\n");
  EXPECT_FALSE(std::filesystem::exists(tarn_.game.File("v2.bin.txt")));
  EXPECT_EQ(testing::ReadFile(tarn_.game.File("good.bin.txt")), "[s]\r\nk = 5\r\n");
  EXPECT_EQ(Run("bini <game>/good.bin"), "0||");
  testing::WriteFile(tarn_.game.File("names.dll"),
                     testing::PeBuilder().Block(2, {u"Kestrel", u"", u"Caf\u00e9"}).Build().bytes);
  EXPECT_EQ(Run("strings <game>/names.dll"), "0|16\tKestrel\n18\tCaf\xC3\xA9\n|");
  EXPECT_EQ(Run("strings <game>/missing.dll"),
            "1||tarn: strings: <game>/missing.dll: No such file or directory\n");
}

#ifndef _WIN32
// Not on Windows: FIFOs, devices, pipes from the shell, links and other users.
// Inputs a careless or hostile user names to bini: each is refused with a reason and exit 1,
// without waiting on a FIFO or holding more than the limit; an output that cannot be written
// (a text form, a list of strings) is 3, and of several files the highest status wins.
TEST_F(CliTest, BiniHoldsEveryInputToTheRunsBounds) {
  BiniEncoder bomb;
  bomb.Section("s").Entry("k").Text(std::string(10000, 'x'));
  for (int i = 1; i < 255; ++i) bomb.Text(std::string(10000, 'x'));  // stored once
  testing::WriteFile(tarn_.game.File("bomb.bin"), bomb.Bytes());
  testing::WriteFile(tarn_.game.File("sparse.bin"), "");
  std::filesystem::resize_file(tarn_.game.File("sparse.bin"), std::int64_t{5} << 30);
  ASSERT_EQ(mkfifo(tarn_.game.File("fifo.bin").c_str(), 0600), 0);
  const std::string good = BiniEncoder().Section("s").Bytes();
  testing::WriteFile(tarn_.game.File("good.bin"), good);
  testing::WriteFile(tarn_.game.File("out.bin"), good);
  std::filesystem::create_directory(tarn_.game.File("out.bin.txt"));
  const std::string limit = "more than the limit of 1048576 bytes (--max-file-size)\n";
  EXPECT_EQ(Run("--max-file-size 1M bini <game>/bomb.bin <game>/sparse.bin /dev/zero "
                "<game>/fifo.bin <game>"),
            "1||tarn: bini: <game>/bomb.bin: its text form would be 2550519 bytes, " + limit +
                "tarn: bini: <game>/sparse.bin: is " + limit +
                "tarn: bini: /dev/zero: is a device, not a file\n"
                "tarn: bini: <game>/fifo.bin: file is 0 bytes, shorter than the 12-byte header\n"
                "tarn: bini: <game>: is a folder, not a file\n");
  EXPECT_FALSE(std::filesystem::exists(tarn_.game.File("bomb.bin.txt")));
  EXPECT_EQ(Run("bini <game>/out.bin <game>/good.bin /dev/zero").substr(0, 3), "3||");
  EXPECT_THAT(last_.err, ::testing::HasSubstr(
                             "tarn: bini: <game>/out.bin: <game>/out.bin.txt cannot be written: "));
  EXPECT_EQ(testing::ReadFile(tarn_.game.File("good.bin.txt")), "[s]\r\n");
  // So is a list of strings that cannot be written.
  const std::string dll = tarn_.game.File("names.dll");
  testing::WriteFile(dll, testing::PeBuilder().Block(1, {u"x"}).Build().bytes);
  last_ =
      testing::RunCommand("sh -c '" + std::string(TARN_CLI) + " strings " + dll + " >/dev/full'");
  EXPECT_EQ(last_.status, 3);
  EXPECT_EQ(last_.err,
            "tarn: strings: " + dll + ": the list cannot be written: No space left on device\n");
}

// A baseline may come from a pipe, never hangs the run on one nobody writes, and is refused
// (usage, 2) with the reason when it is no report (ReadBaseline's tests hold every reason).
TEST_F(CliTest, BaselinesFromPipesAndFilesOfTheWrongKindOrShape) {
  const auto run = [&](const std::string& baseline) {
    // bash for its <(...); timeout so that a run that waits fails instead of hanging the tests.
    last_ =
        testing::RunCommand("timeout 20 bash -c '" + std::string(TARN_CLI) + " --home " +
                            tarn_.home.Path() + " --log " + tarn_.log.Path() +
                            " --overwrite --quiet --baseline " + tarn_.Path(baseline) + " dump'");
    return last_.status;
  };
  testing::WriteFile(tarn_.game.File("b.json"),
                     R"({"findings": [{"fingerprint": "a"}, {"fingerprint": "b"}]})");
  EXPECT_EQ(run("<(cat <game>/b.json)"), 0) << last_.err;
  EXPECT_THAT(last_.err, ::testing::HasSubstr("2 of the baseline fixed"));
  ASSERT_EQ(mkfifo(tarn_.game.File("fifo").c_str(), 0600), 0);
  EXPECT_EQ(run("<game>/fifo"), 0) << last_.err;
  EXPECT_THAT(last_.err, ::testing::HasSubstr("0 of the baseline fixed"));
  testing::WriteFile(tarn_.game.File("runs.json"), R"({"runs": 5})");
  EXPECT_EQ(run("<game>/runs.json"), 2);
  EXPECT_EQ(last_.err, "tarn: --baseline: the baseline " + tarn_.Path("<game>/runs.json") +
                           " is not a report TARN can read: \"runs\" is not an array\n");
}

// Every command that writes KV.MDB or TARN.MDB, as its words and its name in messages.
const struct {
  const char* args;
  const char* says;
} kHomeWriters[] = {
    {"--game <game> --log <log> --quiet init-db", "tarn: "},
    {"rules import <game>/rules", "tarn: rules import: "},
    {"--game <game> rules learn <log>/learned", "tarn: rules learn: "},
};

// A lock file that is a link, a FIFO or a folder locks nothing: every command that writes the
// home is refused, says why, and writes nothing through it.
TEST_F(CliTest, HomeLockFileThatIsNoRegularFileRefusesEveryWriter) {
  ASSERT_EQ(Run("rules export <game>/rules"), "0||");
  const std::string lock = tarn_.home.File(".tarn-home.lock");
  const struct {
    const char* kind;
    std::function<void()> make;
  } cases[] = {
      {"a link", [&] { std::filesystem::create_symlink(tarn_.game.File("target"), lock); }},
      {"a FIFO", [&] { ASSERT_EQ(::mkfifo(lock.c_str(), 0644), 0); }},
      {"a folder", [&] { std::filesystem::create_directory(lock); }},
  };
  for (const auto& c : cases) {
    c.make();
    for (const auto& writer : kHomeWriters) {
      EXPECT_EQ(Run(writer.args), std::string("3||") + writer.says +
                                      "cannot lock the home folder <home>: "
                                      "<home>/.tarn-home.lock is " +
                                      c.kind + "\n")
          << writer.args;
    }
    EXPECT_FALSE(std::filesystem::exists(tarn_.home.File("KV.MDB"))) << c.kind;
    EXPECT_FALSE(std::filesystem::exists(tarn_.game.File("target"))) << c.kind;
    std::filesystem::remove(lock);
  }
}

// The exit status and standard error of tarn run by another user.
testing::Result RunAs(uid_t user, const testing::Tarn& tarn, const std::string& args) {
  const std::string id = std::to_string(user);
  testing::Result result =
      testing::RunCommand("setpriv --reuid=" + id + " --regid=" + id + " --clear-groups " +
                          TARN_CLI + " --home " + tarn.home.Path() + " " + tarn.Path(args));
  testing::MarkFolder(result.err, tarn.home.Path(), "<home>");
  return result;
}

// In a home shared by two users, the lock file one made keeps the other's runs out while the
// first runs, and lets them in after; one the other may not even read refuses them.
TEST_F(CliTest, LockFileOfAnotherUserKeepsTheSecondRunOut) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root, to run the second command as another user";
  constexpr uid_t kOther = 65534;
  ASSERT_EQ(Run("rules export <game>/rules"), "0||");
  for (const testing::TempDir* folder : {&tarn_.home, &tarn_.game, &tarn_.log}) {
    ASSERT_EQ(::chown(folder->Path().c_str(), kOther, kOther), 0);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder->Path())) {
      ASSERT_EQ(::chown(entry.path().c_str(), kOther, kOther), 0);
    }
  }
  {
    FolderLock::Outcome outcome;
    std::string holder;
    const auto held = FolderLock::Take(tarn_.home.Path(), "home", outcome, holder);
    ASSERT_EQ(outcome, FolderLock::Outcome::kTaken);
    for (const auto& writer : kHomeWriters) {
      const testing::Result r = RunAs(kOther, tarn_, writer.args);
      EXPECT_EQ(r.status, 3) << writer.args << r.err;
      EXPECT_EQ(r.err, std::string(writer.says) + "another TARN run (process " +
                           std::to_string(::getpid()) +
                           ") is using the home folder <home>; try again when it has ended\n");
    }
  }
  EXPECT_EQ(RunAs(kOther, tarn_, "--game <game> --log <log> --quiet init-db").status, 0);
  ASSERT_EQ(::chmod(tarn_.home.File(".tarn-home.lock").c_str(), 0600), 0);
  EXPECT_EQ(RunAs(kOther, tarn_, "--game <game> --log <log> --quiet init-db").err,
            "tarn: cannot lock the home folder <home>: <home>/.tarn-home.lock cannot be opened: "
            "Permission denied\n");
}

#endif  // !_WIN32

}  // namespace
}  // namespace tarn
