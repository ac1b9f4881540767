#include "learn/learn_report.h"

#include <array>
#include <cstdint>

namespace tarn {

namespace {

constexpr std::array<const char*, kCandidateCount> kCandidateNames = {"Long", "Double", "Boolean"};

std::string Where(const Place& place) {
  return place.line > 0 ? place.file + ":" + std::to_string(place.line) : place.file;
}

std::string Position(std::size_t position) {
  return position == 0 ? "the variable tail" : "value " + std::to_string(position);
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

  out += "\n## Lines no rule can describe\n\n";
  if (seen.undescribable.empty())
    out += "None: checking the folder with these rules gives no warning.\n";
  for (const Undescribable& line : seen.undescribable) {
    out += "- " + Where(line.place) + ": " + line.what + "\n";
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
      out += std::string(i == 0 ? " " : " | ") + "[" + reference.targets[i].section + "]" +
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
    for (const Undescribable& missing : seen.missing_files) {
      // The files of _bc_OtherINI are named by no line of the game.
      const std::string where = missing.place.file == "N/A" ? "_bc_OtherINI" : Where(missing.place);
      out += "- " + where + " names `" + missing.what + "`\n";
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
