#include "analysis/analysis.h"

#include <vector>

#include "analysis/name_check.h"
#include "analysis/reference_recorder.h"
#include "analysis/section_checker.h"
#include "datadb/init_data_db.h"
#include "log/front_end.h"
#include "log/run_stats.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/version.h"
#include "report/findings_table.h"
#include "report/reported_finding.h"
#include "rules/dump_rules.h"
#include "settings/settings.h"
#include "walk/run_watch.h"
#include "walk/value_query.h"

namespace tarn {

Analysis::Analysis(Settings& settings, FrontEnd& front_end, FileSystem& files, std::string home)
    : settings_(settings),
      front_end_(front_end),
      files_(files),
      home_(std::move(home)),
      stats_(front_end.Stats()),
      log_(&files, front_end, settings.Values(), stats_) {
  log_.SetFindings(&findings_);
}

Analysis::~Analysis() { Close(); }

std::string Analysis::DataDBPath() const { return JoinPath(home_, kDataDBFile); }

void Analysis::WriteLogBanner() {
  try {
    files_.RemoveFile(log_.FilePath());
  } catch (const TarnError&) {
    // A missing or locked old log is no reason to stop: the run appends to it.
  }
  log_.WriteLog("TARN v " + VersionText() + " Log File");
  log_.WriteLog(" ");
  log_.WriteLog("KV Path " + settings_.Values().KVPath());
  log_.WriteLog("Log Path " + settings_.Values().LogPath());
  log_.WriteLog(" ");
}

bool Analysis::StopAsked() {
  if (cancel_.load(std::memory_order_relaxed)) command_cancelled_ = true;
  return command_cancelled_;
}

bool Analysis::AbandonInitDB() {
  cancel_.store(false, std::memory_order_relaxed);
  // The findings so far belonged to the database that is gone.
  findings_.Clear();
  findings_stored_ = 0;
  try {
    DropDataDB(files_, settings_.SettingsDB(), home_, kDataDBFile, data_);
  } catch (const TarnError& error) {
    log_.ReportError(error, "Unable to delete " + DataDBPath());
  }
  log_.WriteLog("Initialising DATA database cancelled by the user");
  return false;
}

bool Analysis::InitDB() {
  command_cancelled_ = false;
  StorePendingFindings();
  if (StopAsked()) return AbandonInitDB();
  if (!InitDataDB(log_, files_, settings_.SettingsDB(), home_, kDataDBFile, data_)) {
    cancel_.store(false, std::memory_order_relaxed);
    return false;
  }
  try {
    CreateFindingsTable(data_->Db());
  } catch (const TarnError& error) {
    log_.ReportError(error, "Init Data DB");
    EndProgram();
  }
  if (StopAsked()) return AbandonInitDB();
  rules_ = InitParse(log_, settings_.SettingsDB());
  if (StopAsked()) return AbandonInitDB();
  cancel_.store(false, std::memory_order_relaxed);
  findings_.Clear();
  findings_stored_ = 0;
  parsed_files_ = std::make_unique<ParsedFiles>();
  references_ = RecordedValues();
  places_.Clear();
  runs_ = 0;
  return true;
}

void Analysis::RunAll(bool overwrite_ticked) {
  if (overwrite_ticked) WriteLogBanner();
  last_run_ = RunOutcome{};
  ++runs_;
  std::vector<std::int16_t> ids(std::begin(kReferenceEntryIds), std::end(kReferenceEntryIds));
  std::unique_ptr<ReferenceRecorder> recorder;
  if (data_) {
    recorder = std::make_unique<ReferenceRecorder>(*data_, references_, std::move(ids), &places_);
  }
  SectionChecker checker(log_, rules_.get(), recorder.get(), stats_, recorder.get());
  // Before an "Init DB" nothing is stored and the data tables are not linked: the query of
  // the data database then fails as it always has.
  ValueQuery query(settings_.SettingsDB(), data_.get());
  StoredValues& values = data_ ? static_cast<StoredValues&>(references_) : query;
  cancel_.store(false, std::memory_order_relaxed);
  command_cancelled_ = false;
  RunWatch watch(observer_, cancel_, findings_);
  Walk walk(
      WalkContext{settings_.Values(), files_, log_, front_end_, stats_, options_.limits, &watch},
      checker, values, settings_.SettingsDB(), parsed_files_.get());
  // Every game file read lies inside the game folder, however the folder names it.
  struct Confinement {
    FileSystem& files;
    ~Confinement() { files.Confine({}, false); }
  } confinement{files_};
  files_.Confine(settings_.Values().KVPath(), options_.follow_links);
  struct Account {
    RunOutcome& outcome;
    const SectionChecker& checker;
    const Walk& walk;
    ~Account() {
      outcome.files = checker.FilesRead();
      outcome.sections = checker.SectionsRead();
      outcome.main_file_read = walk.MainFileRead();
    }
  } account{last_run_, checker, walk};
  // Rows go in faster without the secondary indexes; they are made afresh once at the end
  // (by Close when the run does not end here).
  if (data_) data_->BeginBulk();
  try {
    walk.RunAll();
  } catch (const RunCancelled& cancelled) {
    last_run_.cancelled = true;
    command_cancelled_ = true;
    log_.WriteLog("Run cancelled by the user after " + cancelled.last_file);
  }
  if (!defer_to_close_) MakeIndexes();
  // What a cancelled run stored stays, for whoever opens KV.MDB next.
  if (data_ && last_run_.cancelled) data_->Commit();
  if (!walk.MainFileRead()) unread_main_file_ = walk.GamePath(kMainFile);
  if (!defer_to_close_) StorePendingFindings();
}

void Analysis::MakeIndexes() {
  if (!data_ || !data_->InBulk()) return;
  // The settings connection's link holds KV.MDB open, which would keep it from building its
  // indexes the faster way. It is made again only while the settings are still in use.
  const bool linked = settings_.IsOpen();
  if (linked) UnlinkFromSettings(settings_.SettingsDB());
  data_->EndBulk();
  if (linked) LinkIntoSettings(settings_.SettingsDB(), DataDBPath());
}

std::int64_t Analysis::RunRefs() {
  command_cancelled_ = false;
  if (!data_) {
    refs_without_data_ = true;
    log_.WriteLog(
        "Checking references: there is no data database; press \"Init DB\" and "
        "\"All\" first");
    return 0;
  }
  // The queries of the check go through the indexes.
  MakeIndexes();
  log_.WriteLog(" ");
  log_.WriteLog(" ");
  log_.WriteLog("Checking references");
  NameCheckCount count;
  try {
    StatsScope measure(stats_, RunStats::kReferences);
    count = CheckNames(settings_.SettingsDB(), *data_, log_, settings_.Values().KVPath(), &places_,
                       &cancel_);
  } catch (const TarnError& error) {
    log_.ReportError(error, "Check References");
    log_.WriteLog("Done Checking references: ended on the error above");
    if (!defer_to_close_) StorePendingFindings();
    return count.unknown + count.duplicates;
  }
  refs_cancelled_ = count.cancelled;
  command_cancelled_ = count.cancelled;
  // A stop asked for is this command's; the next one starts afresh.
  cancel_.store(false, std::memory_order_relaxed);
  if (count.cancelled) {
    log_.WriteLog("Checking references cancelled by the user");
  } else if (count.positions == 0) {
    log_.WriteLog(
        "Done Checking references: the rule set names no references (tarn rules "
        "learn finds them in a game folder you trust)");
  } else {
    log_.WriteLog("Done Checking references: " + std::to_string(count.unknown) +
                  " unknown names in " + std::to_string(count.positions) + " positions" +
                  (count.duplicates == 0
                       ? std::string()
                       : ", " + std::to_string(count.duplicates) + " duplicate names"));
  }
  if (!defer_to_close_) StorePendingFindings();
  return count.unknown + count.duplicates;
}

std::vector<std::string> Analysis::Troubles() const {
  std::vector<std::string> troubles;
  if (log_.LostLines()) {
    troubles.push_back("lines could not be written to " + log_.FilePath() + " (" +
                       log_.FirstLossReason() + ")");
  }
  if (refs_without_data_) {
    troubles.push_back("references can be checked only after \"Init DB\" and \"All\"");
  }
  if (!unread_main_file_.empty()) {
    troubles.push_back("the game's main file " + unread_main_file_ +
                       " could not be read: is the game folder right?");
  }
  return troubles;
}

void Analysis::ForgetTroubles() {
  log_.ForgetLosses();
  unread_main_file_.clear();
}

void Analysis::RunDumpRules(bool overwrite_ticked) {
  if (overwrite_ticked) {
    WriteLogBanner();
    log_.WriteLog("Rules Dump");
    log_.WriteLog(" ");
  }
  command_cancelled_ = !DumpRules(log_, settings_.SettingsDB(), &cancel_);
  cancel_.store(false, std::memory_order_relaxed);
  if (command_cancelled_) {
    log_.WriteLog("Rules Dump cancelled by the user");
    return;
  }
  log_.WriteLog(" ");
  log_.WriteLog("Rules Dump Complete.");
}

void Analysis::StorePendingFindings(const std::vector<ReportedFinding>* reported) {
  stored_report_.clear();
  const std::vector<Finding>& all = findings_.All();
  if (!data_ || findings_stored_ == all.size()) return;
  StatsScope measure(stats_, RunStats::kReporting);
  const std::span<const Finding> pending(all.data() + findings_stored_,
                                         all.size() - findings_stored_);
  // Occurrences in fingerprints count from the first finding stored in this database.
  const bool reuse = reported != nullptr && findings_stored_ == 0 && reported->size() == all.size();
  findings_stored_ = all.size();
  data_->Commit();
  if (reuse) {
    StoreFindings(data_->Db(), *reported, runs_);
    return;
  }
  // Made for the window too (TakeStoredReport), which matches known findings of earlier
  // versions through the absolute game folder.
  std::vector<ReportedFinding> made =
      ReportFindings(pending, PlaceReports(files_, settings_.Values().KVPath(), {}));
  StoreFindings(data_->Db(), made, runs_);
  if (keep_stored_report_) stored_report_ = std::move(made);
}

void Analysis::Close(const ReportedSource& reported) {
  if (!data_) return;
  try {
    data_->Commit();
    MakeIndexes();
  } catch (const TarnError& error) {
    log_.ReportError(error, "Close Data DB");
  }
  try {
    StorePendingFindings(reported ? reported() : nullptr);
  } catch (const TarnError& error) {
    log_.ReportError(error, "Store Findings");
  }
  data_.reset();
}

}  // namespace tarn
