// Copies of the broken sample world, whose findings are checked in every report format against
// the files on disk, across edits with a baseline, and with a log that cannot be written.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "ini/bini_decoder.h"
#include "platform/ascii_case.h"
#include "support/program.h"
#include "support/rows.h"
#include "support/world.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

using testing::Rows;

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(TARN_EXAMPLES "/kestrovar-broken", tarn_.game.Path(), fs::copy_options::recursive);
  }
  testing::Result Run(const std::string& args) {
    return tarn_.Run("--game <game> --overwrite " + args);
  }
  // Puts lines in front of line `at` (1-based) of a file of the game.
  void Insert(const std::string& file, int at, const std::vector<std::string>& lines) {
    std::vector<std::string> all = testing::TextLines(testing::ReadFile(tarn_.game.File(file)));
    all.insert(all.begin() + at - 1, lines.begin(), lines.end());
    std::string text;
    for (const std::string& line : all) text += line + "\r\n";
    testing::WriteFile(tarn_.game.File(file), text);
  }
  testing::Tarn tarn_;
};

TEST_F(ReportTest, EveryFormatPointsAtTheLineOnDisk) {
  const testing::Result r =
      Run("--log <log> --quiet --report text=<home>/r.txt --report json=<home>/r.json "
          "--report sarif=<home>/r.sarif --report github=- init-db all refs");
  ASSERT_EQ(r.status, 1) << r.err;
  const std::vector<std::string> text =
      testing::TextLines(testing::ReadFile(tarn_.home.File("r.txt")));
  EXPECT_THAT(
      text,
      ElementsAre(
          "DATA/constants.ini:15: warning: 10302 Unknown Entry: near_plain = 0.5 [CameraConsts]; "
          "did you mean `near_plane`? (line of the binary file's text form)",
          "DATA/EQUIPMENT/weapon_equip.ini:26: warning: 10302 Unknown Entry: enrgy_damage = 24 "
          "[Munition]; did you mean `energy_damage`?",
          "DATA/EQUIPMENT/goods.ini:9: warning: 10209 Entry is Not Multiline: price = 2100 [Good]",
          "DATA/FX/fuses.ini:8: warning: 10101 Value Type Mismatch: death_fuse = yes [Fuse]",
          "DATA/SOLAR/StarArch.ini:19: warning: 10301 Section has no closing bracket: [Glow",
          "DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini:57: warning: 10212 Too Few Values: goto = kv02, "
          "Orrin_jump_to_Vesk [Object]",
          "DATA/UNIVERSE/SYSTEMS/KV02/KV02.ini:76: warning: 10306 Could not open referred file: "
          "filename = Missions\\Encounters\\area_raiders.ini [encounterparameters]",
          "DATA/EQUIPMENT/market_misc.ini:8: warning: 10401 Unknown Reference: marketgood = "
          "commodity_ice_ores [basegood]: no [Good]nickname has this name; did you mean "
          "`commodity_ice_ore`?",
          "DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini:42: warning: 10401 Unknown Reference: archetype = "
          "planet_ocean_300 [object]: no [Solar]nickname has this name; did you mean "
          "`planet_ocean_3000`?"));
  // The report on standard output is all that is there, one annotation per finding.
  EXPECT_EQ(testing::TextLines(r.out).size(), text.size());
  EXPECT_THAT(r.out, HasSubstr("::warning file=DATA/FX/fuses.ini,line=8,title=10101 Value Type "
                               "Mismatch::death_fuse = yes [Fuse]\n"));

  // Each finding's path and line, as the JSON report has them, name the line on disk (in its
  // own letter case) that holds the key at fault (stored in lower case when a reference or a
  // name is at fault), in a binary file the line of its text form; the SARIF report says the
  // same, and passes the official validator.
  const Rows findings =
      testing::JsonRows(testing::ReadFile(tarn_.home.File("r.json")),
                        "SELECT json_extract(value, '$.textForm'), json_extract(value, "
                        "'$.path'), json_extract(value, '$.line'), json_extract(value, "
                        "'$.key') FROM json_each(?1, '$.findings')");
  ASSERT_EQ(findings.size(), text.size());
  for (const std::string& row : findings) {
    const bool text_form = row.starts_with("1|");
    const std::string finding = row.substr(row.find('|') + 1);
    const std::size_t bar = finding.find('|'), bar2 = finding.rfind('|');
    std::string file = testing::ReadFile(tarn_.game.File(finding.substr(0, bar)));
    std::string why;
    if (text_form) {
      ASSERT_TRUE(DecodeBini(std::string(file), file, why)) << why;
    }
    const auto lines = testing::TextLines(file);
    const std::size_t line = std::stoul(finding.substr(bar + 1, bar2 - bar - 1));
    ASSERT_LE(line, lines.size()) << finding;
    EXPECT_TRUE(AsciiLowered(lines[line - 1]).starts_with(AsciiLowered(finding.substr(bar2 + 1))))
        << finding;
  }
  EXPECT_EQ(testing::JsonRows(
                testing::ReadFile(tarn_.home.File("r.sarif")),
                "SELECT json_extract(value, '$.locations[0].physicalLocation.artifactLocation.uri')"
                " || '|' || json_extract(value, '$.locations[0].physicalLocation.region.startLine')"
                " FROM json_each(?1, '$.runs[0].results')")
                .size(),
            text.size());
#ifndef _WIN32  // the SARIF validator installed is the Linux one
  ASSERT_TRUE(fs::exists(TARN_SARIF_VALIDATOR)) << "run scripts/setup: it installs the validator";
  const testing::Result validation = testing::RunCommand(
      std::string(TARN_SARIF_VALIDATOR) + " validate " + tarn_.home.File("r.sarif") + " 2>&1");
  EXPECT_THAT(validation.out, HasSubstr("1 files scanned"));
  EXPECT_THAT(validation.out, Not(HasSubstr(": error ")));
#endif
}

TEST_F(ReportTest, BaselineKeepsKnownFindingsAcrossMovedLinesAndCatchesNewOnes) {
  ASSERT_EQ(Run("--log <log> --quiet --write-baseline <home>/baseline.json init-db all").status, 1);
  // Comment and blank lines above every finding of two files, and a section moved down.
  Insert("DATA/EQUIPMENT/weapon_equip.ini", 1, {"; moved down", "", "; by three lines"});
  Insert("DATA/EQUIPMENT/goods.ini", 8, {"; and this one inside its section"});
  testing::Result r = Run("--log <log> --quiet --baseline <home>/baseline.json init-db all");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("7 warnings (0 new, 7 known; 0 of the baseline fixed)"));

  Insert("DATA/EQUIPMENT/goods.ini", 9, {"pricee = 10"});
  r =
      Run("--log <log> --quiet --baseline <home>/baseline.json --report json=<home>/r.json "
          "--report text=<home>/new.txt --report text=<home>/all.txt init-db all");
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("8 warnings (1 new, 7 known"));
  EXPECT_EQ(testing::ReadFile(tarn_.home.File("new.txt")),
            "DATA/EQUIPMENT/goods.ini:9: warning: 10302 Unknown Entry: pricee = 10 [Good]; did "
            "you mean `price`?\nnote: 7 known findings left out (--report-known lists them)\n");
  Run("--log <log> --quiet --baseline <home>/baseline.json --report-known "
      "--report text=<home>/all.txt init-db all");
  EXPECT_EQ(testing::TextLines(testing::ReadFile(tarn_.home.File("all.txt"))).size(), 8u);
  EXPECT_EQ(
      testing::JsonRows(testing::ReadFile(tarn_.home.File("r.json")),
                        "SELECT json_extract(value, '$.key') FROM json_each(?1, '$.findings') "
                        "WHERE json_extract(value, '$.baselineState') = 'new'"),
      Rows{"pricee"});
}

// Reports and baselines never replace what the run owns or reads, however the path is spelt;
// refused before the run starts, they leave everything as it was.
TEST_F(ReportTest, WrittenPathsOverWhatTheRunOwnsAreRefusedBeforeItStarts) {
  ASSERT_EQ(Run("--log <log> --quiet init-db all").status, 1);
  testing::WriteFile(tarn_.home.File("base.json"), "{\"findings\": []}");
  fs::create_directories(tarn_.home.File("sub"));
  // What the run owns or reads, with its bytes.
  std::vector<std::pair<std::string, std::string>> kept;
  for (const char* path : {"<home>/TARN.MDB", "<home>/KV.MDB", "<log>/tarn.log",
                           "<game>/DATA/EQUIPMENT/goods.ini", "<home>/base.json"}) {
    kept.emplace_back(tarn_.Path(path), testing::ReadFile(tarn_.Path(path)));
  }
  const struct {
    std::string args;
    std::string message;
  } cases[] = {
      {"--report json=<home>/TARN.MDB", "<home>/TARN.MDB: it is the settings database TARN.MDB"},
      {"--report json=<home>/sub/../KV.MDB", "it is the data database KV.MDB"},
      {"--report text=<log>/tarn.log", "it is the run's log tarn.log"},
      {"--report text=<log>/.tarn-log.lock", "it is the log folder's lock"},
      {"--baseline <home>/base.json --write-baseline <home>/sub/../base.json",
       "it is the baseline this run reads"},
      {"--report text=<game>/DATA/EQUIPMENT/goods.ini", "the game's own"},
      {"--report text=<game>/DATA/EQUIPMENT/../EQUIPMENT/new.INI", "the game's own"},
      {"--report json=<home>/sub", "it is a folder"},
  };
  for (const auto& c : cases) {
    const testing::Result r = Run("--log <log> --quiet " + c.args + " init-db all");
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_THAT(r.err, HasSubstr(c.message)) << c.args;
  }
  for (const auto& [path, bytes] : kept) EXPECT_EQ(testing::ReadFile(path), bytes) << path;
  // A report in the game folder that the walk does not read is the mod's to keep.
  EXPECT_EQ(Run("--log <log> --quiet --report sarif=<game>/tarn.sarif init-db all").status, 1);
  EXPECT_TRUE(fs::exists(tarn_.game.File("tarn.sarif")));
}

// A log folder named on the command line is made when its parent exists; one whose parent is
// missing is a log that cannot be written.
TEST_F(ReportTest, LogThatCannotBeWrittenEndsWithStatusThree) {
  testing::Result r = Run("--log <log>/fresh/ --quiet init-db all");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_THAT(testing::ReadFile(tarn_.log.File("fresh/tarn.log")), HasSubstr("WARN: File"));
  r = Run("--log <log>/no/such/folder init-db all");
  EXPECT_EQ(r.status, 3);
  EXPECT_THAT(r.err, HasSubstr("exit status 3: lines could not be written to "
                               "<log>/no/such/folder/tarn.log (76 Path not found)"));
  // The run went on: the lines the log lost are reported where the log box is.
  EXPECT_THAT(r.out, HasSubstr("*******  Unable to log message in file"));
  EXPECT_THAT(r.err, HasSubstr("7 warnings"));
}

}  // namespace
}  // namespace tarn
