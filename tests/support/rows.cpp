#include "support/rows.h"

#include "datadb/database.h"

namespace tarn::testing {

Rows RowsOf(Database& db, const std::string& sql) {
  Statement rows = db.Prepare(sql);
  Rows out;
  while (rows.Step()) {
    std::string row;
    for (int column = 0; column < rows.ColumnCount(); ++column) {
      if (column > 0) row += '|';
      row += rows.IsNull(column) ? "null" : rows.Text(column);
    }
    out.push_back(row);
  }
  return out;
}

Rows RowsOf(const std::string& path, const std::string& sql) {
  Database db = Database::Open(path, Database::Mode::kReadWrite);
  return RowsOf(db, sql);
}

}  // namespace tarn::testing
