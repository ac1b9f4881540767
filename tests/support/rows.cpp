#include "support/rows.h"

#include "datadb/database.h"

namespace tarn::testing {

namespace {

Rows Collect(Statement& rows) {
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

}  // namespace

Rows RowsOf(Database& db, const std::string& sql) {
  Statement rows = db.Prepare(sql);
  return Collect(rows);
}

Rows RowsOf(const std::string& path, const std::string& sql) {
  Database db = Database::Open(path, Database::Mode::kReadWrite);
  return RowsOf(db, sql);
}

Rows JsonRows(const std::string& json, const std::string& sql) {
  Database db = Database::Open(":memory:", Database::Mode::kCreate);
  Statement rows = db.Prepare(sql);
  rows.BindText(1, json);
  return Collect(rows);
}

Rows Everything(Database& db) {
  Rows all;
  Statement objects =
      db.Prepare("SELECT name, type, sql FROM sqlite_master WHERE sql IS NOT NULL ORDER BY name");
  while (objects.Step()) {
    all.push_back(objects.Text(0) + "|" + objects.Text(1) + "|" + objects.Text(2));
    if (objects.Text(1) != "table") continue;
    Statement rows = db.Prepare("SELECT * FROM \"" + objects.Text(0) + "\" ORDER BY rowid");
    while (rows.Step()) {
      std::string row = " ";
      for (int column = 0; column < rows.ColumnCount(); ++column) {
        row += " " + std::to_string(rows.Type(column)) + ":" + rows.Text(column);
      }
      all.push_back(row);
    }
  }
  return all;
}

Rows Everything(const std::string& path) {
  Database db = Database::Open(path, Database::Mode::kReadWrite);
  return Everything(db);
}

}  // namespace tarn::testing
