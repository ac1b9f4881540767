#include "session/session.h"

#include <algorithm>
#include <utility>

#include "platform/error.h"
#include "platform/folder_lock.h"
#include "platform/user_settings.h"
#include "report/baseline.h"
#include "report/known_findings.h"
#include "report/reported_finding.h"
#include "settings/settings.h"

namespace tarn {

const char* CommandCaption(SessionCommand command) {
  switch (command) {
    case SessionCommand::kInitDB:
      return "Init DB";
    case SessionCommand::kAll:
      return "All";
    case SessionCommand::kRefs:
      return "References";
    case SessionCommand::kDump:
      return "Dump";
    case SessionCommand::kLearn:
      return "Learn";
    case SessionCommand::kImport:
      return "Import";
    case SessionCommand::kExport:
      return "Export";
    case SessionCommand::kRestore:
      return "Restore";
    default:
      return "Accept";
  }
}

std::string CountsText(const CommandAccount& account) {
  std::string text;
  for (const auto& [rule, count] : account.counts) {
    if (!text.empty()) text += ", ";
    text += rule + ": " + std::to_string(count);
  }
  return text;
}

FindingTally TallyFindings(const std::vector<ReportedFinding>& findings) {
  FindingTally tally;
  tally.total = static_cast<std::int64_t>(findings.size());
  for (const ReportedFinding& finding : findings) {
    tally.known += finding.known ? 1 : 0;
    ++tally.by_rule[finding.rule];
    ++tally.by_rule_and_text[finding.rule + " " + finding.text];
  }
  return tally;
}

Session::Session(Settings& settings, FrontEnd& front_end, FileSystem& files, std::string home)
    : settings_(settings),
      home_(std::move(home)),
      front_end_(front_end),
      files_(files),
      analysis_(settings, front_end, files, home_) {
  analysis_.KeepStoredReport(list_findings_);
}

Session::~Session() = default;

Refusal Session::CheckSetup(std::span<const SessionCommand> commands, std::string& why) const {
  const UserSettings& values = settings_.Values();
  // Setups that would log into whatever folder the program was started in, or read the root
  // of the file system, are refused before anything is done.
  if (values.LogPath().empty()) {
    why = "no log folder is set";
    return Refusal::kNoLogFolder;
  }
  const bool reads_game =
      std::find(commands.begin(), commands.end(), SessionCommand::kAll) != commands.end();
  if (reads_game && values.KVPath().empty()) {
    why = "no game folder is set";
    return Refusal::kNoGameFolder;
  }
  why.clear();
  return Refusal::kNone;
}

bool Session::Enabled(SessionCommand command) const {
  return command != SessionCommand::kAll || all_state_ == AllState::kEnabled;
}

bool Session::Refuse(Refusal refusal, std::string reason) {
  last_.ending = CommandAccount::Ending::kRefused;
  last_.refusal = refusal;
  last_.reasons.push_back(std::move(reason));
  return false;
}

bool Session::Begin(SessionCommand command) {
  last_ = CommandAccount{};
  last_.command = command;
  start_ = std::chrono::steady_clock::now();
  analysis_.ForgetTroubles();
  std::string why;
  const SessionCommand one[] = {command};
  if (const Refusal refusal = CheckSetup(one, why); refusal != Refusal::kNone) {
    return Refuse(refusal, std::move(why));
  }
  if (command == SessionCommand::kAll && all_state_ == AllState::kDisabled) {
    return Refuse(Refusal::kAllDisabled, "\"All\" is disabled: the last \"Init DB\" failed");
  }
  // Every command but "Dump" writes KV.MDB, which stays open as long as the session: the
  // home is this session's from its first such command on. The log folder is locked for the
  // length of each command, so that a window left open does not keep others from it.
  if (command != SessionCommand::kDump && home_lock_ == nullptr) {
    home_lock_ =
        FolderLock::TakeOrSay(home_, "home", "home folder", FolderLock::Need::kRequired, why);
  }
  if (why.empty()) {
    log_lock_ = FolderLock::TakeOrSay(settings_.Values().LogPath(), "log", "log folder",
                                      FolderLock::Need::kIfPossible, why);
  }
  if (!why.empty()) return Refuse(Refusal::kFolderBusy, std::move(why));
  return true;
}

void Session::End() {
  log_lock_.reset();
  last_.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  for (std::string& reason : analysis_.Troubles()) {
    if (std::find(troubles_.begin(), troubles_.end(), reason) == troubles_.end()) {
      troubles_.push_back(reason);
    }
    last_.reasons.push_back(std::move(reason));
  }
  last_.log_lines_lost = analysis_.GetLog().LostLines();
}

std::vector<std::string> Session::Troubles() const {
  std::vector<std::string> all = troubles_;
  for (std::string& reason : analysis_.Troubles()) {
    if (std::find(all.begin(), all.end(), reason) == all.end()) all.push_back(std::move(reason));
  }
  return all;
}

const CommandAccount& Session::Run(SessionCommand command, bool overwrite_ticked) {
  if (IsRuleCommand(command)) return RunRules(RuleRequest{command});
  if (!Begin(command)) return last_;
  // A fatal end inside the command leaves the lock of the log folder to the program's end.
  switch (command) {
    case SessionCommand::kInitDB: {
      const bool made = analysis_.InitDB();
      all_state_ = made ? AllState::kEnabled : AllState::kDisabled;
      if (analysis_.CommandCancelled()) {
        last_.ending = CommandAccount::Ending::kCancelled;
      } else {
        last_.init_failed = !made;
      }
      break;
    }
    case SessionCommand::kAll: {
      const std::size_t before = analysis_.Findings().size();
      last_.game = settings_.Values().KVPath();
      analysis_.RunAll(overwrite_ticked);
      const RunOutcome& run = analysis_.LastRun();
      if (run.cancelled) last_.ending = CommandAccount::Ending::kCancelled;
      last_.files = run.files;
      last_.sections = run.sections;
      last_.main_file_unread = !run.main_file_read;
      TakeFindings(before);
      break;
    }
    case SessionCommand::kDump:
      analysis_.RunDumpRules(overwrite_ticked);
      if (analysis_.CommandCancelled()) last_.ending = CommandAccount::Ending::kCancelled;
      break;
    default:  // the rule commands, run above
      break;
    case SessionCommand::kRefs: {
      // Only the names this check found: what "All" found before is that command's account.
      const std::size_t before = analysis_.Findings().size();
      last_.game = settings_.Values().KVPath();
      analysis_.RunRefs();
      if (analysis_.RefsCancelled()) {
        last_.ending = CommandAccount::Ending::kCancelled;
        break;
      }
      TakeFindings(before);
      break;
    }
  }
  End();
  return last_;
}

void Session::TakeFindings(std::size_t first) {
  if (!list_findings_) return;
  const std::vector<Finding>& all = analysis_.Findings();
  first = std::min(first, all.size());
  const std::span<const Finding> found(all.data() + first, all.size() - first);
  // What the command stored in the data database was made for the same game folder: when it
  // is exactly these findings it is not made again.
  std::vector<ReportedFinding> reported = analysis_.TakeStoredReport();
  const bool same = reported.size() == found.size() &&
                    (found.empty() || reported.front().finding == found.data());
  // The place made absolute: known findings of earlier versions hold the absolute game folder.
  if (!same) reported = ReportFindings(found, PlaceReports(files_, last_.game, {}));
  // The window has no baseline: the known findings installed with the rules are all it knows.
  try {
    ApplyBaseline(reported, ReadKnownFindings(settings_.SettingsDB()));
  } catch (const TarnError& error) {
    last_.reasons.push_back("the known findings of " + settings_.SettingsDBName() +
                            " could not be read (" + error.Description() + ")");
  }
  FindingTally tally = TallyFindings(reported);
  last_.total = tally.total;
  last_.known = tally.known;
  last_.counts = std::move(tally.by_rule);
  last_.findings.reserve(reported.size());
  for (const ReportedFinding& r : reported) {
    const Finding& finding = *r.finding;
    last_.findings.push_back(FindingRow{r.rule, r.text, r.path, r.line, finding.binary,
                                        finding.section_line, finding.section, finding.key,
                                        finding.value, finding.hint, r.known});
  }
}

}  // namespace tarn
