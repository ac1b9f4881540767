// Shared set-up of the window tests: a temporary settings database TARN.MDB with one
// settings record, gSettings opened on it, and the Qt front end as frmMain.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <filesystem>
#include <ostream>
#include <string>

#include "qt_front_end.h"

namespace tarn::gui {

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override { OpenSettings(0); }
  void TearDown() override;

  // Replaces the settings with a new database whose record has the given OverwriteLog;
  // KVPath is "/games/kv" and LogPath the temporary folder.
  void OpenSettings(int overwrite_log);

  std::filesystem::path folder_;
  QtFrontEnd front_end_;
};

}  // namespace tarn::gui

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }
