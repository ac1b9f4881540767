// A settings database for tests of the rule loader and the dump: the three objects the
// program needs, with _bc_ListSections as a plain table whose rows a test writes in the
// order the query is to give them.
#pragma once

#include <string>

#include "datadb/database.h"
#include "support/temp_dir.h"

namespace tarn::testing {

class RuleDB {
 public:
  RuleDB();

  // Adds one query row. Texts given as "NULL" are stored as null.
  void AddRow(const std::string& section, const std::string& entry, const std::string& entry_idx,
              const std::string& fixed, const std::string& multi_line, const std::string& var_args,
              const std::string& db_id, const std::string& value_name, const std::string& type,
              const std::string& type_name, const std::string& value_idx,
              const std::string& is_multi);

  // The open database.
  Database& Db() { return db_; }
  const std::string& Path() const { return path_; }

 private:
  TempDir dir_;
  std::string path_;
  Database db_;
};

}  // namespace tarn::testing
