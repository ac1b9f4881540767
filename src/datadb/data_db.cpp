#include "datadb/data_db.h"

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

}  // namespace

DataDB::DataDB(Database db)
    : db_(std::move(db)),
      insert_section_(
          db_.Prepare("INSERT INTO Sections (Area, Section, File, Line) VALUES (?1, ?2, ?3, ?4)")),
      insert_entry_(
          db_.Prepare("INSERT INTO Entries (Entry, EntryID, Link, Line) VALUES (?1, ?2, ?3, ?4)")),
      insert_value_(db_.Prepare("INSERT INTO \"Values\" (Link, Value) VALUES (?1, ?2)")) {}

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

void DataDB::Commit() {
  if (!in_group_) return;
  in_group_ = false;
  db_.Exec("COMMIT");
}

std::int32_t DataDB::Insert(Statement& insert) {
  // The statement is made ready for the next row also when this row is refused: a statement
  // left unreset would fail every later row.
  struct ResetAfterwards {
    Statement& statement;
    ~ResetAfterwards() { statement.Reset(); }
  } reset{insert};
  insert.Step();
  const auto id = static_cast<std::int32_t>(db_.LastInsertRowId());
  if (++rows_in_group_ >= kRowsPerGroup) Commit();
  return id;
}

std::int32_t DataDB::AddSection(std::string_view area, std::string_view section,
                                std::string_view file, std::int32_t line) {
  BeforeRow();
  BindGameText(insert_section_, 1, area);
  BindGameText(insert_section_, 2, section);
  BindGameText(insert_section_, 3, file);
  insert_section_.BindInt(4, line);
  return Insert(insert_section_);
}

std::int32_t DataDB::AddEntry(std::string_view entry, std::int32_t entry_id,
                              std::int32_t section_row, std::int32_t line) {
  BeforeRow();
  BindGameText(insert_entry_, 1, entry);
  insert_entry_.BindInt(2, entry_id);
  insert_entry_.BindInt(3, section_row);
  insert_entry_.BindInt(4, line);
  return Insert(insert_entry_);
}

std::int32_t DataDB::AddValue(std::int32_t entry_row, const ValueView& value) {
  BeforeRow();
  insert_value_.BindInt(1, entry_row);
  WithStoredText(
      value,
      [this](std::string_view text, bool from_game) {
        if (from_game) {
          BindGameText(insert_value_, 2, text);
        } else {
          insert_value_.BindText(2, text);
        }
      },
      [this] { insert_value_.BindNull(2); });
  return Insert(insert_value_);
}

}  // namespace tarn
