// How a run ended, as an exit status and in words: the account the command line gives after
// its commands, and the window after a run.
#pragma once

#include <string>
#include <vector>

#include "report/reported_finding.h"

namespace tarn {

class Analysis;

inline constexpr int kStatusClean = 0;     // the whole log written, nothing new found
inline constexpr int kStatusFindings = 1;  // something new found
inline constexpr int kStatusTrouble = 3;   // the run could not do its job

struct Verdict {
  int status = kStatusClean;
  std::vector<std::string> reasons;  // why the status is 3
};

// The verdict on the runs of analysis with these findings (a baseline's known ones do not
// count) and the troubles the front end met itself (a fatal end, a report not written).
Verdict Judge(const Analysis& analysis, const std::vector<ReportedFinding>& findings,
              std::vector<std::string> troubles = {});
// The same for a front end that gathered every reason itself.
Verdict Judge(const std::vector<ReportedFinding>& findings, std::vector<std::string> reasons);

}  // namespace tarn
