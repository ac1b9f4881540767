// Runs the real program with the shipped rule set on the two sample game worlds under
// examples/: the clean world must check without a single warning and read each of its files
// once, and every name it uses must be defined; the broken one must give exactly the warning
// blocks that its README lists, the unknown names among them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "datadb/database.h"
#include "support/shell_run.h"
#include "support/temp_dir.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::ReplaceAll;
using testing::TempDir;

std::vector<std::string> Lines(std::string text) {
  std::erase(text, '\r');
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

class SampleWorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(home_.File("logs"));
    fs::copy_file(TARN_SHIPPED_MDB, home_.File("TARN.MDB"));
  }

  // Runs a full analysis of the world and checks its names; returns the exit status.
  int Check(const std::string& world) {
    game_ = std::string(TARN_EXAMPLES) + "/" + world;
    std::string command = std::string(TARN_CLI) + " --home " + home_.Path() + " --game " + game_ +
                          " --log " + home_.File("logs") +
                          " --overwrite --quiet init-db all refs >/dev/null 2>" + home_.File("err");
    const int status = testing::RunShell(command);
    log_ = Lines(ReadAll(home_.File("logs/tarn.log")));
    return status;
  }

  // The three lines of every warning, in log order, the game folder written as <game>.
  std::vector<std::string> WarningBlocks() const {
    std::vector<std::string> blocks;
    for (std::size_t i = 0; i < log_.size(); ++i) {
      if (!log_[i].starts_with("WARN: File ")) continue;
      std::string block;
      for (std::size_t j = i; j < i + 3 && j < log_.size(); ++j) block += log_[j] + "\n";
      ReplaceAll(block, game_, "<game>");
      blocks.push_back(block);
    }
    return blocks;
  }

  std::string Err() const { return ReadAll(home_.File("err")); }

  TempDir home_;
  std::string game_;
  std::vector<std::string> log_;
};

TEST_F(SampleWorldTest, CleanWorldChecksWithoutAWarningAndReadsEachFileOnce) {
  ASSERT_EQ(Check("kestrovar"), 0) << Err();
  for (const std::string& line : log_) {
    EXPECT_FALSE(line.starts_with("WARN: File ") || line.starts_with("ERR") ||
                 line.starts_with("Error") || line == "Already parsed. Skipped.")
        << line;
  }
  EXPECT_THAT(log_, ::testing::Contains(::testing::StartsWith("Done Checking references: 0 unknown "
                                                              "names in ")));

  // The log names a file with the letter case of the reference that led to it; the world's
  // folders and files are named in other cases on purpose.
  std::vector<std::string> read;
  for (const std::string& line : log_) {
    for (std::string prefix : {"Processing ", "    Processing "}) {
      if (line.starts_with(prefix + game_ + "/")) {
        read.push_back(Lower(line.substr(prefix.size() + game_.size() + 1)));
      }
    }
  }
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(game_)) {
    if (entry.is_regular_file()) {
      files.push_back(Lower(fs::relative(entry.path(), game_).generic_string()));
    }
  }
  std::sort(read.begin(), read.end());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(read, files);

  // Each of the thirteen rules that lead to further files was followed at least once.
  auto db = Database::Open(home_.File("KV.MDB"), Database::Mode::kReadWrite);
  auto rows = db.Prepare(
      "SELECT DISTINCT EntryID FROM Entries WHERE EntryID IN "
      "(74, 101, 871, 877, 879, 64, 824, 1034, 1040, 1055, 1107, 1169, 872)");
  int followed = 0;
  while (rows.Step()) ++followed;
  EXPECT_EQ(followed, 13);
}

// The README of the broken world is the list of what a modder should see: each warning block
// stands there in a fenced block of its own, in log order.
std::vector<std::string> ListedBlocks(const std::string& readme) {
  std::vector<std::string> blocks;
  std::string block;
  bool fenced = false;
  for (const std::string& line : Lines(ReadAll(readme))) {
    if (line.starts_with("```")) {
      if (fenced && block.starts_with("WARN: File ")) blocks.push_back(block);
      fenced = !fenced;
      block.clear();
    } else if (fenced) {
      block += line + "\n";
    }
  }
  return blocks;
}

TEST_F(SampleWorldTest, BrokenWorldGivesExactlyTheListedWarnings) {
  const std::string world = "kestrovar-broken";
  std::vector<std::string> listed =
      ListedBlocks(std::string(TARN_EXAMPLES) + "/" + world + "/README.md");
  ASSERT_EQ(listed.size(), 8u);

  ASSERT_EQ(Check(world), 1) << Err();
  EXPECT_EQ(WarningBlocks(), listed);
  for (const std::string& line : log_) {
    EXPECT_FALSE(line.starts_with("ERR") || line.starts_with("Error")) << line;
  }
}

}  // namespace
}  // namespace tarn
