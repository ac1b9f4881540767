#include "support/rule_db.h"

namespace tarn::testing {

namespace {

std::string Sql(const std::string& text) {
  if (text == "NULL") return text;
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

RuleDB::RuleDB()
    : path_(dir_.File("TARN.MDB")), db_(Database::Open(path_, Database::Mode::kCreate)) {
  db_.Exec(
      "CREATE TABLE _bc_Settings (KVPath TEXT, LogPath TEXT, OverwriteLog INTEGER);"
      "INSERT INTO _bc_Settings VALUES ('', 'logs', 0);"
      "CREATE TABLE _bc_OtherINI (Value TEXT);"
      "CREATE TABLE _bc_ListSections (SectionName TEXT, EntryName TEXT, "
      "\"_bc_entries.IDX\", FixedArgsNo, IsMultiLine, HasVarArgs, IsMandatory, DB_ID, "
      "ValueName TEXT, Type, TypeName TEXT, \"_bc_values.IDX\", IsMulti);");
}

void RuleDB::AddRow(const std::string& section, const std::string& entry,
                    const std::string& entry_idx, const std::string& fixed,
                    const std::string& multi_line, const std::string& var_args,
                    const std::string& db_id, const std::string& value_name,
                    const std::string& type, const std::string& type_name,
                    const std::string& value_idx, const std::string& is_multi) {
  db_.Exec("INSERT INTO _bc_ListSections VALUES (" + Sql(section) + ", " + Sql(entry) + ", " +
           entry_idx + ", " + fixed + ", " + multi_line + ", " + var_args + ", 0, " + db_id + ", " +
           Sql(value_name) + ", " + type + ", " + Sql(type_name) + ", " + value_idx + ", " +
           is_multi + ")");
}

}  // namespace tarn::testing
