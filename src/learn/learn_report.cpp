#include "learn/learn_report.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace tarn {

namespace {

constexpr std::array<const char*, kCandidateCount> kCandidateNames = {"Long", "Double", "Boolean"};

std::string Where(const Place& place) {
  return place.line > 0 ? place.file + ":" + std::to_string(place.line) : place.file;
}

std::string Position(std::size_t position) {
  return position == 0 ? "the variable tail" : "value " + std::to_string(position);
}

// A real game repeats the same line that no rule can describe hundreds of times; each text is
// listed once, with how often it occurs and its first places.
constexpr std::size_t kFirstPlaces = 3;
// The items the summary at the top points to, before the full lists.
constexpr std::size_t kWorthALook = 5;

struct Group {
  std::string what;
  std::vector<Place> first;  // at most kFirstPlaces
  std::int64_t count = 0;
};

std::vector<Group> Grouped(const std::vector<Undescribable>& items) {
  std::vector<Group> groups;
  std::unordered_map<std::string, std::size_t> index;
  for (const Undescribable& item : items) {
    auto [at, added] = index.try_emplace(item.what, groups.size());
    if (added) groups.push_back({item.what, {}, 0});
    Group& group = groups[at->second];
    if (group.first.size() < kFirstPlaces) group.first.push_back(item.place);
    ++group.count;
  }
  return groups;
}

// "a:1" once, or "487 times, first at a:1, a:9, b:3".
std::string Places(const Group& group) {
  std::string text = group.count == 1 ? "" : std::to_string(group.count) + " times, first ";
  text += "at ";
  for (std::size_t i = 0; i < group.first.size(); ++i) {
    text += (i == 0 ? "" : ", ") + Where(group.first[i]);
  }
  return text;
}

std::string MissingWhere(const Place& place) {
  // The files of _bc_OtherINI are named by no line of the game.
  return place.file == "N/A" ? "_bc_OtherINI" : Where(place);
}

// The first few findings a modder should look at, most likely mistakes first: a few odd values
// among many, names nothing defines, files not found, then lines no rule can describe.
std::vector<std::string> WorthALook(const std::vector<Group>& lines,
                                    const std::vector<Group>& missing,
                                    const LearnedRules& learned) {
  std::vector<std::string> items;
  for (const OddPosition& position : learned.odd_positions) {
    if (position.odd.empty()) continue;
    items.push_back("[" + position.section + "] " + position.key + ", " +
                    Position(position.position) + ": `" + position.odd[0].value + "` at " +
                    Where(position.odd[0].place) + " among " +
                    std::to_string(position.values - position.odd_count) + " " +
                    kCandidateNames[position.candidate] + " values");
  }
  for (const LearnedReference& reference : learned.references) {
    for (const OddValue& value : reference.exceptions) {
      if (value.value.empty()) continue;
      items.push_back("[" + reference.section + "] " + reference.key + ", " +
                      Position(reference.position) + ": `" + value.value + "` at " +
                      Where(value.place) + " is a name no target defines");
    }
  }
  for (const Group& group : missing) {
    items.push_back("`" + group.what + "` is named but not found (" +
                    (group.count == 1 ? "at " + MissingWhere(group.first[0]) : Places(group)) +
                    ")");
  }
  for (const Group& group : lines) items.push_back(group.what + " (" + Places(group) + ")");
  return items;
}

}  // namespace

std::string LearnReport(const std::string& game, bool merge, const Observations& seen,
                        const LearnedRules& learned) {
  std::int64_t section_rules = 0, entry_rules = 0;
  for (const SectionRule& section : learned.rules.sections) {
    ++section_rules;
    entry_rules += static_cast<std::int64_t>(section.entries.size());
  }
  std::array<std::int64_t, 3> kinds{};
  for (const RuleChange& change : learned.changes) {
    if (!change.key.empty()) ++kinds[static_cast<std::size_t>(change.kind)];
  }

  std::string out = "# Rules learned from " + game + "\n\n";
  out += merge ? "Learned on top of the installed rule set: what the folder agrees with is kept, "
                 "the rest widened, never narrowed.\n\n"
               : "Learned from scratch: only the identifiers of the entry rules that name further "
                 "files come from the installed rule set.\n\n";
  out += "- files read: " + std::to_string(seen.files) + " (" + std::to_string(seen.binary_files) +
         " binary)\n";
  out += "- sections read: " + std::to_string(seen.sections) +
         ", entry lines: " + std::to_string(seen.lines) + "\n";
  out += "- rules: " + std::to_string(section_rules) + " sections, " + std::to_string(entry_rules) +
         " keys\n";
  if (merge) {
    out += "- key rules added: " + std::to_string(kinds[0]) +
           ", widened: " + std::to_string(kinds[1]) + ", unchanged: " + std::to_string(kinds[2]) +
           "\n";
  } else {
    out += "- key rules learned: " + std::to_string(kinds[0]) + "; the reference rules keep " +
           "their identifiers (" + std::to_string(kinds[1] + kinds[2]) + ", " +
           std::to_string(kinds[1]) + " of them now unlike the installed ones)\n";
  }

  const std::vector<Group> lines = Grouped(seen.undescribable);
  const std::vector<Group> missing = Grouped(seen.missing_files);
  const std::vector<std::string> look = WorthALook(lines, missing, learned);
  out += "\n## Worth a look\n\n";
  if (look.empty()) out += "Nothing: checking the folder with these rules gives no warning.\n";
  for (std::size_t i = 0; i < std::min(look.size(), kWorthALook); ++i) {
    out += "- " + look[i] + "\n";
  }
  if (look.size() > kWorthALook) {
    out += "- and " + std::to_string(look.size() - kWorthALook) + " more items below\n";
  }

  out += "\n## Lines no rule can describe\n\n";
  if (lines.empty()) out += "None: checking the folder with these rules gives no warning.\n";
  for (const Group& group : lines) {
    out += group.count == 1 ? "- " + Where(group.first[0]) + ": " + group.what + "\n"
                            : "- " + group.what + ": " + Places(group) + "\n";
  }

  out += "\n## Positions kept as text because of a few odd values\n\n";
  if (learned.odd_positions.empty()) out += "None.\n";
  for (const OddPosition& position : learned.odd_positions) {
    out += "- [" + position.section + "] " + position.key + ", " + Position(position.position) +
           ": " + std::to_string(position.values - position.odd_count) + " of " +
           std::to_string(position.values) + " values are " + kCandidateNames[position.candidate] +
           "; the others:\n";
    for (const OddValue& value : position.odd) {
      out += "  - `" + value.value + "` at " + Where(value.place) + "\n";
    }
    if (position.odd_count > static_cast<std::int64_t>(position.odd.size())) {
      out += "  - and " +
             std::to_string(position.odd_count - static_cast<std::int64_t>(position.odd.size())) +
             " more\n";
    }
  }

  out += "\n## Names that refer to other objects\n\n";
  if (learned.references.empty()) out += "None found.\n";
  for (const LearnedReference& reference : learned.references) {
    out += "- [" + reference.section + "] " + reference.key + ", " + Position(reference.position) +
           " ->";
    for (std::size_t i = 0; i < reference.targets.size(); ++i) {
      out += std::string(i == 0 ? " " : " | ") + (reference.targets[i].local ? "local [" : "[") +
             reference.targets[i].section + "]" +
             reference.targets[i].key;
    }
    out += ": " + std::to_string(reference.uses) + " uses of " + std::to_string(reference.names) +
           " names";
    if (reference.undefined == 0) {
      out += "\n";
      continue;
    }
    out += "; " + std::to_string(reference.undefined) +
           " defined by none of them (a check warns about these):\n";
    for (const OddValue& value : reference.exceptions) {
      out += "  - `" + value.value + "` at " + Where(value.place) + "\n";
    }
    std::int64_t listed = 0;
    for (const OddValue& value : reference.exceptions) listed += !value.value.empty();
    if (reference.undefined > listed) {
      out += "  - and " + std::to_string(reference.undefined - listed) +
             " more uses (numbers, or names used again)\n";
    }
  }

  if (!seen.missing_files.empty()) {
    out += "\n## Files named but not found\n\n";
    for (const Group& group : missing) {
      out += group.count == 1
                 ? "- " + MissingWhere(group.first[0]) + " names `" + group.what + "`\n"
                 : "- `" + group.what + "`, named " + Places(group) + "\n";
    }
  }

  if (merge) {
    out += "\n## Rules widened\n\n";
    bool any = false;
    for (const RuleChange& change : learned.changes) {
      if (change.kind != RuleChange::Kind::kWidened) continue;
      any = true;
      out += "- [" + change.section + "] " + change.key + ": " + change.how + "\n";
    }
    if (!any) out += "None.\n";
  }
  return out;
}

}  // namespace tarn
