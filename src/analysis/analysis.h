// One analysis: the state of a program run's commands and the commands themselves, "Init DB"
// (InitDB), "All" (RunAll), "Dump" (RunDumpRules) and "refs" (RunRefs), as the window's buttons and
// the command line's COMMAND words run them.
//
// The analysis owns what a run builds (the log writer, the data database and its writer, the
// rule library, the list of files read, the findings) and uses what the front end gives it
// (the settings, the front end, the file system). Nothing of it is shared with another
// analysis. Errors the steps do not handle themselves end the program: they throw
// ProgramEnd, which the front end that called the command catches.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/analysis_options.h"
#include "analysis/line_places.h"
#include "datadb/data_db.h"
#include "log/findings.h"
#include "log/log.h"
#include "report/reported_finding.h"
#include "rules/rule_library.h"
#include "walk/recorded_values.h"
#include "walk/walk.h"

namespace tarn {

class FileSystem;
class FrontEnd;
class ProgressObserver;
class RunStats;
class Settings;

// What the last "All" read, for the front end's account of it.
struct RunOutcome {
  std::int64_t files = 0;      // data files opened
  std::int64_t sections = 0;   // sections handed to the checker
  bool main_file_read = true;  // false: the game's main file could not be read
  bool cancelled = false;      // true: a stop asked for ended the run between two files
};

class Analysis {
 public:
  // settings is open (its settings database read); home is the folder where "Init DB" makes
  // KV.MDB. settings, front_end and files must outlive the analysis.
  Analysis(Settings& settings, FrontEnd& front_end, FileSystem& files, std::string home);
  ~Analysis();  // commits the data rows written so far (as Close does)
  Analysis(const Analysis&) = delete;
  Analysis& operator=(const Analysis&) = delete;

  // "Init DB": creates the data database and, when that worked, loads the rules and empties
  // the list of files read. The findings so far, stored in the earlier data database, are
  // forgotten then, so that a window that runs again and again holds one run's findings.
  // Returns whether "All" is enabled afterwards. Stopped as asked, it leaves no data database
  // at all (a half-made one would pass for a good one), "All" disabled, and one log line.
  bool InitDB();

  // "All": the banner when overwrite_ticked, then the walk and the further files, every
  // section checked and stored; the run's findings then go into the Findings table.
  void RunAll(bool overwrite_ticked);

  // "refs": every value the data database holds for a position that names objects checked
  // against the names its sections define, each unknown name a warning 10401 and a finding,
  // then each name a target defines twice a warning 10406, between a log line that starts
  // the check and one that sums it up. Without a data database (no "Init DB" yet) only a log
  // line says so, and Troubles() tells why. Returns the number of those warnings.
  std::int64_t RunRefs();

  // "Dump": the banner, "Rules Dump" and " " when overwrite_ticked; the rules; " " and
  // "Rules Dump Complete.". Stopped as asked, one line saying so ends it instead of the last
  // two.
  void RunDumpRules(bool overwrite_ticked);

  // Deletes the old log (failures ignored) and writes the five banner lines.
  void WriteLogBanner();

  // Commits every pending group of data rows, makes the indexes a run left for later, stores
  // the findings not stored yet, then closes the data database. Every front end calls it (or
  // lets the destructor do it) before the program ends, normally or on a fatal error, so that
  // the rows written so far stay. reported, when given, is called once the indexes are made
  // and may give what ReportFindings made of Findings() for the game folder (unchanged until
  // Close returns), which saves making it again; it may wait for another thread to make it.
  // Never raises: a failure is reported in the log.
  using ReportedSource = std::function<const std::vector<ReportedFinding>*()>;
  void Close(const ReportedSource& reported = {});

  // When deferred, "All" leaves its findings for Close (or the next "Init DB") to put into
  // the Findings table, and the data database's indexes for "refs" or Close to make: a front
  // end that writes reports meanwhile, on another thread, lets the two run at once.
  void DeferToClose(bool deferred) { defer_to_close_ = deferred; }

  // When kept, the findings a command stores in the data database stay, as ReportFindings made
  // them for the game folder, until TakeStoredReport: a front end that lists them then need not
  // make them again. They point into Findings() and are forgotten by the next command.
  void KeepStoredReport(bool keep) { keep_stored_report_ = keep; }
  std::vector<ReportedFinding> TakeStoredReport() { return std::move(stored_report_); }

  void SetOptions(const AnalysisOptions& options) { options_ = options; }
  const AnalysisOptions& Options() const { return options_; }

  Log& GetLog() { return log_; }
  // Every finding since the analysis began, in the order they came.
  const std::vector<Finding>& Findings() const { return findings_.All(); }
  const RunOutcome& LastRun() const { return last_run_; }
  // True when the last "refs" was stopped as asked.
  bool RefsCancelled() const { return refs_cancelled_; }
  // True when the last command ("Init DB", "All", "Dump" or "refs") was stopped as asked.
  bool CommandCancelled() const { return command_cancelled_; }
  // The open data database; null before a successful "Init DB".
  DataDB* Data() { return data_.get(); }
  // Where "Init DB" makes KV.MDB.
  std::string DataDBPath() const;

  // Why the runs so far could not do their job, in words for the user: a log line that could
  // not be written, a game folder whose main file could not be read. Empty when there is
  // nothing of the kind.
  std::vector<std::string> Troubles() const;
  // Forgets the troubles so far, so that Troubles speaks of the commands from now on: for a
  // front end that judges each command on its own.
  void ForgetTroubles();

  // observer (null: none) is told how every "All" from now on progresses; it must outlive its
  // use here.
  void SetProgressObserver(ProgressObserver* observer) { observer_ = observer; }
  // Asks the "All" under way to stop at the end of the file being read: the rows stored so far
  // are committed and the log gets one line saying that the run was cancelled. "refs" stops
  // at the next position it searches (a stop asked for just before it counts too) and writes
  // only one line, that it was cancelled; "Init DB" and "Dump" stop between their steps or
  // sections the same way. Any thread, or an event handler the run's event pump calls, may
  // ask; every command forgets it when it ends.
  void RequestCancel() { cancel_.store(true, std::memory_order_relaxed); }

 private:
  // Puts the findings that came since the last call into the Findings table; reported as
  // for Close.
  void StorePendingFindings(const std::vector<ReportedFinding>* reported = nullptr);
  // Makes the data database's indexes, when a run left them out.
  void MakeIndexes();
  // Whether a stop was asked for the command under way; the command then counts as cancelled.
  bool StopAsked();
  // Ends an "Init DB" stopped as asked: no data database is left. Returns false.
  bool AbandonInitDB();

  Settings& settings_;
  FrontEnd& front_end_;
  FileSystem& files_;
  const std::string home_;
  RunStats* stats_;
  Log log_;
  FindingList findings_;
  std::unique_ptr<DataDB> data_;
  std::unique_ptr<RuleLibrary> rules_;
  std::unique_ptr<ParsedFiles> parsed_files_;
  // The rows of the reference rules stored since "Init DB", which the walk follows.
  RecordedValues references_;
  // Where the rows stored since "Init DB" stand on disk, for the findings of "refs".
  LinePlaces places_;
  RunOutcome last_run_;
  bool refs_without_data_ = false;   // "refs" ran before any "Init DB"
  bool refs_cancelled_ = false;      // the last "refs" was stopped as asked
  bool command_cancelled_ = false;   // the last command was stopped as asked
  std::string unread_main_file_;     // the main file of a run that could not read it
  std::int32_t runs_ = 0;            // "All" runs since "Init DB"
  std::size_t findings_stored_ = 0;  // findings put into the Findings table so far
  bool defer_to_close_ = false;
  bool keep_stored_report_ = false;
  std::vector<ReportedFinding> stored_report_;  // the last findings stored, when kept
  AnalysisOptions options_;
  ProgressObserver* observer_ = nullptr;
  std::atomic<bool> cancel_{false};
};

}  // namespace tarn
