// What the window's commands do around the analysis's own work: one run at a time per home and
// per log folder (the locks the command line takes: the home's from the first "Init DB" or
// "All" until the window goes, the log folder's for the length of each command), a stop asked
// for during "All", and an account of every command for the status line and the findings view.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "main_window.h"

namespace tarn {
class Analysis;
class FolderLock;
class UserSettings;
}  // namespace tarn

namespace tarn::gui {

// One finding as the findings view lists it: a warning of the log (or a repaired line) with
// where it is on disk. Texts from the game files are code page 1252, as the log holds them.
struct FindingRow {
  std::string rule;  // the warning number ("10302"), or "repair"
  std::string text;  // "Unknown Entry", or what the repair did
  // The file relative to the game folder as found on disk, "/" between folders, and the line
  // an editor shows (0: the file as a whole). For a binary file the line counts its text form.
  std::string path;
  std::int32_t line = 0;
  bool binary = false;
  std::int32_t section_line = 0;  // the editor line of the section's header; 0: not known
  std::string section;            // as the log shows it
  std::string key;
  std::string value;  // the offending text
  std::string hint;   // the known name of its kind an unknown name most likely means, or empty
};

// How one command went.
struct CommandAccount {
  enum class Ending {
    kFinished,   // it ran to its end
    kCancelled,  // "All" stopped between two files, as asked
    kRefused,    // it did not run: another run holds the home or the log folder, or a
                 // folder it needs is not set
  };
  Command command = Command::kAll;
  Ending ending = Ending::kFinished;
  double seconds = 0;
  // "All": what it read and found; the warning counts by number ("10302") come from findings.
  std::int64_t files = 0;
  std::int64_t sections = 0;
  std::string game;  // the game folder the run read, which findings' paths are relative to
  std::vector<FindingRow> findings;
  std::map<std::string, std::int64_t> counts;  // by rule
  // Why it could not do its job, in the command line's words, and what the user can do.
  std::vector<std::string> reasons;
  std::vector<std::string> hints;
  bool init_failed = false;  // "Init DB" could not make KV.MDB: "All" is disabled
};

class RunSession {
 public:
  // analysis and settings (the log folder and game folder of each command) must outlive the
  // session; home is where the analysis makes KV.MDB.
  RunSession(Analysis& analysis, const UserSettings& settings, std::string home);
  ~RunSession();
  RunSession(const RunSession&) = delete;
  RunSession& operator=(const RunSession&) = delete;

  // The commands; each leaves its account in Last(). A fatal end inside one propagates
  // (ProgramEnd). InitDB returns whether "All" is enabled afterwards (unchanged when refused).
  bool InitDB();
  void All(bool overwrite_ticked);
  void Dump(bool overwrite_ticked);
  // Checks the names the stored values use; its account lists the findings of the "All"
  // before it together with its own.
  void Refs();

  // The window's commands: these three, the folder picker and an immediate end.
  CommandSet Commands();

  // Asks the "All" under way to stop at the end of the file being read.
  void RequestCancel();

  // True once an "Init DB" has made KV.MDB and loaded the rules.
  bool InitDBSucceeded() const { return init_succeeded_; }
  const CommandAccount& Last() const { return last_; }

 private:
  // Takes the locks command needs; false, with the account saying why, when another run holds
  // one or a folder the command needs is not set.
  bool Begin(Command command);
  // Puts into the account that the command did not run, why, and what to do; returns false.
  bool Refuse(std::string reason, std::string hint);
  void End();
  // Puts the analysis's findings from the first'th on into the account, with their counts.
  void TakeFindings(std::size_t first);

  Analysis& analysis_;
  const UserSettings& settings_;
  const std::string home_;
  std::unique_ptr<FolderLock> home_lock_;
  std::unique_ptr<FolderLock> log_lock_;
  bool all_enabled_ = true;  // "All" starts enabled, before any "Init DB"
  bool init_succeeded_ = false;
  std::size_t all_findings_from_ = 0;  // where the findings of the last "All" start
  std::chrono::steady_clock::time_point start_;
  CommandAccount last_;
};

// The account's warning counts as "10101: 1, 10302: 2" (empty when there are none).
std::string CountsText(const CommandAccount& account);

}  // namespace tarn::gui
