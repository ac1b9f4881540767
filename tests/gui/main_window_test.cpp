#include "main_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <string>
#include <utility>
#include <vector>

#include "gui_test_support.h"
#include "shell/front_end.h"
#include "shell/globals.h"
#include "shell/settings.h"

namespace tarn::gui {
namespace {

// The commands record their calls instead of running the core.
struct Recorder {
  std::vector<std::string> calls;
  bool init_result = true;
  std::function<void()> during_run = [] {};

  CommandSet Commands() {
    CommandSet set = CommandSet::Default();
    set.init_db = [this](const std::string& folder) {
      calls.push_back("init " + folder);
      during_run();
      return init_result;
    };
    set.all = [this](bool ticked) {
      calls.push_back(std::string("all ") + (ticked ? "1" : "0"));
      during_run();
    };
    set.dump = [this](bool ticked) { calls.push_back(std::string("dump ") + (ticked ? "1" : "0")); };
    set.choose_folder = [this](QWidget*, const QString& start) {
      calls.push_back("choose " + start.toStdString());
      return start == "/games/kv" ? QString("/picked") : start;
    };
    set.end_program = [this](int status) { calls.push_back("end " + std::to_string(status)); };
    return set;
  }
};

class MainWindowTest : public GuiTest {
 protected:
  template <typename T>
  T* Get(const char* name) {
    T* widget = window_->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void Build() {
    window_ = std::make_unique<MainWindow>(front_end_, "/prog", recorder_.Commands());
  }
  void TearDown() override {
    window_.reset();
    GuiTest::TearDown();
  }

  Recorder recorder_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, StartUpTakesTitleAndControlsFromTheSettings) {
  struct Case {
    int stored;
    bool accepted;
    Qt::CheckState state;
  };
  for (Case c : {Case{0, true, Qt::Unchecked}, Case{1, true, Qt::Checked},
                 Case{2, true, Qt::PartiallyChecked}, Case{3, false, Qt::Unchecked},
                 Case{255, false, Qt::Unchecked}}) {
    SCOPED_TRACE(c.stored);
    OpenSettings(c.stored);
    Build();
    EXPECT_EQ(window_->LoadFromSettings(), c.accepted);
    EXPECT_EQ(window_->windowTitle(), "KV INI Analyser  V 0.9.7");
    EXPECT_EQ(Get<QLineEdit>("tbKVPath")->text(), "/games/kv");
    EXPECT_EQ(Get<QLineEdit>("tbLogPath")->text().toStdString(), folder_.string());
    EXPECT_EQ(Get<QCheckBox>("chkOverwrite")->checkState(), c.state);
    EXPECT_EQ(gSettings->OverwriteLog(), std::to_string(c.stored));
  }
}

TEST_F(MainWindowTest, ControlsSitAtTheirDesignPlacesInTabOrder) {
  Build();
  EXPECT_EQ(window_->size(), QSize(634, 392));
  struct Place {
    const char* name;
    QRect pixels;
  };
  for (Place p : {Place{"tbKVPath", {56, 8, 289, 25}}, Place{"cmdBrowseLog", {352, 40, 57, 25}},
                  Place{"chkOverwrite", {472, 40, 17, 17}}, Place{"lblKVPath", {8, 16, 41, 17}},
                  Place{"cmdAll", {480, 8, 49, 25}}, Place{"tbLog", {0, 72, 634, 320}}}) {
    EXPECT_EQ(Get<QWidget>(p.name)->geometry(), p.pixels) << p.name;
  }
  std::vector<QString> order;
  QWidget* first = Get<QWidget>("tbKVPath");
  for (QWidget* w = first; order.empty() || w != first; w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus) order.push_back(w->objectName());
  }
  EXPECT_EQ(order, (std::vector<QString>{"tbKVPath", "tbLogPath", "cmdBrowseKV", "cmdBrowseLog",
                                         "chkOverwrite", "cmdInitDB", "tbLog", "cmdDumpRules",
                                         "cmdAll"}));
}

TEST(LogBoxPlaceTest, FollowsTheWindowBelowTheLogPathBox) {
  struct Case {
    float width, height;
    TwipRect expected;
  };
  for (Case c : {Case{9510, 5880, {5, 1075, 9510, 4805}},  // design size: down to the bottom
                 Case{9510, 1200, {5, 1075, 9510, 400}},   // shrunk: never below 400
                 Case{9510, 1475, {5, 1075, 9510, 400}},   // exactly 400 left
                 Case{9510, 1475.5f, {5, 1075, 9510, 400.5f}},
                 Case{15000, 5880, {5, 1075, 15000, 4805}}}) {  // wider: full width
    TwipRect r = LogBoxPlace(c.width, c.height, 600, 375);
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.width, c.expected.width);
    EXPECT_EQ(r.height, c.expected.height) << c.height;
  }
}

TEST_F(MainWindowTest, ResizingTheWindowReplacesTheLogBox) {
  Build();
  window_->show();
  window_->resize(800, 80);
  QCoreApplication::processEvents();
  // 1075 + 400 twips end at pixel 98.3, below the window's bottom.
  EXPECT_EQ(Get<QWidget>("tbLog")->geometry(), QRect(0, 72, 800, 26));
  window_->resize(700, 500);
  QCoreApplication::processEvents();
  EXPECT_EQ(Get<QWidget>("tbLog")->geometry(), QRect(0, 72, 700, 428));
}

TEST_F(MainWindowTest, ChangesGoIntoTheSettingsAtOnce) {
  Build();
  Get<QLineEdit>("tbKVPath")->setText("/other/game");
  Get<QLineEdit>("tbLogPath")->setText("/other/log");
  EXPECT_EQ(gSettings->KVPath(), "/other/game");
  EXPECT_EQ(gSettings->LogPath(), "/other/log");
  // A click ticks a grey box and clears a ticked one; the user never makes it grey.
  auto* box = Get<QCheckBox>("chkOverwrite");
  box->setCheckState(Qt::PartiallyChecked);
  EXPECT_EQ(gSettings->OverwriteLog(), "2");
  for (const char* expected : {"1", "0", "1", "0"}) {
    box->click();
    EXPECT_EQ(gSettings->OverwriteLog(), expected);
  }
}

TEST_F(MainWindowTest, CommandsTakeTheCheckBoxStateAndInitDBSwitchesAll) {
  Build();
  auto* box = Get<QCheckBox>("chkOverwrite");
  box->setCheckState(Qt::PartiallyChecked);
  gSettings->SetOverwriteLog("0");  // the box counts, not the stored setting
  Get<QPushButton>("cmdAll")->click();
  box->click();  // grey to ticked
  box->click();  // ticked to clear
  gSettings->SetOverwriteLog("1");
  Get<QPushButton>("cmdDumpRules")->click();

  recorder_.init_result = false;
  Get<QPushButton>("cmdInitDB")->click();
  EXPECT_FALSE(Get<QPushButton>("cmdAll")->isEnabled());
  recorder_.init_result = true;
  Get<QPushButton>("cmdInitDB")->click();
  EXPECT_TRUE(Get<QPushButton>("cmdAll")->isEnabled());
  EXPECT_EQ(recorder_.calls,
            (std::vector<std::string>{"all 1", "dump 0", "init /prog", "init /prog"}));
}

TEST_F(MainWindowTest, ASecondCommandAndACloseWaitForTheRunningOne) {
  Build();
  window_->show();
  bool first_run = true;
  recorder_.during_run = [this, &first_run] {
    if (!std::exchange(first_run, false)) return;
    EXPECT_TRUE(window_->CommandRunning());
    Get<QPushButton>("cmdDumpRules")->click();
    Get<QPushButton>("cmdInitDB")->click();
    window_->close();
    EXPECT_TRUE(window_->isVisible());
  };
  Get<QPushButton>("cmdAll")->click();
  EXPECT_FALSE(window_->CommandRunning());
  EXPECT_FALSE(window_->isVisible());
  Get<QPushButton>("cmdDumpRules")->click();
  EXPECT_EQ(recorder_.calls, (std::vector<std::string>{"all 0", "dump 0"}));
}

TEST_F(MainWindowTest, AProgramEndInACommandEndsTheProgramWithItsStatus) {
  Build();
  recorder_.during_run = [] { EndProgram(kFatalStatus); };
  Get<QPushButton>("cmdInitDB")->click();
  EXPECT_EQ(recorder_.calls, (std::vector<std::string>{"init /prog", "end 3"}));
}

TEST_F(MainWindowTest, BrowseStartsAtTheBoxTextAndKeepsItOnCancel) {
  Build();
  window_->LoadFromSettings();
  Get<QPushButton>("cmdBrowseKV")->click();
  EXPECT_EQ(window_->SelectedPath, "/picked");
  EXPECT_EQ(gSettings->KVPath(), "/picked");
  Get<QPushButton>("cmdBrowseLog")->click();  // the fake chooser is cancelled here
  EXPECT_EQ(Get<QLineEdit>("tbLogPath")->text().toStdString(), folder_.string());
  EXPECT_EQ(recorder_.calls, (std::vector<std::string>{"choose /games/kv", "choose " +
                                                                               folder_.string()}));
}

}  // namespace
}  // namespace tarn::gui
