// What remains when a game folder is checked with the rules learned from it: the findings a
// user who trusts the folder counts as known from then on (known_findings.h).
#pragma once

#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "rules/rule_set.h"

namespace tarn {

class FileSystem;
class FrontEnd;
class Settings;

struct RemainingFindings {
  std::vector<std::string> fingerprints;
  std::string report;  // the JSON report of them, paths relative to the game folder
};

// Checks the game folder of settings (its settings database open) with rules, as "init-db all
// refs" would, in a home of its own: a scratch folder (FileSystem::MakeScratchFolder) with a
// copy of settings's database into which rules are imported, and the log. Nothing of the
// user's is written, and the scratch folder is removed however the check ends. Raises
// TarnError when the scratch home cannot be made or filled; ProgramEnd when the run ends the
// program, after its error report has gone to front_end's log box.
RemainingFindings CheckWithRules(Settings& settings, FrontEnd& front_end, FileSystem& files,
                                 const RuleSet& rules, const AnalysisOptions& options);

// report (a JSON report) with the fingerprints more added as findings of their own: the
// known findings kept from before that this check no longer met.
std::string WithKeptFingerprints(std::string report, const std::vector<std::string>& more);

}  // namespace tarn
