#include "datadb/database.h"

#include <sqlite3.h>

#include <strings.h>

#include <utility>

#include "platform/error.h"

namespace tarn {

namespace {

[[noreturn]] void RaiseCode(sqlite3* db, int code) {
  std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
  int number = db != nullptr ? sqlite3_extended_errcode(db) : code;
  throw TarnError(number, message, std::string(kDatabaseSource));
}

// How long a call waits for another program's lock before it fails as locked.
constexpr int kBusyTimeoutMs = 2000;

// No connection is used by two threads at once (the data database's writer thread has its
// connection to itself while it writes), and no memory statistics are kept: with connection
// mutexes and statistics every row pays for mutexes, which in the window program (whose
// toolkit runs threads of its own) cost a sixth of a run. Must happen before SQLite's first
// use.
void ConfigureEngineOnce() {
  static const bool configured = [] {
    sqlite3_config(SQLITE_CONFIG_MULTITHREAD);
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    return true;
  }();
  (void)configured;
}

}  // namespace

Database::~Database() { Close(); }

Database::Database(Database&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}

Database& Database::operator=(Database&& other) noexcept {
  if (this != &other) {
    Close();
    db_ = std::exchange(other.db_, nullptr);
  }
  return *this;
}

Database Database::Open(const std::string& path, Mode mode) {
  ConfigureEngineOnce();
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
  if (mode == Mode::kCreate) flags |= SQLITE_OPEN_CREATE;
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  Database db(raw);
  if (rc != SQLITE_OK) {
    if (raw == nullptr) RaiseCode(nullptr, rc);
    db.Raise(rc);
  }
  sqlite3_extended_result_codes(raw, 1);
  sqlite3_busy_timeout(raw, kBusyTimeoutMs);
  // SQLite opens lazily; reading the schema now turns a damaged or foreign file into an
  // error of the open rather than of some later statement.
  db.Exec("SELECT count(*) FROM sqlite_master");
  return db;
}

void Database::Close() {
  if (db_ != nullptr) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
}

void Database::Exec(std::string_view sql) {
  if (db_ == nullptr) RaisePlatformError(kErrObjectNotSet);
  std::string text(sql);
  int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Raise(rc);
}

namespace {

void CallTextTest(sqlite3_context* context, int, sqlite3_value** args) {
  if (sqlite3_value_type(args[0]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
  const auto size = static_cast<std::size_t>(sqlite3_value_bytes(args[0]));
  const auto* test = static_cast<const Database::TextTest*>(sqlite3_user_data(context));
  sqlite3_result_int(context, (*test)(std::string_view(text == nullptr ? "" : text, size)) ? 1 : 0);
}

}  // namespace

void Database::DefineTextTest(const char* name, const TextTest* test) {
  if (db_ == nullptr) RaisePlatformError(kErrObjectNotSet);
  int rc = sqlite3_create_function_v2(db_, name, 1, SQLITE_UTF8, const_cast<TextTest*>(test),
                                      CallTextTest, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Raise(rc);
}

void Database::ForgetTextTest(const char* name) {
  if (db_ == nullptr) return;
  sqlite3_create_function_v2(db_, name, 1, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr,
                             nullptr);
}

std::string Database::FileName() const {
  const char* name = db_ == nullptr ? nullptr : sqlite3_db_filename(db_, "main");
  return name == nullptr ? std::string() : std::string(name);
}

Statement Database::Prepare(std::string_view sql) {
  if (db_ == nullptr) RaisePlatformError(kErrObjectNotSet);
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr);
  if (rc != SQLITE_OK) Raise(rc);
  return Statement(stmt, db_);
}

std::int64_t Database::LastInsertRowId() const { return sqlite3_last_insert_rowid(db_); }

void Database::Raise(int code) const { RaiseCode(db_, code); }

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement::Statement(Statement&& other) noexcept
    : stmt_(std::exchange(other.stmt_, nullptr)), db_(std::exchange(other.db_, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(stmt_);
    stmt_ = std::exchange(other.stmt_, nullptr);
    db_ = std::exchange(other.db_, nullptr);
  }
  return *this;
}

void Statement::Check(int code) const {
  if (code != SQLITE_OK) RaiseCode(db_, code);
}

bool Statement::Step() {
  if (stmt_ == nullptr) RaisePlatformError(kErrObjectNotSet);
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  RaiseCode(db_, rc);
}

void Statement::Reset() { sqlite3_reset(stmt_); }

void Statement::BindNull(int index) { Check(sqlite3_bind_null(stmt_, index)); }

void Statement::BindInt(int index, std::int64_t value) {
  Check(sqlite3_bind_int64(stmt_, index, value));
}

void Statement::BindText(int index, std::string_view value) {
  Check(sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()),
                          SQLITE_TRANSIENT));
}

void Statement::BindStaticText(int index, std::string_view value) {
  Check(
      sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_STATIC));
}

int Statement::ColumnCount() const { return sqlite3_column_count(stmt_); }

std::string Statement::ColumnName(int column) const {
  const char* name = sqlite3_column_name(stmt_, column);
  return name != nullptr ? name : std::string();
}

int Statement::ColumnIndex(std::string_view name) const {
  const int count = ColumnCount();
  for (int i = 0; i < count; ++i) {
    if (ColumnName(i) == name) return i;
  }
  for (int i = 0; i < count; ++i) {
    std::string column = ColumnName(i);
    if (column.size() == name.size() &&
        strncasecmp(column.c_str(), name.data(), name.size()) == 0) {
      return i;
    }
  }
  throw TarnError(kErrItemNotFound, "Item not found in this collection: " + std::string(name),
                  std::string(kDatabaseSource));
}

bool Statement::IsNull(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

int Statement::Type(int column) const { return sqlite3_column_type(stmt_, column); }

std::int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

double Statement::Double(int column) const { return sqlite3_column_double(stmt_, column); }

std::string Statement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  int size = sqlite3_column_bytes(stmt_, column);
  return text != nullptr ? std::string(text, static_cast<std::size_t>(size)) : std::string();
}

}  // namespace tarn
