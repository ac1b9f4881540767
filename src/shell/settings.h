// The user's three settings (game folder, log folder, "Overwrite") and the open settings
// database TARN.MDB, which also carries the rule query and the list of further files.
//
// The settings are read once, when the database name is assigned, and written back once,
// by Close() at a normal end of the window program. Every database failure here is fatal:
// ShowFatalError shows its message and the program ends (EndProgram).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "datadb/database.h"

namespace tarn {

inline constexpr std::string_view kSettingsDBFile = "TARN.MDB";

class cSettings {
 public:
  cSettings() = default;
  cSettings(const cSettings&) = delete;
  cSettings& operator=(const cSettings&) = delete;

  // Saves the settings into the database named before (if any), then opens the database
  // at name and reads the first record of _bc_Settings. An empty name only saves.
  // Ends the program with "OpenSettingsDB: Unable to open settings database", "Unable to
  // read settings" or "Unable to save settings".
  void SetSettingsDBName(const std::string& name);
  const std::string& SettingsDBName() const { return settings_db_name_; }

  // The open settings database; raises 91 when none is open.
  Database& SettingsDB();

  void SetKVPath(std::string path) { kv_path_ = std::move(path); }
  const std::string& KVPath() const { return kv_path_; }
  void SetLogPath(std::string path) { log_path_ = std::move(path); }
  const std::string& LogPath() const { return log_path_; }

  // Takes the check box's value as text ("0", "1", "2"); raises 13 for a text that is no
  // number and 6 for a number outside 0 to 255.
  void SetOverwriteLog(std::string_view text);
  // The flag as decimal text.
  std::string OverwriteLog() const { return std::to_string(overwrite_log_); }

  // End of life at a normal program end: writes the three settings back and releases the
  // database. May end the program with "Unable to save settings".
  void Close();

  // Releases the database without writing anything (the command line never saves).
  void Discard();

 private:
  bool OpenSettingsDB();
  void ReadSettings();
  void SaveSettings();

  std::string settings_db_name_;
  std::string kv_path_;
  std::string log_path_;
  std::uint8_t overwrite_log_ = 0;
  Database db_;
};

// Converts a settings value to the 8-bit flag: raises 13 when it is no whole number, 6 when
// it lies outside 0 to 255.
std::uint8_t ToOverwriteFlag(std::string_view text);

}  // namespace tarn
