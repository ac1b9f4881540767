#include "main_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <string>
#include <utility>
#include <vector>

#include "gui_test_support.h"
#include "shell/front_end.h"

namespace tarn::gui {
namespace {

using Calls = std::vector<std::string>;

// The window runs commands that record their calls instead of the core's.
class MainWindowTest : public GuiTest {
 protected:
  void Build() {
    CommandSet set;
    set.init_db = [this] {
      Record("init");
      return init_ok_;
    };
    set.all = [this](bool ticked) { Record(std::string("all ") + (ticked ? "1" : "0")); };
    set.dump = [this](bool ticked) { Record(std::string("dump ") + (ticked ? "1" : "0")); };
    set.choose_folder = [this](QWidget*, const QString& start) {
      Record("choose " + start.toStdString());
      return start == "/games/kv" ? QString("/picked") : start;  // any other start: cancelled
    };
    set.end_program = [this](int status) { Record("end " + std::to_string(status)); };
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
  void TearDown() override {
    window_.reset();
    GuiTest::TearDown();
  }

  Calls calls_;
  bool init_ok_ = true;
  std::function<void()> during_run_;  // runs once, inside the next command
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
    EXPECT_EQ(Values().OverwriteLog(), std::to_string(c.stored));
  }
}

TEST_F(MainWindowTest, ControlsSitAtTheirDesignPlacesInTabOrder) {
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
  QWidget* first = Get("tbKVPath");
  for (QWidget* w = first; order.empty() || w != first; w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus) order.push_back(w->objectName());
  }
  EXPECT_EQ(order,
            (std::vector<QString>{"tbKVPath", "tbLogPath", "cmdBrowseKV", "cmdBrowseLog",
                                  "chkOverwrite", "cmdInitDB", "tbLog", "cmdDumpRules", "cmdAll"}));
}

TEST_F(MainWindowTest, LogBoxFillsTheWindowBelowTheLogPathBox) {
  struct Case {
    float width, height;
    TwipRect expected;
  };
  for (Case c : {Case{9510, 5880, {5, 1075, 9510, 4805}},  // design size: down to the bottom
                 Case{9510, 1200, {5, 1075, 9510, 400}},   // shrunk: never below 400
                 Case{9510, 1475.5f, {5, 1075, 9510, 400.5f}},
                 Case{15000, 5880, {5, 1075, 15000, 4805}}}) {  // wider: full width
    TwipRect r = LogBoxPlace(c.width, c.height, 600, 375);
    EXPECT_EQ((std::vector{r.left, r.top, r.width, r.height}),
              (std::vector{c.expected.left, c.expected.top, c.expected.width, c.expected.height}));
  }
  Build();
  window_->show();
  window_->resize(800, 80);  // 1075 + 400 twips end at pixel 98.3, below the bottom
  QCoreApplication::processEvents();
  EXPECT_EQ(Get("tbLog")->geometry(), QRect(0, 72, 800, 26));
  window_->resize(700, 500);
  QCoreApplication::processEvents();
  EXPECT_EQ(Get("tbLog")->geometry(), QRect(0, 72, 700, 428));

  // A footer goes below the design area, which keeps its layout above it.
  Build();
  auto* footer = new QWidget;
  footer->setMinimumHeight(30);
  window_->SetFooter(footer);
  window_->show();
  QCoreApplication::processEvents();
  EXPECT_EQ(window_->size(), QSize(634, 422));
  EXPECT_EQ(Get("tbLog")->geometry(), QRect(0, 72, 634, 320));
  EXPECT_EQ(footer->geometry(), QRect(0, 392, 634, 30));
  window_->resize(700, 500);
  QCoreApplication::processEvents();
  EXPECT_EQ(footer->geometry().bottom(), 499);
  EXPECT_EQ(Get("tbLog")->geometry().bottom() + 1, footer->y());
}

TEST_F(MainWindowTest, EditsAndBrowsingGoIntoTheSettingsAtOnce) {
  Build();
  window_->LoadFromSettings();
  Get<QPushButton>("cmdBrowseKV")->click();
  EXPECT_EQ(window_->SelectedPath, "/picked");
  Get<QPushButton>("cmdBrowseLog")->click();  // cancelled: the box keeps its text
  EXPECT_EQ(Get<QLineEdit>("tbLogPath")->text().toStdString(), folder_.string());
  EXPECT_EQ(calls_, (Calls{"choose /games/kv", "choose " + folder_.string()}));
  Get<QLineEdit>("tbLogPath")->setText("/other/log");
  EXPECT_EQ(Values().KVPath(), "/picked");
  EXPECT_EQ(Values().LogPath(), "/other/log");
  // A click ticks a grey box and clears a ticked one; the user never makes it grey.
  auto* box = Get<QCheckBox>("chkOverwrite");
  box->setCheckState(Qt::PartiallyChecked);
  EXPECT_EQ(Values().OverwriteLog(), "2");
  for (const char* expected : {"1", "0", "1"}) {
    box->click();
    EXPECT_EQ(Values().OverwriteLog(), expected);
  }
}

TEST_F(MainWindowTest, CommandsTakeTheCheckBoxStateAndInitDBSwitchesAll) {
  Build();
  auto* box = Get<QCheckBox>("chkOverwrite");
  box->setCheckState(Qt::PartiallyChecked);
  Values().SetOverwriteLog("0");  // the box counts, not the stored setting
  Get<QPushButton>("cmdAll")->click();
  box->setCheckState(Qt::Unchecked);
  Values().SetOverwriteLog("1");
  Get<QPushButton>("cmdDumpRules")->click();
  init_ok_ = false;
  Get<QPushButton>("cmdInitDB")->click();
  EXPECT_FALSE(Get("cmdAll")->isEnabled());
  init_ok_ = true;
  Get<QPushButton>("cmdInitDB")->click();
  EXPECT_TRUE(Get("cmdAll")->isEnabled());
  // A fatal end inside a command ends the program with its status.
  during_run_ = [] { EndProgram(kFatalStatus); };
  Get<QPushButton>("cmdDumpRules")->click();
  EXPECT_EQ(calls_, (Calls{"all 1", "dump 0", "init", "init", "dump 0", "end 3"}));
}

TEST_F(MainWindowTest, ASecondCommandAndACloseWaitForTheRunningOne) {
  Build();
  window_->show();
  during_run_ = [this] {
    EXPECT_TRUE(window_->CommandRunning());
    Get<QPushButton>("cmdDumpRules")->click();
    Get<QPushButton>("cmdInitDB")->click();
    window_->close();
    EXPECT_TRUE(window_->isVisible());
  };
  Get<QPushButton>("cmdAll")->click();
  EXPECT_FALSE(window_->isVisible());
  Get<QPushButton>("cmdDumpRules")->click();
  EXPECT_EQ(calls_, (Calls{"all 0", "dump 0"}));
}

}  // namespace
}  // namespace tarn::gui
