// The rule commands of a session: what `tarn rules ...` and the window's Rules menu run.
#include <cmath>
#include <unordered_set>

#include "datadb/database.h"
#include "learn/learning.h"
#include "log/front_end.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/folder_lock.h"
#include "report/baseline.h"
#include "report/known_findings.h"
#include "rules/rule_check.h"
#include "rules/rule_folder.h"
#include "rules/rule_history.h"
#include "rules/rule_tables.h"
#include "session/session.h"
#include "settings/settings.h"
#include "walk/run_watch.h"

namespace tarn {

namespace {

constexpr int kRuleFault = 1;
constexpr int kNotAReport = 2;
// Known findings files are baselines and read with their bound.
constexpr std::int64_t kKnownFindingsLimit = std::int64_t{256} << 20;

// "N sections, M keys, R references": what a rule set holds, as the commands report it.
std::string Counts(const RuleSet& rules) {
  std::size_t keys = 0, references = 0;
  for (const SectionRule& section : rules.sections) {
    keys += section.entries.size();
    for (const EntryRule& entry : section.entries) {
      for (const ValueRule& value : entry.values) references += value.refers_to.size();
    }
  }
  return std::to_string(rules.sections.size()) + " sections, " + std::to_string(keys) + " keys, " +
         std::to_string(references) + " references";
}

std::size_t FileCount(const RuleSet& rules) {
  std::unordered_set<std::string> files;
  for (const SectionRule& section : rules.sections) files.insert(section.file);
  return files.size();
}

}  // namespace

const CommandAccount& Session::RunRules(const RuleRequest& request) {
  last_ = CommandAccount{};
  last_.command = request.command;
  start_ = std::chrono::steady_clock::now();
  rules_cancel_.store(false);
  rules_running_.store(true);
  struct Running {
    std::atomic<bool>& flag;
    ~Running() { flag.store(false); }
  } running{rules_running_};
  switch (request.command) {
    case SessionCommand::kLearn:
      Learn(request);
      break;
    case SessionCommand::kImport:
      Import(request.folder);
      break;
    case SessionCommand::kExport:
      Export(request.folder);
      break;
    case SessionCommand::kAccept:
      Accept(request.folder, request.max_bytes);
      break;
    default:
      Restore();
      break;
  }
  last_.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  return last_;
}

RuleOrigin Session::Origin() {
  if (settings_.IsOpen()) return ReadRuleOrigin(settings_.SettingsDB());
  auto db = Database::Open(JoinPath(home_, kSettingsDBFile), Database::Mode::kReadWrite);
  return ReadRuleOrigin(db);
}

void Session::Fail(std::string reason, int status) {
  last_.status = status;
  last_.reasons.push_back(std::move(reason));
}

bool Session::Cancelled() {
  if (!rules_cancel_.load()) return false;
  last_.ending = CommandAccount::Ending::kCancelled;
  return true;
}

bool Session::HoldHome(std::unique_ptr<FolderLock>& held) {
  if (home_lock_ != nullptr) return true;
  std::string why;
  held = FolderLock::TakeOrSay(home_, "home", "home folder", FolderLock::Need::kRequired, why);
  if (why.empty()) return true;
  last_.ending = CommandAccount::Ending::kRefused;
  last_.refusal = Refusal::kFolderBusy;
  Fail(std::move(why), kFatalStatus);
  return false;
}

void Session::Export(const std::string& folder) {
  const std::string path = JoinPath(home_, kSettingsDBFile);
  RuleSet rules;
  std::vector<std::string> known;
  try {
    auto db = Database::Open(path, Database::Mode::kReadWrite);
    rules = ReadRuleTables(db);
    known = ReadKnownFindings(db);
  } catch (const TarnError& error) {
    return Fail(path + ": " + error.Description(), kFatalStatus);
  }
  if (Cancelled()) return;
  try {
    WriteRuleFolder(files_, rules, folder);
  } catch (const RuleSourceError& error) {
    return Fail(error.In(folder), kFatalStatus);
  }
  // Written even when none are installed, so that an earlier file in the folder cannot come
  // back with the next import.
  const std::string known_path = JoinPath(folder, kKnownFindingsFile);
  try {
    files_.WriteWholeFile(known_path, KnownFindingsText(known));
  } catch (const TarnError& error) {
    return Fail(known_path + ": " + error.Description(), kFatalStatus);
  }
}

void Session::Import(const std::string& folder) {
  RuleSet rules;
  std::vector<std::string> known;
  try {
    rules = ReadRuleFolder(files_, folder);
    // An empty rule set would make every section of the game unknown: never installed.
    if (rules.sections.empty()) return Fail("no rule files in " + folder, kFatalStatus);
    CheckRuleSet(rules);
    // A folder without known findings installs none: the rules alone describe the game.
    const std::string known_path = JoinPath(folder, kKnownFindingsFile);
    if (files_.FileExists(known_path)) {
      std::string text;
      try {
        text = files_.ReadWholeInput(known_path, kKnownFindingsLimit);
      } catch (const TarnError& error) {
        return Fail(known_path + ": " + error.Description(), kFatalStatus);
      }
      try {
        known = ParseBaseline(text);
      } catch (const BaselineError& error) {
        return Fail(known_path + " is not a report TARN can read: " + error.what(), kRuleFault);
      }
    }
  } catch (const RuleFolderError& error) {
    return Fail(error.In(folder), kFatalStatus);
  } catch (const RuleSourceError& error) {
    return Fail(error.In(folder), kRuleFault);
  }
  std::unique_ptr<FolderLock> held;
  if (!HoldHome(held) || Cancelled()) return;
  const std::string path = JoinPath(home_, kSettingsDBFile);
  try {
    auto db = Database::Open(path, Database::Mode::kReadWrite);
    // A stop asked for while the rows go in rolls the whole import back.
    if (!ImportRuleTables(db, rules, known, &rules_cancel_)) {
      last_.ending = CommandAccount::Ending::kCancelled;
      return;
    }
  } catch (const TarnError& error) {
    return Fail(path + ": " + error.Description(), kFatalStatus);
  }
  last_.said = Counts(rules) + " from " + std::to_string(FileCount(rules)) + " files";
  if (!known.empty()) last_.said += ", " + std::to_string(known.size()) + " known findings";
  last_.said += "\n";
}

void Session::Accept(const std::string& report, std::int64_t max_bytes) {
  std::vector<std::string> fingerprints;
  try {
    fingerprints = ParseBaseline(files_.ReadWholeInput(report, max_bytes));
  } catch (const LimitError& error) {
    return Fail(report + " is more than the limit of " + std::to_string(error.Limit()) +
                    " bytes (--max-file-size)",
                kNotAReport);
  } catch (const TarnError& error) {
    return Fail(report + " " + error.Description(), kFatalStatus);
  } catch (const BaselineError& error) {
    return Fail(report + " is not a report TARN can read: " + error.what(), kNotAReport);
  }
  std::unique_ptr<FolderLock> held;
  if (!HoldHome(held) || Cancelled()) return;
  const std::string path = JoinPath(home_, kSettingsDBFile);
  std::size_t added = 0;
  try {
    auto db = Database::Open(path, Database::Mode::kReadWrite);
    added = AddKnownFindings(db, fingerprints);
  } catch (const TarnError& error) {
    return Fail(path + ": " + error.Description(), kFatalStatus);
  }
  last_.said = "added " + std::to_string(added) + " known findings\n";
}

void Session::Restore() {
  std::unique_ptr<FolderLock> held;
  if (!HoldHome(held) || Cancelled()) return;
  const std::string path = JoinPath(home_, kSettingsDBFile);
  RuleSet restored;
  try {
    auto db = Database::Open(path, Database::Mode::kReadWrite);
    if (!RestoreRuleObjects(db)) {
      return Fail(path + " keeps no rule set that an import replaced", kFatalStatus);
    }
    try {
      restored = ReadRuleTables(db);
    } catch (const TarnError&) {
      // There was no rule query before that import either: nothing to count.
    }
  } catch (const TarnError& error) {
    return Fail(path + ": " + error.Description(), kFatalStatus);
  }
  last_.said = "restored " + Counts(restored) + "\n";
}

void Session::Learn(const RuleRequest& request) {
  const LearnOptions& options = request.learn;
  std::unique_ptr<FolderLock> held;
  try {
    if (!HoldHome(held)) return;
    // The command line opens the settings database only once it holds the home.
    if (!settings_.IsOpen()) settings_.SetSettingsDBName(JoinPath(home_, kSettingsDBFile));
    if (request.game) settings_.Values().SetKVPath(*request.game);
    const OwnedPlaces places{home_, options.log.value_or(settings_.Values().LogPath()),
                             settings_.Values().KVPath(), std::nullopt};
    CheckLearnedFolder(files_, request.folder, places);
    AnalysisOptions walk_options;
    walk_options.follow_links = options.follow_links;
    walk_options.limits.file_size = options.max_file_size;
    // Thousandths, as the learner counts them.
    const NameTolerance tolerance{std::llround(options.duplicate_names * 10),
                                  std::llround(options.unknown_names * 10)};
    LearnResult result = LearnFromFolder(settings_, front_end_, files_, options.merge, walk_options,
                                         nullptr, tolerance, &rules_cancel_);
    if (Cancelled()) return;
    KeepRemainingFindings(settings_, front_end_, files_, options.merge, walk_options, result);
    // The earlier rule folder stays as it was unless the new one is written whole.
    if (Cancelled()) return;
    WriteLearnedFolder(files_, result, request.folder, places);
    last_.said = std::move(result.report);
  } catch (const RunCancelled&) {
    last_.ending = CommandAccount::Ending::kCancelled;
  } catch (const ProgramEnd&) {
    last_.walk_ended = true;
    Fail("the walk ended on the error above", kFatalStatus);
  } catch (const LearnError& error) {
    Fail(error.what(), kFatalStatus);
  } catch (const TarnError& error) {
    Fail(JoinPath(home_, kSettingsDBFile) + ": " + error.Description(), kFatalStatus);
  }
}

}  // namespace tarn
