// A stop asked for during "All" on the broken sample world: the run ends at the end of the file
// being read, its log is the whole run's log up to there and one line more, and KV.MDB holds,
// committed, exactly the rows the whole run had stored by then, the last file's all of them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "analysis/analysis.h"
#include "datadb/database.h"
#include "settings/settings.h"
#include "shell/file_system.h"
#include "support/core_fixture.h"
#include "support/shell_run.h"
#include "support/temp_dir.h"
#include "walk/run_watch.h"

namespace tarn {
namespace {

using testing::SplitCrLf;

struct RunRecord {
  std::vector<std::string> log;
  std::vector<std::string> sections;  // "DB_ID|File|Section|Line", in DB_ID order
  std::int64_t entries = 0;
  std::int64_t values = 0;
  std::vector<std::string> opened;  // the data files in the order the run opened them
  std::int64_t last_warnings = 0;   // warnings the observer last heard of
  RunOutcome outcome;
  std::size_t findings = 0;
};

// Asks for a stop as soon as the given data file is open.
class StopAt : public ProgressObserver {
 public:
  StopAt(Analysis& analysis, std::int64_t file, RunRecord& run)
      : analysis_(analysis), file_(file), run_(run) {}
  void RunProgressed(const RunProgress& progress) override {
    if (progress.files_read > static_cast<std::int64_t>(run_.opened.size())) {
      run_.opened.emplace_back(progress.current_file);
      if (progress.files_read == file_) analysis_.RequestCancel();
    }
    EXPECT_GE(progress.warnings, run_.last_warnings);
    run_.last_warnings = progress.warnings;
  }

 private:
  Analysis& analysis_;
  std::int64_t file_;
  RunRecord& run_;
};

// Runs "Init DB" and "All" with a stop asked for at data file stop_at (0: never), and reads
// KV.MDB through a connection of its own while the analysis still holds it open.
RunRecord RunBrokenWorld(std::int64_t stop_at) {
  testing::TempDir home, logs;
  std::filesystem::copy_file(TARN_SHIPPED_MDB, home.File("TARN.MDB"));
  testing::RecordingFrontEnd front_end;
  RealFileSystem files;
  Settings settings(front_end);
  settings.SetSettingsDBName(home.File("TARN.MDB"));
  settings.Values().SetKVPath(std::string(TARN_EXAMPLES) + "/kestrovar-broken");
  settings.Values().SetLogPath(logs.Path());
  RunRecord run;
  {
    Analysis analysis(settings, front_end, files, home.Path());
    StopAt observer(analysis, stop_at, run);
    analysis.SetProgressObserver(&observer);
    EXPECT_TRUE(analysis.InitDB());
    analysis.RunAll(true);
    run.outcome = analysis.LastRun();
    run.findings = analysis.Findings().size();
    run.log = SplitCrLf(testing::ReadAll(logs.File("tarn.log")));
    for (std::string& line : run.log) testing::ReplaceAll(line, logs.Path(), "<logs>");

    Database db = Database::Open(home.File("KV.MDB"), Database::Mode::kReadWrite);
    Statement sections = db.Prepare(
        "SELECT DB_ID || '|' || File || '|' || Section || '|' || Line FROM Sections "
        "ORDER BY DB_ID");
    while (sections.Step()) run.sections.push_back(sections.Text(0));
    Statement counts =
        db.Prepare("SELECT (SELECT count(*) FROM Entries), (SELECT count(*) FROM \"Values\")");
    counts.Step();
    run.entries = counts.Int(0);
    run.values = counts.Int(1);
  }
  settings.Discard();
  return run;
}

// The sections of the files in the first `files` of opened, in the order stored.
std::vector<std::string> SectionsOf(const RunRecord& run, std::size_t files) {
  std::vector<std::string> kept;
  for (const std::string& row : run.sections) {
    for (std::size_t i = 0; i < files; ++i) {
      if (row.find('|' + run.opened[i] + '|') != std::string::npos) kept.push_back(row);
    }
  }
  return kept;
}

TEST(CancelTest, StopsAtTheEndOfTheFileBeingReadKeepingWhatItStored) {
  const RunRecord whole = RunBrokenWorld(0);
  ASSERT_FALSE(whole.outcome.cancelled);
  ASSERT_EQ(static_cast<std::int64_t>(whole.opened.size()), whole.outcome.files);
  ASSERT_EQ(whole.last_warnings, 6);
  ASSERT_EQ(whole.findings, 6u);

  for (std::int64_t stop_at : {std::int64_t{1}, std::int64_t{20}, whole.outcome.files}) {
    SCOPED_TRACE(stop_at);
    const RunRecord cut = RunBrokenWorld(stop_at);
    EXPECT_TRUE(cut.outcome.cancelled);
    EXPECT_EQ(cut.outcome.files, stop_at);
    ASSERT_EQ(static_cast<std::int64_t>(cut.opened.size()), stop_at);
    const std::string& last = cut.opened.back();

    // The log: the whole run's, as far as the run came, then the one line that says why not
    // further; the last file read to its end.
    ASSERT_FALSE(cut.log.empty());
    EXPECT_EQ(cut.log.back(), "Run cancelled by the user after " + last);
    const std::vector<std::string> before(cut.log.begin(), cut.log.end() - 1);
    ASSERT_LE(before.size(), whole.log.size());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), whole.log.begin()));
    if (before.size() < whole.log.size()) {
      EXPECT_EQ(whole.log[before.size()].find("WARN: File " + last), std::string::npos);
    }

    // The rows: those of the files read, every section of each, under the same identifiers.
    const std::vector<std::string> expected = SectionsOf(whole, cut.opened.size());
    EXPECT_EQ(cut.sections, expected);
    EXPECT_EQ(cut.sections,
              std::vector<std::string>(
                  whole.sections.begin(),
                  whole.sections.begin() + static_cast<std::ptrdiff_t>(cut.sections.size())));
    EXPECT_LE(cut.values, whole.values);
    EXPECT_EQ(cut.last_warnings, static_cast<std::int64_t>(cut.findings));
    if (stop_at == whole.outcome.files) {
      EXPECT_EQ(cut.entries, whole.entries);
      EXPECT_EQ(cut.values, whole.values);
    }
  }
}

}  // namespace
}  // namespace tarn
