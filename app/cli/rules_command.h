// `tarn [--home DIR] rules export DIR | import DIR | restore | accept REPORT` and
// `tarn [--home DIR] [--game DIR] rules learn [--merge] [--duplicate-names P]
// [--unknown-names P] OUTDIR`: the session's rule commands (session.h, rule_request.h) on the
// command line.
#pragma once

#include <string>

#include "session/rule_request.h"

namespace tarn {

// Runs request's rule command on the home, prints what it says when done to standard output
// (import: "N sections, M keys, R references from K files" and ", F known findings" when it
// installed some; restore: "restored N sections, M keys, R references"; accept: "added N known
// findings"; learn: the learning report) and why it failed to standard error, as
// "tarn: rules WORD: REASON". Returns the command's exit status: 0 done; 1 (import) a fault in
// a rule file or a known findings file that is no report; 2 (accept) a report that is none or
// too large; 3 the rest, another run holding the home folder included. TARN.MDB and the
// learned folder are unchanged unless it is 0. Nothing is ever written to the settings.
int RunRuleCommand(const std::string& home, const RuleRequest& request);

// Prints the rule set as JSON (rules/rule_json.h) on standard output: that of TARN.MDB, or,
// when from is not empty, that of the rule sources in the folder from, checked as ImportRules
// checks them. Exit status: 0 printed; 1 a fault in a rule file (its file and line on
// standard error); 3 TARN.MDB, the folder or a file cannot be read, or the folder holds no
// rules. Nothing is printed on standard output unless the status is 0.
int PrintRulesJson(const std::string& home, const std::string& from);

}  // namespace tarn
