// The user's three settings as a run reads them: the game folder, the log folder and the
// "Overwrite" flag (Part of the settings store). The window changes them as the user types;
// the settings database (settings/settings.h) reads them at start-up and writes them back at
// a normal end of the window program.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarn {

class UserSettings {
 public:
  void SetKVPath(std::string path) { kv_path_ = std::move(path); }
  // The game folder: the folder that holds EXE/kestrovar.ini.
  const std::string& KVPath() const { return kv_path_; }
  void SetLogPath(std::string path) { log_path_ = std::move(path); }
  // The folder of tarn.log.
  const std::string& LogPath() const { return log_path_; }

  // Takes the check box's value as text ("0", "1", "2"); raises 13 for a text that is no
  // number and 6 for a number outside 0 to 255.
  void SetOverwriteLog(std::string_view text);
  void SetOverwriteFlag(std::uint8_t flag) { overwrite_log_ = flag; }
  // The flag as decimal text.
  std::string OverwriteLog() const { return std::to_string(overwrite_log_); }
  std::uint8_t OverwriteFlag() const { return overwrite_log_; }
  // True when the "Overwrite" check box can take the flag: 0 clear, 1 ticked, 2 grey.
  bool OverwriteFitsCheckBox() const { return overwrite_log_ <= 2; }

 private:
  std::string kv_path_;
  std::string log_path_;
  std::uint8_t overwrite_log_ = 0;
};

// Converts a settings value to the 8-bit flag: raises 13 when it is no number, 6 when it
// lies outside 0 to 255 once rounded (halves to the even neighbour).
std::uint8_t ToOverwriteFlag(std::string_view text);
std::uint8_t ToOverwriteFlag(double value);

}  // namespace tarn
