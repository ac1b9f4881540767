// The parts a step of the core runs on, as tests hold them: a front end that records what it
// is shown, an in-memory file tree, the user's settings (log folder "logs", which exists) and
// a log writer over them; and the number or the text of the error a call raises.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "log/front_end.h"
#include "log/log.h"
#include "log/log_box.h"
#include "platform/error.h"
#include "platform/user_settings.h"
#include "support/memory_file_system.h"
#include "support/world.h"

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
  static constexpr const char* kLogFile = "logs/tarn.log";

  CoreTest() {
    settings.SetLogPath("logs");
    files.AddFolder("logs");
  }

  // The log file with CR LF as "\n"; "" when there is none.
  std::string LogText() const {
    return files.HasFile(kLogFile) ? FromCrLf(files.File(kLogFile)) : "";
  }

  MemoryFileSystem files;
  RecordingFrontEnd front_end;
  UserSettings settings;
  Log log{&files, front_end, settings};
};

// The number of the TarnError the call raises; 0 when it raises none.
template <typename Call>
std::int32_t ErrorOf(Call&& call) {
  try {
    call();
  } catch (const TarnError& error) {
    return error.Number();
  }
  return 0;
}

// What the error of type E that the call raises says; "" when it raises none.
template <typename E, typename Call>
std::string WhatOf(Call&& call) {
  try {
    call();
  } catch (const E& error) {
    return error.what();
  }
  return "";
}

}  // namespace tarn::testing
