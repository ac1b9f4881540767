// What one command of a session did, for the front end to say in its own words: how it
// ended, what it read and found, why it could not do its job and what the user can change.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "report/reported_finding.h"

namespace tarn {

// The commands of a session: the window's buttons and the command line's words, then the
// rule commands (the window's Rules menu, the command line's `rules` words) that work on the
// rule set of TARN.MDB rather than on the game.
enum class SessionCommand {
  kInitDB,
  kAll,
  kDump,
  kRefs,
  kLearn,
  kImport,
  kExport,
  kRestore,
  kAccept,
};

inline bool IsRuleCommand(SessionCommand command) { return command >= SessionCommand::kLearn; }

// The caption of a command's button: "Init DB", "All", "Dump", "References"; of a rule
// command, its name: "Learn", "Import", "Export", "Restore", "Accept".
const char* CommandCaption(SessionCommand command);

// Why a command did not run.
enum class Refusal {
  kNone,
  kNoLogFolder,   // no log folder is set: the log would go to whatever folder the program is in
  kNoGameFolder,  // "All" without a game folder would walk the root of the file system
  kAllDisabled,   // "All" after an "Init DB" that failed
  kFolderBusy,    // another run holds the home or the log folder, or its lock cannot be had
};

// One finding as a front end lists it: a warning of the log (or a repaired line) with where
// it is on disk. Texts from the game files are code page 1252, as the log holds them.
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
  std::string value;   // the offending text
  std::string hint;    // the known name of its kind an unknown name most likely means, or empty
  bool known = false;  // a baseline or the installed rules know it
};

struct CommandAccount {
  enum class Ending {
    kFinished,   // it ran to its end
    kCancelled,  // stopped as asked
    kRefused,    // it did not run (refusal says why)
  };
  SessionCommand command = SessionCommand::kAll;
  Ending ending = Ending::kFinished;
  Refusal refusal = Refusal::kNone;
  double seconds = 0;
  // "All": what it read. "All" and "References": what the command itself found, each finding
  // once, as it stored them in the Findings table (a "References" does not count again what
  // the "All" before it found): the rows, their number, the known among them, and the counts
  // by rule.
  std::int64_t files = 0;
  std::int64_t sections = 0;
  std::string game;  // the game folder the run read, which findings' paths are relative to
  std::vector<FindingRow> findings;
  std::int64_t total = 0;
  std::int64_t known = 0;
  std::map<std::string, std::int64_t> counts;
  // Why it could not do its job, in words for the user.
  std::vector<std::string> reasons;
  bool init_failed = false;       // "Init DB" could not make KV.MDB: "All" is disabled
  bool main_file_unread = false;  // "All" could not read the game's main file
  bool log_lines_lost = false;    // lines could not be written to tarn.log
  // A rule command: its exit status as the command line gives it (0 done; 1 a fault in a rule
  // file or a known findings file; 2 a report that is none or too large; 3 it could not do its
  // job), and what it says when done ("12 sections, 40 keys, 3 references from 2 files", the
  // learning report).
  int status = 0;
  std::string said;
  bool walk_ended = false;  // learn: the walk ended the program; its log says why
};

// The account's counts as "10101: 1, 10302: 2" (empty when there are none).
std::string CountsText(const CommandAccount& account);

// Findings counted as every front end reports them: in all, the known among them, by rule
// ("10302", "repair") and by rule and text ("10302 Unknown Entry"; each repair's own text).
struct FindingTally {
  std::int64_t total = 0;
  std::int64_t known = 0;
  std::map<std::string, std::int64_t> by_rule;
  std::map<std::string, std::int64_t> by_rule_and_text;
};
FindingTally TallyFindings(const std::vector<ReportedFinding>& findings);

}  // namespace tarn
