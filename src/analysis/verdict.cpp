#include "analysis/verdict.h"

#include "analysis/analysis.h"

namespace tarn {

Verdict Judge(const Analysis& analysis, const std::vector<ReportedFinding>& findings,
              std::vector<std::string> troubles) {
  Verdict verdict;
  verdict.reasons = std::move(troubles);
  for (std::string& reason : analysis.Troubles()) verdict.reasons.push_back(std::move(reason));
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
