// The settings store: the open settings database TARN.MDB, which carries the user's three
// settings (_bc_Settings), the rule query and the list of further files, and the settings as
// read from it.
//
// The settings are read once, when the database name is assigned, and written back once, by
// Close() at a normal end of the window program. Every database failure here is fatal:
// ShowFatalError shows its message and the program ends (EndProgram).
#pragma once

#include <string>
#include <string_view>

#include "datadb/database.h"
#include "platform/user_settings.h"

namespace tarn {

class FrontEnd;

inline constexpr std::string_view kSettingsDBFile = "TARN.MDB";

class Settings {
 public:
  // front_end shows the fatal message boxes; it must outlive the object.
  explicit Settings(FrontEnd& front_end) : front_end_(front_end) {}
  Settings(const Settings&) = delete;
  Settings& operator=(const Settings&) = delete;

  // Saves the settings into the database named before (if any), then opens the database
  // at name and reads the first record of _bc_Settings. An empty name only saves.
  // Ends the program with "OpenSettingsDB: Unable to open settings database", "Unable to
  // read settings" or "Unable to save settings".
  void SetSettingsDBName(const std::string& name);
  const std::string& SettingsDBName() const { return settings_db_name_; }

  // The open settings database; raises 91 when none is open.
  Database& SettingsDB();
  bool IsOpen() const { return db_.IsOpen(); }

  // The three settings; changing them writes nothing until Close.
  UserSettings& Values() { return values_; }
  const UserSettings& Values() const { return values_; }

  // End of life at a normal program end: writes the three settings back and releases the
  // database. May end the program with "Unable to save settings".
  void Close();

  // Releases the database without writing anything (the command line never saves).
  void Discard();

 private:
  bool OpenSettingsDB();
  void ReadSettings();
  void SaveSettings();

  FrontEnd& front_end_;
  std::string settings_db_name_;
  UserSettings values_;
  Database db_;
};

}  // namespace tarn
