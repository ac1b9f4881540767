// The open data database KV.MDB and the writer of its three tables (the data database of
// "Init DB", and the row writing that the model's Store calls through RowSink).
//
// Row identifiers are given here, in the order rows come, as SQLite would give them. Rows are
// held back and written many to one statement, and in groups, each in a transaction of its
// own: a group is handed to a writer thread of the object's own once it holds kRowsPerGroup
// rows, so that the rows of the next group are read and checked while SQLite writes it; and
// when Commit() is called, and before the object goes, every group is written and committed,
// so that every group written before any end of the program stays. A killed process leaves a
// database that opens cleanly and holds every group committed before the kill.
//
// The connection belongs to the writer thread while it writes; every other use of it waits
// for Commit(). A group that cannot be written is raised by the next call that hands a group
// over or by Commit().
#pragma once

#include <charconv>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

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

  // The connection, for other tables of KV.MDB; call Commit first.
  Database& Db() { return db_; }

  // Writes the rows held back and commits them, and waits until every group handed over
  // before is committed. Raises TarnError when a group cannot be written; the rows of that
  // group are then lost.
  void Commit();

  // One row each; the identifier is given at once, the row written later. Texts are 8-bit code
  // page 1252 and are stored as UTF-8; a value is stored as WithStoredText says. A row that
  // the table refuses (an empty text where one is wanted) raises the TarnError SQLite gives
  // for it, before anything of it is held. A row that completes a group may raise the failure
  // of the group before it.
  std::int32_t AddSection(std::string_view area, std::string_view section, std::string_view file,
                          std::int32_t line) override;
  std::int32_t AddEntry(std::string_view entry, std::int32_t entry_id, std::int32_t section_row,
                        std::int32_t line) override;
  std::int32_t AddValue(std::int32_t entry_row, const ValueView& value) override;

  // While many rows are added, the tables' secondary indexes are dropped and made afresh once
  // at the end: building an index once costs much less than keeping it up row by row. The
  // named indexes are as "Init DB" made them again after EndBulk (or after the object goes).
  // Raise TarnError.
  void BeginBulk();
  void EndBulk();
  bool InBulk() const { return bulk_; }

 private:
  // The rows of one table held back: their numbers, and their texts one after the other.
  struct Pending {
    std::vector<std::int64_t> numbers;  // a row's numbers, columns in order
    std::vector<std::uint32_t> ends;    // where each text ends in texts; a null text: ~0u
    std::string texts;
    std::size_t rows = 0;

    void Clear() {
      numbers.clear();
      ends.clear();
      texts.clear();
      rows = 0;
    }
  };

  struct Group {
    Pending sections, entries, values;
  };

  void Added();    // a row was held back: hands a full group to the writer
  void HandOff();  // hands the rows held back to the writer, once it is done with the last
  // Waits until the writer is done with its group, and raises the failure of a group not
  // raised yet.
  void AwaitWriter(std::unique_lock<std::mutex>& lock);
  void WriteGroups();  // the writer thread
  void WriteGroup(Group& group);
  void FlushTable(Pending& pending, Statement& many, Statement& one, int numbers, int texts);
  void HoldText(Pending& pending, std::string_view text, bool from_game);

  Database db_;
  Statement sections_many_, sections_one_;
  Statement entries_many_, entries_one_;
  Statement values_many_, values_one_;
  Group held_;  // filled by the calling thread
  std::int32_t last_section_ = 0, last_entry_ = 0, last_value_ = 0;
  int rows_in_group_ = 0;
  bool bulk_ = false;

  // Between the calling thread and the writer.
  std::mutex mutex_;
  std::condition_variable changed_;
  Group handed_;                // the writer's while busy_
  bool busy_ = false;           // handed_ holds a group not written yet
  bool stopping_ = false;       // the object goes
  std::exception_ptr failure_;  // of a group, not raised yet
  std::thread writer_;          // started with the first group
};

}  // namespace tarn
