#include "rules_command.h"

#include <cstdio>

#include "datadb/database.h"
#include "rules/rule_check.h"
#include "rules/rule_tables.h"
#include "rules/rule_text.h"
#include "settings/settings.h"
#include "shell/error.h"
#include "shell/file_system.h"
#include "shell/folder_lock.h"
#include "shell/front_end.h"

namespace tarn {

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;

int Fail(const char* command, const std::string& reason) {
  std::fprintf(stderr, "tarn: rules %s: %s\n", command, reason.c_str());
  return kFailed;
}

}  // namespace

int ExportRules(const std::string& home, const std::string& folder) {
  const std::string path = JoinPath(home, kSettingsDBFile);
  try {
    auto db = Database::Open(path, Database::Mode::kReadWrite);
    WriteRuleFolder(ReadRuleTables(db), folder);
  } catch (const TarnError& error) {
    return Fail("export", path + ": " + error.Description());
  } catch (const RuleSourceError& error) {
    return Fail("export", error.In(folder));
  }
  return kDone;
}

int ImportRules(const std::string& home, const std::string& folder) {
  const std::string path = JoinPath(home, kSettingsDBFile);
  RuleSet rules;
  try {
    rules = ReadRuleFolder(folder);
    CheckRuleSet(rules);
  } catch (const RuleSourceError& error) {
    return Fail("import", error.In(folder));
  }
  std::string why;
  const auto lock =
      FolderLock::TakeOrSay(home, "home", "home folder", FolderLock::Need::kRequired, why);
  if (!why.empty()) {
    std::fprintf(stderr, "tarn: rules import: %s\n", why.c_str());
    return kFatalStatus;
  }
  try {
    auto db = Database::Open(path, Database::Mode::kReadWrite);
    WriteRuleTables(db, rules);
  } catch (const TarnError& error) {
    return Fail("import", path + ": " + error.Description());
  }
  return kDone;
}

}  // namespace tarn
