#include "diff_command.h"

#include <cstdio>

#include "log/front_end.h"
#include "platform/file_system.h"
#include "rules/rule_diff.h"
#include "rules/rule_folder.h"

namespace tarn {

namespace {

// A folder without a rule file is most likely a mistyped one; taking it as an empty rule set
// would list every rule as dropped.
bool Read(const std::string& folder, RuleSet& rules) {
  try {
    RealFileSystem files;
    rules = ReadRuleFolder(files, folder);
  } catch (const RuleSourceError& error) {
    std::fprintf(stderr, "tarn: %s\n", error.In(folder).c_str());
    return false;
  }
  if (rules.sections.empty()) {
    std::fprintf(stderr, "tarn: no rule files in %s\n", folder.c_str());
    return false;
  }
  return true;
}

}  // namespace

int DiffRuleFolders(const std::string& older, const std::string& newer) {
  RuleSet old_rules, new_rules;
  if (!Read(older, old_rules) || !Read(newer, new_rules)) return kFatalStatus;
  const std::vector<std::string> changes = DiffRuleSets(old_rules, new_rules);
  for (const std::string& change : changes) std::printf("%s\n", change.c_str());
  if (changes.empty()) {
    std::printf("The rule folders agree.\n");
    return 0;
  }
  std::printf("%zu %s\n", changes.size(), changes.size() == 1 ? "change" : "changes");
  return 1;
}

}  // namespace tarn
