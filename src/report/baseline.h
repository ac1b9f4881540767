// Baselines: the findings of an earlier run (a JSON or SARIF report of it), by fingerprint, so
// that a run tells the findings it shares with that run (known) from new ones.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "report/reported_finding.h"

namespace tarn {

class BaselineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The fingerprints of a report held in text: a JSON report (a "findings" array of objects,
// each with a string "fingerprint") or a SARIF one (a "runs" array of objects, each with a
// "results" array of objects; a result's "tarn/v1" partial fingerprint, when it has one, is a
// string). Empty text is an empty baseline: a pipe whose writer had nothing to give. Raises
// BaselineError naming what is wrong ("\"findings\" is not an array") for anything else.
std::vector<std::string> ParseBaseline(std::string_view text);

// ParseBaseline over the input at path, read with FileSystem::ReadWholeInput (at most
// max_bytes: a regular file or a pipe). Raises BaselineError, starting "the baseline PATH",
// when it cannot be read, is refused or is not a report.
std::vector<std::string> ReadBaseline(FileSystem& files, const std::string& path,
                                      std::int64_t max_bytes);

// Marks known every finding whose fingerprint the baseline holds, each fingerprint of the
// baseline matching one finding at most (equal fingerprints count as often as they occur);
// then those of the rest whose former fingerprints (ReportedFinding) it holds.
// Returns how many of the baseline's fingerprints no finding matched: the fixed findings.
std::int64_t ApplyBaseline(std::vector<ReportedFinding>& findings,
                           const std::vector<std::string>& baseline);

}  // namespace tarn
