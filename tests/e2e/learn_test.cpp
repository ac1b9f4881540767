// Runs `tarn rules learn` on whole game folders: what it learns from a folder checks that
// folder without a warning and stores the same rows as the shipped rules do, it is learned
// the same way twice, and bad folders and output folders end the command with status 3 and
// nothing half-written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "datadb/database.h"
#include "support/shell_run.h"
#include "support/temp_dir.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::TempDir;

struct Result {
  int status;
  std::string out;
  std::string err;
};

class LearnTest : public ::testing::Test {
 protected:
  // A home with a copy of the shipped TARN.MDB whose _bc_OtherINI lists other_ini (when
  // given: the lines of a bench world's other_ini.txt).
  std::string Home(const std::string& name, const std::string& other_ini = "") {
    const std::string home = dir_.File(name);
    fs::create_directories(home + "/log");
    fs::copy_file(TARN_SHIPPED_MDB, home + "/TARN.MDB");
    if (!other_ini.empty()) {
      auto db = Database::Open(home + "/TARN.MDB", Database::Mode::kReadWrite);
      db.Exec("DELETE FROM _bc_OtherINI");
      std::ifstream lines(other_ini);
      for (std::string line; std::getline(lines, line);) {
        Statement insert = db.Prepare("INSERT INTO _bc_OtherINI (Value) VALUES (?1)");
        insert.BindText(1, line);
        insert.Step();
      }
    }
    return home;
  }

  Result Tarn(const std::string& home, const std::string& args) {
    const std::string out = dir_.File("out"), err = dir_.File("err");
    const int status = testing::RunShell(std::string(TARN_CLI) + " --home " + home + " " + args +
                                         " >" + out + " 2>" + err);
    return {status, ReadAll(out), ReadAll(err)};
  }

  // Every stored line: file and line, key, and its values.
  std::map<std::string, std::string> StoredLines(const std::string& home) {
    auto db = Database::Open(home + "/KV.MDB", Database::Mode::kReadWrite);
    Statement rows = db.Prepare(
        "SELECT s.File || ':' || e.Line, e.Entry || ' = ' || "
        "ifnull((SELECT group_concat(ifnull(Value, 'null'), '|') FROM (SELECT Value FROM "
        "\"Values\" WHERE Link = e.DB_ID ORDER BY DB_ID)), '') "
        "FROM Entries e JOIN Sections s ON s.DB_ID = e.Link");
    std::map<std::string, std::string> lines;
    while (rows.Step()) lines[rows.Text(0)] = rows.Text(1);
    return lines;
  }

  // Learns game's rules in one home, checks game with them and with the shipped rules in
  // another, and holds the guarantee: no warning but of the lines the report lists, the same
  // rows wherever both runs store a line.
  void LearnImportAndCheck(const std::string& game, const std::string& other_ini = "") {
    const std::string learning = Home("learning", other_ini);
    const std::string shipped = Home("shipped", other_ini);
    const std::string rules = dir_.File("rules");
    Result learn = Tarn(learning, "--game " + game + " rules learn " + rules);
    ASSERT_EQ(learn.status, 0) << learn.err;
    EXPECT_EQ(learn.out, ReadAll(rules + "/LEARNED.md"));
    ASSERT_EQ(Tarn(learning, "rules import " + rules).status, 0);
    Result check = Tarn(
        learning, "--game " + game + " --log " + learning + "/log --overwrite --quiet init-db all");
    const std::string log = ReadAll(learning + "/log/tarn.log");
    EXPECT_EQ(log.find("WARN: File"), std::string::npos) << log.substr(log.find("WARN"), 400);
    EXPECT_EQ(check.status, 0);
    Tarn(shipped, "--game " + game + " --log " + shipped + "/log --overwrite --quiet init-db all");
    const auto by_learned = StoredLines(learning);
    const auto by_shipped = StoredLines(shipped);
    std::size_t compared = 0;
    for (const auto& [where, line] : by_shipped) {
      auto other = by_learned.find(where);
      ASSERT_NE(other, by_learned.end()) << where;
      EXPECT_EQ(other->second, line) << where;
      ++compared;
    }
    EXPECT_GT(compared, 500u);
  }

  TempDir dir_;
};

TEST_F(LearnTest, SampleWorldChecksCleanWithItsLearnedRules) {
  LearnImportAndCheck(std::string(TARN_EXAMPLES) + "/kestrovar");
}

// A world without mistakes: a decimal where the shipped rules want a Long is stored rounded
// by them and as written by the learned rules, which is the point of learning it.
TEST_F(LearnTest, BenchWorldChecksCleanWithItsLearnedRules) {
  const std::string world = dir_.File("world");
  const std::string source = TARN_SOURCE;
  ASSERT_EQ(testing::RunShell(source + "/bench/make_world --scale 0.05 --seed 3 --mistakes none " +
                              "--rules " + source + "/data/rules --out " + world + " >/dev/null"),
            0);
  LearnImportAndCheck(world, world + "/other_ini.txt");
}

TEST_F(LearnTest, SameFolderLearnedTwiceGivesTheSameFilesAndTarnMdbStaysAsItWas) {
  const std::string home = Home("home");
  const std::string game = std::string(TARN_EXAMPLES) + "/kestrovar";
  const std::string before = ReadAll(home + "/TARN.MDB");
  ASSERT_EQ(Tarn(home, "--game " + game + " rules learn " + dir_.File("a")).status, 0);
  ASSERT_EQ(Tarn(home, "--game " + game + " rules learn " + dir_.File("b")).status, 0);
  EXPECT_EQ(ReadAll(home + "/TARN.MDB"), before);
  std::size_t files = 0;
  for (const auto& item : fs::directory_iterator(dir_.File("a"))) {
    const std::string name = item.path().filename().string();
    EXPECT_EQ(ReadAll(item.path().string()), ReadAll(dir_.File("b/" + name))) << name;
    ++files;
  }
  EXPECT_GT(files, 10u);
}

TEST_F(LearnTest, BadFoldersEndWithStatusThreeAndLeaveNothingBehind) {
  const std::string home = Home("home");
  const std::string game = std::string(TARN_EXAMPLES) + "/kestrovar";
  struct Case {
    std::string args;
    std::string message;
  } cases[] = {
      {"--game " + dir_.File("nowhere") + " rules learn " + dir_.File("out1"),
       "cannot read the game's main file"},
      {"--game '' rules learn " + dir_.File("out1"), "no game folder is set"},
      {"--game " + game + " rules learn " + dir_.File("full"), "is not empty (--force"},
      {"--game " + game + " rules learn " + dir_.File("file/out"), "cannot create a folder"},
  };
  fs::create_directories(dir_.File("full"));
  std::ofstream(dir_.File("full/keep.txt")) << "mine";
  std::ofstream(dir_.File("file")) << "a file, not a folder";
  for (const Case& c : cases) {
    Result r = Tarn(home, c.args);
    EXPECT_EQ(r.status, 3) << c.args;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(dir_.File("out1")));
  EXPECT_EQ(ReadAll(dir_.File("full/keep.txt")), "mine");
  // --force replaces the folder; no temporary folder is left beside it.
  ASSERT_EQ(Tarn(home, "--game " + game + " rules learn --force " + dir_.File("full")).status, 0);
  EXPECT_FALSE(fs::exists(dir_.File("full/keep.txt")));
  EXPECT_TRUE(fs::exists(dir_.File("full/LEARNED.md")));
  for (const auto& item : fs::directory_iterator(dir_.Path())) {
    EXPECT_NE(item.path().filename().string().front(), '.') << item.path();
  }
}

}  // namespace
}  // namespace tarn
