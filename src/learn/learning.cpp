#include "learn/learning.h"

#include <algorithm>
#include <optional>

#include "learn/known_check.h"
#include "learn/learn_report.h"
#include "learn/rule_learner.h"
#include "log/findings.h"
#include "log/log.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "report/known_findings.h"
#include "rules/rule_check.h"
#include "rules/rule_tables.h"
#include "rules/rule_text.h"
#include "settings/settings.h"
#include "walk/recorded_values.h"
#include "walk/run_watch.h"
#include "walk/walk.h"

namespace tarn {

namespace {

// The reference entry rules as the installed rule set names them, and a rule set of them
// alone (each section with only its reference entries).
void References(const RuleSet& installed, std::vector<ReferenceRule>& references, RuleSet& alone) {
  for (const SectionRule& section : installed.sections) {
    SectionRule kept{section.name, section.file, {}, section.line};
    for (const EntryRule& entry : section.entries) {
      for (std::int16_t id : kReferenceEntryIds) {
        if (entry.db_id != id) continue;
        references.push_back({id, section.name, entry.name});
        kept.entries.push_back(entry);
      }
    }
    if (!kept.entries.empty()) alone.sections.push_back(std::move(kept));
  }
}

void CheckMainFile(const UserSettings& values, FileSystem& files) {
  if (values.KVPath().empty()) {
    throw LearnError("no game folder is set: give one with --game");
  }
  const std::string path = values.KVPath() + std::string(kMainFile);
  try {
    files.OpenForReading(path);
  } catch (const TarnError& error) {
    throw LearnError("cannot read the game's main file " + path + ": " + error.Description());
  }
}

}  // namespace

LearnResult LearnFromFolder(Settings& settings, FrontEnd& front_end, FileSystem& files, bool merge,
                            const AnalysisOptions& options, RunStats* stats,
                            const NameTolerance& tolerance, const std::atomic<bool>* cancel) {
  CheckMainFile(settings.Values(), files);
  const RuleSet installed = ReadRuleTables(settings.SettingsDB());
  std::vector<ReferenceRule> references;
  RuleSet alone;
  References(installed, references, alone);

  RecordedValues values;
  RuleLearner learner(references, values);
  Log log(nullptr, front_end, settings.Values(), stats);
  log.SetFindings(&learner);
  ParsedFiles parsed;
  // Learning reports no progress; the watch is only there to hear a stop.
  const FindingList no_findings;
  std::optional<RunWatch> watch;
  if (cancel != nullptr) watch.emplace(nullptr, *cancel, no_findings);
  Walk walk(WalkContext{settings.Values(), files, log, front_end, stats, options.limits,
                        watch ? &*watch : nullptr},
            learner, values, settings.SettingsDB(), &parsed);
  files.Confine(settings.Values().KVPath(), options.follow_links);
  try {
    walk.RunAll();
  } catch (...) {
    files.Confine({}, false);
    throw;
  }
  files.Confine({}, false);

  LearnResult result;
  result.seen = learner.Seen();
  result.learned = LearnRules(result.seen, merge ? installed : alone, merge, tolerance);
  try {
    CheckRuleSet(result.learned.rules);
  } catch (const RuleSourceError& error) {
    throw LearnError(std::string("the learned rules do not load: ") + error.what());
  }
  result.report = LearnReport(settings.Values().KVPath(), merge, result.seen, result.learned);
  return result;
}

void KeepRemainingFindings(Settings& settings, FrontEnd& front_end, FileSystem& files, bool merge,
                           const AnalysisOptions& options, LearnResult& result) {
  RemainingFindings remaining;
  try {
    remaining = CheckWithRules(settings, front_end, files, result.learned.rules, options);
  } catch (const TarnError& error) {
    throw LearnError("cannot check the folder with the learned rules: " + error.Description());
  }
  std::vector<std::string> kept;
  try {
    if (merge) kept = MissingFrom(remaining.fingerprints, ReadKnownFindings(settings.SettingsDB()));
  } catch (const TarnError& error) {
    throw LearnError("cannot read the installed known findings: " + error.Description());
  }
  result.known_findings = WithKeptFingerprints(remaining.report, kept);
  result.known_count = remaining.fingerprints.size() + kept.size();
  result.report += "\n## Known findings\n\n" + std::to_string(result.known_count) +
                   " known findings kept in " + kKnownFindingsFile + ": " +
                   std::to_string(remaining.fingerprints.size()) +
                   " remain when the folder is checked with these rules (init-db all refs)";
  if (merge) result.report += ", " + std::to_string(kept.size()) + " installed before";
  result.report += ". Once imported, every run counts them as known.\n";
}

void CheckLearnedFolder(FileSystem& files, const std::string& folder, const OwnedPlaces& places) {
  if (files.FolderExists(folder)) {
    const std::string why = WhyNotReplaceable(files, places, folder);
    if (!why.empty()) throw LearnError("will not replace " + folder + ": " + why);
    std::vector<std::string> names;
    try {
      names = files.ListFolder(folder);
    } catch (const TarnError& error) {
      throw LearnError("cannot read " + folder + ": " + error.Description());
    }
    const bool ours = std::find(names.begin(), names.end(), kLearnedMarker) != names.end();
    if (!names.empty() && !ours) {
      throw LearnError(folder +
                       " holds files that rules learn did not write there; it replaces only a "
                       "folder it made itself: name a new or empty folder");
    }
  } else if (files.IdentityOf(folder)) {
    throw LearnError(folder + " exists and is not a folder");
  }
}

void WriteLearnedFolder(FileSystem& files, const LearnResult& result, const std::string& folder,
                        const OwnedPlaces& places) {
  // Again: the folder may have changed while the walk ran.
  CheckLearnedFolder(files, folder, places);
  std::vector<FolderFile> written = RuleFolderFiles(result.learned.rules);
  written.push_back({"LEARNED.md", result.report});
  if (!result.known_findings.empty()) {
    written.push_back({kKnownFindingsFile, result.known_findings});
  }
  written.push_back({kLearnedMarker,
                     "Written by tarn rules learn, which replaces this folder whole when it "
                     "learns into it again.\n"});
  try {
    files.ReplaceFolder(folder, written);
  } catch (const TarnError& error) {
    throw LearnError("cannot write " + folder + ": " + error.Description());
  }
}

}  // namespace tarn
