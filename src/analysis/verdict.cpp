#include "analysis/verdict.h"

#include "analysis/analysis.h"

namespace tarn {

Verdict Judge(const Analysis& analysis, const std::vector<ReportedFinding>& findings,
              std::vector<std::string> troubles) {
  for (std::string& reason : analysis.Troubles()) troubles.push_back(std::move(reason));
  return Judge(findings, std::move(troubles));
}

Verdict Judge(const std::vector<ReportedFinding>& findings, std::vector<std::string> reasons) {
  Verdict verdict;
  verdict.reasons = std::move(reasons);
  if (!verdict.reasons.empty()) {
    verdict.status = kStatusTrouble;
    return verdict;
  }
  for (const ReportedFinding& finding : findings) {
    if (!finding.known) verdict.status = kStatusFindings;
  }
  return verdict;
}

}  // namespace tarn
