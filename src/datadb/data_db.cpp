#include "datadb/data_db.h"

#include <algorithm>
#include <utility>

#include "datadb/schema.h"
#include "platform/codepage.h"
#include "platform/error.h"

namespace tarn {

namespace {

// Rows of one table in one statement: one statement costs SQLite about as much as a row.
constexpr int kRowsPerInsert = 32;
constexpr std::uint32_t kNullText = ~0u;

// The columns of a table as written: its numbers, then its texts.
struct TableShape {
  const char* name;
  const char* columns;
  int numbers;
  int texts;
};
constexpr TableShape kSections{"Sections", "DB_ID, Line, Area, Section, File", 2, 3};
constexpr TableShape kEntries{"Entries", "DB_ID, EntryID, Link, Line, Entry", 4, 1};
constexpr TableShape kValues{"\"Values\"", "DB_ID, Link, Value", 2, 1};

std::string InsertText(const TableShape& table, int rows) {
  std::string row = "(";
  for (int c = 0; c < table.numbers + table.texts; ++c) row += c == 0 ? "?" : ", ?";
  row += ")";
  std::string sql = std::string("INSERT INTO ") + table.name + " (" + table.columns + ") VALUES ";
  for (int r = 0; r < rows; ++r) sql += (r == 0 ? "" : ", ") + row;
  return sql;
}

std::int32_t LastId(Database& db, const char* table) {
  Statement last = db.Prepare(std::string("SELECT ifnull(max(DB_ID), 0) FROM ") + table);
  last.Step();
  return static_cast<std::int32_t>(last.Int(0));
}

// The refusals of the data tables' schema, raised as SQLite raises them, before a row is held
// back: rows written many at a time must not fail for one of them.
void RequireText(std::string_view text, const char* constraint) {
  if (text.empty()) {
    throw TarnError(275, std::string("CHECK constraint failed: ") + constraint,
                    std::string(kDatabaseSource));
  }
}

}  // namespace

DataDB::DataDB(Database db)
    : db_(std::move(db)),
      sections_many_(db_.Prepare(InsertText(kSections, kRowsPerInsert))),
      sections_one_(db_.Prepare(InsertText(kSections, 1))),
      entries_many_(db_.Prepare(InsertText(kEntries, kRowsPerInsert))),
      entries_one_(db_.Prepare(InsertText(kEntries, 1))),
      values_many_(db_.Prepare(InsertText(kValues, kRowsPerInsert))),
      values_one_(db_.Prepare(InsertText(kValues, 1))),
      last_section_(LastId(db_, "Sections")),
      last_entry_(LastId(db_, "Entries")),
      last_value_(LastId(db_, "\"Values\"")) {}

DataDB::~DataDB() {
  try {
    Commit();
    if (bulk_) EndBulk();
  } catch (const TarnError&) {
    // Nothing can be reported from here; Commit() before the end reports it.
  }
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (writer_.joinable()) writer_.join();
}

void DataDB::HoldText(Pending& pending, std::string_view text, bool from_game) {
  if (from_game && std::any_of(text.begin(), text.end(),
                               [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
    pending.texts += Cp1252ToUtf8(text);
  } else {
    pending.texts.append(text);
  }
  pending.ends.push_back(static_cast<std::uint32_t>(pending.texts.size()));
}

void DataDB::Added() {
  if (++rows_in_group_ >= kRowsPerGroup) HandOff();
}

std::int32_t DataDB::AddSection(std::string_view area, std::string_view section,
                                std::string_view file, std::int32_t line) {
  RequireText(area, "Sections.Area may not be empty");
  RequireText(section, "Sections.Section may not be empty");
  RequireText(file, "Sections.File may not be empty");
  const std::int32_t id = ++last_section_;
  held_.sections.numbers.insert(held_.sections.numbers.end(), {id, line});
  HoldText(held_.sections, area, true);
  HoldText(held_.sections, section, true);
  HoldText(held_.sections, file, true);
  ++held_.sections.rows;
  Added();
  return id;
}

std::int32_t DataDB::AddEntry(std::string_view entry, std::int32_t entry_id,
                              std::int32_t section_row, std::int32_t line) {
  RequireText(entry, "Entries.Entry may not be empty");
  const std::int32_t id = ++last_entry_;
  held_.entries.numbers.insert(held_.entries.numbers.end(), {id, entry_id, section_row, line});
  HoldText(held_.entries, entry, true);
  ++held_.entries.rows;
  Added();
  return id;
}

std::int32_t DataDB::AddValue(std::int32_t entry_row, const ValueView& value) {
  const std::int32_t id = ++last_value_;
  held_.values.numbers.insert(held_.values.numbers.end(), {id, entry_row});
  WithStoredText(
      value,
      [this](std::string_view text, bool from_game) { HoldText(held_.values, text, from_game); },
      [this] { held_.values.ends.push_back(kNullText); });
  ++held_.values.rows;
  Added();
  return id;
}

void DataDB::FlushTable(Pending& pending, Statement& many, Statement& one, int numbers, int texts) {
  std::size_t number = 0, text = 0;
  std::uint32_t text_start = 0;
  auto bind_row = [&](Statement& insert, int first) {
    int column = first;
    for (int n = 0; n < numbers; ++n) insert.BindInt(column++, pending.numbers[number++]);
    for (int t = 0; t < texts; ++t, ++column) {
      const std::uint32_t end = pending.ends[text++];
      if (end == kNullText) {
        insert.BindNull(column);
        continue;
      }
      insert.BindStaticText(column,
                            std::string_view(pending.texts).substr(text_start, end - text_start));
      text_start = end;
    }
  };
  auto run = [](Statement& insert) {
    struct ResetAfterwards {
      Statement& statement;
      ~ResetAfterwards() { statement.Reset(); }
    } reset{insert};
    insert.Step();
  };
  const int per_row = numbers + texts;
  std::size_t row = 0;
  for (; row + kRowsPerInsert <= pending.rows; row += kRowsPerInsert) {
    for (int r = 0; r < kRowsPerInsert; ++r) bind_row(many, r * per_row + 1);
    run(many);
  }
  for (; row < pending.rows; ++row) {
    bind_row(one, 1);
    run(one);
  }
}

void DataDB::AwaitWriter(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [this] { return !busy_; });
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void DataDB::HandOff() {
  rows_in_group_ = 0;
  std::unique_lock lock(mutex_);
  AwaitWriter(lock);
  if (held_.sections.rows + held_.entries.rows + held_.values.rows == 0) return;
  // The writer left its buffers empty: they take the next group's rows.
  std::swap(held_, handed_);
  busy_ = true;
  if (!writer_.joinable()) writer_ = std::thread(&DataDB::WriteGroups, this);
  changed_.notify_all();
}

void DataDB::WriteGroups() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return busy_ || stopping_; });
    if (!busy_) return;
    lock.unlock();
    std::exception_ptr failure;
    try {
      WriteGroup(handed_);
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    if (failure && !failure_) failure_ = failure;
    busy_ = false;
    changed_.notify_all();
  }
}

void DataDB::WriteGroup(Group& group) {
  // Written or not (a group that fails is not kept, in part or whole), the buffers go back
  // empty, their room kept for the next group.
  struct Emptied {
    Group& group;
    ~Emptied() {
      for (Pending* pending : {&group.sections, &group.entries, &group.values}) pending->Clear();
    }
  } emptied{group};
  db_.Exec("BEGIN");
  try {
    FlushTable(group.sections, sections_many_, sections_one_, kSections.numbers, kSections.texts);
    FlushTable(group.entries, entries_many_, entries_one_, kEntries.numbers, kEntries.texts);
    FlushTable(group.values, values_many_, values_one_, kValues.numbers, kValues.texts);
    db_.Exec("COMMIT");
  } catch (const TarnError&) {
    try {
      db_.Exec("ROLLBACK");
    } catch (const TarnError&) {
      // A failed commit may have ended the transaction already.
    }
    throw;
  }
}

void DataDB::Commit() {
  HandOff();
  std::unique_lock lock(mutex_);
  AwaitWriter(lock);
}

void DataDB::BeginBulk() {
  if (bulk_) return;
  Commit();
  for (const schema::Index& index : schema::kDataIndexes) {
    db_.Exec("DROP INDEX IF EXISTS " + std::string(index.name));
  }
  bulk_ = true;
}

namespace {

// Sets the journal mode and returns whether it is in force. It cannot change while another
// connection holds the file open, and then stays as it was.
bool SetJournalMode(Database& db, const char* mode) {
  try {
    Statement pragma = db.Prepare(std::string("PRAGMA journal_mode = ") + mode);
    return pragma.Step() && pragma.Text(0) == mode;
  } catch (const TarnError&) {
    return false;
  }
}

}  // namespace

void DataDB::EndBulk() {
  if (!bulk_) return;
  Commit();
  // Through the write-ahead log every page of a new index is written twice (into the log,
  // then into the file); with a rollback journal once, and a run killed meanwhile still
  // leaves the rows of every committed file.
  const bool left_wal = SetJournalMode(db_, "delete");
  for (const schema::Index& index : schema::kDataIndexes) db_.Exec(index.create);
  if (left_wal) SetJournalMode(db_, "wal");
  bulk_ = false;
}

}  // namespace tarn
