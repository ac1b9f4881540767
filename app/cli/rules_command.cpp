#include "rules_command.h"

#include <cstdio>
#include <memory>
#include <unordered_set>

#include "datadb/database.h"
#include "report/baseline.h"
#include "report/known_findings.h"
#include "rules/rule_check.h"
#include "rules/rule_folder.h"
#include "rules/rule_history.h"
#include "rules/rule_json.h"
#include "rules/rule_tables.h"
#include "settings/settings.h"
#include "shell/error.h"
#include "shell/file_system.h"
#include "shell/folder_lock.h"
#include "shell/front_end.h"

namespace tarn {

namespace {

constexpr int kDone = 0;
constexpr int kRuleFault = 1;
constexpr int kUsage = 2;
// Known findings files are baselines and read with their bound.
constexpr std::int64_t kKnownFindingsLimit = std::int64_t{256} << 20;

int Fail(const char* command, const std::string& reason, int status) {
  std::fprintf(stderr, "tarn: rules %s: %s\n", command, reason.c_str());
  return status;
}

// "N sections, M keys, R references": what a rule set holds, as the commands report it.
std::string Counts(const RuleSet& rules) {
  std::size_t keys = 0, references = 0;
  for (const SectionRule& section : rules.sections) {
    keys += section.entries.size();
    for (const EntryRule& entry : section.entries) {
      for (const ValueRule& value : entry.values) references += value.refers_to.size();
    }
  }
  return std::to_string(rules.sections.size()) + " sections, " + std::to_string(keys) +
         " keys, " + std::to_string(references) + " references";
}

std::size_t FileCount(const RuleSet& rules) {
  std::unordered_set<std::string> files;
  for (const SectionRule& section : rules.sections) files.insert(section.file);
  return files.size();
}

// Takes the home lock, or says why not (null then, and why is set); the commands that write
// TARN.MDB hold it while they do.
std::unique_ptr<FolderLock> LockHome(const std::string& home, std::string& why) {
  return FolderLock::TakeOrSay(home, "home", "home folder", FolderLock::Need::kRequired, why);
}

}  // namespace

int ExportRules(const std::string& home, const std::string& folder) {
  const std::string path = JoinPath(home, kSettingsDBFile);
  RuleSet rules;
  std::vector<std::string> known;
  try {
    auto db = Database::Open(path, Database::Mode::kReadWrite);
    rules = ReadRuleTables(db);
    known = ReadKnownFindings(db);
  } catch (const TarnError& error) {
    return Fail("export", path + ": " + error.Description(), kFatalStatus);
  }
  RealFileSystem files;
  try {
    WriteRuleFolder(files, rules, folder);
  } catch (const RuleSourceError& error) {
    return Fail("export", error.In(folder), kFatalStatus);
  }
  // Written even when none are installed, so that an earlier file in the folder cannot come
  // back with the next import.
  const std::string known_path = JoinPath(folder, kKnownFindingsFile);
  try {
    files.WriteWholeFile(known_path, KnownFindingsText(known));
  } catch (const TarnError& error) {
    return Fail("export", known_path + ": " + error.Description(), kFatalStatus);
  }
  return kDone;
}

int PrintRulesJson(const std::string& home, const std::string& from) {
  RuleSet rules;
  if (from.empty()) {
    const std::string path = JoinPath(home, kSettingsDBFile);
    try {
      auto db = Database::Open(path, Database::Mode::kReadWrite);
      rules = ReadRuleTables(db);
    } catch (const TarnError& error) {
      return Fail("export", path + ": " + error.Description(), kFatalStatus);
    }
  } else {
    try {
      RealFileSystem files;
      rules = ReadRuleFolder(files, from);
      if (rules.sections.empty()) return Fail("export", "no rule files in " + from, kFatalStatus);
      CheckRuleSet(rules);
    } catch (const RuleFolderError& error) {
      return Fail("export", error.In(from), kFatalStatus);
    } catch (const RuleSourceError& error) {
      return Fail("export", error.In(from), kRuleFault);
    }
  }
  const std::string json = RuleSetJson(rules);
  std::fwrite(json.data(), 1, json.size(), stdout);
  return std::fflush(stdout) == 0 ? kDone : kFatalStatus;
}

int ImportRules(const std::string& home, const std::string& folder) {
  const std::string path = JoinPath(home, kSettingsDBFile);
  RuleSet rules;
  std::vector<std::string> known;
  bool has_known = false;
  try {
    RealFileSystem files;
    rules = ReadRuleFolder(files, folder);
    // An empty rule set would make every section of the game unknown: never installed.
    if (rules.sections.empty()) return Fail("import", "no rule files in " + folder, kFatalStatus);
    CheckRuleSet(rules);
    // A folder without known findings installs none: the rules alone describe the game.
    const std::string known_path = JoinPath(folder, kKnownFindingsFile);
    has_known = files.FileExists(known_path);
    if (has_known) {
      std::string text;
      try {
        text = files.ReadWholeInput(known_path, kKnownFindingsLimit);
      } catch (const TarnError& error) {
        return Fail("import", known_path + ": " + error.Description(), kFatalStatus);
      }
      try {
        known = ParseBaseline(text);
      } catch (const BaselineError& error) {
        return Fail("import", known_path + " is not a report TARN can read: " + error.what(),
                    kRuleFault);
      }
    }
  } catch (const RuleFolderError& error) {
    return Fail("import", error.In(folder), kFatalStatus);
  } catch (const RuleSourceError& error) {
    return Fail("import", error.In(folder), kRuleFault);
  }
  std::string why;
  const auto lock = LockHome(home, why);
  if (!why.empty()) return Fail("import", why, kFatalStatus);
  try {
    auto db = Database::Open(path, Database::Mode::kReadWrite);
    ImportRuleTables(db, rules, known);
  } catch (const TarnError& error) {
    return Fail("import", path + ": " + error.Description(), kFatalStatus);
  }
  std::printf("%s from %zu files", Counts(rules).c_str(), FileCount(rules));
  if (!known.empty()) std::printf(", %zu known findings", known.size());
  std::printf("\n");
  return kDone;
}

int AcceptReport(const std::string& home, const std::string& report,
                 std::int64_t max_bytes) {
  std::vector<std::string> fingerprints;
  try {
    RealFileSystem files;
    fingerprints = ParseBaseline(files.ReadWholeInput(report, max_bytes));
  } catch (const LimitError& error) {
    return Fail("accept",
                report + " is more than the limit of " + std::to_string(error.Limit()) +
                    " bytes (--max-file-size)",
                kUsage);
  } catch (const TarnError& error) {
    return Fail("accept", report + " " + error.Description(), kFatalStatus);
  } catch (const BaselineError& error) {
    return Fail("accept", report + " is not a report TARN can read: " + error.what(),
                kUsage);
  }
  const std::string path = JoinPath(home, kSettingsDBFile);
  std::string why;
  const auto lock = LockHome(home, why);
  if (!why.empty()) return Fail("accept", why, kFatalStatus);
  std::size_t added = 0;
  try {
    auto db = Database::Open(path, Database::Mode::kReadWrite);
    added = AddKnownFindings(db, fingerprints);
  } catch (const TarnError& error) {
    return Fail("accept", path + ": " + error.Description(), kFatalStatus);
  }
  std::printf("added %zu known findings\n", added);
  return kDone;
}

int RestoreRules(const std::string& home) {
  const std::string path = JoinPath(home, kSettingsDBFile);
  std::string why;
  const auto lock = LockHome(home, why);
  if (!why.empty()) return Fail("restore", why, kFatalStatus);
  RuleSet restored;
  try {
    auto db = Database::Open(path, Database::Mode::kReadWrite);
    if (!RestoreRuleObjects(db)) {
      return Fail("restore", path + " keeps no rule set that an import replaced", kFatalStatus);
    }
    try {
      restored = ReadRuleTables(db);
    } catch (const TarnError&) {
      // There was no rule query before that import either: nothing to count.
    }
  } catch (const TarnError& error) {
    return Fail("restore", path + ": " + error.Description(), kFatalStatus);
  }
  std::printf("restored %s\n", Counts(restored).c_str());
  return kDone;
}

}  // namespace tarn
