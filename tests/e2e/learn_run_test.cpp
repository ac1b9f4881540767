// `tarn rules learn` on whole game folders: what it learns from a folder checks that folder
// without a warning and stores the same rows as the shipped rules do, it is learned the same
// way twice, and bad folders and output folders end the command with status 3 and nothing
// half-written.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "datadb/database.h"
#include "support/program.h"
#include "support/rows.h"
#include "support/world.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class LearnTest : public ::testing::Test {
 protected:
  // _bc_OtherINI of the home's TARN.MDB as the lines of a bench world's other_ini.txt.
  static void OtherIni(const testing::Tarn& tarn, const std::string& other_ini) {
    Database db = Database::Open(tarn.home.File("TARN.MDB"), Database::Mode::kReadWrite);
    db.Exec("DELETE FROM _bc_OtherINI");
    Statement insert = db.Prepare("INSERT INTO _bc_OtherINI (Value) VALUES (?1)");
    for (const std::string& line : testing::TextLines(testing::ReadFile(other_ini))) {
      insert.BindText(1, line);
      insert.Step();
      insert.Reset();
    }
  }

  // Every stored line: file and line, to key and its values.
  static std::map<std::string, std::string> StoredLines(const testing::Tarn& tarn) {
    std::map<std::string, std::string> lines;
    for (const std::string& row : testing::RowsOf(
             tarn.home.File("KV.MDB"),
             "SELECT s.File || ':' || e.Line, e.Entry || ' = ' || "
             "ifnull((SELECT group_concat(ifnull(Value, 'null'), '|') FROM (SELECT Value FROM "
             "\"Values\" WHERE Link = e.DB_ID ORDER BY DB_ID)), '') "
             "FROM Entries e JOIN Sections s ON s.DB_ID = e.Link")) {
      const std::size_t bar = row.find('|');
      lines[row.substr(0, bar)] = row.substr(bar + 1);
    }
    return lines;
  }

  // Learns game's rules in one home, checks game with them and with the shipped rules in
  // another, and holds the guarantee: no warning but of the lines the report lists, the same
  // rows wherever both runs store a line.
  void LearnImportAndCheck(const std::string& game, const std::string& other_ini = "") {
    testing::Tarn learning, shipped;
    if (!other_ini.empty()) {
      OtherIni(learning, other_ini);
      OtherIni(shipped, other_ini);
    }
    const std::string rules = dir_.File("rules");
    const testing::Result learn = learning.Run("--game " + game + " rules learn " + rules);
    ASSERT_EQ(learn.status, 0) << learn.err;
    EXPECT_EQ(learn.out, testing::ReadFile(rules + "/LEARNED.md"));
    ASSERT_EQ(learning.Run("rules import " + rules).status, 0);
    const std::string check = "--game " + game + " --log <log> --overwrite --quiet init-db all";
    const testing::Result checked = learning.Run(check);
    EXPECT_EQ(checked.log.find("WARN: File"), std::string::npos)
        << checked.log.substr(checked.log.find("WARN"), 400);
    EXPECT_EQ(checked.status, 0);
    shipped.Run(check);
    const auto by_learned = StoredLines(learning);
    const auto by_shipped = StoredLines(shipped);
    for (const auto& [where, line] : by_shipped) {
      auto other = by_learned.find(where);
      ASSERT_NE(other, by_learned.end()) << where;
      EXPECT_EQ(other->second, line) << where;
    }
    EXPECT_GT(by_shipped.size(), 500u);
  }

  testing::TempDir dir_;
  const std::string sample_ = TARN_EXAMPLES "/kestrovar";
};

// Learned again, in another home, the same folder gives the same files, and TARN.MDB stays as
// it was.
TEST_F(LearnTest, SampleWorldChecksCleanWithItsLearnedRulesLearnedTheSameTwice) {
  LearnImportAndCheck(sample_);
  const testing::Tarn tarn;
  const std::string before = testing::ReadFile(tarn.home.File("TARN.MDB"));
  ASSERT_EQ(tarn.Run("--game " + sample_ + " rules learn " + dir_.File("again")).status, 0);
  EXPECT_EQ(testing::ReadFile(tarn.home.File("TARN.MDB")), before);
  std::size_t files = 0;
  for (const auto& item : fs::directory_iterator(dir_.File("rules"))) {
    const std::string name = item.path().filename().string();
    EXPECT_EQ(testing::ReadFile(item.path().string()),
              testing::ReadFile(dir_.File("again/" + name)))
        << name;
    ++files;
  }
  EXPECT_GT(files, 10u);
}

#ifndef _WIN32
// Not on Windows: the bench world is made by a Python script the test starts through the shell.
// A world without mistakes: a decimal where the shipped rules want a Long is stored rounded
// by them and as written by the learned rules, which is the point of learning it.
TEST_F(LearnTest, BenchWorldChecksCleanWithItsLearnedRules) {
  const std::string world = dir_.File("world");
  const std::string source = TARN_SOURCE;
  // The world is read and written by this build's programs, not by whatever build/bin holds.
  const std::string bin = std::filesystem::path(TARN_CLI).parent_path().string();
  ASSERT_EQ(testing::RunCommand("TARN=" + bin + "/tarn TARN_MKBINI=" + bin + "/tarn-mkbini " +
                                source + "/bench/make_world --scale 0.05 --seed 3 --mistakes " +
                                "none --rules " + source + "/data/rules --out " + world)
                .status,
            0);
  LearnImportAndCheck(world, world + "/other_ini.txt");
}
#endif  // !_WIN32

// The commands of README.md's "Checking your own game", read from the README itself, run as
// a newcomer runs them: from a fresh folder, on copies of the sample world for the unmodified
// and the modded game, with a home of its own for the program's folder.
TEST_F(LearnTest, ReadmeCommandsForYourOwnGameWorkAsWritten) {
  const std::string readme = testing::ReadFile(TARN_SOURCE "/README.md");
  const std::size_t section = readme.find("\n## Checking your own game\n");
  ASSERT_NE(section, std::string::npos);
  const std::size_t block = readme.find("```sh\n", section) + 6;
  const std::string commands = readme.substr(block, readme.find("```", block) - block);
  const testing::Tarn tarn;
  fs::copy(sample_, dir_.File("original"), fs::copy_options::recursive);
  fs::copy(sample_, dir_.File("modded"), fs::copy_options::recursive);
  fs::create_directory(dir_.File("fresh"));
  int run = 0;
  for (std::string line : testing::TextLines(commands)) {
    if (line.empty() || line.starts_with("#")) continue;
    ASSERT_TRUE(line.starts_with("tarn ")) << line;
    testing::ReplaceAll(line, "/games/kestrovar-original", dir_.File("original"));
    testing::ReplaceAll(line, "/games/kestrovar-modded", dir_.File("modded"));
    ASSERT_EQ(line.find("/games/"), std::string::npos) << "a game folder this test lacks";
    const testing::Result r = testing::RunCommand(
        TARN_CLI " --home " + tarn.home.Path() + line.substr(4), dir_.File("fresh"));
    EXPECT_EQ(r.status, 0) << line << "\n" << r.err;
    ++run;
  }
  EXPECT_EQ(run, 3);
  EXPECT_TRUE(fs::exists(dir_.File("fresh/out/tarn.log")));
}

TEST_F(LearnTest, BadFoldersEndWithStatusThreeAndLeaveNothingBehind) {
#ifdef _WIN32
  GTEST_SKIP() << "it makes POSIX symbolic links, which MinGW's std::filesystem cannot; "
                  "WindowsPathTest covers junctions";
#endif
  const testing::Tarn tarn;
  const struct {
    std::string args;
    std::string message;
  } cases[] = {
      {"--game " + dir_.File("nowhere") + " rules learn " + dir_.File("out1"),
       "cannot read the game's main file"},
      {"--game '' rules learn " + dir_.File("out1"), "no game folder is set"},
      {"--game " + sample_ + " rules learn --force " + dir_.File("full"), "did not write there"},
  };
  fs::create_directories(dir_.File("full"));
  testing::WriteFile(dir_.File("full/keep.txt"), "mine");
  for (const auto& c : cases) {
    const testing::Result r = tarn.Run(c.args);
    EXPECT_EQ(r.status, 3) << c.args;
    EXPECT_THAT(r.err, HasSubstr(c.message)) << c.args;
  }
  EXPECT_FALSE(fs::exists(dir_.File("out1")));
  EXPECT_EQ(testing::ReadFile(dir_.File("full/keep.txt")), "mine");
  // Its own earlier output it replaces, without --force, and a leftover of a killed run
  // (a process that is gone) beside it goes too.
  fs::create_directories(dir_.File(".learned.tarn-999999999.new"));
  ASSERT_EQ(tarn.Run("--game " + sample_ + " rules learn " + dir_.File("learned")).status, 0);
  testing::WriteFile(dir_.File("learned/stale.rules"), "");
  ASSERT_EQ(tarn.Run("--game " + sample_ + " rules learn " + dir_.File("learned")).status, 0);
  EXPECT_FALSE(fs::exists(dir_.File("learned/stale.rules")));
  EXPECT_TRUE(fs::exists(dir_.File("learned/LEARNED.md")));
  for (const auto& item : fs::directory_iterator(dir_.Path())) {
    EXPECT_NE(item.path().filename().string().front(), '.') << item.path();
  }
}

}  // namespace
}  // namespace tarn
