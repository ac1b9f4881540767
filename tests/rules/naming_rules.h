// What the tests of the rule text and of the rule tables share: a rule set whose positions
// name objects defined elsewhere (one or more kinds each, odd names quoted), and the reading
// of rule text into a rule set.
#pragma once

#include <string>

#include "rules/rule_text.h"

namespace tarn::testing {

// text read as the rule file "t.rules".
inline RuleSet Parse(const std::string& text) {
  RuleSet rules;
  ParseRuleText(text, "t.rules", rules);
  return rules;
}

inline constexpr const char* kNamingRules =
    "[Gun]\n"
    "nickname #1 = String\n"
    "[\" Odd, Kind \"]\n"
    "\"my key\" #2 = String, Whole\n"
    "[Loadout]\n"
    "nickname #3 = String\n"
    "equip #4 multiline = item:String -> [Gun]nickname | [\" Odd, Kind \"]\"my key\", "
    "*String -> [Loadout]nickname\n"
    "[\"Tabbed\t\"]\n"
    "k #5 = Long\n"
    "\"carriage\rreturn\" #6 = Long\n";

}  // namespace tarn::testing
