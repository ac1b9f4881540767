#include "run_command.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cerrno>
#include <future>
#include <map>
#include <memory>
#include <thread>

#include "analysis/analysis.h"
#include "analysis/verdict.h"
#include "cli_front_end.h"
#include "report/baseline.h"
#include "report/formats.h"
#include "report/reported_finding.h"
#include "report/written_paths.h"
#include "settings/settings.h"
#include "shell/error.h"
#include "shell/file_system.h"
#include "shell/folder_lock.h"
#include "shell/run_stats.h"
#ifdef _WIN32
#include "shell/windows_text.h"
#endif

namespace tarn {

namespace {

struct Report {
  ReportFormat format;
  std::string file;  // "-": standard output
};

// Reads "FORMAT=FILE"; false, with the reason, for anything else.
bool ParseReport(const std::string& text, Report& report, std::string& why) {
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos || equals + 1 == text.size()) {
    why = "--report wants FORMAT=FILE, not \"" + text + "\"";
    return false;
  }
  auto format = ReportFormatNamed(text.substr(0, equals));
  if (!format) {
    why = "--report: no format \"" + text.substr(0, equals) + "\" (sarif, json, text, github)";
    return false;
  }
  report = {*format, text.substr(equals + 1)};
  return true;
}

// Writes a report whole (see FileSystem::WriteWholeFile), or to standard output for "-".
// Returns the reason it could not, empty when it was written.
std::string WriteFile(FileSystem& files, const std::string& path, const std::string& text) {
  if (path == "-") {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? std::string() : SystemErrorText(errno);
  }
  try {
    files.WriteWholeFile(path, text);
  } catch (const TarnError& error) {
    return error.Description();
  }
  return {};
}

// What the command line itself met that keeps the run from its job.
struct Trouble {
  std::vector<std::string> reasons;
  void Add(std::string reason) { reasons.push_back(std::move(reason)); }
};

void PrintSummary(const RunOptions& options, const Analysis* analysis, const Log* log,
                  const std::vector<ReportedFinding>& findings, std::int64_t fixed, double seconds,
                  int status, const std::vector<std::string>& reasons) {
  std::int64_t known = 0;
  std::map<std::string, std::int64_t> by_rule;
  for (const ReportedFinding& finding : findings) {
    known += finding.known ? 1 : 0;
    ++by_rule[finding.rule + " " + finding.text];
  }
  const std::int64_t total = static_cast<std::int64_t>(findings.size());
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
    for (const auto& [rule, count] : by_rule) {
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

// Writes the reports and the baseline asked for, and returns the findings as reported, with
// how many of the baseline's are fixed. Closes the analysis meanwhile.
std::vector<ReportedFinding> WriteReports(const RunOptions& options,
                                          const std::vector<Report>& reports,
                                          const std::vector<std::string>& baseline,
                                          Analysis& analysis, FileSystem& files,
                                          const std::string& game,
                                          RunStats* stats, std::int64_t& fixed, Trouble& trouble) {
  const ReportPlace place{game, options.report_root.value_or("")};
  // Paths relative to the game folder are what the Findings table and a baseline hold; a
  // baseline written also leaves out what the baseline read marked as known. Where the
  // reports' findings are such, both take them as they are.
  const bool own_paths = place.root.empty();
  const bool baseline_as_reported = own_paths && !options.baseline;
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
  std::thread reporter([&] {
    findings = ReportFindings(analysis.Findings(), place);
    fixed = ApplyBaseline(findings, baseline);
    reported_promise.set_value();
    const ReportRun run{place, options.baseline.has_value(), fixed};
    for (const Report& report : reports) {
      const std::string why = WriteFile(files, report.file, FormatReport(report.format, findings, run));
      if (!why.empty()) {
        failed.push_back("the report " + report.file + " could not be written (" + why + ")");
      }
    }
    if (options.write_baseline) {
      const ReportPlace own_place{game, ""};
      const std::vector<ReportedFinding> own = baseline_as_reported
                                                   ? std::vector<ReportedFinding>()
                                                   : ReportFindings(analysis.Findings(), own_place);
      const std::string why =
          WriteFile(files, *options.write_baseline,
                    FormatReport(ReportFormat::kJson, baseline_as_reported ? findings : own,
                                 {own_place}));
      if (!why.empty()) {
        failed.push_back("the baseline " + *options.write_baseline + " could not be written (" +
                         why + ")");
      }
    }
  });
  analysis.Close([&]() -> const std::vector<ReportedFinding>* {
    StatsScope measure(stats, RunStats::kReporting);
    reported.wait();
    return own_paths ? &findings : nullptr;
  });
  {
    StatsScope measure(stats, RunStats::kReporting);
    reporter.join();
  }
  for (std::string& reason : failed) trouble.Add(std::move(reason));
  return findings;
}

}  // namespace

int RunCommands(const RunOptions& options) {
  std::vector<Report> reports;
  bool report_to_stdout = false;
  for (const std::string& text : options.reports) {
    Report report;
    std::string why;
    if (!ParseReport(text, report, why)) {
      std::fprintf(stderr, "tarn: %s\n", why.c_str());
      return kExitUsage;
    }
    report_to_stdout = report_to_stdout || report.file == "-";
    reports.push_back(report);
  }
  std::vector<std::string> baseline;
  if (options.baseline) {
    try {
      baseline = ReadBaseline(*options.baseline);
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
  Settings settings(front_end);
  std::unique_ptr<FolderLock> home_lock, log_lock;
  std::unique_ptr<Analysis> analysis;
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
    for (const auto& [what, folder] : {std::pair{"game", values.KVPath()},
                                       std::pair{"log", values.LogPath()}}) {
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
    // Setups that would read the root of the file system, or log into whatever folder the
    // program was started in, are refused before anything is done.
    const bool reads_game = std::find(options.commands.begin(), options.commands.end(), "all") !=
                            options.commands.end();
    if (values.LogPath().empty()) {
      std::fprintf(stderr, "tarn: no log folder is set: give one with --log\n");
      return kFatalStatus;
    }
    if (reads_game && values.KVPath().empty()) {
      std::fprintf(stderr, "tarn: no game folder is set: give one with --game\n");
      return kFatalStatus;
    }
    // Nothing the run writes for the user may replace what it owns or reads; refused before
    // the run, as a mistyped option is.
    std::vector<std::string> written;
    for (const Report& report : reports) written.push_back(report.file);
    if (options.write_baseline) written.push_back(*options.write_baseline);
    const std::string refused = CheckWrittenPaths(
        files, {options.home, values.LogPath(), values.KVPath(), options.baseline}, written);
    if (!refused.empty()) {
      std::fprintf(stderr, "tarn: will not write %s\n", refused.c_str());
      return kExitUsage;
    }
    // One run at a time writes a home's KV.MDB and a log folder's tarn.log.
    const bool writes_data =
        std::any_of(options.commands.begin(), options.commands.end(),
                    [](const std::string& command) { return command != "dump"; });
    std::string why;
    if (writes_data) home_lock = FolderLock::TakeOrSay(options.home, "home", "home folder", why);
    if (why.empty()) log_lock = FolderLock::TakeOrSay(values.LogPath(), "log", "log folder", why);
    if (!why.empty()) {
      std::fprintf(stderr, "tarn: %s\n", why.c_str());
      return kFatalStatus;
    }
    analysis = std::make_unique<Analysis>(settings, front_end, files, options.home);
    AnalysisOptions analysis_options;
    analysis_options.follow_links = options.follow_links;
    analysis_options.limits.file_size = options.max_file_size;
    analysis->SetOptions(analysis_options);
    // The Findings table and the indexes are made while the reports are, at the end.
    analysis->DeferToClose(true);

    bool all_enabled = true;  // the window's "All" starts enabled, before any "Init DB"
    for (const std::string& command : options.commands) {
      if (command == "init-db") {
        all_enabled = analysis->InitDB();
      } else if (command == "all") {
        if (!all_enabled) {
          status = kFatalStatus;
          trouble.Add("\"All\" is disabled: the last \"Init DB\" failed");
          break;
        }
        analysis->RunAll(ticked);
      } else if (command == "refs") {
        analysis->RunRefs();
      } else {
        analysis->RunDumpRules(ticked);
      }
    }
  } catch (const ProgramEnd& end) {
    status = end.status;
    if (analysis == nullptr) return status;  // the settings failed: their message is shown
    trouble.Add("the run ended on a fatal error" + (front_end.LastErrorBlock().empty()
                                                        ? std::string(": see the log")
                                                        : ":\n" + front_end.LastErrorBlock()));
  }
  std::int64_t fixed = 0;
  const std::vector<ReportedFinding> findings =
      WriteReports(options, reports, baseline, *analysis, files, settings.Values().KVPath(),
                   options.stats ? &stats : nullptr, fixed, trouble);
  settings.Discard();
  const Verdict verdict = Judge(*analysis, findings, trouble.reasons);
  // A fatal end keeps its own status.
  if (status == kExitFinished) status = verdict.status;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  PrintSummary(options, analysis.get(), &analysis->GetLog(), findings, fixed, seconds, status,
               verdict.reasons);
  return status;
}

}  // namespace tarn
