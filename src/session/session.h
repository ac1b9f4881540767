// One session of commands over one home, for every front end: the window's buttons and the
// command line's COMMAND words run through it, so that what a run of commands means is owned
// once: the guards (a log folder is set, and for "All" a game folder), the locks (one run per
// home and per log folder), which commands are enabled after which ("All" once an "Init DB"
// has succeeded), and the account of what each command found. The front ends only say it in
// their own words.
//
// A session is used by one thread at a time (the window's worker, or the command line's main
// thread), except RequestCancel, which any thread may call.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "rules/rule_history.h"
#include "session/command_account.h"
#include "session/rule_request.h"

namespace tarn {

class FileSystem;
class FolderLock;
class FrontEnd;
class Settings;

class Session {
 public:
  // settings is open (its settings database read); home is where "Init DB" makes KV.MDB.
  // settings, front_end and files must outlive the session, which owns its analysis.
  Session(Settings& settings, FrontEnd& front_end, FileSystem& files, std::string home);

  // What the session reads and writes through, for what shows the user its files.
  FileSystem& Files() const { return files_; }
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The guards of commands, checked before any of them runs: the refusal of the first that
  // may not run as the settings stand, with the reason in why ("no log folder is set").
  Refusal CheckSetup(std::span<const SessionCommand> commands, std::string& why) const;

  // "All" is enabled once an "Init DB" has succeeded, and disabled again by one that failed;
  // the other commands always are. AllPressedEarly: no "Init DB" has run yet, the case a
  // front end may still run "All" in (the command line does, as the window's button did).
  bool Enabled(SessionCommand command) const;
  bool AllPressedEarly() const { return all_state_ == AllState::kNoInitYet; }

  // Runs command: its guards, its locks, the command, and its account, which Last() then
  // holds. "All" after a failed "Init DB" is refused. A fatal end inside the command
  // propagates (ProgramEnd) after the core has reported it.
  const CommandAccount& Run(SessionCommand command, bool overwrite_ticked);
  const CommandAccount& Last() const { return last_; }
  // Moves the rows of Last() out, for a front end that keeps them itself: a run's findings
  // are then held once.
  std::vector<FindingRow> TakeFindingRows() { return std::move(last_.findings); }

  // Why the commands so far could not do their job, every command's reasons once, with what
  // the analysis met since the last command (closing the data database, say): what a front
  // end that judges a whole run of commands goes by.
  std::vector<std::string> Troubles() const;

  // Whether the account lists each finding as a row (the window's findings view needs them;
  // the command line, which reports from the analysis's findings, does not). On by default.
  void ListFindings(bool list) {
    list_findings_ = list;
    analysis_.KeepStoredReport(list);
  }

  // Runs a rule command (rule_request.h) and returns its account, which Last() then holds.
  // The commands that write TARN.MDB hold the home lock while they do (the session's own
  // when an earlier command took it): another run holding the home refuses them (kFolderBusy,
  // status 3). A cancelled rule command changes nothing: an import or a restore is one
  // transaction, and learn leaves the earlier rule folder as it was.
  const CommandAccount& RunRules(const RuleRequest& request);

  // Where the rule set of TARN.MDB comes from. Raises TarnError when it cannot be read.
  RuleOrigin Origin();

  // Asks the command under way to stop at the next point it can. Any thread.
  void RequestCancel() {
    if (rules_running_.load()) {
      rules_cancel_.store(true);
    } else {
      analysis_.RequestCancel();
    }
  }

  Analysis& GetAnalysis() { return analysis_; }
  const std::string& Home() const { return home_; }

 private:
  enum class AllState { kNoInitYet, kEnabled, kDisabled };

  // Takes the locks command needs; false, with the account saying why, when it may not run.
  bool Begin(SessionCommand command);
  bool Refuse(Refusal refusal, std::string reason);
  void End();
  // Puts the analysis's findings from the first'th on (the command's own, which it stored)
  // into the account, with their counts.
  void TakeFindings(std::size_t first);

  // The rule commands, each with its account filled; false when it did not get its job done.
  void Learn(const RuleRequest& request);
  void Import(const std::string& folder);
  void Export(const std::string& folder);
  void Restore();
  void Accept(const std::string& report, std::int64_t max_bytes);
  // The home lock for a rule command that writes TARN.MDB: the session's when it holds it,
  // else taken into held for the length of the command. False, with the account refused, when
  // it cannot be had.
  bool HoldHome(std::unique_ptr<FolderLock>& held);
  // Ends the rule command with status and the reason for the user.
  void Fail(std::string reason, int status);
  bool Cancelled();

  Settings& settings_;
  const std::string home_;
  FrontEnd& front_end_;
  FileSystem& files_;
  Analysis analysis_;
  std::unique_ptr<FolderLock> home_lock_;
  std::unique_ptr<FolderLock> log_lock_;
  std::string locked_log_;  // the log folder log_lock_ holds
  AllState all_state_ = AllState::kNoInitYet;
  std::chrono::steady_clock::time_point start_;
  CommandAccount last_;
  std::vector<std::string> troubles_;  // the reasons of every command so far, each once
  bool list_findings_ = true;
  // A stop asked for while a rule command runs is that command's alone: the analysis's own
  // flag would stop the next "References" before its first name.
  std::atomic<bool> rules_running_{false};
  std::atomic<bool> rules_cancel_{false};
};

}  // namespace tarn
