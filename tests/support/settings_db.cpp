#include "support/settings_db.h"

#include <filesystem>
#include <sstream>

#include "datadb/database.h"
#include "datadb/schema.h"
#include "rules/rule_tables.h"
#include "rules/rule_text.h"

namespace tarn::testing {

void MakeSettingsDB(const std::string& path, const SettingsContent& content) {
  std::filesystem::remove(path);
  Database db = Database::Open(path, Database::Mode::kCreate);
  db.Exec(schema::kSettingsTables);
  Statement record =
      db.Prepare("INSERT INTO _bc_Settings VALUES (?1, ?2, " + content.overwrite + ")");
  record.BindText(1, content.kv_path);
  record.BindText(2, content.log_path);
  record.Step();
  Statement other = db.Prepare("INSERT INTO _bc_OtherINI VALUES (?1)");
  for (const std::string& file : content.other_ini) {
    other.BindText(1, file);
    other.Step();
    other.Reset();
  }
  if (content.query_rows) {
    db.Exec(
        "CREATE TABLE _bc_ListSections (SectionName TEXT, EntryName TEXT, "
        "\"_bc_entries.IDX\" INTEGER, FixedArgsNo INTEGER, IsMultiLine INTEGER, HasVarArgs "
        "INTEGER, IsMandatory INTEGER, DB_ID INTEGER, ValueName TEXT, Type INTEGER, TypeName "
        "TEXT, \"_bc_values.IDX\" INTEGER, IsMulti INTEGER)");
    Statement row = db.Prepare("INSERT INTO _bc_ListSections VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)");
    for (const std::string& text : *content.query_rows) {
      std::istringstream fields(text);
      std::string field;
      for (int column = 1; std::getline(fields, field, '|'); ++column) {
        field == "null" ? row.BindNull(column) : row.BindText(column, field);
      }
      row.Step();
      row.Reset();
    }
  } else {
    RuleSet rules;
    ParseRuleText(content.rules, "test.rules", rules);
    WriteRuleTables(db, rules);
  }
  if (!content.sql.empty()) db.Exec(content.sql);
}

}  // namespace tarn::testing
