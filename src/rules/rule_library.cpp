#include "rules/rule_library.h"

#include <unordered_map>

#include "log/front_end.h"
#include "log/log.h"
#include "platform/ascii_case.h"
#include "platform/error.h"
#include "rules/rule_query.h"
#include "rules/rule_tables.h"

namespace tarn {

namespace {

// Rows are grouped by comparing each with the one before, exactly (letter case counts): a
// section is a run of rows with one SectionName, an entry a run with one EntryName within
// it. The collections' keys ignore letter case, so a section or entry met again, in
// another run or another case, fails as a duplicate key.
void LoadRules(RuleQuery& rules, RuleLibrary& library) {
  while (!rules.AtEnd()) {
    const std::string section_name = rules.Text("SectionName");
    auto owned = std::make_unique<Section>();
    owned->SetSectionName(section_name);
    Section& section = library.Add(std::move(owned), AsciiUppered(section_name));
    while (!rules.AtEnd()) {
      if (rules.Text("SectionName") != section_name) break;
      const std::string entry_name = rules.Text("EntryName");
      const std::int16_t fixed = rules.Int16("FixedArgsNo");
      const bool multi_line = rules.Boolean("IsMultiLine");
      const bool var_args = rules.Boolean("HasVarArgs");
      const bool mandatory = rules.Boolean("IsMandatory");
      const std::int32_t id = rules.Int32("DB_ID");
      Entry& entry = section.Add(entry_name, fixed, multi_line, var_args, mandatory, id,
                                 AsciiUppered(entry_name));
      while (!rules.AtEnd()) {
        if (rules.Text("EntryName") != entry_name || rules.Text("SectionName") != section_name) {
          break;
        }
        const std::string value_name = rules.IsNull("ValueName") ? "" : rules.Text("ValueName");
        const std::int32_t type = rules.Int32("Type");
        const std::int16_t position = rules.Int16("_bc_values.IDX");
        const bool is_multi = rules.Boolean("IsMulti");
        entry.AddValue(value_name, type, position, is_multi);
        rules.MoveNext();
      }
    }
  }
}

// The whole positions and the flag forms live beside the rule query, in the rule tables that
// TARN writes.
void MarkBesideTheQuery(Database& db, RuleLibrary& library) {
  std::unordered_map<std::int32_t, Entry*> by_id;
  for (Section& section : library) {
    for (Entry& entry : section) by_id.emplace(entry.EntryDB_ID(), &entry);
  }
  ForEachWholePosition(db, [&by_id](std::int32_t entry_id, std::int32_t position) {
    auto entry = by_id.find(entry_id);
    if (entry != by_id.end()) entry->second->MarkWhole(position);
  });
  ForEachFlagForm(db, [&by_id](std::int32_t entry_id, FlagForm form) {
    auto entry = by_id.find(entry_id);
    if (entry != by_id.end()) entry->second->SetFlagForm(form);
  });
}

}  // namespace

std::unique_ptr<RuleLibrary> InitParse(Log& log, Database& settings_db) {
  try {
    RuleQuery rules(settings_db);
    auto library = std::make_unique<RuleLibrary>();
    LoadRules(rules, *library);
    MarkBesideTheQuery(settings_db, *library);
    return library;
  } catch (const TarnError& error) {
    log.ReportError(error, "InitParse");
    EndProgram();
  }
}

}  // namespace tarn
