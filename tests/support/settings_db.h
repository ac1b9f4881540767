// Settings databases TARN.MDB for tests: the settings record in _bc_Settings, the files of
// _bc_OtherINI and the rule query _bc_ListSections, either built from rule text (the format
// of data/README.md) by the program's own rule tables, or as a plain table of given rows for
// queries the rule tables never give.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/rows.h"

namespace tarn::testing {

struct SettingsContent {
  std::string kv_path;
  std::string log_path;
  std::string overwrite = "0";  // as SQL: a number, a quoted text or NULL
  std::string rules;            // rule text
  // When set, _bc_ListSections is a table of these rows instead, in the row reader's form
  // ("null" for NULL) with the columns SectionName, EntryName, _bc_entries.IDX,
  // FixedArgsNo, IsMultiLine, HasVarArgs, IsMandatory, DB_ID, ValueName, Type, TypeName,
  // _bc_values.IDX, IsMulti.
  std::optional<Rows> query_rows;
  std::vector<std::string> other_ini;
  std::string sql;  // run last, for records and objects of odd shape
};

// Replaces whatever is at path.
void MakeSettingsDB(const std::string& path, const SettingsContent& content = {});

}  // namespace tarn::testing
