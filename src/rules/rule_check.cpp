#include "rules/rule_check.h"

#include <map>

#include "model/entry.h"
#include "model/keyed_collection.h"
#include "model/section.h"
#include "shell/ascii_case.h"
#include "shell/error.h"

namespace tarn {

namespace {

std::string Place(const std::string& file, int line) { return file + ":" + std::to_string(line); }

// The error's text as a modder reads it: the program's own numbered text, or the
// platform's description.
std::string Describe(const TarnError& error, const std::string& what) {
  if (error.Number() == kErrDuplicateKey) return what + " is stated twice (letter case aside)";
  return error.Description();
}

}  // namespace

void CheckRuleSet(const RuleSet& rules) {
  KeyedCollection<Section> library;
  std::map<std::int32_t, std::string> identifiers;
  for (const SectionRule& rule : rules.sections) {
    auto owned = std::make_unique<Section>();
    owned->SetSectionName(rule.name);
    Section* section = nullptr;
    try {
      section = &library.Add(std::move(owned), AsciiUppered(rule.name));
    } catch (const TarnError& error) {
      throw RuleSourceError(rule.file, rule.line, Describe(error, "section [" + rule.name + "]"));
    }
    for (const EntryRule& entry_rule : rule.entries) {
      auto [at, added] = identifiers.emplace(entry_rule.db_id, Place(rule.file, entry_rule.line));
      if (!added) {
        throw RuleSourceError(rule.file, entry_rule.line,
                              "identifier #" + std::to_string(entry_rule.db_id) +
                                  " is used already at " + at->second);
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
}

}  // namespace tarn
