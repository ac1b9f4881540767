// A test fixture that installs the program-wide objects the core needs (settings, front end,
// file access) over in-memory stand-ins, and puts the earlier ones back afterwards.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "shell/front_end.h"
#include "shell/log_box.h"
#include "shell/settings.h"
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

  void SetUp() override;
  void TearDown() override;

  // The log file's lines, split at CR LF (a final CR LF ends the last line).
  std::vector<std::string> LogLines() const;

  MemoryFileSystem files;
  RecordingFrontEnd front_end;

 private:
  std::unique_ptr<cSettings> saved_settings_;
  FrontEnd* saved_front_end_ = nullptr;
  FileSystem* saved_files_ = nullptr;
};

// Splits text at CR LF; a final CR LF ends the last line rather than starting a new one.
std::vector<std::string> SplitCrLf(const std::string& text);

}  // namespace tarn::testing
