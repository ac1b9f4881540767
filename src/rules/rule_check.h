// Checking a rule set before it replaces the rules of a settings database.
#pragma once

#include "rules/rule_set.h"

namespace tarn {

// Builds the rule library from rules with the very calls the rule loader makes, so that a
// rule set that passes here also loads, and checks that every entry rule's identifier is
// used once and that every object kind a position names is defined by the rule set (its
// section and entry rules exist, and the entry's first position is a String). Raises
// RuleSourceError with the file and line of the first fault.
void CheckRuleSet(const RuleSet& rules);

}  // namespace tarn
