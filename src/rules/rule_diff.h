// What changed between two rule sets: what a game update changed in the rules learned from it,
// and so what a mod that relied on the old rules may have lost.
#pragma once

#include <string>
#include <vector>

#include "rules/rule_set.h"

namespace tarn {

// One line per change, sections and keys matched by name letter case aside: the dropped
// sections first, then the sections of the newer set in its order, each with its dropped keys
// first, then its keys in order:
//   "+ [Ship]"                              a section added
//   "- [Gun]"                               a section dropped
//   "+ [Ship] hit_pts"                      a key added
//   "- [Ship] hp"                           a key dropped
//   "~ [Ship] mass: value 1 Long -> Double (widened)"
//   "~ [Ship] mass: 2 fixed values -> 3", "~ [Ship] mass: multiline gained (widened)"
//   "~ [Loadout] equip: value 1 refers to [Mine]nickname too"
//   "~ [Loadout] equip: value 1 refers to [Gun]nickname no more"
// Identifiers and index numbers are not compared: learning keeps or makes them, and a check
// does not depend on them. Empty when the sets agree.
std::vector<std::string> DiffRuleSets(const RuleSet& older, const RuleSet& newer);

}  // namespace tarn
