// The open data database KV.MDB and the writer of its three tables (the data database of
// "Init DB", and the row writing that the model's Store calls through RowSink).
//
// Rows are written in groups: the first row after a commit opens a transaction, and the
// group is committed once it holds kRowsPerGroup rows, when Commit() is called, and before
// the object goes, so that every group written before any end of the program stays. A killed
// process leaves a database that opens cleanly and holds every group committed before the
// kill.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "datadb/database.h"
#include "model/row_sink.h"

namespace tarn {

// How a value is stored in Values.Value: integers in decimal, doubles in the shortest form that
// reads back the same ("0.5", "16", "1e+20"), Booleans as "True" / "False", texts as read;
// calls as_text(text, from_game) with from_game true for a text in the game's code page 1252
// (to be converted to UTF-8), or as_null() for Null.
template <typename AsText, typename AsNull>
void WithStoredText(const ValueView& value, AsText&& as_text, AsNull&& as_null) {
  // Numbers are written into a buffer on the stack: this runs for every value of a game.
  char buffer[64];
  auto number = [&](auto n) {
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, n);
    as_text(std::string_view(buffer, static_cast<std::size_t>(end - buffer)), false);
  };
  switch (value.index()) {
    case 0:
      as_null();
      break;
    case 1:
      number(std::get<std::int32_t>(value));
      break;
    case 2:
      number(std::get<double>(value));
      break;
    case 3:
      as_text(std::get<std::string_view>(value), true);
      break;
    default:
      as_text(std::get<bool>(value) ? std::string_view("True") : std::string_view("False"), false);
      break;
  }
}

class DataDB : public RowSink {
 public:
  static constexpr int kRowsPerGroup = 8192;

  // Takes over an open connection to KV.MDB whose tables exist, and prepares the inserts.
  // Raises TarnError when a table is missing.
  explicit DataDB(Database db);
  ~DataDB() override;  // commits the open group; failures are ignored (call Commit to see them)
  DataDB(const DataDB&) = delete;
  DataDB& operator=(const DataDB&) = delete;

  Database& Db() { return db_; }

  // Commits the open group, if any. Raises TarnError when the commit fails.
  void Commit();

  // One row each. Texts are 8-bit code page 1252 and are stored as UTF-8; a value is stored
  // in its text form: texts as read, integers in decimal, doubles in the shortest form that
  // reads back the same ("0.5", "16", "1e+20"), Booleans as "True" / "False", Null as NULL.
  // Raise TarnError on a refused row (an empty text, for instance); rows written before stay.
  std::int32_t AddSection(std::string_view area, std::string_view section, std::string_view file,
                          std::int32_t line) override;
  std::int32_t AddEntry(std::string_view entry, std::int32_t entry_id, std::int32_t section_row,
                        std::int32_t line) override;
  std::int32_t AddValue(std::int32_t entry_row, const ValueView& value) override;

 private:
  // Opens a group when none is open; called before each row.
  void BeforeRow();
  // Runs the bound insert, returns the row's identifier, and commits a full group.
  std::int32_t Insert(Statement& insert);

  Database db_;
  Statement insert_section_;
  Statement insert_entry_;
  Statement insert_value_;
  bool in_group_ = false;
  int rows_in_group_ = 0;
};

}  // namespace tarn
