// Turning what the learner saw into rules: the tightest rule set that takes every line of the
// folder and stores every value without losing any of it, either from scratch (the reference
// entry rules alone) or on top of the installed rule set (merge: keep what the folder agrees
// with, widen where it does not, never narrow).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "learn/name_references.h"
#include "learn/observations.h"
#include "rules/rule_set.h"

namespace tarn {

// The key of the entry rule a section rule gets when the folder holds it only without keys:
// the rule query shows a section only through its entries. No line of a game file can have
// this key, since ";" starts a comment there.
inline constexpr const char* kPlaceholderKey = ";";

// One rule of the result against the rule set learning started from.
struct RuleChange {
  enum class Kind { kAdded, kWidened, kUnchanged };
  Kind kind = Kind::kAdded;
  std::string section;
  std::string key;  // empty for a section rule
  std::string how;  // what widened, for kWidened
};

// A position typed String because a few of its values are written otherwise than the rest.
struct OddPosition {
  std::string section;
  std::string key;
  std::size_t position = 0;              // 1-based; 0 for the variable tail
  Candidate candidate = kLongCandidate;  // the type the rest of the values have
  std::int64_t values = 0;
  std::int64_t odd_count = 0;
  std::vector<OddValue> odd;
};

struct LearnedRules {
  RuleSet rules;
  std::vector<RuleChange> changes;
  std::vector<OddPosition> odd_positions;
  std::vector<LearnedReference> references;  // positions learned to name objects
};

// The share of odd values at most that makes a String position worth a look, in percent.
inline constexpr int kOddPercent = 1;

// Learns the rules of seen. start is the rule set to begin with: the reference entry rules
// (their sections holding only them) when merge is false, the installed rule set when it is
// true. New rules get identifiers above the highest of start, in the order the folder shows
// them first; sections go to the file of the area they were first met in. String positions
// whose names other positions define name them (LearnNameReferences, with tolerance).
LearnedRules LearnRules(const Observations& seen, const RuleSet& start, bool merge,
                        const NameTolerance& tolerance = {});

// The rule file for sections first met in area: "ships.rules" for "ships".
std::string AreaRuleFile(const std::string& area);

}  // namespace tarn
