// The known findings kept with the rules: learned from a copy of the broken sample world,
// installed, exported, restored and added to, and counted as known by the command line's
// exit status and reports and by the window's session alike.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/file_system.h"
#include "report/known_findings.h"
#include "report/reported_finding.h"
#include "session/session.h"
#include "settings/settings.h"
#include "support/core_fixture.h"
#include "support/program.h"
#include "support/rows.h"
#include "support/world.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using testing::Rows;

// A mistake the broken world does not have: a kind of section no rule knows.
constexpr const char* kNewMistake = "\r\n[NoSuchKindOfSection]\r\nnickname = zz_new\r\n";

class KnownFindingsTest : public ::testing::Test {
 protected:
  // The broken world with a hundred goods more, all sold, one of them defined twice: learned
  // rules take [Good] nickname for the goods' names and the second definition as a finding.
  void SetUp() override {
    fs::copy(TARN_EXAMPLES "/kestrovar-broken", tarn_.game.Path(), fs::copy_options::recursive);
    std::string goods, sold = "\r\n[BaseGood]\r\n";
    for (int i = 0; i <= 100; ++i) {
      goods += "\r\n[Good]\r\nnickname = zz_good_" + std::to_string(i % 100) + "\r\n";
      sold += "MarketGood = zz_good_" + std::to_string(i % 100) + "\r\n";
    }
    AppendTo("DATA/EQUIPMENT/goods.ini", goods);
    AppendTo("DATA/EQUIPMENT/market_misc.ini", sold);
  }
  testing::Result Learn(const std::string& folder, const std::string& more = "") {
    return tarn_.Run("--game <game> rules learn " + more + dir_.File(folder));
  }
  // Checks game (from folder, when one is given) into a JSON report; the status, then
  // "path|state" for each finding.
  std::pair<int, Rows> Check(const std::string& game = "<game>", const std::string& folder = "") {
    const testing::Result r = testing::RunCommand(
        tarn_.Path(std::string(TARN_CLI) + " --home <home> --game " + game +
                   " --log <log> --overwrite --quiet --report json=<home>/r.json init-db all refs"),
        folder);
    return {r.status, testing::JsonRows(testing::ReadFile(tarn_.home.File("r.json")),
                                        "SELECT json_extract(value, '$.path'), json_extract("
                                        "value, '$.baselineState') FROM json_each(?1, "
                                        "'$.findings')")};
  }
  // None installed leaves no table at all.
  Rows Installed() const {
    const std::string mdb = tarn_.home.File("TARN.MDB");
    return testing::RowsOf(mdb, "SELECT 1 FROM sqlite_master WHERE name = '_bc_known_findings'")
                   .empty()
               ? Rows{}
               : testing::RowsOf(mdb, "SELECT Fingerprint FROM _bc_known_findings ORDER BY 1");
  }
  void AppendTo(const std::string& file, const std::string& text) {
    testing::WriteFile(tarn_.game.File(file), testing::ReadFile(tarn_.game.File(file)) + text);
  }
  testing::Tarn tarn_;
  testing::TempDir dir_;
};

// Learned from a trusted folder, the known findings check it clean, and a copy of it
// elsewhere. Export writes what is installed, import installs it again, a folder without the
// file installs none, restore brings back what that import replaced; then only a new mistake
// is new, and accept adds a report's.
TEST_F(KnownFindingsTest, TrustedFolderChecksCleanKeptThroughExportImportRestoreAndAccept) {
  const std::string mdb = testing::ReadFile(tarn_.home.File("TARN.MDB"));
  const testing::Result learned = Learn("rules");
  ASSERT_EQ(learned.status, 0) << learned.err;
  // Learning checked in a home of its own: the user's databases and log are untouched.
  EXPECT_EQ(testing::ReadFile(tarn_.home.File("TARN.MDB")), mdb);
  EXPECT_FALSE(fs::exists(tarn_.home.File("KV.MDB")));
  EXPECT_TRUE(fs::is_empty(tarn_.log.Path()));
  ASSERT_TRUE(fs::exists(dir_.File("rules/known-findings.json")));
  ASSERT_EQ(tarn_.Run("rules import " + dir_.File("rules")).status, 0);
  const Rows known = Installed();
  EXPECT_NE(learned.out.find(std::to_string(known.size()) + " known findings kept"),
            std::string::npos)
      << learned.out;

  auto [status, found] = Check();
  EXPECT_EQ(status, 0);
  ASSERT_GT(found.size(), 0u);
  EXPECT_EQ(found.size(), known.size());
  for (const std::string& row : found) EXPECT_TRUE(row.ends_with("|unchanged")) << row;
  // So does a copy elsewhere, by its absolute path or relative to the working folder: the
  // Duplicate Name names its first place relative to the game folder, and its fingerprint is
  // the same at every path and on every system.
  fs::copy(tarn_.game.Path(), dir_.File("c"), fs::copy_options::recursive);
  for (const auto& [game, folder] :
       {std::pair{dir_.File("c"), std::string()}, {"c", dir_.Path()}}) {
    EXPECT_EQ(Check(game, folder).first, 0) << game;
    EXPECT_THAT(testing::ReadFile(tarn_.home.File("r.json")),
                ::testing::HasSubstr("\"zz_good_0 (also DATA/equipment/goods.ini line 33)\",\n"
                                     "     \"fingerprint\": \"7a655a8b59fdd773\""));
  }

  ASSERT_EQ(tarn_.Run("rules export " + dir_.File("exported")).status, 0);
  fs::copy(dir_.File("rules"), dir_.File("bare"), fs::copy_options::recursive);
  fs::remove(dir_.File("bare/known-findings.json"));
  ASSERT_EQ(tarn_.Run("rules import " + dir_.File("bare")).status, 0);
  EXPECT_EQ(Installed(), Rows{});
  EXPECT_EQ(Check().first, 1);
  ASSERT_EQ(tarn_.Run("rules restore").status, 0);
  EXPECT_EQ(Installed(), known);
  ASSERT_EQ(tarn_.Run("rules import " + dir_.File("exported")).status, 0);
  EXPECT_EQ(Installed(), known);

  // --merge keeps the installed ones that learning no longer meets.
  testing::WriteFile(tarn_.home.File("extra.json"),
                     "{\"findings\": [{\"fingerprint\": \"kept-from-before\"}]}");
  EXPECT_EQ(tarn_.Run("rules accept <home>/extra.json").out, "added 1 known findings\n");
  ASSERT_EQ(Learn("merged", "--merge ").status, 0);
  ASSERT_EQ(tarn_.Run("rules import " + dir_.File("merged")).status, 0);
  EXPECT_EQ(Installed().size(), known.size() + 1);

  AppendTo("DATA/SOLAR/StarArch.ini", kNewMistake);
  std::tie(status, found) = Check();
  EXPECT_EQ(status, 1);
  Rows fresh;
  for (const std::string& row : found) {
    if (row.ends_with("|new")) fresh.push_back(row);
  }
  EXPECT_EQ(fresh, (Rows{"DATA/SOLAR/StarArch.ini|new"}));
  const testing::Result accepted = tarn_.Run("rules accept <home>/r.json");
  EXPECT_EQ(accepted.status, 0) << accepted.err;
  EXPECT_EQ(accepted.out, "added 1 known findings\n");
  EXPECT_EQ(Check().first, 0);

  testing::WriteFile(tarn_.home.File("bad.json"), "[1]");
  EXPECT_EQ(tarn_.Run("rules accept <home>/bad.json").status, 2);
  EXPECT_EQ(tarn_.Run("rules accept <home>/missing.json").status, 3);
}

// The window's session marks the rows of installed known findings, and only those.
TEST(KnownFindingsSessionTest, RowsOfInstalledKnownFindingsAreKnown) {
  testing::TempDir home, logs;
  fs::copy_file(TARN_SHIPPED_MDB, home.File("TARN.MDB"));
  testing::RecordingFrontEnd front_end;
  RealFileSystem files;
  Settings settings(front_end);
  settings.SetSettingsDBName(home.File("TARN.MDB"));
  settings.Values().SetKVPath(std::string(TARN_EXAMPLES) + "/kestrovar-broken");
  settings.Values().SetLogPath(logs.Path());
  {
    Session session(settings, front_end, files, home.Path());
    session.Run(SessionCommand::kInitDB, true);
    const CommandAccount& first = session.Run(SessionCommand::kAll, true);
    const std::size_t count = first.findings.size();
    ASSERT_GT(count, 2u);
    EXPECT_EQ(std::ranges::count(first.findings, true, &FindingRow::known), 0);
    const std::vector<ReportedFinding> reported =
        ReportFindings(session.GetAnalysis().Findings(), {settings.Values().KVPath(), ""});
    AddKnownFindings(settings.SettingsDB(), {reported[0].fingerprint, reported[1].fingerprint});
    session.Run(SessionCommand::kInitDB, true);
    const CommandAccount& second = session.Run(SessionCommand::kAll, true);
    EXPECT_EQ(second.findings.size(), count);
    EXPECT_EQ(std::ranges::count(second.findings, true, &FindingRow::known), 2);
    EXPECT_EQ(second.known, 2);
    EXPECT_TRUE(second.findings[0].known);
  }
  settings.Discard();
}

}  // namespace
}  // namespace tarn
