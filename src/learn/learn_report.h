// The learning report (LEARNED.md, also printed): what was read, what was learned, and what a
// modder should look at: lines no rule can describe, and positions left as text because of a
// few values written otherwise than the rest.
#pragma once

#include <string>

#include "learn/learned_rules.h"
#include "learn/observations.h"

namespace tarn {

// game is the folder learned from; merge tells whether learning started from the installed
// rule set. Paths and values are printed as read (8-bit code page 1252).
std::string LearnReport(const std::string& game, bool merge, const Observations& seen,
                        const LearnedRules& learned);

}  // namespace tarn
