// Appending rows to the three tables of the data database KV.MDB.
//
// Rows are written in groups: the first row after a commit opens a transaction, and the
// group is committed once it holds kRowsPerGroup rows, when Commit() is called, and before
// the data database is closed, so that every group written before any end of the program
// stays. A killed process leaves a database that opens cleanly and holds every group
// committed before the kill.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "datadb/database.h"
#include "model/var_value.h"

namespace tarn {

// The open data database.
class DataDB {
 public:
  static constexpr int kRowsPerGroup = 8192;

  // Takes over an open connection to KV.MDB.
  explicit DataDB(Database db);
  ~DataDB();  // commits the open group; failures are ignored here (call Commit to see them)
  DataDB(const DataDB&) = delete;
  DataDB& operator=(const DataDB&) = delete;

  Database& Db() { return db_; }

  // Called before each row is written: opens a group when none is open.
  void BeforeRow();
  // Called after each row is written: commits the group when it is full.
  void AfterRow();
  // Commits the open group, if any. Raises TarnError when the commit fails.
  void Commit();

 private:
  Database db_;
  bool in_group_ = false;
  int rows_in_group_ = 0;
};

// The cursor through which sections are stored: one row in Sections per call.
class SectionsCursor {
 public:
  explicit SectionsCursor(DataDB& db);
  // Appends a row and returns its DB_ID. Texts are 8-bit code page 1252 and are stored as
  // UTF-8. Raises TarnError on a refused row (an empty text, for instance); rows written
  // before stay.
  std::int32_t Append(std::string_view area, std::string_view section, std::string_view file,
                      std::int32_t line);

 private:
  DataDB& db_;
  Statement insert_;
};

// The cursor through which entry lines are stored: one row in Entries per call.
class EntriesCursor {
 public:
  explicit EntriesCursor(DataDB& db);
  std::int32_t Append(std::string_view entry, std::int32_t entry_id, std::int32_t link,
                      std::int32_t line);

 private:
  DataDB& db_;
  Statement insert_;
};

// The cursor through which values are stored: one row in Values per call.
class ValuesCursor {
 public:
  explicit ValuesCursor(DataDB& db);
  // Stores value in its text form: texts as read (converted to UTF-8), integers in decimal,
  // doubles in the shortest form that reads back the same ("0.5", "16", "1e+20"), Booleans
  // as "True" / "False"; Null stays NULL.
  std::int32_t Append(std::int32_t link, const VarValue& value) {
    return Append(link, ViewOf(value));
  }
  std::int32_t Append(std::int32_t link, const ValueView& value);

 private:
  DataDB& db_;
  Statement insert_;
};

}  // namespace tarn
