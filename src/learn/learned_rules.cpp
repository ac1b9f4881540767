#include "learn/learned_rules.h"

#include <algorithm>
#include <unordered_map>

#include "model/value_slot.h"
#include "platform/ascii_case.h"

namespace tarn {

namespace {

constexpr std::int32_t kNoType = 0;

std::int32_t TypeOf(const PositionStats& position) {
  if (position.values == 0) return kNoType;
  if (position.misses[kLongCandidate] == 0) return kLongType;
  if (position.misses[kDoubleCandidate] == 0) return kDoubleType;
  if (position.misses[kBooleanCandidate] == 0) return kBooleanType;
  return kStringType;
}

bool Valid(std::int32_t type) { return type >= kLongType && type <= kNullType; }

// The narrowest type that holds the values of both without loss. A Null position takes no
// value at all, so anything widens it.
std::int32_t Join(std::int32_t a, std::int32_t b) {
  if (a == kNoType || a == kNullType) return b;
  if (b == kNoType || b == kNullType) return a;
  if (a == b && Valid(a)) return a;
  if ((a == kLongType && b == kDoubleType) || (a == kDoubleType && b == kLongType)) {
    return kDoubleType;
  }
  return kStringType;
}

std::int32_t Concrete(std::int32_t type) { return type == kNoType ? kStringType : type; }

// The value positions of a key as seen: the fewest values any line had are fixed, more make a
// variable tail. A key seen only without values gets a tail alone: a rule without value
// positions takes no line.
struct Shape {
  std::size_t fixed = 0;
  std::vector<std::int32_t> types;  // of the fixed positions
  bool tail = false;
  PositionStats tail_stats;
};

Shape ShapeOf(const KeyStats& key) {
  Shape shape;
  const std::size_t min = key.min_values == SIZE_MAX ? 0 : key.min_values;
  shape.fixed = min;
  for (std::size_t i = 0; i < min; ++i) shape.types.push_back(TypeOf(key.positions[i]));
  for (std::size_t i = min; i < key.positions.size(); ++i) {
    shape.tail_stats.Merge(key.positions[i]);
  }
  shape.tail = key.max_values > min || key.max_values == 0;
  return shape;
}

// A learned Long position held only whole numbers as written, so it is a whole one: a decimal
// there later is a mistake the Long conversion alone would round away.
ValueRule Learned(std::int32_t type, bool is_multi) {
  const std::int32_t concrete = Concrete(type);
  return {std::nullopt, concrete, is_multi, concrete == kLongType};
}

std::vector<ValueRule> Positions(const Shape& shape) {
  std::vector<ValueRule> values;
  for (std::int32_t type : shape.types) values.push_back(Learned(type, false));
  if (shape.tail) values.push_back(Learned(TypeOf(shape.tail_stats), true));
  return values;
}

void NoteOddPosition(const std::string& section, const std::string& key, std::size_t position,
                     const PositionStats& stats, std::vector<OddPosition>& out) {
  if (TypeOf(stats) != kStringType) return;
  for (int candidate = 0; candidate < kCandidateCount; ++candidate) {
    // Checked: learning runs once a folder, and a count past the candidates is no count at all.
    const std::int64_t misses = stats.misses.at(static_cast<std::size_t>(candidate));
    if (misses > 0 && misses * 100 <= stats.values * kOddPercent) {
      out.push_back({section, key, position, static_cast<Candidate>(candidate), stats.values,
                     misses, stats.odd[candidate]});
      return;
    }
  }
}

// How the folder writes a flag key in one kind of section: only alone on its line, only with
// a value, or both ways (then the rule cannot say, and each bare line stays a repair).
FlagForm SeenFlagForm(const std::string& name, const KeyStats& key) {
  if (!IsFlagKey(name) || key.lines == 0) return FlagForm::kUnsaid;
  if (key.bare_lines == key.lines) return FlagForm::kBare;
  return key.bare_lines == 0 ? FlagForm::kValued : FlagForm::kUnsaid;
}

class Learner {
 public:
  Learner(const Observations& seen, const RuleSet& start, bool merge) : seen_(seen), merge_(merge) {
    result_.rules = start;
    for (const SectionRule& section : start.sections) {
      for (const EntryRule& entry : section.entries) {
        next_id_ = std::max(next_id_, entry.db_id + 1);
        start_entries_.emplace(entry.db_id, entry);
      }
    }
    IndexSections();
  }

  LearnedRules Run();

 private:
  void IndexSections() {
    section_at_.clear();
    for (std::size_t i = 0; i < result_.rules.sections.size(); ++i) {
      section_at_.emplace(AsciiUppered(result_.rules.sections[i].name), i);
    }
  }

  void LearnSection(const SectionStats& seen_section);
  void LearnKey(SectionRule& section, const SectionStats& seen_section, const KeyStats& key);
  std::string Widen(EntryRule& entry, const KeyStats* key, const SectionStats& seen_section);
  void NoteOdd(const std::string& section, const std::string& key, const Shape& shape,
               const KeyStats& stats);

  const Observations& seen_;
  const bool merge_;
  LearnedRules result_;
  std::int32_t next_id_ = 1;
  std::unordered_map<std::int32_t, EntryRule> start_entries_;
  std::unordered_map<std::string, std::size_t> section_at_;
};

LearnedRules Learner::Run() {
  for (const SectionStats& section : seen_.sections_seen) LearnSection(section);
  // What learning started from and the folder did not show stays as it was.
  for (const SectionRule& section : result_.rules.sections) {
    for (const EntryRule& entry : section.entries) {
      auto start = start_entries_.find(entry.db_id);
      if (start == start_entries_.end()) continue;
      bool listed = std::any_of(
          result_.changes.begin(), result_.changes.end(),
          [&](const RuleChange& c) { return c.section == section.name && c.key == entry.name; });
      if (!listed) {
        result_.changes.push_back({RuleChange::Kind::kUnchanged, section.name, entry.name, {}});
      }
    }
  }
  return std::move(result_);
}

void Learner::LearnSection(const SectionStats& seen_section) {
  const std::string& name = seen_section.spelling.Most();
  auto at = section_at_.find(AsciiUppered(name));
  if (at == section_at_.end()) {
    result_.rules.sections.push_back({name, AreaRuleFile(seen_section.area), {}, 0});
    at = section_at_.emplace(AsciiUppered(name), result_.rules.sections.size() - 1).first;
    result_.changes.push_back({RuleChange::Kind::kAdded, name, {}, {}});
  } else if (!merge_) {
    // From scratch the reference rules only lent the section its identifiers: the folder
    // gives its name and its file.
    SectionRule& section = result_.rules.sections[at->second];
    section.name = name;
    section.file = AreaRuleFile(seen_section.area);
  }
  SectionRule& section = result_.rules.sections[at->second];
  for (const KeyStats& key : seen_section.keys) LearnKey(section, seen_section, key);
  // Keys the folder did not show in sections it did show.
  for (EntryRule& entry : section.entries) {
    if (seen_section.key_index.count(AsciiUppered(entry.name)) != 0) continue;
    std::string how = Widen(entry, nullptr, seen_section);
    if (!how.empty()) {
      result_.changes.push_back({RuleChange::Kind::kWidened, section.name, entry.name, how});
    }
  }
  if (section.entries.empty()) {
    section.entries.push_back({kPlaceholderKey,
                               next_id_++,
                               1,
                               0,
                               false,
                               true,
                               false,
                               {{std::nullopt, kStringType, true}},
                               0});
    result_.changes.push_back({RuleChange::Kind::kAdded, section.name, kPlaceholderKey, {}});
  }
}

void Learner::LearnKey(SectionRule& section, const SectionStats& seen_section,
                       const KeyStats& key) {
  const std::string& name = key.spelling.Most();
  const std::string upper = AsciiUppered(name);
  auto existing = std::find_if(section.entries.begin(), section.entries.end(),
                               [&](const EntryRule& e) { return AsciiUppered(e.name) == upper; });
  const Shape shape = ShapeOf(key);
  NoteOdd(section.name, name, shape, key);
  const bool mandatory = key.sections_holding == seen_section.count;
  if (existing == section.entries.end() || !merge_) {
    EntryRule entry;
    if (existing != section.entries.end()) {
      entry.db_id = existing->db_id;  // a reference rule keeps its identifier
    } else {
      entry.db_id = next_id_++;
    }
    entry.name = name;
    entry.fixed = static_cast<std::int32_t>(shape.fixed);
    entry.var_args = shape.tail;
    entry.multi_line = key.multi_line;
    entry.mandatory = mandatory;
    entry.values = Positions(shape);
    entry.flag = SeenFlagForm(name, key);
    if (existing != section.entries.end()) {
      entry.idx = existing->idx;
      const EntryRule& before = start_entries_.at(entry.db_id);
      const bool same =
          before.fixed == entry.fixed && before.var_args == entry.var_args &&
          before.multi_line == entry.multi_line && before.mandatory == entry.mandatory &&
          before.flag == entry.flag && before.values.size() == entry.values.size() &&
          std::equal(before.values.begin(), before.values.end(), entry.values.begin(),
                     [](const ValueRule& a, const ValueRule& b) {
                       return a.type == b.type && a.is_multi == b.is_multi && a.whole == b.whole;
                     });
      result_.changes.push_back({same ? RuleChange::Kind::kUnchanged : RuleChange::Kind::kWidened,
                                 section.name, name, same ? "" : "learned anew"});
      *existing = std::move(entry);
    } else {
      entry.idx = static_cast<std::int32_t>(section.entries.size()) + 1;
      result_.changes.push_back({RuleChange::Kind::kAdded, section.name, name, {}});
      section.entries.push_back(std::move(entry));
    }
    return;
  }
  std::string how = Widen(*existing, &key, seen_section);
  result_.changes.push_back(
      {how.empty() ? RuleChange::Kind::kUnchanged : RuleChange::Kind::kWidened, section.name,
       existing->name, how});
}

void Learner::NoteOdd(const std::string& section, const std::string& key, const Shape& shape,
                      const KeyStats& stats) {
  for (std::size_t i = 0; i < shape.fixed; ++i) {
    NoteOddPosition(section, key, i + 1, stats.positions[i], result_.odd_positions);
  }
  if (shape.tail) NoteOddPosition(section, key, 0, shape.tail_stats, result_.odd_positions);
}

// Widens entry (never narrows it) to take what key shows; key null: the section was seen
// without it. Returns what changed, or "" when the folder agrees.
std::string Learner::Widen(EntryRule& entry, const KeyStats* key,
                           const SectionStats& seen_section) {
  std::vector<std::string> changed;
  if (key == nullptr) {
    if (entry.mandatory && merge_) {
      entry.mandatory = false;
      changed.push_back("no longer mandatory");
    }
  } else {
    if (key->multi_line && !entry.multi_line) {
      entry.multi_line = true;
      changed.push_back("multiline");
    }
    if (entry.mandatory && key->sections_holding != seen_section.count) {
      entry.mandatory = false;
      changed.push_back("no longer mandatory");
    }
    // A rule that says nothing, or "valued", already takes lines with values; a key the folder
    // writes alone everywhere becomes "bare", and a rule the folder contradicts stops saying.
    const FlagForm seen = SeenFlagForm(key->spelling.Most(), *key);
    if (seen == FlagForm::kBare && entry.flag != FlagForm::kBare) {
      entry.flag = seen;
      changed.push_back("written bare");
    } else if (entry.flag != FlagForm::kUnsaid && entry.flag != seen) {
      changed.push_back(entry.flag == FlagForm::kBare ? "no longer bare" : "no longer valued");
      entry.flag = FlagForm::kUnsaid;
    }
    const std::size_t seen_min = key->min_values == SIZE_MAX ? 0 : key->min_values;
    const std::size_t old_fixed = static_cast<std::size_t>(std::max(entry.fixed, 0));
    const std::size_t fixed = std::min(old_fixed, seen_min);
    std::vector<ValueRule> values;
    std::int32_t tail_type = kNoType;
    bool tail_whole = true;  // no installed position of the tail takes decimals
    std::optional<std::string> tail_name;
    for (std::size_t i = 0; i < entry.values.size(); ++i) {
      const ValueRule& old = entry.values[i];
      if (!old.is_multi && i < fixed) {
        std::int32_t type = old.type;
        if (i < key->positions.size()) type = Join(old.type, TypeOf(key->positions[i]));
        if (type != old.type) {
          changed.push_back("position " + std::to_string(i + 1) + " " + TypeName(old.type) +
                            " -> " + TypeName(type));
        }
        values.push_back({old.name, Concrete(type), false, old.whole && type == kLongType});
      } else {
        tail_type = Join(tail_type, old.type);
        tail_whole = tail_whole && old.whole;
        if (old.is_multi) tail_name = old.name;
      }
    }
    for (std::size_t i = fixed; i < key->positions.size(); ++i) {
      tail_type = Join(tail_type, TypeOf(key->positions[i]));
    }
    const bool tail = entry.var_args || key->max_values > fixed || fixed < old_fixed;
    if (fixed != old_fixed) {
      changed.push_back("fixed values " + std::to_string(old_fixed) + " -> " +
                        std::to_string(fixed));
    }
    if (tail) {
      const ValueRule* old_tail = nullptr;
      for (const ValueRule& v : entry.values) {
        if (v.is_multi) old_tail = &v;
      }
      const std::int32_t type = Concrete(tail_type);
      if (old_tail == nullptr) {
        changed.push_back("variable tail added (" + TypeName(type) + ")");
      } else if (old_tail->type != type) {
        changed.push_back("variable tail " + TypeName(old_tail->type) + " -> " + TypeName(type));
      }
      values.push_back({tail_name, type, true, tail_whole && type == kLongType});
    }
    entry.fixed = static_cast<std::int32_t>(fixed);
    entry.var_args = tail;
    entry.values = std::move(values);
  }
  std::string how;
  for (const std::string& change : changed) how += (how.empty() ? "" : "; ") + change;
  return how;
}

}  // namespace

std::string AreaRuleFile(const std::string& area) {
  std::string file;
  for (char c : area) {
    const char lower = AsciiLower(c);
    const bool plain = (lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9') ||
                       lower == '_' || lower == '-';
    file += plain ? lower : '_';
  }
  return (file.empty() ? "rules" : file) + ".rules";
}

LearnedRules LearnRules(const Observations& seen, const RuleSet& start, bool merge,
                        const NameTolerance& tolerance) {
  LearnedRules learned = Learner(seen, start, merge).Run();
  learned.references = LearnNameReferences(seen, learned.rules, tolerance);
  return learned;
}

}  // namespace tarn
