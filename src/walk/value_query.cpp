#include "walk/value_query.h"

#include <string>

#include "datadb/data_db.h"
#include "datadb/database.h"

namespace tarn {

namespace {

// Every stored value of every stored entry of one rule, entries in the order they were
// stored. The data tables are seen through their links in the settings database.
std::string QueryText(std::int16_t entry_id) {
  return "SELECT Entries.DB_ID AS \"Entries.DB_ID\", Sections.Area AS Area, "
         "Sections.Section AS Section, Sections.File AS File, "
         "Sections.Line AS \"Sections.Line\", Entries.Entry AS Entry, "
         "Entries.Line AS \"Entries.Line\", [Values].Value AS Value "
         "FROM (Sections LEFT JOIN Entries ON Sections.DB_ID = Entries.Link) "
         "LEFT JOIN [Values] ON Entries.DB_ID = [Values].Link "
         "WHERE Entries.EntryID = " +
         std::to_string(entry_id) + " ORDER BY Entries.DB_ID, [Values].DB_ID";
}

class SqlCursor : public StoredValues::Cursor {
 public:
  explicit SqlCursor(Statement rows)
      : rows_(std::move(rows)),
        area_(rows_.ColumnIndex("Area")),
        section_(rows_.ColumnIndex("Section")),
        file_(rows_.ColumnIndex("File")),
        entry_(rows_.ColumnIndex("Entry")),
        value_(rows_.ColumnIndex("Value")),
        entry_line_(rows_.ColumnIndex("Entries.Line")),
        section_line_(rows_.ColumnIndex("Sections.Line")) {}

  bool Next(StoredValueRow& row) override {
    if (!rows_.Step()) return false;
    row.area = rows_.Text(area_);
    row.section = rows_.Text(section_);
    row.file = rows_.Text(file_);
    row.section_line = rows_.Int(section_line_);
    row.entry = rows_.Text(entry_);
    row.entry_line = rows_.Int(entry_line_);
    if (rows_.IsNull(value_)) {
      row.value.reset();
    } else {
      row.value = rows_.Text(value_);
    }
    return true;
  }

 private:
  Statement rows_;
  int area_, section_, file_, entry_, value_, entry_line_, section_line_;
};

}  // namespace

std::unique_ptr<StoredValues::Cursor> ValueQuery::Query(std::int16_t entry_id) {
  if (data_ != nullptr) data_->Commit();
  return std::make_unique<SqlCursor>(settings_db_.Prepare(QueryText(entry_id)));
}

}  // namespace tarn
