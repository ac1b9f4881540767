// A thin owner of an SQLite connection and its prepared statements. Every failing call
// raises TarnError with SQLite's extended result code as number, its message as
// description and "SQLite" as source, so that the callers' error traps report it like any
// other error.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace tarn {

inline constexpr std::string_view kDatabaseSource = "SQLite";

// DAO's number for a column name that a result does not have.
inline constexpr std::int32_t kErrItemNotFound = 3265;

class Statement;

class Database {
 public:
  enum class Mode { kReadWrite, kCreate };

  Database() = default;
  ~Database();
  Database(Database&& other) noexcept;
  Database& operator=(Database&& other) noexcept;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Opens the file at path. kReadWrite requires the file to exist; kCreate creates it.
  // The file is checked to be a readable database before the call returns.
  static Database Open(const std::string& path, Mode mode);

  bool IsOpen() const { return db_ != nullptr; }
  void Close();

  // Runs one or more statements that return no rows.
  void Exec(std::string_view sql);

  Statement Prepare(std::string_view sql);

  // A test of one text that SQL of this connection calls as name(x): 1 when the test holds,
  // 0 when not, NULL for a NULL x. The connection keeps a pointer to test, which must outlive
  // every statement that calls it until ForgetTextTest(name).
  using TextTest = std::function<bool(std::string_view)>;
  void DefineTextTest(const char* name, const TextTest* test);
  void ForgetTextTest(const char* name);

  std::int64_t LastInsertRowId() const;
  // The path of the file the connection opened.
  std::string FileName() const;
  sqlite3* Handle() const { return db_; }

  // Raises the connection's last error.
  [[noreturn]] void Raise(int code) const;

 private:
  explicit Database(sqlite3* db) : db_(db) {}
  sqlite3* db_ = nullptr;
};

class Statement {
 public:
  Statement() = default;
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Advances to the next row; false when there is none.
  bool Step();
  // Makes the statement ready to run again, bindings kept.
  void Reset();

  void BindNull(int index);
  void BindInt(int index, std::int64_t value);
  void BindText(int index, std::string_view value);
  // Binds without copying: value must stay as it is until the statement is stepped or reset.
  void BindStaticText(int index, std::string_view value);

  int ColumnCount() const;
  std::string ColumnName(int column) const;
  // The column of the current result named name (exactly, then ignoring letter case);
  // raises kErrItemNotFound when there is none.
  int ColumnIndex(std::string_view name) const;

  bool IsNull(int column) const;
  // SQLite's storage class of the current value (SQLITE_INTEGER, ...).
  int Type(int column) const;
  std::int64_t Int(int column) const;
  double Double(int column) const;
  std::string Text(int column) const;

 private:
  friend class Database;
  Statement(sqlite3_stmt* stmt, sqlite3* db) : stmt_(stmt), db_(db) {}
  void Check(int code) const;
  sqlite3_stmt* stmt_ = nullptr;
  sqlite3* db_ = nullptr;
};

}  // namespace tarn
