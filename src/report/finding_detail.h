// What a finding is about, in one line of the game's code page 1252: the detail that follows
// the rule in the text, GitHub and SARIF reports.
#pragma once

#include <string>

#include "report/reported_finding.h"

namespace tarn {

// "enrgy_damage = 24 [Munition]; did you mean `energy_damage`?". An unknown name lists at most
// three of the kinds it may name, then how many more. AppendFindingDetail appends the same
// text to out, for the formats that build their lines in one buffer.
std::string FindingDetail(const ReportedFinding& finding);
void AppendFindingDetail(const ReportedFinding& finding, std::string& out);

}  // namespace tarn
