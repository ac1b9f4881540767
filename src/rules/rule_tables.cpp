#include "rules/rule_tables.h"

#include <atomic>

#include <algorithm>
#include <functional>
#include <unordered_map>

#include "datadb/schema.h"
#include "platform/ascii_case.h"
#include "platform/error.h"
#include "report/known_findings.h"
#include "rules/rule_history.h"
#include "rules/rule_query.h"

namespace tarn {

namespace {

// The source file of each section name, when the database's rule tables record them (the
// first section of a name decides); none for rule tables of another design.
std::unordered_map<std::string, std::string> RuleFiles(Database& db) {
  std::unordered_map<std::string, std::string> files;
  try {
    Statement rows = db.Prepare("SELECT SectionName, RuleFile FROM _bc_sections ORDER BY DB_ID");
    while (rows.Step()) {
      if (!rows.IsNull(0) && !rows.IsNull(1) && !rows.Text(1).empty()) {
        files.emplace(rows.Text(0), rows.Text(1));
      }
    }
  } catch (const TarnError&) {
    // A rule query of another design: its sections go to the default file.
  }
  return files;
}

bool HasColumn(Database& db, std::string_view table, std::string_view column) {
  Statement columns = db.Prepare("SELECT name FROM pragma_table_info(?1)");
  columns.BindText(1, table);
  while (columns.Step()) {
    if (columns.Text(0) == column) return true;
  }
  return false;
}

std::string ObjectType(Database& db, std::string_view name) {
  Statement type = db.Prepare("SELECT type FROM sqlite_master WHERE name = ?1");
  type.BindText(1, name);
  return type.Step() ? type.Text(0) : std::string();
}

}  // namespace

RuleSet ReadRuleTables(Database& db) {
  RuleSet rules;
  const std::unordered_map<std::string, std::string> files = RuleFiles(db);
  RuleQuery query(db);
  while (!query.AtEnd()) {
    SectionRule section;
    section.name = query.Text("SectionName");
    const auto file = files.find(section.name);
    section.file = file == files.end() ? kDefaultRuleFile : file->second;
    while (!query.AtEnd() && query.Text("SectionName") == section.name) {
      EntryRule entry;
      entry.name = query.Text("EntryName");
      entry.idx = query.Int32("_bc_entries.IDX");
      entry.fixed = query.Int16("FixedArgsNo");
      entry.multi_line = query.Boolean("IsMultiLine");
      entry.var_args = query.Boolean("HasVarArgs");
      entry.mandatory = query.Boolean("IsMandatory");
      entry.db_id = query.Int32("DB_ID");
      while (!query.AtEnd() && query.Text("EntryName") == entry.name &&
             query.Text("SectionName") == section.name) {
        ValueRule value;
        if (!query.IsNull("ValueName")) value.name = query.Text("ValueName");
        value.type = query.Int32("Type");
        value.is_multi = query.Boolean("IsMulti");
        entry.values.push_back(std::move(value));
        query.MoveNext();
      }
      section.entries.push_back(std::move(entry));
    }
    rules.sections.push_back(std::move(section));
  }
  std::unordered_map<std::int32_t, EntryRule*> by_id;
  for (SectionRule& section : rules.sections) {
    for (EntryRule& entry : section.entries) by_id.emplace(entry.db_id, &entry);
  }
  std::unordered_map<std::int32_t, NameTarget> targets;
  for (SectionRule& section : rules.sections) {
    for (EntryRule& entry : section.entries)
      targets.emplace(entry.db_id, NameTarget{section.name, entry.name});
  }
  for (const StoredNameReference& reference : ReadNameReferences(db)) {
    auto at = by_id.find(reference.entry_id);
    if (at == by_id.end()) continue;
    std::vector<ValueRule>& values = at->second->values;
    if (reference.position < 1 || reference.position > static_cast<std::int32_t>(values.size())) {
      continue;
    }
    ValueRule& value = values[static_cast<std::size_t>(reference.position - 1)];
    for (std::int32_t target : reference.targets) {
      // A target the rules no longer hold cannot be named; the rule check would refuse it.
      auto named = targets.find(target);
      if (named == targets.end()) continue;
      value.refers_to.push_back(named->second);
      value.refers_to.back().local =
          std::find(reference.local_targets.begin(), reference.local_targets.end(), target) !=
          reference.local_targets.end();
    }
  }
  ForEachFlagForm(db, [&by_id](std::int32_t entry_id, FlagForm form) {
    auto at = by_id.find(entry_id);
    if (at != by_id.end()) at->second->flag = form;
  });
  ForEachWholePosition(db, [&by_id](std::int32_t entry_id, std::int32_t position) {
    auto at = by_id.find(entry_id);
    if (at == by_id.end()) return;
    std::vector<ValueRule>& values = at->second->values;
    if (position >= 1 && position <= static_cast<std::int32_t>(values.size()) &&
        values[static_cast<std::size_t>(position - 1)].type == 1) {
      values[static_cast<std::size_t>(position - 1)].whole = true;
    }
  });
  return rules;
}

void ForEachWholePosition(Database& db,
                          const std::function<void(std::int32_t, std::int32_t)>& visit) {
  Statement rows;
  try {
    if (ObjectType(db, "_bc_values") != "table" || !HasColumn(db, "_bc_values", "Whole")) return;
    rows = db.Prepare("SELECT EntryID, IDX FROM _bc_values WHERE Whole <> 0 ORDER BY DB_ID");
  } catch (const TarnError&) {
    return;  // rule tables of another design mark no position
  }
  while (rows.Step()) {
    visit(static_cast<std::int32_t>(rows.Int(0)), static_cast<std::int32_t>(rows.Int(1)));
  }
}

void ForEachFlagForm(Database& db, const std::function<void(std::int32_t, FlagForm)>& visit) {
  Statement rows;
  try {
    if (ObjectType(db, "_bc_flag_lines") != "table") return;
    rows = db.Prepare("SELECT EntryID, Bare FROM _bc_flag_lines ORDER BY EntryID");
  } catch (const TarnError&) {
    return;  // rule tables of another design say nothing of flag keys
  }
  while (rows.Step()) {
    visit(static_cast<std::int32_t>(rows.Int(0)),
          rows.Int(1) != 0 ? FlagForm::kBare : FlagForm::kValued);
  }
}

std::vector<StoredNameReference> ReadNameReferences(Database& db) {
  std::vector<StoredNameReference> references;
  Statement rows;
  try {
    if (ObjectType(db, "_bc_references") != "table") return references;
    // Tables written before names could be local to groups of files have no Local column.
    const std::string local = HasColumn(db, "_bc_references", "Local") ? "r.Local" : "0";
    rows = db.Prepare("SELECT r.EntryID, r.IDX, coalesce(v.IsMulti, 0), r.TargetEntryID, " + local +
                      " FROM _bc_references r "
                      "LEFT JOIN _bc_values v ON v.EntryID = r.EntryID AND v.IDX = r.IDX "
                      "ORDER BY r.EntryID, r.IDX, r.DB_ID");
  } catch (const TarnError&) {
    return references;  // rule tables of another design name nothing
  }
  while (rows.Step()) {
    const auto entry_id = static_cast<std::int32_t>(rows.Int(0));
    const auto position = static_cast<std::int32_t>(rows.Int(1));
    if (references.empty() || references.back().entry_id != entry_id ||
        references.back().position != position) {
      references.push_back({entry_id, position, rows.Int(2) != 0, {}, {}});
    }
    references.back().targets.push_back(static_cast<std::int32_t>(rows.Int(3)));
    if (rows.Int(4) != 0) {
      references.back().local_targets.push_back(static_cast<std::int32_t>(rows.Int(3)));
    }
  }
  return references;
}

namespace {

// known: the known findings that replace the installed ones; null leaves them as they are.
// Returns false, db unchanged, when cancel was set by the time the rows were written.
bool Write(Database& db, const RuleSet& rules, bool keep_replaced,
           const std::vector<std::string>* known = nullptr,
           const std::atomic<bool>* cancel = nullptr) {
  db.Exec("BEGIN");
  try {
    if (keep_replaced) KeepRuleObjects(db);
    std::string query_type = ObjectType(db, "_bc_ListSections");
    if (query_type == "view") db.Exec("DROP VIEW _bc_ListSections");
    if (query_type == "table") db.Exec("DROP TABLE _bc_ListSections");
    db.Exec(schema::kRuleTables);
    // Rule tables made before positions could be whole get the column.
    if (!HasColumn(db, "_bc_values", "Whole")) {
      db.Exec("ALTER TABLE _bc_values ADD COLUMN Whole INTEGER NOT NULL DEFAULT 0");
    }
    if (!HasColumn(db, "_bc_references", "Local")) {
      db.Exec("ALTER TABLE _bc_references ADD COLUMN Local INTEGER NOT NULL DEFAULT 0");
    }
    db.Exec(
        "DELETE FROM _bc_flag_lines; DELETE FROM _bc_references; DELETE FROM _bc_values; "
        "DELETE FROM _bc_entries; "
        "DELETE FROM _bc_sections;");
    std::unordered_map<std::string, std::int32_t> entry_ids;  // "SECTION]KEY" -> identifier
    for (const SectionRule& section : rules.sections) {
      for (const EntryRule& entry : section.entries) {
        entry_ids.emplace(AsciiUppered(section.name) + "]" + AsciiUppered(entry.name), entry.db_id);
      }
    }
    Statement add_reference = db.Prepare(
        "INSERT INTO _bc_references (EntryID, IDX, TargetEntryID, Local) VALUES (?1, ?2, ?3, ?4)");
    Statement add_section = db.Prepare(
        "INSERT INTO _bc_sections (DB_ID, SectionName, IDX, RuleFile) VALUES (?1, ?2, ?1, ?3)");
    Statement add_entry = db.Prepare(
        "INSERT INTO _bc_entries (DB_ID, SectionID, EntryName, IDX, FixedArgsNo, IsMultiLine, "
        "HasVarArgs, IsMandatory) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    Statement add_flag = db.Prepare("INSERT INTO _bc_flag_lines (EntryID, Bare) VALUES (?1, ?2)");
    Statement add_value = db.Prepare(
        "INSERT INTO _bc_values (EntryID, IDX, ValueName, Type, IsMulti, Whole) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    std::int64_t section_id = 0;
    for (const SectionRule& section : rules.sections) {
      add_section.BindInt(1, ++section_id);
      add_section.BindText(2, section.name);
      add_section.BindText(3, section.file);
      add_section.Step();
      add_section.Reset();
      for (const EntryRule& entry : section.entries) {
        add_entry.BindInt(1, entry.db_id);
        add_entry.BindInt(2, section_id);
        add_entry.BindText(3, entry.name);
        add_entry.BindInt(4, entry.idx);
        add_entry.BindInt(5, entry.fixed);
        add_entry.BindInt(6, entry.multi_line);
        add_entry.BindInt(7, entry.var_args);
        add_entry.BindInt(8, entry.mandatory);
        add_entry.Step();
        add_entry.Reset();
        if (entry.flag != FlagForm::kUnsaid) {
          add_flag.BindInt(1, entry.db_id);
          add_flag.BindInt(2, entry.flag == FlagForm::kBare);
          add_flag.Step();
          add_flag.Reset();
        }
        std::int64_t position = 0;
        for (const ValueRule& value : entry.values) {
          add_value.BindInt(1, entry.db_id);
          add_value.BindInt(2, ++position);
          if (value.name) {
            add_value.BindText(3, *value.name);
          } else {
            add_value.BindNull(3);
          }
          add_value.BindInt(4, value.type);
          add_value.BindInt(5, value.is_multi);
          add_value.BindInt(6, value.whole);
          add_value.Step();
          add_value.Reset();
          for (const NameTarget& target : value.refers_to) {
            auto id = entry_ids.find(AsciiUppered(target.section) + "]" + AsciiUppered(target.key));
            if (id == entry_ids.end()) {
              throw TarnError(kErrInvalidArgument,
                              "[" + target.section + "]" + target.key + " is not in the rule set",
                              ErrorSource("RuleTables"));
            }
            add_reference.BindInt(1, entry.db_id);
            add_reference.BindInt(2, position);
            add_reference.BindInt(3, id->second);
            add_reference.BindInt(4, target.local);
            add_reference.Step();
            add_reference.Reset();
          }
        }
      }
    }
    if (known != nullptr) ReplaceKnownFindings(db, *known);
    if (keep_replaced) StampImport(db);
    if (cancel != nullptr && cancel->load()) {
      db.Exec("ROLLBACK");
      return false;
    }
    db.Exec("COMMIT");
  } catch (const TarnError&) {
    db.Exec("ROLLBACK");
    throw;
  }
  return true;
}

}  // namespace

void WriteRuleTables(Database& db, const RuleSet& rules) { Write(db, rules, false); }

bool ImportRuleTables(Database& db, const RuleSet& rules, const std::vector<std::string>& known,
                      const std::atomic<bool>* cancel) {
  return Write(db, rules, true, &known, cancel);
}

}  // namespace tarn
