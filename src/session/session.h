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

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "analysis/analysis.h"
#include "session/command_account.h"

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

  // Asks the command under way to stop at the next point it can. Any thread.
  void RequestCancel() { analysis_.RequestCancel(); }

  Analysis& GetAnalysis() { return analysis_; }
  const std::string& Home() const { return home_; }

 private:
  enum class AllState { kNoInitYet, kEnabled, kDisabled };

  // Takes the locks command needs; false, with the account saying why, when it may not run.
  bool Begin(SessionCommand command);
  bool Refuse(Refusal refusal, std::string reason);
  void End();
  // Puts the analysis's findings from the first'th on into the account, with their counts.
  void TakeFindings(std::size_t first);

  Settings& settings_;
  const std::string home_;
  Analysis analysis_;
  std::unique_ptr<FolderLock> home_lock_;
  std::unique_ptr<FolderLock> log_lock_;
  std::string locked_log_;  // the log folder log_lock_ holds
  AllState all_state_ = AllState::kNoInitYet;
  std::size_t all_findings_from_ = 0;  // where the findings of the last "All" start
  std::chrono::steady_clock::time_point start_;
  CommandAccount last_;
};

}  // namespace tarn
