#include "datadb/data_tables.h"

#include <charconv>
#include <cstdio>

#include "shell/codepage.h"
#include "shell/error.h"

namespace tarn {

namespace {

// Text from the game files is code page 1252; plain ASCII, by far the most of it, needs no
// conversion.
void BindGameText(Statement& statement, int index, std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      statement.BindText(index, Cp1252ToUtf8(text));
      return;
    }
  }
  statement.BindText(index, text);
}

std::int32_t RowId(DataDB& db) { return static_cast<std::int32_t>(db.Db().LastInsertRowId()); }

// Runs the bound insert and makes the statement ready for the next row, also when the row
// is refused: a statement left unreset would fail every later row.
void Insert(Statement& insert) {
  struct ResetAfterwards {
    Statement& statement;
    ~ResetAfterwards() { statement.Reset(); }
  } reset{insert};
  insert.Step();
}

}  // namespace

DataDB::DataDB(Database db) : db_(std::move(db)) {}

DataDB::~DataDB() {
  try {
    Commit();
  } catch (const TarnError&) {
    // Nothing can be reported from here; Commit() before the end reports it.
  }
}

void DataDB::BeforeRow() {
  if (!in_group_) {
    db_.Exec("BEGIN");
    in_group_ = true;
    rows_in_group_ = 0;
  }
}

void DataDB::AfterRow() {
  if (++rows_in_group_ >= kRowsPerGroup) Commit();
}

void DataDB::Commit() {
  if (!in_group_) return;
  in_group_ = false;
  db_.Exec("COMMIT");
}

SectionsCursor::SectionsCursor(DataDB& db)
    : db_(db),
      insert_(db.Db().Prepare(
          "INSERT INTO Sections (Area, Section, File, Line) VALUES (?1, ?2, ?3, ?4)")) {}

std::int32_t SectionsCursor::Append(std::string_view area, std::string_view section,
                                    std::string_view file, std::int32_t line) {
  db_.BeforeRow();
  BindGameText(insert_, 1, area);
  BindGameText(insert_, 2, section);
  BindGameText(insert_, 3, file);
  insert_.BindInt(4, line);
  Insert(insert_);
  std::int32_t id = RowId(db_);
  db_.AfterRow();
  return id;
}

EntriesCursor::EntriesCursor(DataDB& db)
    : db_(db),
      insert_(db.Db().Prepare(
          "INSERT INTO Entries (Entry, EntryID, Link, Line) VALUES (?1, ?2, ?3, ?4)")) {}

std::int32_t EntriesCursor::Append(std::string_view entry, std::int32_t entry_id,
                                   std::int32_t link, std::int32_t line) {
  db_.BeforeRow();
  BindGameText(insert_, 1, entry);
  insert_.BindInt(2, entry_id);
  insert_.BindInt(3, link);
  insert_.BindInt(4, line);
  Insert(insert_);
  std::int32_t id = RowId(db_);
  db_.AfterRow();
  return id;
}

ValuesCursor::ValuesCursor(DataDB& db)
    : db_(db), insert_(db.Db().Prepare("INSERT INTO \"Values\" (Link, Value) VALUES (?1, ?2)")) {}

std::int32_t ValuesCursor::Append(std::int32_t link, const ValueView& value) {
  db_.BeforeRow();
  insert_.BindInt(1, link);
  // Numbers are written into a buffer on the stack: this runs for every value of a game.
  char buffer[64];
  auto bind_number = [&](auto number) {
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, number);
    insert_.BindText(2, std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
  };
  switch (value.index()) {
    case 0:
      insert_.BindNull(2);
      break;
    case 1:
      bind_number(std::get<std::int32_t>(value));
      break;
    case 2:
      bind_number(std::get<double>(value));
      break;
    case 3:
      BindGameText(insert_, 2, std::get<std::string_view>(value));
      break;
    default:
      insert_.BindText(2, std::get<bool>(value) ? "True" : "False");
      break;
  }
  Insert(insert_);
  std::int32_t id = RowId(db_);
  db_.AfterRow();
  return id;
}

}  // namespace tarn
