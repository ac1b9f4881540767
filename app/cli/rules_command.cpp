#include "rules_command.h"

#include <cstdio>
#include <string>

#include "datadb/database.h"
#include "log/front_end.h"
#include "log/log_box.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "report/baseline.h"
#include "report/known_findings.h"
#include "rules/rule_check.h"
#include "rules/rule_folder.h"
#include "rules/rule_history.h"
#include "rules/rule_json.h"
#include "rules/rule_tables.h"
#include "session/session.h"
#include "settings/settings.h"

namespace tarn {

namespace {

void PrintToError(std::string_view text) {
  std::string lines(text);
  std::erase(lines, '\r');
  std::fwrite(lines.data(), 1, lines.size(), stderr);
}

// Keeps what a walk logs to itself: learning writes no log, but the report of an error that
// ends the walk is shown.
class KeepingFrontEnd : public FrontEnd {
 public:
  void AppendToLogBox(std::string_view text, bool may_cut) override { kept.Append(text, may_cut); }
  void ShowMessageBox(std::string_view text) override { PrintToError(text); }
  void ProcessEvents() override {}

  BoundedLogText kept;
};

// The word of `tarn rules WORD`.
std::string Word(SessionCommand command) {
  std::string word = CommandCaption(command);
  word[0] = static_cast<char>(word[0] - 'A' + 'a');
  return word;
}

}  // namespace

int RunRuleCommand(const std::string& home, const RuleRequest& request) {
  KeepingFrontEnd front_end;
  RealFileSystem files;
  Settings settings(front_end);
  Session session(settings, front_end, files, home);
  const CommandAccount& account = session.RunRules(request);
  if (account.walk_ended) {
    // The walk reported why in its log; the command line shows the end of it.
    const std::string& text = front_end.kept.Text();
    const std::size_t from = text.rfind("Error : ");
    PrintToError(from == std::string::npos ? text : text.substr(from));
  }
  for (const std::string& reason : account.reasons) {
    std::fprintf(stderr, "tarn: rules %s: %s\n", Word(request.command).c_str(), reason.c_str());
  }
  std::fwrite(account.said.data(), 1, account.said.size(), stdout);
  std::fflush(stdout);
  if (account.status == 0) settings.Discard();
  return account.status;
}

// The rule set as JSON is read only: it takes no lock and needs no session.
namespace {
constexpr int kExportRuleFault = 1;
int FailExport(const std::string& reason, int status) {
  std::fprintf(stderr, "tarn: rules export: %s\n", reason.c_str());
  return status;
}
}  // namespace

int PrintRulesJson(const std::string& home, const std::string& from) {
  RuleSet rules;
  if (from.empty()) {
    const std::string path = JoinPath(home, kSettingsDBFile);
    try {
      auto db = Database::Open(path, Database::Mode::kReadWrite);
      rules = ReadRuleTables(db);
    } catch (const TarnError& error) {
      return FailExport(path + ": " + error.Description(), kFatalStatus);
    }
  } else {
    try {
      RealFileSystem files;
      rules = ReadRuleFolder(files, from);
      if (rules.sections.empty()) return FailExport("no rule files in " + from, kFatalStatus);
      CheckRuleSet(rules);
    } catch (const RuleFolderError& error) {
      return FailExport(error.In(from), kFatalStatus);
    } catch (const RuleSourceError& error) {
      return FailExport(error.In(from), kExportRuleFault);
    }
  }
  const std::string json = RuleSetJson(rules);
  std::fwrite(json.data(), 1, json.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : kFatalStatus;
}

}  // namespace tarn
