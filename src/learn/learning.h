// "rules learn": the walk of "All" over a game folder the user trusts, with the rule learner
// in place of the checker, and the learned rule set written out as rule sources.
#pragma once

#include <atomic>
#include <stdexcept>
#include <string>

#include "analysis/analysis_options.h"
#include "learn/learned_rules.h"
#include "learn/observations.h"
#include "report/written_paths.h"

namespace tarn {

class FileSystem;
class FrontEnd;
class RunStats;
class Settings;

// A reason learning cannot be done or its result not written; the message is for the user.
class LearnError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct LearnResult {
  Observations seen;
  LearnedRules learned;
  std::string report;  // LEARNED.md
  // The findings that remain when the folder is checked with the learned rules, as a JSON
  // report (known-findings.json), and how many; empty when KeepRemainingFindings did not run.
  std::string known_findings;
  std::size_t known_count = 0;
};

// Learns the rules of the game folder of settings (its settings database open). Nothing is
// written: not TARN.MDB, not the game folder, not the log. Raises LearnError when the game
// folder is not set or has no main file; TarnError when the installed rule set cannot be
// read; ProgramEnd when the walk ends the program (a broken _bc_OtherINI, ...), after the
// error report has gone to front_end's log box. tolerance says how far names may stray from
// the shape of a defining or referring position. Once cancel (when given) is true, the walk
// ends at the end of the file being read with RunCancelled (run_watch.h), having learned
// nothing.
LearnResult LearnFromFolder(Settings& settings, FrontEnd& front_end, FileSystem& files, bool merge,
                            const AnalysisOptions& options = {}, RunStats* stats = nullptr,
                            const NameTolerance& tolerance = {},
                            const std::atomic<bool>* cancel = nullptr);

// Checks the folder learned from with result's rules (known_check.h) and keeps what remains
// in result as its known findings, with the installed ones when merge (each as often as
// either has it), and says how many in its LEARNED.md. Raises what CheckWithRules raises.
void KeepRemainingFindings(Settings& settings, FrontEnd& front_end, FileSystem& files, bool merge,
                           const AnalysisOptions& options, LearnResult& result);

// The file rules learn leaves in every folder it writes: what makes the folder its own to
// replace next time.
inline constexpr const char* kLearnedMarker = ".tarn-learned";

// Raises LearnError, with the reason, when WriteLearnedFolder would refuse folder: checked
// before the walk, so that a refused folder costs no learning.
void CheckLearnedFolder(FileSystem& files, const std::string& folder, const OwnedPlaces& places);

// Writes the rule sources, LEARNED.md, the known findings (when result has them) and the
// marker into folder, whole: filled beside it and
// then put in its place (FileSystem::ReplaceFolder), so that a kill leaves the earlier folder
// or the new one, never a mix. A missing or empty folder is made or filled; a folder that
// holds the marker is replaced; any other folder is refused, and so is one that is, or
// contains, the game, home or log folder of places, marker or not. Raises LearnError with
// the reason.
void WriteLearnedFolder(FileSystem& files, const LearnResult& result, const std::string& folder,
                        const OwnedPlaces& places);

}  // namespace tarn
