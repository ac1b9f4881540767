// The main window with commands that record their calls: what it takes from and gives to the
// settings, how its controls are laid out, and how it runs one command at a time.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

#include "gui_support.h"
#include "log/front_end.h"
#include "platform/version.h"

namespace tarn::gui {
namespace {

using Calls = std::vector<std::string>;

// The window runs commands that record their calls instead of the core's.
class MainWindowTest : public GuiTest {
 protected:
  void Build() {
    const auto ticked = [](bool on) { return std::string(on ? " 1" : " 0"); };
    CommandSet set{.init_db = [this] { return Record("init"), init_ok_; },
                   .all = [=, this](bool on) { Record("all" + ticked(on)); },
                   .dump = [=, this](bool on) { Record("dump" + ticked(on)); },
                   .choose_folder =
                       [this](QWidget*, const QString& start) {  // any start but one: cancelled
                         Record("choose " + start.toStdString());
                         return start == "/games/kv" ? QString("/picked") : start;
                       },
                   .end_program = [this](int status) { Record("end " + std::to_string(status)); }};
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
  void Click(const char* button) { ClickAndWait(*window_, Get<QPushButton>(button)); }

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
    EXPECT_EQ(window_->windowTitle().toStdString(), "KV INI Analyser  V " + VersionText());
    EXPECT_EQ(Get<QLineEdit>("tbKVPath")->text(), "/games/kv");
    EXPECT_EQ(Get<QLineEdit>("tbLogPath")->text().toStdString(), dir_.Path());
    EXPECT_EQ(Box()->checkState(), state);
    EXPECT_EQ(Values().OverwriteLog(), std::to_string(stored));
  }
}

// What a user sees of the window at its first size and when made larger or given a footer:
// every control shown, inside the window, none over another, each caption whole; the log box
// under the controls and down to the bottom (or to the footer); Tab visits the controls in
// the form's order.
TEST_F(MainWindowTest, ControlsAreShownApartWithReadableCaptionsAndTheLogBoxFillsTheRest) {
  const std::vector<const char*> controls = {
      "lblKVPath",  "tbKVPath",  "cmdBrowseKV",  "cmdInitDB",    "cmdAll",      "cmdDumpRules",
      "lblLogPath", "tbLogPath", "cmdBrowseLog", "lboOverwrite", "chkOverwrite"};
  for (const bool with_footer : {false, true}) {
    Build();
    QWidget* footer = nullptr;
    if (with_footer) {
      footer = new QWidget;
      footer->setMinimumHeight(30);
      window_->SetFooter(footer);
    }
    window_->show();
    QCoreApplication::processEvents();
    for (const QSize size : {window_->size(), QSize(900, 600)}) {
      SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()) +
                   (with_footer ? " with a footer" : ""));
      window_->resize(size);
      QCoreApplication::processEvents();
      const QRect inside = window_->rect();
      const auto place = [&](const char* name) {
        QWidget* w = Get(name);
        return QRect(w->mapTo(window_.get(), QPoint(0, 0)), w->size());
      };
      // What shows of a control: of a label, its caption (the form lets a label's blank end
      // run under the box beside it).
      const auto shown = [&](const char* name) {
        QRect r = place(name);
        if (auto* label = Get<QLabel>(name)) {
          r.setWidth(std::min(r.width(), label->fontMetrics().horizontalAdvance(label->text())));
        }
        return r;
      };
      int controls_bottom = 0;
      for (std::size_t i = 0; i < controls.size(); ++i) {
        const char* name = controls[i];
        QWidget* w = Get(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_TRUE(w->isVisible()) << name;
        EXPECT_TRUE(inside.contains(place(name))) << name;
        for (std::size_t j = 0; j < i; ++j) {
          EXPECT_FALSE(shown(name).intersects(shown(controls[j]))) << name << " " << controls[j];
        }
        QString caption;
        if (auto* button = qobject_cast<QPushButton*>(w)) caption = button->text();
        if (auto* label = qobject_cast<QLabel*>(w)) caption = label->text();
        EXPECT_LE(w->fontMetrics().horizontalAdvance(caption), w->width()) << name;
        EXPECT_LE(w->fontMetrics().ascent(), w->height()) << name;
        controls_bottom = std::max(controls_bottom, place(name).bottom());
      }
      const QRect log = place("tbLog");
      EXPECT_GT(log.top(), controls_bottom);
      EXPECT_EQ(log.left(), 0);
      EXPECT_EQ(log.right(), inside.right());
      const int floor = footer != nullptr ? footer->y() : inside.bottom() + 1;
      EXPECT_EQ(log.bottom() + 1, floor);
      if (footer != nullptr) {
        EXPECT_EQ(footer->geometry().bottom(), inside.bottom());
      }
    }
  }
  // However short the window, the log box keeps a few lines of height under the controls.
  window_->resize(800, 80);
  QCoreApplication::processEvents();
  EXPECT_GE(Get("tbLog")->height(), Get("tbLog")->fontMetrics().lineSpacing());

  std::vector<QString> order;
  for (QWidget* w = Get("tbKVPath"); order.empty() || w != Get("tbKVPath");
       w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus) order.push_back(w->objectName());
  }
  EXPECT_EQ(order,
            (std::vector<QString>{"tbKVPath", "tbLogPath", "cmdBrowseKV", "cmdBrowseLog",
                                  "chkOverwrite", "cmdInitDB", "tbLog", "cmdDumpRules", "cmdAll"}));
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
    OnWindowThread([this] {
      EXPECT_TRUE(window_->CommandRunning());
      Get<QPushButton>("cmdDumpRules")->click();
      Get<QPushButton>("cmdInitDB")->click();
      window_->close();
      EXPECT_TRUE(window_->isVisible());
    });
  };
  Click("cmdAll");
  EXPECT_FALSE(window_->isVisible());
  Click("cmdDumpRules");
  EXPECT_EQ(calls_, (Calls{"all 0", "dump 0"}));
}

}  // namespace
}  // namespace tarn::gui
