// "rules learn": the walk of "All" over a game folder the user trusts, with the rule learner
// in place of the checker, and the learned rule set written out as rule sources.
#pragma once

#include <stdexcept>
#include <string>

#include "analysis/analysis.h"
#include "learn/learned_rules.h"
#include "learn/observations.h"

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
};

// Learns the rules of the game folder of settings (its settings database open). Nothing is
// written: not TARN.MDB, not the game folder, not the log. Raises LearnError when the game
// folder is not set or has no main file; TarnError when the installed rule set cannot be
// read; ProgramEnd when the walk ends the program (a broken _bc_OtherINI, ...), after the
// error report has gone to front_end's log box. tolerance says how far names may stray from
// the shape of a defining or referring position.
LearnResult LearnFromFolder(Settings& settings, FrontEnd& front_end, FileSystem& files, bool merge,
                            const AnalysisOptions& options = {}, RunStats* stats = nullptr,
                            const NameTolerance& tolerance = {});

// Writes the rule sources and LEARNED.md into folder: into a new folder beside it first, then
// renamed, so that nothing half-written is left behind. An existing folder that is not empty
// is replaced only when force is true. Raises LearnError.
void WriteLearnedFolder(const LearnResult& result, const std::string& folder, bool force);

}  // namespace tarn
