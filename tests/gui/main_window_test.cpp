#include "main_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

#include "gui_test_support.h"

namespace tarn::gui {
namespace {

using Calls = std::vector<std::string>;

// The window runs commands that record their calls instead of the core's.
class MainWindowTest : public GuiTest {
 protected:
  void Build() {
    const auto ticked = [](bool on) { return std::string(on ? " 1" : " 0"); };
    CommandSet set{[this] { return Record("init"), init_ok_; },
                   [=, this](bool on) { Record("all" + ticked(on)); },
                   [=, this](bool on) { Record("dump" + ticked(on)); },
                   [this](QWidget*, const QString& start) {  // any start but one: cancelled
                     Record("choose " + start.toStdString());
                     return start == "/games/kv" ? QString("/picked") : start;
                   },
                   [this](int status) { Record("end " + std::to_string(status)); }};
    window_.reset();
    window_ = std::make_unique<MainWindow>(front_end_, Values(), set);
  }
  void Record(const std::string& call) {
    calls_.push_back(call);
    if (during_run_) std::exchange(during_run_, nullptr)();
  }
  template <typename T = QWidget>
  T* Get(const char* name) {
    return window_->findChild<T*>(name);
  }
  QCheckBox* Box() { return Get<QCheckBox>("chkOverwrite"); }
  void Click(const char* button) { Get<QPushButton>(button)->click(); }

  Calls calls_;
  bool init_ok_ = true;
  std::function<void()> during_run_;  // runs once, inside the next command
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, StartUpTakesTitleAndControlsFromTheSettings) {
  for (auto [stored, accepted, state] : {std::tuple{0, true, Qt::Unchecked},
                                         {1, true, Qt::Checked},
                                         {2, true, Qt::PartiallyChecked},
                                         {3, false, Qt::Unchecked},
                                         {255, false, Qt::Unchecked}}) {
    SCOPED_TRACE(stored);
    OpenSettings(stored);
    Build();
    EXPECT_EQ(window_->LoadFromSettings(), accepted);
    EXPECT_EQ(window_->windowTitle(), "KV INI Analyser  V 0.9.7");
    EXPECT_EQ(Get<QLineEdit>("tbKVPath")->text(), "/games/kv");
    EXPECT_EQ(Get<QLineEdit>("tbLogPath")->text().toStdString(), dir_.Path());
    EXPECT_EQ(Box()->checkState(), state);
    EXPECT_EQ(Values().OverwriteLog(), std::to_string(stored));
  }
}

TEST_F(MainWindowTest, ControlsSitAtTheirDesignPlacesInTabOrderAndTheLogBoxFillsTheRest) {
  Build();
  EXPECT_EQ(window_->size(), QSize(634, 392));
  for (auto [name, pixels] : {std::pair{"tbKVPath", QRect(56, 8, 289, 25)},
                              {"cmdBrowseLog", QRect(352, 40, 57, 25)},
                              {"chkOverwrite", QRect(472, 40, 17, 17)},
                              {"lblKVPath", QRect(8, 16, 41, 17)},
                              {"cmdAll", QRect(480, 8, 49, 25)},
                              {"tbLog", QRect(0, 72, 634, 320)}}) {
    EXPECT_EQ(Get(name)->geometry(), pixels) << name;
  }
  std::vector<QString> order;
  for (QWidget* w = Get("tbKVPath"); order.empty() || w != Get("tbKVPath");
       w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus) order.push_back(w->objectName());
  }
  EXPECT_EQ(order,
            (std::vector<QString>{"tbKVPath", "tbLogPath", "cmdBrowseKV", "cmdBrowseLog",
                                  "chkOverwrite", "cmdInitDB", "tbLog", "cmdDumpRules", "cmdAll"}));
  // Below the log path box, down to the bottom but never less than 400 twips high.
  for (auto [width, height, expected] : {std::tuple{9510.f, 5880.f, TwipRect{5, 1075, 9510, 4805}},
                                         {9510.f, 1200.f, TwipRect{5, 1075, 9510, 400}},
                                         {9510.f, 1475.5f, TwipRect{5, 1075, 9510, 400.5f}},
                                         {15000.f, 5880.f, TwipRect{5, 1075, 15000, 4805}}}) {
    const TwipRect r = LogBoxPlace(width, height, 600, 375);
    EXPECT_EQ((std::vector{r.left, r.top, r.width, r.height}),
              (std::vector{expected.left, expected.top, expected.width, expected.height}));
  }
  window_->show();
  window_->resize(800, 80);  // 1075 + 400 twips end at pixel 98.3, below the bottom
  QCoreApplication::processEvents();
  EXPECT_EQ(Get("tbLog")->geometry(), QRect(0, 72, 800, 26));
  window_->resize(700, 500);
  QCoreApplication::processEvents();
  EXPECT_EQ(Get("tbLog")->geometry(), QRect(0, 72, 700, 428));
}

TEST_F(MainWindowTest, EditsAndBrowsingGoIntoTheSettingsAtOnce) {
  Build();
  window_->LoadFromSettings();
  Click("cmdBrowseKV");
  EXPECT_EQ(window_->SelectedPath, "/picked");
  Click("cmdBrowseLog");  // cancelled: the box keeps its text
  EXPECT_EQ(Get<QLineEdit>("tbLogPath")->text().toStdString(), dir_.Path());
  EXPECT_EQ(calls_, (Calls{"choose /games/kv", "choose " + dir_.Path()}));
  Get<QLineEdit>("tbLogPath")->setText("/other/log");
  EXPECT_EQ(Values().KVPath(), "/picked");
  EXPECT_EQ(Values().LogPath(), "/other/log");
  // A click ticks a grey box and clears a ticked one; the user never makes it grey.
  Box()->setCheckState(Qt::PartiallyChecked);
  EXPECT_EQ(Values().OverwriteLog(), "2");
  for (const char* expected : {"1", "0", "1"}) {
    Box()->click();
    EXPECT_EQ(Values().OverwriteLog(), expected);
  }
}

TEST_F(MainWindowTest, CommandsTakeTheCheckBoxStateAndInitDBSwitchesAll) {
  Build();
  Box()->setCheckState(Qt::PartiallyChecked);
  Values().SetOverwriteLog("0");  // the box counts, not the stored setting
  Click("cmdAll");
  Box()->setCheckState(Qt::Unchecked);
  Values().SetOverwriteLog("1");
  Click("cmdDumpRules");
  init_ok_ = false;
  Click("cmdInitDB");
  EXPECT_FALSE(Get("cmdAll")->isEnabled());
  init_ok_ = true;
  Click("cmdInitDB");
  EXPECT_TRUE(Get("cmdAll")->isEnabled());
  // A fatal end inside a command ends the program with its status.
  during_run_ = [] { EndProgram(kFatalStatus); };
  Click("cmdDumpRules");
  EXPECT_EQ(calls_, (Calls{"all 1", "dump 0", "init", "init", "dump 0", "end 3"}));
}

TEST_F(MainWindowTest, ASecondCommandAndACloseWaitForTheRunningOne) {
  Build();
  window_->show();
  during_run_ = [this] {
    EXPECT_TRUE(window_->CommandRunning());
    Click("cmdDumpRules");
    Click("cmdInitDB");
    window_->close();
    EXPECT_TRUE(window_->isVisible());
  };
  Click("cmdAll");
  EXPECT_FALSE(window_->isVisible());
  Click("cmdDumpRules");
  EXPECT_EQ(calls_, (Calls{"all 0", "dump 0"}));
}

}  // namespace
}  // namespace tarn::gui
