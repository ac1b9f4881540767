// A test fixture with the parts an analysis step runs on, over in-memory stand-ins: a file
// tree with injected faults, a front end that records what it is shown, the user's settings
// (log folder "logs", which exists) and a log writer over them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/front_end.h"
#include "shell/log.h"
#include "shell/log_box.h"
#include "shell/user_settings.h"
#include "support/memory_file_system.h"

namespace tarn::testing {

class RecordingFrontEnd : public FrontEnd {
 public:
  void AppendToLogBox(std::string_view text, bool may_cut) override { box.Append(text, may_cut); }
  void ShowMessageBox(std::string_view text) override { messages.emplace_back(text); }
  void ProcessEvents() override { ++events; }

  BoundedLogText box;
  std::vector<std::string> messages;
  int events = 0;
};

class CoreTest : public ::testing::Test {
 protected:
  static constexpr const char* kLogFolder = "logs";
  static constexpr const char* kLogFile = "logs/tarn.log";

  CoreTest() {
    settings.SetLogPath(kLogFolder);
    files.AddFolder(kLogFolder);
  }

  // The log file's lines, split at CR LF (a final CR LF ends the last line).
  std::vector<std::string> LogLines() const;

  MemoryFileSystem files;
  RecordingFrontEnd front_end;
  UserSettings settings;
  Log log{&files, front_end, settings};
};

// Splits text at CR LF; a final CR LF ends the last line rather than starting a new one.
std::vector<std::string> SplitCrLf(const std::string& text);

}  // namespace tarn::testing
