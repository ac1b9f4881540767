// The known findings kept with the rules: learned from a copy of the broken sample world,
// installed, exported, restored and added to, and counted as known by the command line's
// exit status and reports and by the window's session alike.
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
  void SetUp() override {
    fs::copy(TARN_EXAMPLES "/kestrovar-broken", tarn_.game.Path(), fs::copy_options::recursive);
  }
  testing::Result Learn(const std::string& folder, const std::string& more = "") {
    return tarn_.Run("--game <game> rules learn " + more + dir_.File(folder));
  }
  // Checks the game into a JSON report; the status, then "path|state" for each finding.
  std::pair<int, Rows> Check() {
    const testing::Result r = tarn_.Run(
        "--game <game> --log <log> --overwrite --quiet --report json=<home>/r.json init-db all "
        "refs");
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
  void Append(const std::string& file, const std::string& text) {
    testing::WriteFile(tarn_.game.File(file), testing::ReadFile(tarn_.game.File(file)) + text);
  }
  // More than a hundred goods, all sold at a base and one defined twice: learned rules take
  // [Good] nickname for the goods' names, and keep the second definition as a known finding.
  void AddGoodDefinedTwice() {
    std::string goods, sold = "\r\n[BaseGood]\r\nbase = kv01_01_base\r\n";
    for (int i = 0; i < 120; ++i) {
      const std::string name = "zz_good_" + std::to_string(i);
      goods += "\r\n[Good]\r\nnickname = " + name + "\r\ncategory = commodity\r\n";
      sold += "MarketGood = " + name + ", 0, -1, 1, 2, false, 1.0\r\n";
    }
    Append("DATA/EQUIPMENT/goods.ini", goods + "\r\n[Good]\r\nnickname = zz_good_7\r\n");
    Append("DATA/EQUIPMENT/market_misc.ini", sold);
  }
  void AddMistake() {
    testing::WriteFile(tarn_.game.File("DATA/SOLAR/StarArch.ini"),
                       testing::ReadFile(tarn_.game.File("DATA/SOLAR/StarArch.ini")) + kNewMistake);
  }
  testing::Tarn tarn_;
  testing::TempDir dir_;
};

// Learned from a trusted folder, the known findings check it clean. Export writes what is
// installed, import installs it again, a folder without the file installs none, restore brings
// back what that import replaced; then only a new mistake is new, and accept adds a report's.
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

  AddMistake();
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

// A copy of the trusted folder elsewhere checks clean, named by its absolute path or relative
// to the working folder: the "Duplicate Name" names its first place relative to the game
// folder, and its fingerprint is the same at every path and on every system.
TEST_F(KnownFindingsTest, CopyElsewhereChecksCleanByAbsoluteAndRelativePath) {
  AddGoodDefinedTwice();
  ASSERT_EQ(Learn("rules").status, 0);
  ASSERT_EQ(tarn_.Run("rules import " + dir_.File("rules")).status, 0);
  fs::create_directory(dir_.File("b"));
  fs::copy(tarn_.game.Path(), dir_.File("b/c"), fs::copy_options::recursive);
  const std::string check =
      tarn_.Path(" --log <log> --overwrite --quiet --report json=<home>/r.json init-db all refs");
  for (const auto& [folder, game] :
       {std::pair{std::string(), dir_.File("b/c")}, {dir_.File("b"), std::string("c")}}) {
    const testing::Result r = testing::RunCommand(
        std::string(TARN_CLI) + " --home " + tarn_.home.Path() + " --game " + game + check, folder);
    EXPECT_EQ(r.status, 0) << game << "\n" << r.err;
    EXPECT_EQ(testing::JsonRows(testing::ReadFile(tarn_.home.File("r.json")),
                                "SELECT json_extract(value, '$.value'), json_extract(value, "
                                "'$.fingerprint') FROM json_each(?1, '$.findings') WHERE "
                                "json_extract(value, '$.rule') = '10406'"),
              Rows{"zz_good_7 (also DATA/equipment/goods.ini line 61)|e0c460ee8887f814"})
        << game;
  }
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
