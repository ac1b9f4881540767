#include "shell/settings.h"

#include <sqlite3.h>

#include <charconv>
#include <cmath>

#include "model/ascii_case.h"
#include "shell/error.h"
#include "shell/front_end.h"
#include "shell/log.h"

namespace tarn {

namespace {

// The settings record is the table's first row in its stored order.
constexpr std::string_view kSelectFirst =
    "SELECT rowid, KVPath, LogPath, OverwriteLog FROM _bc_Settings ORDER BY rowid LIMIT 1";

std::uint8_t FlagFromNumber(double value) {
  // Rounds half to even, as the platform's conversion to a byte does.
  double rounded = std::nearbyint(value);
  if (!(rounded >= 0 && rounded <= 255)) RaisePlatformError(kErrOverflow);
  return static_cast<std::uint8_t>(rounded);
}

}  // namespace

std::uint8_t ToOverwriteFlag(std::string_view text) {
  std::string_view t = TrimSpaces(text);
  double value = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (t.empty() || end != t.data() + t.size()) RaisePlatformError(kErrTypeMismatch);
  if (ec == std::errc::result_out_of_range) RaisePlatformError(kErrOverflow);
  return FlagFromNumber(value);
}

void cSettings::SetOverwriteLog(std::string_view text) { overwrite_log_ = ToOverwriteFlag(text); }

Database& cSettings::SettingsDB() {
  if (!db_.IsOpen()) RaisePlatformError(kErrObjectNotSet);
  return db_;
}

void cSettings::SetSettingsDBName(const std::string& name) {
  SaveSettings();
  settings_db_name_ = name;
  if (name.empty()) return;
  if (!OpenSettingsDB()) EndProgram();
  try {
    ReadSettings();
  } catch (const TarnError& error) {
    ShowFatalError(error, "Unable to read settings");
  }
}

bool cSettings::OpenSettingsDB() {
  try {
    db_ = Database::Open(settings_db_name_, Database::Mode::kReadWrite);
  } catch (const TarnError& error) {
    ShowFatalError(error, "OpenSettingsDB: Unable to open settings database");
  }
  return true;
}

void cSettings::ReadSettings() {
  Statement rows = db_.Prepare(kSelectFirst);
  if (!rows.Step()) {
    throw TarnError(3021, "No current record.", std::string(kDatabaseSource));
  }
  auto text = [&rows](int column, const char* name) {
    if (rows.IsNull(column)) {
      throw TarnError(kErrInvalidUseOfNull, std::string("Invalid use of Null: ") + name,
                      std::string(kAppName));
    }
    return rows.Text(column);
  };
  kv_path_ = text(1, "KVPath");
  log_path_ = text(2, "LogPath");
  switch (rows.Type(3)) {
    case SQLITE_NULL:
      throw TarnError(kErrInvalidUseOfNull, "Invalid use of Null: OverwriteLog",
                      std::string(kAppName));
    case SQLITE_INTEGER: {
      std::int64_t v = rows.Int(3);
      if (v < 0 || v > 255) RaisePlatformError(kErrOverflow);
      overwrite_log_ = static_cast<std::uint8_t>(v);
      break;
    }
    case SQLITE_FLOAT:
      overwrite_log_ = FlagFromNumber(rows.Double(3));
      break;
    default:
      overwrite_log_ = ToOverwriteFlag(rows.Text(3));
      break;
  }
}

void cSettings::SaveSettings() {
  if (settings_db_name_.empty()) return;
  try {
    Statement first = SettingsDB().Prepare(kSelectFirst);
    if (!first.Step()) {
      throw TarnError(3021, "No current record.", std::string(kDatabaseSource));
    }
    std::int64_t rowid = first.Int(0);
    first = Statement();
    Statement update = db_.Prepare(
        "UPDATE _bc_Settings SET KVPath = ?1, LogPath = ?2, OverwriteLog = ?3 "
        "WHERE rowid = ?4");
    update.BindText(1, kv_path_);
    update.BindText(2, log_path_);
    update.BindInt(3, overwrite_log_);
    update.BindInt(4, rowid);
    update.Step();
    update = Statement();
    db_.Close();
  } catch (const TarnError& error) {
    ShowFatalError(error, "Unable to save settings");
  }
}

void cSettings::Close() {
  SaveSettings();
  settings_db_name_.clear();
}

void cSettings::Discard() {
  db_.Close();
  settings_db_name_.clear();
}

}  // namespace tarn
