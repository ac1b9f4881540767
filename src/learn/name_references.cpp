#include "learn/name_references.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "model/value_slot.h"
#include "platform/ascii_case.h"

namespace tarn {

namespace {

// A defining position: the names the first value of key gives the sections of a kind.
struct Definer {
  NameTarget target;  // in the rules' spelling
  const SectionStats* section = nullptr;
  const KeyStats* key = nullptr;
  // Its names repeat from group to group of files, each unique within its group only: it
  // defines names for positions whose uses stay within their groups, and for no others.
  bool local_only = false;
  std::unordered_set<std::uint64_t> in_groups{};          // name number << 32 | group
  std::unordered_set<std::uint32_t> in_several_groups{};  // name numbers
};

// A name's number in the upper half, a file's or a group's in the lower.
std::uint32_t NameOf(std::uint64_t pair) { return static_cast<std::uint32_t>(pair >> 32); }
std::uint32_t PlaceOf(std::uint64_t pair) { return static_cast<std::uint32_t>(pair); }
std::uint64_t Pair(std::uint32_t name, std::uint32_t place) {
  return static_cast<std::uint64_t>(name) << 32 | place;
}

bool LooksLikePath(const std::string& name) {
  return name.find_first_of("\\/") != std::string::npos;
}

bool AllButAFew(std::int64_t part, std::int64_t whole, std::int64_t per_mille) {
  return (whole - part) * 1000 <= whole * per_mille;
}

bool AllButAFew(std::int64_t part, std::int64_t whole) {
  return AllButAFew(part, whole, kExceptionPerMille);
}

// Whether the first values of key can be the identity of the sections holding it: names
// only, none a path, each section its own but for the few duplicates tolerated, counting
// `different` names (across the folder, or within each group of files).
bool CanIdentify(const KeyStats& key, const NamePool& pool, std::int64_t duplicates_per_mille,
                 std::size_t different) {
  if (key.multi_line || key.names.empty() || key.positions.empty()) return false;
  const PositionNames& names = key.names.front();
  if (names.others != 0 || names.uses.size() < 2) return false;
  const std::int64_t values = key.positions.front().values;
  if (!AllButAFew(static_cast<std::int64_t>(different), values, duplicates_per_mille)) {
    return false;
  }
  return std::none_of(names.uses.begin(), names.uses.end(),
                      [&pool](const auto& use) { return LooksLikePath(pool.Text(use.first)); });
}

class ReferenceLearner {
 public:
  ReferenceLearner(const Observations& seen, RuleSet& rules, const NameTolerance& tolerance)
      : seen_(seen), rules_(rules), tolerance_(tolerance) {
    FileGroups groups(seen.section_files, seen.named_files);
    for (const std::string& file : seen.section_files)
      group_of_file_.push_back(groups.GroupOf(file));
  }

  std::vector<LearnedReference> Run() {
    FindDefiners();
    for (SectionRule& section : rules_.sections) {
      const SectionStats* seen_section = SeenSection(section.name);
      if (seen_section == nullptr) continue;
      for (EntryRule& entry : section.entries) {
        auto key = seen_section->key_index.find(AsciiUppered(entry.name));
        if (key == seen_section->key_index.end()) continue;
        LearnEntry(section, entry, seen_section->keys[key->second]);
      }
    }
    return std::move(learned_);
  }

 private:
  const SectionStats* SeenSection(const std::string& name) const {
    auto at = seen_.section_index.find(AsciiUppered(name));
    return at == seen_.section_index.end() ? nullptr : &seen_.sections_seen[at->second];
  }

  void FindDefiners() {
    for (const SectionRule& section : rules_.sections) {
      const SectionStats* seen_section = SeenSection(section.name);
      if (seen_section == nullptr) continue;
      // The keys that can be an identity, with their rules, the most held first (the first
      // met among equals); each is taken while the keys taken are held by no more sections
      // than there are, so that they identify different sections.
      std::vector<std::pair<const KeyStats*, const EntryRule*>> candidates;
      for (const KeyStats& key : seen_section->keys) {
        if (key.names.empty()) continue;
        const std::size_t different = key.names.front().uses.size();
        if (!CanIdentify(key, seen_.names, tolerance_.duplicates_per_mille, different) &&
            !CanIdentify(key, seen_.names, tolerance_.duplicates_per_mille,
                         InGroups(key.names.front()).size())) {
          continue;
        }
        const std::string upper = AsciiUppered(key.spelling.Most());
        auto rule = std::find_if(section.entries.begin(), section.entries.end(),
                                 [&](const EntryRule& e) { return AsciiUppered(e.name) == upper; });
        if (rule == section.entries.end() || rule->values.empty() ||
            rule->values.front().type != kStringType) {
          continue;
        }
        candidates.emplace_back(&key, &*rule);
      }
      std::stable_sort(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) {
        return a.first->sections_holding > b.first->sections_holding;
      });
      std::vector<std::pair<const KeyStats*, const EntryRule*>> taken;
      std::int64_t held = 0;
      for (const auto& candidate : candidates) {
        if (held + candidate.first->sections_holding > seen_section->count) continue;
        held += candidate.first->sections_holding;
        taken.push_back(candidate);
      }
      if (taken.empty() || !AllButAFew(held, seen_section->count)) continue;
      for (const auto& [key, rule] : taken) {
        const auto number = static_cast<int>(definers_.size());
        definers_.push_back({{section.name, rule->name}, seen_section, key});
        Definer& definer = definers_.back();
        definer.in_groups = InGroups(key->names.front());
        std::unordered_map<std::uint32_t, int> groups_per_name;
        for (std::uint64_t pair : definer.in_groups) {
          if (++groups_per_name[NameOf(pair)] == 2) definer.in_several_groups.insert(NameOf(pair));
        }
        definer.local_only = !CanIdentify(*key, seen_.names, tolerance_.duplicates_per_mille,
                                          key->names.front().uses.size());
        for (const auto& use : key->names.front().uses) defined_by_[use.first].push_back(number);
      }
    }
  }

  // Each name of a position once per group of files it was met in.
  std::unordered_set<std::uint64_t> InGroups(const PositionNames& names) const {
    std::unordered_set<std::uint64_t> pairs;
    for (const auto& [pair, count] : names.in_files) {
      pairs.insert(Pair(NameOf(pair), group_of_file_[PlaceOf(pair)]));
    }
    return pairs;
  }

  // Whether the uses of a position name, all but a few, what the chosen targets define in the
  // use's own group of files, while those targets define some of the names used in several
  // groups: a check of the whole folder would then let another group's name pass.
  bool StayInGroups(const std::vector<int>& chosen, const PositionNames& names,
                    std::int64_t uses) const {
    std::int64_t in_group = 0;
    for (const auto& [pair, count] : names.in_files) {
      const std::uint64_t use = Pair(NameOf(pair), group_of_file_[PlaceOf(pair)]);
      for (int number : chosen) {
        if (definers_[static_cast<std::size_t>(number)].in_groups.contains(use)) {
          in_group += count;
          break;
        }
      }
    }
    std::int64_t spread = 0;
    for (const auto& use : names.uses) {
      for (int number : chosen) {
        if (definers_[static_cast<std::size_t>(number)].in_several_groups.contains(use.first)) {
          ++spread;
          break;
        }
      }
    }
    return spread * 1000 >
               static_cast<std::int64_t>(names.uses.size()) * tolerance_.duplicates_per_mille &&
           AllButAFew(in_group, uses, tolerance_.unknown_per_mille);
  }

  // The number of the defining position of key; -1 for none.
  int DefinerOf(const KeyStats& key) const {
    for (std::size_t i = 0; i < definers_.size(); ++i) {
      if (definers_[i].key == &key) return static_cast<int>(i);
    }
    return -1;
  }

  // Whether the names of definer a are, all but a few, names of definer b.
  bool Within(int a, int b) const {
    const PositionNames& names = definers_[static_cast<std::size_t>(a)].key->names.front();
    std::int64_t within = 0;
    for (const auto& use : names.uses) {
      auto by = defined_by_.find(use.first);
      within += std::find(by->second.begin(), by->second.end(), b) != by->second.end();
    }
    return AllButAFew(within, static_cast<std::int64_t>(names.uses.size()));
  }

  void LearnEntry(const SectionRule& section, EntryRule& entry, const KeyStats& key) {
    const auto fixed = static_cast<std::size_t>(std::max(entry.fixed, 0));
    std::size_t place = 0;
    for (ValueRule& value : entry.values) {
      ++place;
      if (value.type != kStringType) continue;
      if (!value.is_multi) {
        // An identity may name another kind's object too (the information section of a
        // base has the base's nickname), but never names its own.
        const int self = place == 1 ? DefinerOf(key) : -1;
        if (place - 1 < key.names.size()) {
          LearnPosition(section, entry, value, place, key.names[place - 1], self);
        }
        continue;
      }
      PositionNames tail;
      for (std::size_t i = fixed; i < key.names.size(); ++i) tail.Merge(key.names[i]);
      LearnPosition(section, entry, value, 0, tail, -1);
    }
  }

  void LearnPosition(const SectionRule& section, const EntryRule& entry, ValueRule& value,
                     std::size_t position, const PositionNames& names, int self) {
    if (static_cast<std::int64_t>(names.uses.size()) < kMinNames) return;
    std::int64_t uses = names.others;
    for (const auto& use : names.uses) uses += use.second.count;

    // Greedy cover: the defining position that defines most of the uses not covered yet.
    std::vector<int> chosen;
    std::vector<bool> covered(names.uses.size(), false);
    std::int64_t covered_uses = 0;
    while (true) {
      std::unordered_map<int, std::int64_t> gain;
      std::size_t i = 0;
      for (const auto& use : names.uses) {
        if (!covered[i++]) {
          auto by = defined_by_.find(use.first);
          if (by == defined_by_.end()) continue;
          for (int definer : by->second) {
            if (definer != self) gain[definer] += use.second.count;
          }
        }
      }
      int best = -1;
      std::int64_t best_gain = 0;
      for (const auto& [definer, uses_added] : gain) {
        if (uses_added > best_gain || (uses_added == best_gain && definer < best)) {
          best = definer;
          best_gain = uses_added;
        }
      }
      if (best < 0) break;
      chosen.push_back(best);
      i = 0;
      for (const auto& use : names.uses) {
        if (!covered[i]) {
          auto by = defined_by_.find(use.first);
          if (by != defined_by_.end() &&
              std::find(by->second.begin(), by->second.end(), best) != by->second.end()) {
            covered[i] = true;
            covered_uses += use.second.count;
          }
        }
        ++i;
      }
    }
    if (chosen.empty() || !AllButAFew(covered_uses, uses, tolerance_.unknown_per_mille)) return;
    // Two identities with the same names name each other in the folder alike; the kind met
    // later names the one met earlier, as a base's information follows the base.
    for (int target : chosen) {
      if (self >= 0 && Within(target, self) &&
          definers_[static_cast<std::size_t>(target)].section >
              definers_[static_cast<std::size_t>(self)].section) {
        return;
      }
    }

    const bool local = StayInGroups(chosen, names, uses);
    if (!local && std::any_of(chosen.begin(), chosen.end(), [this](int number) {
          return definers_[static_cast<std::size_t>(number)].local_only;
        })) {
      return;
    }

    LearnedReference learned{section.name,
                             entry.name,
                             position,
                             {},
                             uses,
                             static_cast<std::int64_t>(names.uses.size()),
                             uses - covered_uses,
                             {}};
    std::sort(chosen.begin(), chosen.end());
    for (int definer : chosen) {
      NameTarget target = definers_[static_cast<std::size_t>(definer)].target;
      target.local = local;
      learned.targets.push_back(target);
      auto known = std::find_if(value.refers_to.begin(), value.refers_to.end(),
                                [&target](const NameTarget& t) {
                                  return t.section == target.section && t.key == target.key;
                                });
      if (known == value.refers_to.end()) {
        value.refers_to.push_back(target);
      } else {
        known->local = local;
      }
    }
    std::vector<std::pair<std::uint32_t, const NameUse*>> missed;
    std::size_t i = 0;
    for (const auto& use : names.uses) {
      if (!covered[i++]) missed.emplace_back(use.first, &use.second);
    }
    std::sort(missed.begin(), missed.end(), [](const auto& a, const auto& b) {
      return std::tie(a.second->file, a.second->line, a.first) <
             std::tie(b.second->file, b.second->line, b.first);
    });
    for (const auto& [name, use] : missed) {
      if (learned.exceptions.size() == PositionStats::kKeptOdd) break;
      learned.exceptions.push_back(
          {seen_.names.Text(name), {seen_.section_files[use->file], use->line}});
    }
    learned_.push_back(std::move(learned));
  }

  const Observations& seen_;
  RuleSet& rules_;
  const NameTolerance tolerance_;
  std::vector<Definer> definers_;
  std::unordered_map<std::uint32_t, std::vector<int>> defined_by_;  // name -> definers
  std::vector<std::uint32_t> group_of_file_;  // by the file numbers of NameUse
  std::vector<LearnedReference> learned_;
};

}  // namespace

std::vector<LearnedReference> LearnNameReferences(const Observations& seen, RuleSet& rules,
                                                  const NameTolerance& tolerance) {
  return ReferenceLearner(seen, rules, tolerance).Run();
}

}  // namespace tarn
