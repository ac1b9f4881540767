// Runs the program with the shipped rule set on the two sample game worlds under examples/:
// the clean world must check without a single warning and read each of its files once; the
// broken one must give exactly the warning blocks that its README lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "support/program.h"
#include "support/rows.h"
#include "support/world.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(testing::FromCrLf(text));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

class SampleWorldTest : public ::testing::Test {
 protected:
  // Checks a copy of the world as the game folder; the log's lines.
  std::vector<std::string> Check(const std::string& world, int status) {
    fs::copy(Folder(world), tarn_.game.Path(), fs::copy_options::recursive);
    const testing::Result r =
        tarn_.Run("--game <game> --log <log> --overwrite --quiet init-db all");
    EXPECT_EQ(r.status, status) << r.err;
    return Lines(r.log);
  }
  static std::string Folder(const std::string& world) { return TARN_EXAMPLES "/" + world; }
  testing::Tarn tarn_;
};

TEST_F(SampleWorldTest, CleanWorldChecksWithoutAWarningAndReadsEachFileOnce) {
  std::vector<std::string> read;
  for (const std::string& line : Check("kestrovar", 0)) {
    EXPECT_FALSE(line.starts_with("WARN: File ") || line.starts_with("ERR") ||
                 line.starts_with("Error") || line == "Already parsed. Skipped.")
        << line;
    // The log names a file with the letter case of the reference that led to it; the world's
    // folders and files are named in other cases on purpose.
    for (std::string prefix : {"Processing <game>/", "    Processing <game>/"}) {
      if (line.starts_with(prefix)) read.push_back(Lower(line.substr(prefix.size())));
    }
  }
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(tarn_.game.Path())) {
    if (entry.is_regular_file()) {
      files.push_back(Lower(fs::relative(entry.path(), tarn_.game.Path()).generic_string()));
    }
  }
  std::sort(read.begin(), read.end());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(read, files);
  // Each of the thirteen rules that lead to further files was followed.
  EXPECT_EQ(testing::RowsOf(tarn_.home.File("KV.MDB"),
                            "SELECT count(DISTINCT EntryID) FROM Entries WHERE EntryID IN "
                            "(74, 101, 871, 877, 879, 64, 824, 1034, 1040, 1055, 1107, 1169, 872)"),
            testing::Rows{"13"});
}

// The README of the broken world lists what a modder should see: each warning block in a
// fenced block of its own, in log order.
TEST_F(SampleWorldTest, BrokenWorldGivesExactlyTheListedWarnings) {
  std::vector<std::string> listed;
  std::string block;
  bool fenced = false;
  for (const std::string& line :
       Lines(testing::ReadFile(Folder("kestrovar-broken") + "/README.md"))) {
    if (line.starts_with("```")) {
      if (fenced && block.starts_with("WARN: File ")) listed.push_back(block);
      fenced = !fenced;
      block.clear();
    } else if (fenced) {
      block += line + "\n";
    }
  }
  ASSERT_EQ(listed.size(), 6u);
  const std::vector<std::string> log = Check("kestrovar-broken", 1);
  std::vector<std::string> warnings;
  for (std::size_t i = 0; i < log.size(); ++i) {
    EXPECT_FALSE(log[i].starts_with("ERR") || log[i].starts_with("Error")) << log[i];
    if (!log[i].starts_with("WARN: File ")) continue;
    block.clear();
    for (std::size_t j = i; j < i + 3 && j < log.size(); ++j) block += log[j] + "\n";
    warnings.push_back(block);
  }
  EXPECT_EQ(warnings, listed);
}

}  // namespace
}  // namespace tarn
