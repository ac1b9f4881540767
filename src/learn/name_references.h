// Learning which value positions name objects that other positions define: the cross-
// references a check of the stored data follows.
//
// A defining position is the first value of a key that sections of a kind hold once, with at
// least two names, none a path, each a different one but for a few duplicates (a game may
// define one good twice in hundreds): the object's identity, typically `nickname`. A kind's
// identity is the key most of its sections hold; where some sections identify themselves
// by another key instead (the few sounds with a `nickname` among thousands with another
// identity), that key defines names too, as long as the keys together are held once by all
// but kExceptionPerMille of the sections. A referring position is any other String position
// with at least kMinNames different names whose uses the names of one or more defining
// positions cover, all but a few of them (NameTolerance); the fewest defining positions
// that do are its targets, chosen greedily by the uses each adds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "learn/observations.h"
#include "rules/rule_set.h"

namespace tarn {

// Fewer different names than this are a vocabulary ("yes" / "no"), not a set of objects.
inline constexpr std::int64_t kMinNames = 5;
// The share of uses, in thousandths, that may miss a defining position's names (or the
// sections that may lack the defining key) before a position no longer counts.
inline constexpr std::int64_t kExceptionPerMille = 5;

// How far the folder's names may stray from the shape of a defining or referring position,
// in thousandths: of a defining position's names, those defined a second time; of a
// referring position's uses, those no target defines. Checking the folder against the rules
// learned reports each of them (a duplicate name, an unknown reference).
struct NameTolerance {
  std::int64_t duplicates_per_mille = 10;
  std::int64_t unknown_per_mille = 10;
};

// One learned referring position, for the learning report.
struct LearnedReference {
  std::string section;
  std::string key;
  std::size_t position = 0;  // 1-based; 0 for the variable tail
  std::vector<NameTarget> targets;
  std::int64_t uses = 0;       // values there
  std::int64_t names = 0;      // different names there
  std::int64_t undefined = 0;  // uses that no target defines
  // The first of them in the order they were met, each with where it was used first.
  std::vector<OddValue> exceptions;
};

// Adds to the String positions of rules the targets seen shows them to have (keeping any
// they have) and returns each learned referring position. The rules must have been learned
// from seen: positions are matched to what was seen by section, key and place.
std::vector<LearnedReference> LearnNameReferences(const Observations& seen, RuleSet& rules,
                                                  const NameTolerance& tolerance = {});

}  // namespace tarn
