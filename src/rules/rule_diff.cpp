#include "rules/rule_diff.h"

#include <algorithm>
#include <unordered_map>

#include "platform/ascii_case.h"

namespace tarn {

namespace {

constexpr std::int32_t kLong = 1, kDouble = 2, kString = 3, kNull = 5;

// How wide a position's type is: every whole number is a Long, every Long a Double, and text
// takes anything; Boolean and Null are apart from the numbers.
int Rank(const ValueRule& value) {
  if (value.type == kLong) return value.whole ? 0 : 1;
  if (value.type == kDouble) return 2;
  if (value.type == kString) return 3;
  return -1;
}

const char* TypeChange(const ValueRule& from, const ValueRule& to) {
  const int a = Rank(from), b = Rank(to);
  if (to.type == kString || from.type == kNull || (a >= 0 && b > a)) return " (widened)";
  if (from.type == kString || to.type == kNull || (b >= 0 && a > b)) return " (narrowed)";
  return "";
}

std::string PositionName(std::size_t index, const ValueRule& value) {
  return value.is_multi ? "the variable tail" : "value " + std::to_string(index + 1);
}

std::string TargetText(const NameTarget& target) {
  return (target.local ? "local [" : "[") + target.section + "]" + target.key;
}

// A target that became local to groups of files shows as one lost and one gained.
bool SameTarget(const NameTarget& a, const NameTarget& b) {
  return EqualsIgnoringAsciiCase(a.section, b.section) && EqualsIgnoringAsciiCase(a.key, b.key) &&
         a.local == b.local;
}

void Flag(bool was, bool is, const char* what, bool widens_when_gained, const std::string& prefix,
          std::vector<std::string>& out) {
  if (was == is) return;
  const bool widened = is == widens_when_gained;
  out.push_back(prefix + what + (is ? " gained" : " dropped") +
                (widened ? " (widened)" : " (narrowed)"));
}

void DiffValues(const ValueRule& from, const ValueRule& to, std::size_t index,
                const std::string& prefix, std::vector<std::string>& out) {
  const std::string position = prefix + PositionName(index, to);
  const std::string was = PositionTypeName(from), is = PositionTypeName(to);
  if (was != is) out.push_back(position + " " + was + " -> " + is + TypeChange(from, to));
  for (const NameTarget& target : to.refers_to) {
    if (std::none_of(from.refers_to.begin(), from.refers_to.end(),
                     [&](const NameTarget& t) { return SameTarget(t, target); })) {
      out.push_back(position + " refers to " + TargetText(target) + " too");
    }
  }
  for (const NameTarget& target : from.refers_to) {
    if (std::none_of(to.refers_to.begin(), to.refers_to.end(),
                     [&](const NameTarget& t) { return SameTarget(t, target); })) {
      out.push_back(position + " refers to " + TargetText(target) + " no more");
    }
  }
}

void DiffEntries(const EntryRule& from, const EntryRule& to, const std::string& section,
                 std::vector<std::string>& out) {
  const std::string prefix = "~ [" + section + "] " + to.name + ": ";
  if (from.fixed != to.fixed) {
    out.push_back(prefix + std::to_string(from.fixed) + " fixed values -> " +
                  std::to_string(to.fixed));
  }
  Flag(from.var_args, to.var_args, "variable tail", true, prefix, out);
  Flag(from.multi_line, to.multi_line, "multiline", true, prefix, out);
  Flag(from.mandatory, to.mandatory, "mandatory", false, prefix, out);
  // Positions are compared by place, the tail with the tail.
  auto tail = [](const EntryRule& entry) -> const ValueRule* {
    for (const ValueRule& value : entry.values) {
      if (value.is_multi) return &value;
    }
    return nullptr;
  };
  auto fixed = [](const EntryRule& entry) {
    std::vector<const ValueRule*> values;
    for (const ValueRule& value : entry.values) {
      if (!value.is_multi) values.push_back(&value);
    }
    return values;
  };
  const auto was = fixed(from), is = fixed(to);
  for (std::size_t i = 0; i < std::min(was.size(), is.size()); ++i) {
    DiffValues(*was[i], *is[i], i, prefix, out);
  }
  if (tail(from) != nullptr && tail(to) != nullptr)
    DiffValues(*tail(from), *tail(to), 0, prefix, out);
}

template <typename Item>
std::unordered_map<std::string, const Item*> ByName(const std::vector<Item>& items) {
  std::unordered_map<std::string, const Item*> index;
  for (const Item& item : items) index.try_emplace(AsciiLowered(item.name), &item);
  return index;
}

}  // namespace

std::vector<std::string> DiffRuleSets(const RuleSet& older, const RuleSet& newer) {
  std::vector<std::string> out;
  const auto old_sections = ByName(older.sections);
  const auto new_sections = ByName(newer.sections);
  for (const SectionRule& section : older.sections) {
    if (!new_sections.contains(AsciiLowered(section.name))) {
      out.push_back("- [" + section.name + "]");
    }
  }
  for (const SectionRule& section : newer.sections) {
    const auto was = old_sections.find(AsciiLowered(section.name));
    if (was == old_sections.end()) {
      out.push_back("+ [" + section.name + "]");
      continue;
    }
    const auto old_keys = ByName(was->second->entries);
    const auto new_keys = ByName(section.entries);
    for (const EntryRule& entry : was->second->entries) {
      if (!new_keys.contains(AsciiLowered(entry.name))) {
        out.push_back("- [" + section.name + "] " + entry.name);
      }
    }
    for (const EntryRule& entry : section.entries) {
      const auto old_entry = old_keys.find(AsciiLowered(entry.name));
      if (old_entry == old_keys.end()) {
        out.push_back("+ [" + section.name + "] " + entry.name);
      } else {
        DiffEntries(*old_entry->second, entry, section.name, out);
      }
    }
  }
  return out;
}

}  // namespace tarn
