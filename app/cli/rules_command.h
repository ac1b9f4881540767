// `tarn [--home DIR] rules export DIR`, `rules import DIR` and `rules restore`: the rule set of
// a settings database as editable text sources, back, and back to what an import replaced.
#pragma once

#include <cstdint>
#include <string>

namespace tarn {

// Writes the rule set of TARN.MDB into folder (made when missing), each file whole, and the
// installed known findings beside it (known-findings.json, none installed included). Exit
// status: 0 done; 3 TARN.MDB could not be read or a file could not be written (the reason on
// standard error). Prints nothing else.
int ExportRules(const std::string& home, const std::string& folder);

// Prints the rule set as JSON (rules/rule_json.h) on standard output: that of TARN.MDB, or,
// when from is not empty, that of the rule sources in the folder from, checked as ImportRules
// checks them. Exit status: 0 printed; 1 a fault in a rule file (its file and line on
// standard error); 3 TARN.MDB, the folder or a file cannot be read, or the folder holds no
// rules. Nothing is printed on standard output unless the status is 0.
int PrintRulesJson(const std::string& home, const std::string& from);

// Replaces the rule set of TARN.MDB, in one transaction, by the rule files of folder when they
// are complete and pass the rule loader's checks, and keeps the rule set it replaced for
// RestoreRules, with the known findings of the folder's known-findings.json (none without it);
// prints "N sections, M keys, R references from K files" to standard output, and ", F known
// findings" when the folder has some. A known findings file that is not a report is a fault
// (1), one that cannot be read a 3.
// Exit status: 0 done; 1 a fault in a rule file (its file and line on standard error);
// 3 the folder or a file cannot be read, the folder holds no rule file or its files define no
// section ("no rule files in DIR"), another run holds the home folder, or TARN.MDB cannot be
// written. TARN.MDB is unchanged unless the status is 0.
int ImportRules(const std::string& home, const std::string& folder);

// Puts back the rule set that the last import replaced, once, and prints "restored N
// sections, M keys, R references". Exit status: 0 done; 3 nothing is kept (said so), another
// run holds the home folder, or TARN.MDB cannot be read or written.
int RestoreRules(const std::string& home);

// `tarn rules accept REPORT`: adds the findings of a JSON or SARIF report (at most max_bytes)
// to the known findings installed in TARN.MDB, under the home lock, and prints "added N
// known findings" (those not installed already). Exit status: 0 done; 2 the report is not
// one, or too large; 3 it cannot be read, another run holds the home folder, or TARN.MDB
// cannot be written.
int AcceptReport(const std::string& home, const std::string& report, std::int64_t max_bytes);

}  // namespace tarn
