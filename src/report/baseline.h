// Baselines: the findings of an earlier run (a JSON or SARIF report of it), by fingerprint, so
// that a run tells the findings it shares with that run (known) from new ones.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "report/reported_finding.h"

namespace tarn {

class BaselineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The fingerprints of the report at path, a JSON report ("findings") or a SARIF one (the
// results of its runs). Raises BaselineError when it cannot be read or is neither.
std::vector<std::string> ReadBaseline(const std::string& path);

// Marks known every finding whose fingerprint the baseline holds, each fingerprint of the
// baseline matching one finding at most (equal fingerprints count as often as they occur).
// Returns how many of the baseline's fingerprints no finding matched: the fixed findings.
std::int64_t ApplyBaseline(std::vector<ReportedFinding>& findings,
                           const std::vector<std::string>& baseline);

}  // namespace tarn
