#include "rules/rule_check.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "model/entry.h"
#include "model/section.h"
#include "platform/ascii_case.h"
#include "platform/error.h"

namespace tarn {

namespace {

std::string Place(const std::string& file, int line) { return file + ":" + std::to_string(line); }

// The error's text as a modder reads it: the program's own numbered text, or the
// platform's description.
std::string Describe(const TarnError& error, const std::string& what) {
  if (error.Number() == kErrDuplicateKey) return what + " is stated twice (letter case aside)";
  return error.Description();
}

// Every named object kind must be one the rule set defines: a section rule with that entry
// rule, whose first position holds a name.
void CheckNameTargets(const RuleSet& rules) {
  std::unordered_map<std::string, const SectionRule*> sections;
  for (const SectionRule& section : rules.sections) {
    sections.emplace(AsciiUppered(section.name), &section);
  }
  for (const SectionRule& section : rules.sections) {
    for (const EntryRule& entry : section.entries) {
      for (const ValueRule& value : entry.values) {
        if (value.refers_to.empty()) continue;
        auto fail = [&](const std::string& message) {
          throw RuleSourceError(section.file, entry.line,
                                "entry \"" + entry.name + "\": " + message);
        };
        if (value.type != 3) fail("only a String position can name an object");
        for (std::size_t i = 0; i < value.refers_to.size(); ++i) {
          const NameTarget& target = value.refers_to[i];
          const std::string named = "[" + target.section + "]" + target.key;
          for (std::size_t j = 0; j < i; ++j) {
            if (EqualsIgnoringAsciiCase(value.refers_to[j].section, target.section) &&
                EqualsIgnoringAsciiCase(value.refers_to[j].key, target.key)) {
              fail(named + " is named twice");
            }
          }
          auto at = sections.find(AsciiUppered(target.section));
          if (at == sections.end()) fail(named + ": no section rule [" + target.section + "]");
          const std::vector<EntryRule>& entries = at->second->entries;
          auto defining = std::find_if(entries.begin(), entries.end(), [&](const EntryRule& e) {
            return EqualsIgnoringAsciiCase(e.name, target.key);
          });
          if (defining == entries.end()) {
            fail(named + ": no entry rule \"" + target.key + "\" in [" + target.section + "]");
          }
          if (defining->values.empty() || defining->values.front().type != 3) {
            fail(named + ": its first position is not a String, so it defines no name");
          }
        }
      }
    }
  }
}

}  // namespace

void CheckRuleSet(const RuleSet& rules) {
  // Each section is built as the loader builds it and dropped once checked, so that a large
  // rule set is checked in the memory of one section; only the names and identifiers stay.
  std::unordered_set<std::string> names;
  std::unordered_map<std::int32_t, std::pair<const SectionRule*, int>> identifiers;
  for (const SectionRule& rule : rules.sections) {
    if (!names.insert(AsciiUppered(rule.name)).second) {
      throw RuleSourceError(
          rule.file, rule.line,
          Describe(TarnError(kErrDuplicateKey, "", ""), "section [" + rule.name + "]"));
    }
    auto owned = std::make_unique<Section>();
    owned->SetSectionName(rule.name);
    Section* section = owned.get();
    for (const EntryRule& entry_rule : rule.entries) {
      auto [at, added] = identifiers.try_emplace(entry_rule.db_id, &rule, entry_rule.line);
      if (!added) {
        throw RuleSourceError(rule.file, entry_rule.line,
                              "identifier #" + std::to_string(entry_rule.db_id) +
                                  " is used already at " +
                                  Place(at->second.first->file, at->second.second));
      }
      try {
        if (entry_rule.fixed < 0 || entry_rule.fixed > INT16_MAX) {
          RaisePlatformError(kErrOverflow);
        }
        Entry& entry =
            section->Add(entry_rule.name, static_cast<std::int16_t>(entry_rule.fixed),
                         entry_rule.multi_line, entry_rule.var_args, entry_rule.mandatory,
                         entry_rule.db_id, AsciiUppered(entry_rule.name));
        std::int16_t position = 0;
        for (const ValueRule& value : entry_rule.values) {
          entry.AddValue(value.name.value_or(""), value.type, ++position, value.is_multi)
              .SetWhole(value.whole);
        }
      } catch (const TarnError& error) {
        throw RuleSourceError(rule.file, entry_rule.line,
                              Describe(error, "entry \"" + entry_rule.name + "\""));
      }
    }
  }
  CheckNameTargets(rules);
}

}  // namespace tarn
