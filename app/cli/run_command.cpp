#include "run_command.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <future>
#include <memory>
#include <thread>

#include "analysis/analysis.h"
#include "analysis/verdict.h"
#include "cli_front_end.h"
#include "log/run_stats.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "report/baseline.h"
#include "report/known_findings.h"
#include "report/report_writer.h"
#include "report/reported_finding.h"
#include "session/session.h"
#include "settings/settings.h"
#ifdef _WIN32
#include "platform/windows_text.h"
#endif

namespace tarn {

namespace {

// A log folder named on the command line is made when its parent exists, so that a run into
// a fresh "--log out" works as written; one that cannot be made is left to the log, whose
// first line then fails as for any missing folder. A folder from the settings is never made:
// it names a place the user chose once, and a typo there should show, not grow a folder.
void MakeLogFolder(FileSystem& files, std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty() || files.IdentityOf(path)) return;
  try {
    files.ReplaceFolder(path, {});
  } catch (const TarnError&) {
  }
}

// What the command line itself met that keeps the run from its job.
struct Trouble {
  std::vector<std::string> reasons;
  void Add(std::string reason) { reasons.push_back(std::move(reason)); }
};

void PrintSummary(const RunOptions& options, const Analysis* analysis, const Log* log,
                  const std::vector<ReportedFinding>& findings, std::int64_t fixed, double seconds,
                  int status, const std::vector<std::string>& reasons) {
  const FindingTally tally = TallyFindings(findings);
  const std::int64_t total = tally.total;
  const std::int64_t known = tally.known;
  std::fflush(stdout);
  if (analysis != nullptr) {
    std::fprintf(stderr, "tarn: read %lld files, %lld sections in %.2f s; %lld warnings",
                 static_cast<long long>(analysis->LastRun().files),
                 static_cast<long long>(analysis->LastRun().sections), seconds,
                 static_cast<long long>(total));
    if (options.baseline) {
      std::fprintf(stderr, " (%lld new, %lld known; %lld of the baseline fixed)",
                   static_cast<long long>(total - known), static_cast<long long>(known),
                   static_cast<long long>(fixed));
    }
    std::fprintf(stderr, "\n");
    for (const auto& [rule, count] : tally.by_rule_and_text) {
      std::fprintf(stderr, "  %s: %lld\n", rule.c_str(), static_cast<long long>(count));
    }
    std::fprintf(stderr, "  log:  %s\n  data: %s\n", log->FilePath().c_str(),
                 analysis->DataDBPath().c_str());
  }
  for (const std::string& reason : reasons) {
    std::fprintf(stderr, "tarn: exit status %d: %s\n", status, reason.c_str());
  }
  std::fflush(stderr);
}

// Makes the reports and the baseline asked for, and returns the findings as reported. Closes
// the analysis meanwhile.
std::vector<ReportedFinding> WriteReports(ReportWriter& writer, bool own_paths,
                                          const std::vector<std::string>& baseline,
                                          bool known_given, Analysis& analysis,
                                          const std::string& game, RunStats* stats,
                                          Trouble& trouble) {
  // The findings are reported and the reports made on a second thread while this one makes
  // the indexes the run left for later, then (once the findings are reported) puts them
  // into the Findings table and closes the data database. After `reported` the two threads
  // share nothing but the findings, which neither changes.
  std::vector<ReportedFinding> findings;
  // A promise rather than std::latch: the latch waits through libstdc++'s atomic wait, which in
  // GCC 12.2 can lose its wake-up where there is no futex (MinGW's build), and the run hangs.
  std::promise<void> reported_promise;
  std::future<void> reported = reported_promise.get_future();
  std::vector<std::string> failed;
  // What ended the reporter early, raised again on this thread once it is joined, where the
  // run's own handler reports it as it would any failure of the run.
  std::exception_ptr reporter_failure;
  bool reported_set = false;
  std::thread reporter([&] {
    try {
      findings = writer.Report(analysis.Findings(), game, baseline, known_given);
      reported_set = true;
      reported_promise.set_value();
      failed = writer.Write();
    } catch (...) {
      reporter_failure = std::current_exception();
      // The closing on this side waits for the findings: it must not wait for ever.
      if (!reported_set) reported_promise.set_value();
    }
  });
  // Should the closing fail, the reporter is still joined before its thread object goes.
  struct Join {
    std::thread& thread;
    ~Join() {
      if (thread.joinable()) thread.join();
    }
  } join{reporter};
  // Paths relative to the game folder are what the Findings table holds: where the reports'
  // findings are such, it takes them as they are.
  analysis.Close([&]() -> const std::vector<ReportedFinding>* {
    StatsScope measure(stats, RunStats::kReporting);
    reported.wait();
    return own_paths ? &findings : nullptr;
  });
  {
    StatsScope measure(stats, RunStats::kReporting);
    reporter.join();
  }
  if (reporter_failure) std::rethrow_exception(reporter_failure);
  for (std::string& reason : failed) trouble.Add(std::move(reason));
  return findings;
}

SessionCommand CommandNamed(const std::string& word) {
  if (word == "init-db") return SessionCommand::kInitDB;
  if (word == "all") return SessionCommand::kAll;
  if (word == "refs") return SessionCommand::kRefs;
  return SessionCommand::kDump;
}

}  // namespace

int RunCommands(const RunOptions& options) {
  ReportOrders orders{
      {}, options.write_baseline, options.report_root.value_or(""), options.report_known};
  bool report_to_stdout = false;
  for (const std::string& text : options.reports) {
    ReportOrder order;
    std::string why;
    if (!ParseReportOrder(text, order, why)) {
      std::fprintf(stderr, "tarn: %s\n", why.c_str());
      return kExitUsage;
    }
    report_to_stdout = report_to_stdout || order.file == "-";
    orders.reports.push_back(order);
  }
  std::vector<std::string> baseline;
  if (options.baseline) {
    try {
      RealFileSystem input;
      baseline = ReadBaseline(input, *options.baseline, options.max_file_size);
    } catch (const BaselineError& error) {
      std::fprintf(stderr, "tarn: --baseline: %s\n", error.what());
      return kExitUsage;
    }
  }

  const auto start = std::chrono::steady_clock::now();
  RunStats stats;
  // A report on standard output leaves it to the report alone.
  CliFrontEnd front_end(options.quiet || report_to_stdout, options.stats ? &stats : nullptr);
  struct StatsReport {
    bool wanted;
    const RunStats& stats;
    ~StatsReport() {
      if (wanted) std::fprintf(stderr, "%s\n", stats.Report().c_str());
    }
  } stats_report{options.stats, stats};
  RealFileSystem files;
  ReportWriter writer(files, stdout, std::move(orders));
  Settings settings(front_end);
  std::unique_ptr<Session> session;
  bool all_before_init = false;
  Trouble trouble;
  int status = kExitFinished;
  try {
    settings.SetSettingsDBName(JoinPath(options.home, kSettingsDBFile));
    UserSettings& values = settings.Values();
    if (options.game) values.SetKVPath(*options.game);
    if (options.log) values.SetLogPath(*options.log);
#ifdef _WIN32
    // tarn.log names the game's files in the game's code page, as the game itself does; a
    // folder whose path that code page cannot write is refused before anything is done.
    for (const auto& [what, folder] :
         {std::pair{"game", values.KVPath()}, std::pair{"log", values.LogPath()}}) {
      if (!FitsGameCodePage(folder)) {
        std::fprintf(stderr,
                     "tarn: the %s folder %s has characters outside the game's code page "
                     "(Windows-1252), in which tarn.log names files: use a folder whose path "
                     "has none\n",
                     what, folder.c_str());
        return kFatalStatus;
      }
    }
#endif
    if (!options.overwrite && !options.append && !values.OverwriteFitsCheckBox()) {
      // The window cannot start with such a flag, and the command line stands for it.
      std::fprintf(stderr, "tarn: stored OverwriteLog %s is not 0, 1 or 2\n",
                   values.OverwriteLog().c_str());
      return kFatalStatus;
    }
    bool ticked = values.OverwriteFlag() != 0;
    if (options.overwrite) ticked = true;
    if (options.append) ticked = false;
    session = std::make_unique<Session>(settings, front_end, files, options.home);
    Analysis& analysis = session->GetAnalysis();
    // The guards of every command word, before any of them runs.
    std::vector<SessionCommand> commands;
    for (const std::string& word : options.commands) commands.push_back(CommandNamed(word));
    std::string why;
    switch (session->CheckSetup(commands, why)) {
      case Refusal::kNoLogFolder:
        std::fprintf(stderr, "tarn: %s: give one with --log\n", why.c_str());
        return kFatalStatus;
      case Refusal::kNoGameFolder:
        std::fprintf(stderr, "tarn: %s: give one with --game\n", why.c_str());
        return kFatalStatus;
      default:
        break;
    }
    // Nothing the run writes for the user may replace what it owns or reads; refused before
    // the run, as a mistyped option is.
    const std::string refused =
        writer.Refusal({options.home, values.LogPath(), values.KVPath(), options.baseline});
    if (!refused.empty()) {
      std::fprintf(stderr, "tarn: %s\n", refused.c_str());
      return kExitUsage;
    }
    if (options.log) MakeLogFolder(files, *options.log);
    AnalysisOptions analysis_options;
    analysis_options.follow_links = options.follow_links;
    analysis_options.limits.file_size = options.max_file_size;
    analysis.SetOptions(analysis_options);
    // The Findings table and the indexes are made while the reports are, at the end; the
    // reports are made from the analysis's findings, not from rows of an account.
    analysis.DeferToClose(true);
    session->ListFindings(false);

    bool first = true;
    for (const SessionCommand command : commands) {
      // The window keeps "All" disabled until an "Init DB" has succeeded; the command line
      // runs it as the window's button pressed before any "Init DB", and says so.
      if (command == SessionCommand::kAll && session->AllPressedEarly()) all_before_init = true;
      const CommandAccount& account = session->Run(command, ticked);
      if (account.ending == CommandAccount::Ending::kRefused) {
        if (first && account.refusal == Refusal::kFolderBusy) {
          // Another run holds the home or the log folder: nothing of this run has happened.
          std::fprintf(stderr, "tarn: %s\n", account.reasons.front().c_str());
          return kFatalStatus;
        }
        status = kFatalStatus;
        trouble.Add(account.reasons.front());
        break;
      }
      first = false;
    }
  } catch (const ProgramEnd& end) {
    status = end.status;
    if (session == nullptr) return status;  // the settings failed: their message is shown
    trouble.Add("the run ended on a fatal error" + (front_end.LastErrorBlock().empty()
                                                        ? std::string(": see the log")
                                                        : ":\n" + front_end.LastErrorBlock()));
  }
  // The known findings installed with the rules are known as if the baseline held them too.
  std::vector<std::string> installed;
  try {
    installed = ReadKnownFindings(settings.SettingsDB());
  } catch (const TarnError& error) {
    trouble.Add("the known findings of " + settings.SettingsDBName() + " could not be read (" +
                error.Description() + ")");
  }
  baseline.insert(baseline.end(), installed.begin(), installed.end());
  Analysis& analysis = session->GetAnalysis();
  const bool known_given = options.baseline.has_value() || !installed.empty();
  const std::vector<ReportedFinding> findings =
      WriteReports(writer, !options.report_root, baseline, known_given, analysis,
                   settings.Values().KVPath(), options.stats ? &stats : nullptr, trouble);
  const std::int64_t fixed = writer.Fixed();
  settings.Discard();
  for (std::string& reason : session->Troubles()) trouble.Add(std::move(reason));
  const Verdict verdict = Judge(findings, trouble.reasons);
  // A fatal end keeps its own status.
  if (status == kExitFinished) status = verdict.status;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  PrintSummary(options, &analysis, &analysis.GetLog(), findings, fixed, seconds, status,
               verdict.reasons);
  if (all_before_init) {
    std::fprintf(stderr, "tarn: \"all\" ran before any \"init-db\": run init-db first\n");
  }
  return status;
}

}  // namespace tarn
