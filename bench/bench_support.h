// What the benchmarks share: a front end that keeps the log to itself, seconds of a clock
// span, and a settings database holding only the three objects the program needs, opened
// with a log writer for the calls that report into one.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "datadb/database.h"
#include "datadb/schema.h"
#include "log/front_end.h"
#include "log/log.h"
#include "platform/file_system.h"
#include "settings/settings.h"

namespace tarn::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Log lines go nowhere; a message box, which would mean the run failed, goes to stderr.
class SilentFrontEnd : public FrontEnd {
 public:
  void AppendToLogBox(std::string_view, bool) override {}
  void ShowMessageBox(std::string_view text) override {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  }
  void ProcessEvents() override {}
};

// TARN.MDB in folder, with the log folder set to folder and an empty rule set.
inline void MakeSettings(const std::string& folder) {
  auto db = Database::Open(folder + "/TARN.MDB", Database::Mode::kCreate);
  db.Exec(std::string(schema::kSettingsTables) + "INSERT INTO _bc_Settings VALUES ('', '" + folder +
          "', 0); CREATE VIEW _bc_ListSections AS SELECT 1 WHERE 0;");
}

// The settings of MakeSettings(folder), opened, and a log over them.
struct BenchSetup {
  explicit BenchSetup(const std::string& folder)
      : settings(front_end), log(&files, front_end, settings.Values()) {
    MakeSettings(folder);
    settings.SetSettingsDBName(folder + "/TARN.MDB");
  }
  ~BenchSetup() { settings.Discard(); }

  SilentFrontEnd front_end;
  RealFileSystem files;
  Settings settings;
  Log log;
};

}  // namespace tarn::bench
