// The rule set as JSON: what `tarn rules export --json` prints, so that scripts read rules
// through TARN's own reader instead of parsing rule sources or reports.
//
//   {"sections": [{"name": "Ship", "file": "ships.rules", "line": 2, "entries": [
//     {"key": "nickname", "id": 2001, "idx": 1, "fixed": 1, "varargs": false,
//      "multiline": false, "mandatory": true, "flag": null, "line": 3, "values": [
//       {"name": "nickname", "type": "String", "tail": false,
//        "refers_to": [{"section": "Gun", "key": "nickname", "local": false}]}]}]}]}
//
// Sections, entries and positions keep the rule set's order and each object its keys in the
// order above, so the same rules always give the same text. "name" is null for an unnamed
// position; "type" is the word a rule source uses ("Whole" included; a number for an unknown
// code); "flag" is "bare", "valued" or null; "line" is 0 for rules read from a database.
// Texts are converted from the game's code page to UTF-8.
#pragma once

#include <string>

#include "rules/rule_set.h"

namespace tarn {

// The JSON text of rules, one object per line of its sections, ending in a newline.
std::string RuleSetJson(const RuleSet& rules);

}  // namespace tarn
