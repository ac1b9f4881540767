#include "rules_command.h"

#include <cstdio>
#include <memory>
#include <unordered_set>

#include "datadb/database.h"
#include "rules/rule_check.h"
#include "rules/rule_folder.h"
#include "rules/rule_history.h"
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
  try {
    auto db = Database::Open(path, Database::Mode::kReadWrite);
    rules = ReadRuleTables(db);
  } catch (const TarnError& error) {
    return Fail("export", path + ": " + error.Description(), kFatalStatus);
  }
  try {
    RealFileSystem files;
    WriteRuleFolder(files, rules, folder);
  } catch (const RuleSourceError& error) {
    return Fail("export", error.In(folder), kFatalStatus);
  }
  return kDone;
}

int ImportRules(const std::string& home, const std::string& folder) {
  const std::string path = JoinPath(home, kSettingsDBFile);
  RuleSet rules;
  try {
    RealFileSystem files;
    rules = ReadRuleFolder(files, folder);
    // An empty rule set would make every section of the game unknown: never installed.
    if (rules.sections.empty()) return Fail("import", "no rule files in " + folder, kFatalStatus);
    CheckRuleSet(rules);
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
    ImportRuleTables(db, rules);
  } catch (const TarnError& error) {
    return Fail("import", path + ": " + error.Description(), kFatalStatus);
  }
  std::printf("%s from %zu files\n", Counts(rules).c_str(), FileCount(rules));
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
