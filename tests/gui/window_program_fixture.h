// The whole window program on the broken sample world, with the real analysis behind it, and
// the places its tests take a step in the middle of a command: a data file opened by the run,
// any file opened at all. Its tests take the headers these need from here.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <cstdint>
#include <sstream>
#include <utility>
#include <vector>

#include "analysis/analysis.h"
#include "gui_support.h"
#include "run_status.h"
#include "session/session.h"
#include "support/stepping_files.h"
#include "walk/run_watch.h"
#include "window_program.h"

namespace tarn::gui {

inline const std::string kBrokenWorld = std::string(TARN_EXAMPLES) + "/kestrovar-broken";

// Passes the progress on to the status line, and runs the test's step once when data file
// `at` has been opened.
class Tee : public ProgressObserver {
 public:
  void RunProgressed(const RunProgress& progress) override {
    next->RunProgressed(progress);
    // The run is on the worker thread, and waits here while the window's thread takes the step.
    if (progress.files_read == at && step) OnWindowThread(std::exchange(step, nullptr));
  }
  ProgressObserver* next = nullptr;
  std::int64_t at = 0;
  std::function<void()> step;
};

using testing::SteppingFiles;

class WindowProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(home_ = folder_ / "home");
    fs::create_directories(logs_ = folder_ / "logs");
    fs::copy_file(TARN_SHIPPED_MDB, home_ / "TARN.MDB");
    settings_ = std::make_unique<Settings>(front_end_);
    settings_->SetSettingsDBName((home_ / "TARN.MDB").string());
    settings_->Values().SetKVPath(kBrokenWorld);
    settings_->Values().SetLogPath(logs_.string());
    settings_->Values().SetOverwriteLog("1");
    session_ = std::make_unique<Session>(*settings_, front_end_, files_, home_.string());
    analysis_ = &session_->GetAnalysis();
    program_ = std::make_unique<WindowProgram>(*session_, front_end_, settings_->Values());
    program_->Main().LoadFromSettings();
    tee_.next = &program_->Status();
    analysis_->SetProgressObserver(&tee_);
  }
  void TearDown() override {
    program_.reset();
    session_.reset();
    settings_->Discard();
    // A test that starts afresh part way finds the folders empty again.
    fs::remove_all(home_);
    fs::remove_all(logs_);
  }

  template <typename T = QWidget>
  T* Get(const char* name) {
    T* widget = program_->Main().findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void Click(const char* name) { ClickAndWait(program_->Main(), Get<QPushButton>(name)); }
  // Triggers a menu action that starts a command, and waits until the command has ended.
  void Trigger(const char* name) {
    QSignalSpy ended(&program_->Main(), &MainWindow::commandEnded);
    program_->Main().findChild<QAction*>(name)->trigger();
    ASSERT_TRUE(program_->Main().CommandRunning()) << name;
    EXPECT_TRUE(ended.wait(60000)) << name << " never ended";
  }
  // "Init DB", then "All" with step run when data file `at` is open.
  void RunAll(std::int64_t at = 0, std::function<void()> step = nullptr) {
    Click("cmdInitDB");
    tee_.at = at;
    tee_.step = std::move(step);
    Click("cmdAll");
    EXPECT_FALSE(tee_.step) << "the run never reached file " << at;
  }
  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    std::istringstream in(testing::FromCrLf(testing::ReadFile((logs_ / "tarn.log").string())));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  QString State() { return program_->Status().StateText(); }
  QString Detail() { return program_->Status().DetailText(); }

  testing::TempDir dir_;
  const fs::path folder_{dir_.Path()};
  fs::path home_, logs_;
  QtFrontEnd front_end_;
  SteppingFiles files_;
  std::unique_ptr<Settings> settings_;
  std::unique_ptr<Session> session_;
  Analysis* analysis_ = nullptr;  // the session's
  std::unique_ptr<WindowProgram> program_;
  Tee tee_;
};

}  // namespace tarn::gui
