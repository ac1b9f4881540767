#include "settings/settings.h"

#include <sqlite3.h>

#include "log/front_end.h"
#include "log/log.h"
#include "platform/error.h"

namespace tarn {

namespace {

// The settings record is the table's first row in its stored order.
constexpr std::string_view kSelectFirst =
    "SELECT rowid, KVPath, LogPath, OverwriteLog FROM _bc_Settings ORDER BY rowid LIMIT 1";

[[noreturn]] void RaiseNoCurrentRecord() {
  throw TarnError(3021, "No current record.", std::string(kDatabaseSource));
}

}  // namespace

Database& Settings::SettingsDB() {
  if (!db_.IsOpen()) RaisePlatformError(kErrObjectNotSet);
  return db_;
}

void Settings::SetSettingsDBName(const std::string& name) {
  SaveSettings();
  settings_db_name_ = name;
  if (name.empty()) return;
  if (!OpenSettingsDB()) EndProgram();
  try {
    ReadSettings();
  } catch (const TarnError& error) {
    ShowFatalError(front_end_, error, "Unable to read settings");
  }
}

bool Settings::OpenSettingsDB() {
  try {
    db_ = Database::Open(settings_db_name_, Database::Mode::kReadWrite);
  } catch (const TarnError& error) {
    ShowFatalError(front_end_, error, "OpenSettingsDB: Unable to open settings database");
  }
  return true;
}

void Settings::ReadSettings() {
  Statement rows = db_.Prepare(kSelectFirst);
  if (!rows.Step()) RaiseNoCurrentRecord();
  auto text = [&rows](int column, const char* name) {
    if (rows.IsNull(column)) {
      throw TarnError(kErrInvalidUseOfNull, std::string("Invalid use of Null: ") + name,
                      std::string(kAppName));
    }
    return rows.Text(column);
  };
  values_.SetKVPath(text(1, "KVPath"));
  values_.SetLogPath(text(2, "LogPath"));
  switch (rows.Type(3)) {
    case SQLITE_NULL:
      throw TarnError(kErrInvalidUseOfNull, "Invalid use of Null: OverwriteLog",
                      std::string(kAppName));
    case SQLITE_INTEGER: {
      const std::int64_t v = rows.Int(3);
      if (v < 0 || v > 255) RaisePlatformError(kErrOverflow);
      values_.SetOverwriteFlag(static_cast<std::uint8_t>(v));
      break;
    }
    case SQLITE_FLOAT:
      values_.SetOverwriteFlag(ToOverwriteFlag(rows.Double(3)));
      break;
    default:
      values_.SetOverwriteLog(rows.Text(3));
      break;
  }
}

void Settings::SaveSettings() {
  if (settings_db_name_.empty()) return;
  try {
    Statement first = SettingsDB().Prepare(kSelectFirst);
    if (!first.Step()) RaiseNoCurrentRecord();
    const std::int64_t rowid = first.Int(0);
    first = Statement();
    Statement update = db_.Prepare(
        "UPDATE _bc_Settings SET KVPath = ?1, LogPath = ?2, OverwriteLog = ?3 "
        "WHERE rowid = ?4");
    update.BindText(1, values_.KVPath());
    update.BindText(2, values_.LogPath());
    update.BindInt(3, values_.OverwriteFlag());
    update.BindInt(4, rowid);
    update.Step();
    update = Statement();
    db_.Close();
  } catch (const TarnError& error) {
    ShowFatalError(front_end_, error, "Unable to save settings");
  }
}

void Settings::Close() {
  SaveSettings();
  settings_db_name_.clear();
}

void Settings::Discard() {
  db_.Close();
  settings_db_name_.clear();
}

}  // namespace tarn
