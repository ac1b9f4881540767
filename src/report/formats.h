// The report formats of a run's findings: SARIF 2.1.0 for code scanning, a documented JSON
// object, compiler-style text lines, and GitHub workflow annotations.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/reported_finding.h"

namespace tarn {

enum class ReportFormat { kSarif, kJson, kText, kGithub };

// The format named "sarif", "json", "text" or "github"; nullopt for any other name.
std::optional<ReportFormat> ReportFormatNamed(const std::string& name);

struct ReportRun {
  ReportPlace place;
  bool baseline = false;   // a baseline was given: findings are new or known
  std::int64_t fixed = 0;  // findings of the baseline the run no longer has
  // Whether text and github list the known findings too (whatever made them known); when
  // not, they list the new ones and end with a line saying how many known ones they left out,
  // so that a reviewer sees what a change brought. SARIF and JSON always hold every finding.
  bool list_known = false;
};

// The whole report text in format.
std::string FormatReport(ReportFormat format, const std::vector<ReportedFinding>& findings,
                         const ReportRun& run);

}  // namespace tarn
