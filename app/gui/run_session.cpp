#include "run_session.h"

#include <algorithm>
#include <span>
#include <utility>

#include "analysis/analysis.h"
#include "folder_picker.h"
#include "qt_front_end.h"
#include "report/reported_finding.h"
#include "shell/folder_lock.h"
#include "shell/user_settings.h"

namespace tarn::gui {

namespace {

constexpr const char* kGameFolderHint =
    "Set KV Path to the game folder: the one that holds EXE/kestrovar.ini.";

}  // namespace

RunSession::RunSession(Analysis& analysis, const UserSettings& settings, std::string home)
    : analysis_(analysis), settings_(settings), home_(std::move(home)) {}

RunSession::~RunSession() = default;

CommandSet RunSession::Commands() {
  CommandSet commands;
  commands.init_db = [this] { return InitDB(); };
  commands.all = [this](bool ticked) { All(ticked); };
  commands.dump = [this](bool ticked) { Dump(ticked); };
  commands.refs = [this] { Refs(); };
  commands.choose_folder = [](QWidget* owner, const QString& start) {
    return PickFolder(owner, start);
  };
  commands.end_program = [this](int status) { EndAtOnce(&analysis_, status); };
  return commands;
}

bool RunSession::Begin(Command command) {
  last_ = CommandAccount{};
  last_.command = command;
  start_ = std::chrono::steady_clock::now();
  analysis_.ForgetTroubles();
  // A command that ended the program in a test left its lock behind; a second lock of the
  // same folder in one process would count as another run's.
  log_lock_.reset();
  // Setups that would read the root of the file system, or log into whatever folder the
  // program was started in, are refused before anything is done, as on the command line.
  if (settings_.LogPath().empty()) {
    return Refuse("no log folder is set", "Set Log Path to the folder for tarn.log.");
  }
  if (command == Command::kAll && settings_.KVPath().empty()) {
    return Refuse("no game folder is set", kGameFolderHint);
  }
  std::string why;
  // "Init DB" and "All" write KV.MDB, which stays open until the window goes: the home is
  // this window's from then on.
  if (command != Command::kDump && home_lock_ == nullptr) {
    home_lock_ = FolderLock::TakeOrSay(home_, "home", "home folder", why);
  }
  if (why.empty()) log_lock_ = FolderLock::TakeOrSay(settings_.LogPath(), "log", "log folder", why);
  if (why.empty()) return true;
  return Refuse(std::move(why), "Wait until the other run has ended, or choose another folder.");
}

bool RunSession::Refuse(std::string reason, std::string hint) {
  last_.ending = CommandAccount::Ending::kRefused;
  last_.reasons.push_back(std::move(reason));
  last_.hints.push_back(std::move(hint));
  return false;
}

void RunSession::End() {
  log_lock_.reset();
  last_.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  for (std::string& reason : analysis_.Troubles()) last_.reasons.push_back(std::move(reason));
  if (analysis_.GetLog().LostLines()) {
    last_.hints.push_back("Set Log Path to a folder that exists and that you may write to.");
  }
}

bool RunSession::InitDB() {
  if (!Begin(Command::kInitDB)) return all_enabled_;
  all_enabled_ = analysis_.InitDB();
  init_succeeded_ = all_enabled_;
  last_.init_failed = !all_enabled_;
  End();
  return all_enabled_;
}

void RunSession::All(bool overwrite_ticked) {
  if (!Begin(Command::kAll)) return;
  const std::size_t before = analysis_.Findings().size();
  last_.game = settings_.KVPath();
  analysis_.RunAll(overwrite_ticked);
  const RunOutcome& run = analysis_.LastRun();
  last_.ending =
      run.cancelled ? CommandAccount::Ending::kCancelled : CommandAccount::Ending::kFinished;
  last_.files = run.files;
  last_.sections = run.sections;
  all_findings_from_ = before;
  TakeFindings(before);
  if (!run.main_file_read) {
    last_.hints.push_back(kGameFolderHint);
  }
  End();
}

void RunSession::Dump(bool overwrite_ticked) {
  if (!Begin(Command::kDump)) return;
  analysis_.RunDumpRules(overwrite_ticked);
  End();
}

void RunSession::Refs() {
  if (!Begin(Command::kRefs)) return;
  last_.game = settings_.KVPath();
  analysis_.RunRefs();
  TakeFindings(all_findings_from_);
  End();
}

void RunSession::TakeFindings(std::size_t first) {
  const std::vector<Finding>& all = analysis_.Findings();
  first = std::min(first, all.size());
  const std::span<const Finding> found(all.data() + first, all.size() - first);
  for (const ReportedFinding& reported : ReportFindings(found, {last_.game, {}})) {
    const Finding& finding = *reported.finding;
    last_.findings.push_back(FindingRow{reported.rule, reported.text, reported.path, reported.line,
                                        finding.binary, finding.section_line, finding.section,
                                        finding.key, finding.value, finding.hint});
    ++last_.counts[reported.rule];
  }
}

void RunSession::RequestCancel() { analysis_.RequestCancel(); }

std::string CountsText(const CommandAccount& account) {
  std::string text;
  for (const auto& [rule, count] : account.counts) {
    if (!text.empty()) text += ", ";
    text += rule + ": " + std::to_string(count);
  }
  return text;
}

}  // namespace tarn::gui
