// The learning report (LEARNED.md, also printed): what was read and learned, then the few
// items most worth a modder's look (a few odd values among many, names nothing defines, files
// not found, lines no rule can describe), then the full lists, where a text met many times
// (a repaired line, a missing file) is one item with its count and first places.
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
