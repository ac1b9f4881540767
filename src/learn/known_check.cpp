#include "learn/known_check.h"

#include "platform/error.h"
#include "platform/file_system.h"
#include "report/formats.h"
#include "report/json_text.h"
#include "report/reported_finding.h"
#include "rules/rule_tables.h"
#include "settings/settings.h"

namespace tarn {

namespace {

// A settings database is small; this only keeps a damaged one from filling memory.
constexpr std::int64_t kSettingsDBLimit = std::int64_t{1} << 30;

// The scratch folder, removed when the check ends whichever way.
struct Scratch {
  FileSystem& files;
  const std::string path;
  ~Scratch() { files.RemoveScratchFolder(path); }
};

}  // namespace

RemainingFindings CheckWithRules(Settings& settings, FrontEnd& front_end, FileSystem& files,
                                 const RuleSet& rules, const AnalysisOptions& options) {
  const Scratch home{files, files.MakeScratchFolder()};
  const std::string db_path = JoinPath(home.path, kSettingsDBFile);
  // A copy keeps the user's own settings rows (and whatever else the walk reads there), so
  // that the check differs from a run of the user's only in its rules.
  files.WriteWholeFile(db_path, files.ReadWholeInput(settings.SettingsDBName(), kSettingsDBLimit));

  Settings own(front_end);
  own.SetSettingsDBName(db_path);
  own.Values().SetKVPath(settings.Values().KVPath());
  own.Values().SetLogPath(home.path);
  // Without known findings: every finding that remains is to be kept.
  ImportRuleTables(own.SettingsDB(), rules);

  RemainingFindings remaining;
  {
    Analysis analysis(own, front_end, files, home.path);
    analysis.SetOptions(options);
    if (analysis.InitDB()) {
      analysis.RunAll(true);
      analysis.RunRefs();
    }
    const ReportPlace place{own.Values().KVPath(), ""};
    const std::vector<ReportedFinding> findings = ReportFindings(analysis.Findings(), place);
    for (const ReportedFinding& finding : findings) {
      remaining.fingerprints.push_back(finding.fingerprint);
    }
    remaining.report = FormatReport(ReportFormat::kJson, findings, {place});
  }
  own.Discard();
  return remaining;
}

std::string WithKeptFingerprints(std::string report, const std::vector<std::string>& more) {
  constexpr std::string_view kEnd = "\n  ]\n}\n";
  if (more.empty() || !report.ends_with(kEnd)) return report;
  report.resize(report.size() - kEnd.size());
  bool first = report.ends_with("[");
  for (const std::string& fingerprint : more) {
    report += first ? "\n" : ",\n";
    first = false;
    report += "    {\"fingerprint\": ";
    AppendJsonString(report, fingerprint);
    report += ", \"baselineState\": \"unchanged\"}";
  }
  report += kEnd;
  return report;
}

}  // namespace tarn
