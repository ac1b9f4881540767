// Runs the program on the two sample worlds under examples/ with the shipped rule set: the
// clean world must check without a single warning, read each of its files once and define every
// name it uses; the broken one must give exactly the warning blocks its README lists, the
// unknown names among them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/ascii_case.h"
#include "support/program.h"
#include "support/rows.h"
#include "support/world.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;

class SampleWorldTest : public ::testing::Test {
 protected:
  // Checks the game folder and its names, with more options in args.
  testing::Result Refs(const std::string& args = "") {
    return tarn_.Run("--game <game> --log <log> --overwrite --quiet " + args + "init-db all refs");
  }
  // Checks a copy of the world as the game folder; the log's lines.
  std::vector<std::string> Check(const std::string& world, int status) {
    Copy(world);
    const testing::Result r = Refs();
    EXPECT_EQ(r.status, status) << r.err;
    return testing::TextLines(r.log);
  }
  void Copy(const std::string& world) {
    fs::copy(Folder(world), tarn_.game.Path(), fs::copy_options::recursive);
  }
  static std::string Folder(const std::string& world) { return TARN_EXAMPLES "/" + world; }
  static std::string Done(int unknown) {
    return "Done Checking references: " + std::to_string(unknown) +
           " unknown names in 72 positions";
  }
  testing::Tarn tarn_;
};

TEST_F(SampleWorldTest, CleanWorldChecksWithoutAWarningAndReadsEachFileOnce) {
  std::vector<std::string> read;
  const std::vector<std::string> log = Check("kestrovar", 0);
  for (const std::string& line : log) {
    EXPECT_FALSE(line.starts_with("WARN: File ") || line.starts_with("ERR") ||
                 line.starts_with("Error") || line == "Already parsed. Skipped.")
        << line;
    // The log names a file with the letter case of the reference that led to it; the world's
    // folders and files are named in other cases on purpose.
    for (std::string prefix : {"Processing <game>/", "    Processing <game>/"}) {
      if (line.starts_with(prefix)) read.push_back(AsciiLowered(line.substr(prefix.size())));
    }
  }
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(tarn_.game.Path())) {
    if (entry.is_regular_file()) {
      files.push_back(AsciiLowered(fs::relative(entry.path(), tarn_.game.Path()).generic_string()));
    }
  }
  std::sort(read.begin(), read.end());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(read, files);
  EXPECT_THAT(log, ::testing::Contains(::testing::StartsWith("Done Checking references: 0 unknown "
                                                             "names in ")));
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
       testing::TextLines(testing::ReadFile(Folder("kestrovar-broken") + "/README.md"))) {
    if (line.starts_with("```")) {
      if (fenced && block.starts_with("WARN: File ")) listed.push_back(block);
      fenced = !fenced;
      block.clear();
    } else if (fenced) {
      block += line + "\n";
    }
  }
  ASSERT_EQ(listed.size(), 9u);
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

// The game looks names up without regard to the letter case of ASCII letters, and so does
// "refs": a use written in other letters than its definition names it all the same.
TEST_F(SampleWorldTest, NamesAreFoundWhateverTheirLetterCase) {
  Copy("kestrovar");
  const std::string market = tarn_.game.Path() + "/DATA/EQUIPMENT/market_misc.ini";
  const std::string text = testing::ReadFile(market);
  const std::size_t at = text.find("commodity_ice_ore,");
  ASSERT_NE(at, std::string::npos);
  for (const auto& [name, unknown] : {std::pair{"COMMODITY_Ice_Ore", 0}, {"commodity_ice_or", 1}}) {
    std::string changed = text;
    changed.replace(at, std::string("commodity_ice_ore").size(), name);
    testing::WriteFile(market, changed);
    EXPECT_THAT(testing::TextLines(Refs().log), ::testing::Contains(Done(unknown))) << name;
  }
}

// "refs": a room is local to its base's files once the rules say so. Deck is a room of
// both sample bases and Bar of the first only: the second base starting in Bar passes a check
// of the whole folder but not one within the base's own files.
TEST_F(SampleWorldTest, LocalNameIsLookedUpInItsOwnGroupOfFiles) {
  Copy("kestrovar");
  const std::string base = tarn_.game.Path() + "/DATA/UNIVERSE/SYSTEMS/KV02/BASES/kv02_01_base.ini";
  std::string text = testing::ReadFile(base);
  text.replace(text.find("start_room = Deck"), 17, "start_room = Bar");
  testing::WriteFile(base, text);
  testing::TempDir dir;
  const std::string rules = dir.File("rules");
  fs::copy(TARN_SOURCE "/data/rules", rules, fs::copy_options::recursive);
  for (const auto& [target, unknown] :
       {std::pair{"-> [Room]nickname", 0}, {"-> local [Room]nickname", 1}}) {
    std::string bases = testing::ReadFile(rules + "/bases.rules");
    const std::size_t at = bases.find("-> [Room]nickname");
    ASSERT_NE(at, std::string::npos);
    bases.replace(at, 17, target);
    testing::WriteFile(rules + "/bases.rules", bases);
    ASSERT_EQ(tarn_.Run("rules import " + rules).status, 0) << target;
    const testing::Result r = Refs();
    EXPECT_EQ(r.status, unknown) << target;
    EXPECT_THAT(testing::TextLines(r.log), ::testing::Contains(Done(unknown))) << target;
  }
}

// "refs": a good defined a second time among more than a hundred is a warning of its own
// after the unknown names, at the second place, naming the first relative to the game folder;
// the sample world's rooms, named alike in every base, are not.
TEST_F(SampleWorldTest, NameDefinedTwiceIsADuplicateNamingBothPlaces) {
  Copy("kestrovar");
  const std::string goods = tarn_.game.Path() + "/DATA/EQUIPMENT/goods.ini";
  std::string more;
  for (int i = 0; i < 100; ++i) more += "[Good]\nnickname = kv_good_" + std::to_string(i) + "\n";
  testing::WriteFile(goods, testing::ReadFile(goods) + more +
                                "\n[Good]\nnickname = GUN_pulse_light\nprice = 12\n");
  const testing::Result r = Refs("--report sarif=<home>/r.sarif ");
  EXPECT_EQ(r.status, 1) << r.err;
  // The SARIF report knows the number as a rule: the result's index names it.
  EXPECT_EQ(testing::JsonRows(testing::ReadFile(tarn_.home.File("r.sarif")),
                              "SELECT json_extract(r.value, '$.ruleIndex') = d.key FROM json_each("
                              "?1, '$.runs[0].results') r, json_each(?1, "
                              "'$.runs[0].tool.driver.rules') d WHERE json_extract(d.value, "
                              "'$.id') = '10406'"),
            testing::Rows{"1"});
  const std::vector<std::string> log = testing::TextLines(r.log);
  const auto done = std::find_if(log.begin(), log.end(), [](const std::string& line) {
    return line.starts_with("Done Checking references");
  });
  ASSERT_NE(done, log.end());
  EXPECT_EQ(*done, Done(0) + ", 1 duplicate names");
  ASSERT_GE(done - log.begin(), 4);
  EXPECT_EQ(*(done - 4),
            "WARN: File <game>/DATA/equipment/goods.ini line " +
                std::to_string(testing::TextLines(testing::ReadFile(goods)).size() - 1));
  EXPECT_EQ(*(done - 3), "      Section [good] line 1");
  EXPECT_THAT(*(done - 2), ::testing::MatchesRegex(
                               "      10406 - Duplicate Name !nickname!GUN_pulse_light \\(also "
                               "DATA/equipment/goods.ini line 4\\)!"));
}

}  // namespace
}  // namespace tarn
