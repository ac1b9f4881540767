// Runs the command line on copies of the broken sample world and checks its findings in every
// report format against the files on disk, baselines across edits, and the exit status of a
// run whose log cannot be written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "datadb/database.h"
#include "support/shell_run.h"
#include "support/temp_dir.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::ReadAll;

struct Result {
  int status;
  std::string out;
  std::string err;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(std::string(TARN_EXAMPLES) + "/kestrovar-broken", Game(), fs::copy_options::recursive);
    fs::create_directories(dir_.File("home"));
    fs::copy_file(TARN_SHIPPED_MDB, dir_.File("home/TARN.MDB"));
  }

  std::string Game() const { return dir_.File("game"); }

  Result Tarn(const std::string& args, const std::string& log = "") {
    const std::string out = dir_.File("out"), err = dir_.File("err");
    const int status = testing::RunShell(
        std::string(TARN_CLI) + " --home " + dir_.File("home") + " --game " + Game() + " --log " +
        (log.empty() ? dir_.Path() : log) + " --overwrite " + args + " >" + out + " 2>" + err);
    return {status, ReadAll(out), ReadAll(err)};
  }

  // Rows of a query over a JSON text, columns joined by "|".
  std::vector<std::string> Json(const std::string& json, const std::string& sql) {
    Database db = Database::Open(":memory:", Database::Mode::kCreate);
    Statement rows = db.Prepare(sql);
    rows.BindText(1, json);
    std::vector<std::string> out;
    while (rows.Step()) {
      std::string row;
      for (int c = 0; c < rows.ColumnCount(); ++c) row += (c ? "|" : "") + rows.Text(c);
      out.push_back(row);
    }
    return out;
  }

  // Puts lines in front of line `at` (1-based) of a file of the game.
  void Insert(const std::string& file, int at, const std::vector<std::string>& lines) {
    std::vector<std::string> all = Lines(ReadAll(Game() + "/" + file));
    all.insert(all.begin() + at - 1, lines.begin(), lines.end());
    std::ofstream out(Game() + "/" + file, std::ios::binary | std::ios::trunc);
    for (const std::string& line : all) out << line << "\r\n";
  }

  testing::TempDir dir_;
};

TEST_F(ReportTest, EveryFormatPointsAtTheLineOnDisk) {
  const Result r =
      Tarn("--quiet --report text=" + dir_.File("r.txt") + " --report json=" + dir_.File("r.json") +
           " --report sarif=" + dir_.File("r.sarif") + " --report github=-  init-db all refs");
  ASSERT_EQ(r.status, 1) << r.err;
  const std::vector<std::string> text = Lines(ReadAll(dir_.File("r.txt")));
  EXPECT_THAT(
      text,
      ElementsAre(
          "DATA/EQUIPMENT/weapon_equip.ini:26: warning: 10302 Unknown Entry: enrgy_damage = 24 "
          "[Munition]",
          "DATA/EQUIPMENT/goods.ini:9: warning: 10209 Entry is Not Multiline: price = 2100 [Good]",
          "DATA/FX/fuses.ini:8: warning: 10101 Value Type Mismatch: death_fuse = yes [Fuse]",
          "DATA/SOLAR/StarArch.ini:19: warning: 10301 Section has no closing bracket: [Glow",
          "DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini:57: warning: 10212 Too Few Values: goto = kv02, "
          "Orrin_jump_to_Vesk [Object]",
          "DATA/UNIVERSE/SYSTEMS/KV02/KV02.ini:76: warning: 10306 Could not open referred file: "
          "filename = Missions\\Encounters\\area_raiders.ini [encounterparameters]",
          "DATA/EQUIPMENT/market_misc.ini:8: warning: 10401 Unknown Reference: marketgood = "
          "commodity_ice_ores [basegood]: no [Good]nickname has this name",
          "DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini:42: warning: 10401 Unknown Reference: archetype = "
          "planet_ocean_300 [object]: no [Solar]nickname has this name"));
  // The report on standard output is all that is there, one annotation per finding.
  EXPECT_EQ(Lines(r.out).size(), text.size());
  EXPECT_THAT(r.out, HasSubstr("::warning file=DATA/FX/fuses.ini,line=8,title=10101 Value Type "
                               "Mismatch::death_fuse = yes [Fuse]\n"));

  // Each finding's path and line, as the JSON report has them, name the line on disk (in its
  // own letter case) that holds the key at fault (stored in lower case when a reference or a
  // name is at fault); the SARIF report says the same.
  const auto findings = Json(ReadAll(dir_.File("r.json")),
                             "SELECT json_extract(value, '$.path'), json_extract(value, '$.line'), "
                             "json_extract(value, '$.key') FROM json_each(?1, '$.findings')");
  ASSERT_EQ(findings.size(), text.size());
  for (const std::string& finding : findings) {
    const std::size_t bar = finding.find('|'), bar2 = finding.rfind('|');
    const auto lines = Lines(ReadAll(Game() + "/" + finding.substr(0, bar)));
    const std::size_t line = std::stoul(finding.substr(bar + 1, bar2 - bar - 1));
    ASSERT_LE(line, lines.size()) << finding;
    EXPECT_TRUE(Lower(lines[line - 1]).starts_with(Lower(finding.substr(bar2 + 1)))) << finding;
  }
  EXPECT_EQ(
      Json(ReadAll(dir_.File("r.sarif")),
           "SELECT json_extract(value, '$.locations[0].physicalLocation.artifactLocation.uri')"
           " || '|' || json_extract(value, '$.locations[0].physicalLocation.region.startLine')"
           " FROM json_each(?1, '$.runs[0].results')")
          .size(),
      text.size());
}

TEST_F(ReportTest, SarifReportPassesTheOfficialValidator) {
  ASSERT_TRUE(fs::exists(TARN_SARIF_VALIDATOR)) << "run scripts/setup: it installs the validator";
  ASSERT_EQ(Tarn("--quiet --report sarif=" + dir_.File("r.sarif") + " init-db all refs").status, 1);
  const std::string out = dir_.File("validation");
  testing::RunShell(std::string(TARN_SARIF_VALIDATOR) + " validate " + dir_.File("r.sarif") + " >" +
                    out + " 2>&1");
  const std::string validation = ReadAll(out);
  EXPECT_THAT(validation, HasSubstr("1 files scanned"));
  EXPECT_THAT(validation, ::testing::Not(HasSubstr(": error ")));
}

TEST_F(ReportTest, BaselineKeepsKnownFindingsAcrossMovedLinesAndCatchesNewOnes) {
  const std::string baseline = dir_.File("baseline.json");
  ASSERT_EQ(Tarn("--quiet --write-baseline " + baseline + " init-db all").status, 1);
  // Comment and blank lines above every finding of two files, and a section moved down.
  Insert("DATA/EQUIPMENT/weapon_equip.ini", 1, {"; moved down", "", "; by three lines"});
  Insert("DATA/EQUIPMENT/goods.ini", 8, {"; and this one inside its section"});
  Result r = Tarn("--quiet --baseline " + baseline + " init-db all");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("6 warnings (0 new, 6 known; 0 of the baseline fixed)"));

  Insert("DATA/EQUIPMENT/goods.ini", 9, {"pricee = 10"});
  r = Tarn("--quiet --baseline " + baseline + " --report json=" + dir_.File("r.json") +
           " init-db all");
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("7 warnings (1 new, 6 known"));
  EXPECT_EQ(Json(ReadAll(dir_.File("r.json")),
                 "SELECT json_extract(value, '$.key') FROM json_each(?1, '$.findings') "
                 "WHERE json_extract(value, '$.baselineState') = 'new'"),
            (std::vector<std::string>{"pricee"}));
}

TEST_F(ReportTest, LogThatCannotBeWrittenEndsWithStatusThree) {
  const Result r = Tarn("init-db all", dir_.File("no/such/folder"));
  EXPECT_EQ(r.status, 3);
  EXPECT_THAT(r.err, HasSubstr("exit status 3: lines could not be written to " +
                               dir_.File("no/such/folder") + "/tarn.log (76 Path not found)"));
  // The run went on: the lines the log lost are reported where the log box is.
  EXPECT_THAT(r.out, HasSubstr("*******  Unable to log message in file"));
  EXPECT_THAT(r.err, HasSubstr("6 warnings"));
}

}  // namespace
}  // namespace tarn
