// Shared set-up of the window tests: a settings database TARN.MDB in a temporary folder, the
// settings opened on it, the Qt front end and a log writer over both.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <filesystem>
#include <memory>
#include <ostream>

#include "qt_front_end.h"
#include "settings/settings.h"
#include "shell/file_system.h"
#include "shell/log.h"
#include "support/world.h"

namespace tarn::gui {

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override { OpenSettings(0); }

  // Opens anew a settings database whose record has the given OverwriteLog; KVPath is
  // "/games/kv" and LogPath the temporary folder.
  void OpenSettings(int overwrite_log);

  UserSettings& Values() { return settings_->Values(); }

  testing::TempDir dir_;
  const std::filesystem::path folder_{dir_.Path()};
  QtFrontEnd front_end_;
  RealFileSystem files_;
  std::unique_ptr<Settings> settings_;
  std::unique_ptr<Log> log_;
};

}  // namespace tarn::gui

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }
