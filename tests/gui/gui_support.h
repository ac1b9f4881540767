// What the window program's tests share: Qt's strings in failure messages, steps taken on the
// window's thread and clicks that wait for the command they start, a fixture of settings, the
// Qt front end and a log, and the headers these need, which the tests take from here.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QString>
#include <QThread>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>

#include "log/log.h"
#include "main_window.h"
#include "platform/file_system.h"
#include "qt_front_end.h"
#include "settings/settings.h"
#include "support/settings_db.h"
#include "support/world.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }

namespace tarn::gui {

namespace fs = std::filesystem;

// Runs step on the window's thread and waits for it. Commands run on the worker thread, and
// what a test does "inside" one (a click, a close) must be done to the widgets on theirs.
inline void OnWindowThread(const std::function<void()>& step) {
  if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
    step();
  } else {
    QMetaObject::invokeMethod(QCoreApplication::instance(), step, Qt::BlockingQueuedConnection);
  }
}

// Clicks a button of window and, when that started a command, waits until the window has
// heard that it ended.
inline void ClickAndWait(MainWindow& window, QPushButton* button) {
  QSignalSpy ended(&window, &MainWindow::commandEnded);
  button->click();
  if (window.CommandRunning()) {
    EXPECT_TRUE(ended.wait(60000)) << "the command never ended";
  }
}

// The warning numbers of a log's warning blocks ("      10302 - Unknown Entry !...!"), each
// with how often it comes.
inline std::map<std::string, long long> WarningCounts(const std::string& log) {
  static const std::regex number_line(R"(^ +(\d{5}) - )");
  std::map<std::string, long long> counts;
  std::istringstream lines(log);
  std::smatch match;
  for (std::string line; std::getline(lines, line);) {
    if (std::regex_search(line, match, number_line)) ++counts[match[1]];
  }
  return counts;
}

// A settings database TARN.MDB in a temporary folder, the settings opened on it, the Qt front
// end and a log writer over both.
class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override { OpenSettings(0); }
  // Opens anew a settings database whose record has the given OverwriteLog; KVPath is
  // "/games/kv" and LogPath the temporary folder.
  void OpenSettings(int overwrite_log) {
    log_.reset();
    settings_ = std::make_unique<Settings>(front_end_);
    testing::MakeSettingsDB(dir_.File("TARN.MDB"), {.kv_path = "/games/kv",
                                                    .log_path = dir_.Path(),
                                                    .overwrite = std::to_string(overwrite_log)});
    settings_->SetSettingsDBName(dir_.File("TARN.MDB"));
    log_ = std::make_unique<Log>(&files_, front_end_, settings_->Values());
  }
  UserSettings& Values() { return settings_->Values(); }

  testing::TempDir dir_;
  const fs::path folder_{dir_.Path()};
  QtFrontEnd front_end_;
  RealFileSystem files_;
  std::unique_ptr<Settings> settings_;
  std::unique_ptr<Log> log_;
};

}  // namespace tarn::gui
