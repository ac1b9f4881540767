// `tarn ... COMMAND...`: init-db, all and dump run as the window's buttons run them, refs checks
// the names values use; then the findings go into the reports asked for, and a summary of the
// run to standard error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

inline constexpr int kExitFinished = 0;
inline constexpr int kExitWarnings = 1;
inline constexpr int kExitUsage = 2;

struct RunOptions {
  std::string home;
  std::optional<std::string> game;
  std::optional<std::string> log;
  bool overwrite = false;
  bool append = false;
  bool quiet = false;
  bool stats = false;
  std::vector<std::string> commands;
  std::vector<std::string> reports;  // FORMAT=FILE
  std::optional<std::string> report_root;
  std::optional<std::string> baseline;
  std::optional<std::string> write_baseline;
  bool report_known = false;  // text and github reports list known findings too
  bool follow_links = false;
  std::int64_t max_file_size = std::int64_t{256} << 20;
};

// Runs the commands. Exit status: 0 the run wrote its whole log and found nothing new; 1 it
// found something new (a warning or a repaired line the baseline does not know); 2 a bad
// --report or --baseline; 3 it could not do its job (a fatal error, a log line not written,
// the game's main file unreadable, a report not written).
int RunCommands(const RunOptions& options);

}  // namespace tarn
