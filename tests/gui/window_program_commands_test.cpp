// The window program's commands on the broken sample world: what the window lets the user do
// while "All" runs, how a cancel or a close during a command ends it, and the rules menu's.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "support/rows.h"
#include "window_program_fixture.h"

namespace tarn::gui {
namespace {

// While "All" runs nothing is disabled but the inputs ignore the user; the status lines show
// their whole text at the window's first size before, during and after the run.
TEST_F(WindowProgramTest, InputsIgnoreTheUserWhileAllRunsAndStatusLinesShowTheirWholeText) {
  auto* game = Get<QLineEdit>("tbKVPath");
  auto* overwrite = Get<QCheckBox>("chkOverwrite");
  auto* browse = Get<QPushButton>("cmdBrowseKV");
  MainWindow& window = program_->Main();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const QSize size = window.size();
  // A line is cut when its text, wrapped as the label wraps it, needs more room than it has.
  const auto expect_whole = [&](const char* when) {
    QApplication::processEvents();
    EXPECT_EQ(window.size(), size) << when;
    for (const char* name : {"lblRunState", "lblRunDetail"}) {
      auto* label = program_->Status().findChild<QLabel*>(name);
      ASSERT_NE(label, nullptr) << name;
      const QRect room = label->contentsRect();
      const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, room.width(), 10000),
                                                             Qt::TextWordWrap, label->text());
      EXPECT_LE(needed.width(), room.width())
          << when << ", " << name << ": " << label->text().toStdString();
      EXPECT_LE(needed.height(), room.height())
          << when << ", " << name << ": " << label->text().toStdString();
    }
  };
  expect_whole("All disabled before Init DB");
  EXPECT_FALSE(Get<QPushButton>("cmdAll")->isEnabled());
  bool picker_opened = false;
  RunAll(3, [&] {
    EXPECT_TRUE(game->isReadOnly());
    EXPECT_TRUE(Get<QLineEdit>("tbLogPath")->isReadOnly());
    game->setFocus();
    QTest::keyClicks(game, "x");
    QTest::mouseClick(overwrite, Qt::LeftButton);
    QTest::keyClick(overwrite, Qt::Key_Space);
    // Should the click get through, the folder picker's loop would hold the test: note it and
    // close it.
    QTimer::singleShot(0, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        picker_opened = true;
        modal->close();
      }
    });
    QTest::mouseClick(browse, Qt::LeftButton);
    for (QWidget* control : program_->Main().findChildren<QWidget*>()) {
      EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
    }
    EXPECT_TRUE(program_->Main().CommandRunning());
    // The status line follows the run at its own pace, as the run lets events through.
    QTest::qWait(RunStatusBar::kRefreshIntervalMs * 2);
    EXPECT_TRUE(State().startsWith("All: 3 files read")) << State().toStdString();
    EXPECT_TRUE(Detail().startsWith("Reading DATA/")) << Detail().toStdString();
    expect_whole("during All");
  });
  ASSERT_TRUE(State().endsWith("7 warnings.")) << State().toStdString();
  expect_whole("after All with findings");
  EXPECT_FALSE(picker_opened);
  EXPECT_EQ(game->text().toStdString(), kBrokenWorld);
  EXPECT_EQ(settings_->Values().KVPath(), kBrokenWorld);
  EXPECT_EQ(overwrite->checkState(), Qt::Checked);
  // Ready again afterwards.
  EXPECT_FALSE(game->isReadOnly());
  QTest::keyClicks(game, "x");
  EXPECT_EQ(settings_->Values().KVPath(), kBrokenWorld + "x");
}

TEST_F(WindowProgramTest, CancelAndCloseStopAllAtAFileEndKeepingKVMdbSound) {
  enum class Way { kCancelButton, kEscape, kCloseAnswerYes, kCloseAnswerNo };
  struct Case {
    Way way;
    bool cancelled;
    bool closed;
  };
  // The sections a whole run stores, to tell what a cancelled run must have kept.
  std::vector<std::string> whole_sections;
  // The first case runs to the end: the rows of the whole run.
  for (Case c : {Case{Way::kCloseAnswerNo, false, false}, Case{Way::kCancelButton, true, false},
                 Case{Way::kEscape, true, false}, Case{Way::kCloseAnswerYes, true, true}}) {
    SCOPED_TRACE(static_cast<int>(c.way));
    TearDown();
    SetUp();
    int asked = 0;
    program_->SetCloseQuestion([&](Command) {
      ++asked;
      return c.way == Way::kCloseAnswerYes;
    });
    program_->Main().show();
    program_->Main().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&program_->Main()));
    RunAll(20, [&] {
      switch (c.way) {
        case Way::kCancelButton:
          QTest::mouseClick(Get<QPushButton>("cmdCancel"), Qt::LeftButton);
          break;
        case Way::kEscape:
          QTest::keyClick(&program_->Main(), Qt::Key_Escape);
          break;
        default:
          // A second close asks again only when the first answer kept the window open.
          program_->Main().close();
          program_->Main().close();
          EXPECT_TRUE(program_->Main().isVisible());
          break;
      }
    });
    EXPECT_EQ(asked, c.way == Way::kCloseAnswerYes ? 1 : c.way == Way::kCloseAnswerNo ? 2 : 0);
    EXPECT_EQ(program_->Main().isVisible(), !c.closed);
    EXPECT_FALSE(program_->Main().CommandRunning());
    EXPECT_FALSE(Get<QLineEdit>("tbKVPath")->isReadOnly());
    EXPECT_EQ(analysis_->LastRun().cancelled, c.cancelled);
    const std::vector<std::string> log = LogLines();
    const bool cancel_line = log.back().starts_with("Run cancelled by the user after ");
    EXPECT_EQ(cancel_line, c.cancelled) << log.back();
    EXPECT_EQ(State().contains("All cancelled after"), c.cancelled) << State().toStdString();

    // Every row stored so far is committed and KV.MDB is sound, while the analysis still
    // holds it open.
    const std::string kv = (home_ / "KV.MDB").string();
    EXPECT_EQ(testing::RowsOf(kv, "PRAGMA integrity_check"), testing::Rows{"ok"});
    const testing::Rows sections =
        testing::RowsOf(kv, "SELECT File || '|' || Section FROM Sections ORDER BY DB_ID");
    if (!c.cancelled) {
      whole_sections = sections;
      continue;
    }
    ASSERT_LT(sections.size(), whole_sections.size());
    EXPECT_TRUE(std::equal(sections.begin(), sections.end(), whole_sections.begin()));
    // The last file read to its end: its every section is there, and the next row is another
    // file's.
    const std::string last_file = log.back().substr(log.back().rfind(' ') + 1);
    const std::string next = whole_sections[sections.size()];
    EXPECT_EQ(next.find(last_file + '|'), std::string::npos) << next;
    EXPECT_NE(sections.back().find(last_file + '|'), std::string::npos) << sections.back();
  }
}

TEST_F(WindowProgramTest, CancelStopsInitDBDumpAndReferencesWithOneLogLine) {
  struct Case {
    const char* button;
    const char* line_before;  // how the command starts in the log
    const char* last_line;
  };
  const Case cases[] = {
      {"cmdRefs", "Checking references", "Checking references cancelled by the user"},
      {"cmdDumpRules", " ", "Rules Dump cancelled by the user"},
      {"cmdInitDB", "", "Initialising DATA database cancelled by the user"},
  };
  program_->Main().show();
  RunAll();
  // The log box got the lines of tarn.log that "All" wrote.
  std::string box = ToDisplayText(front_end_.LogText().Text()).toStdString();
  std::string file = testing::FromCrLf(testing::ReadFile((logs_ / "tarn.log").string()));
  EXPECT_EQ(Get<QPlainTextEdit>("tbLog")->toPlainText().toStdString(), box);
  // The box holds the text from before "All" started the log afresh, or only the newest part
  // of the log: one ends as the other.
  const std::size_t common = std::min(box.size(), file.size());
  ASSERT_GT(common, 1000u);
  EXPECT_EQ(box.substr(box.size() - common), file.substr(file.size() - common));
  // Cancel is pressed as soon as the command has started, before the worker gets to it.
  QObject::connect(&program_->Main(), &MainWindow::commandStarted, &program_->Main(), [this] {
    EXPECT_TRUE(Get<QPushButton>("cmdCancel")->isVisible());
    QTest::mouseClick(Get<QPushButton>("cmdCancel"), Qt::LeftButton);
  });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    Click(c.button);
    const std::vector<std::string> log = LogLines();
    ASSERT_GE(log.size(), 2u);
    EXPECT_TRUE(log[log.size() - 2].starts_with(c.line_before)) << log[log.size() - 2];
    EXPECT_EQ(log.back(), c.last_line);
    EXPECT_TRUE(State().contains("cancelled after")) << State().toStdString();
    EXPECT_FALSE(Get<QPushButton>("cmdCancel")->isVisible());
  }
  // A stopped "Init DB" leaves no data database to trust, and "All" waits for one that is made.
  EXPECT_FALSE(fs::exists(home_ / "KV.MDB"));
  EXPECT_FALSE(Get<QPushButton>("cmdAll")->isEnabled());
  EXPECT_EQ(session_->Last().ending, CommandAccount::Ending::kCancelled);
}

TEST_F(WindowProgramTest, RulesMenuImportsAndRestoresAndCancelLeavesTheRulesAlone) {
  MainWindow& window = program_->Main();
  auto* menu = window.findChild<QMenuBar*>("menuBar");
  ASSERT_NE(menu, nullptr);
  // The design area sits whole below the menu.
  EXPECT_EQ(Get("tbKVPath")->geometry(), QRect(56, 8 + menu->height(), 289, 25));
  EXPECT_EQ(Get("tbLog")->geometry().top(), 72 + menu->height());

  program_->ShowRuleOrigin(true);
  EXPECT_TRUE(window.windowTitle().endsWith("  |  shipped rules  |  home " +
                                            QString::fromStdString(home_.string())))
      << window.windowTitle().toStdString();
  const QString exported = QString::fromStdString((folder_ / "exported").string());
  program_->SetFolderQuestion([&](const QString&) { return exported; });
  Trigger("actExport");
  EXPECT_TRUE(State().startsWith("Export finished in")) << State().toStdString();

  // "Cancel" pressed while the import reads its folder.
  files_.at = ".rules";
  files_.step = [this] { OnWindowThread([this] { Get<QPushButton>("cmdCancel")->click(); }); };
  Trigger("actImport");
  EXPECT_FALSE(files_.step);
  EXPECT_TRUE(State().startsWith("Import cancelled after")) << State().toStdString();
  EXPECT_TRUE(window.windowTitle().contains("shipped rules"));
  EXPECT_FALSE(session_->Origin().imported);

  Trigger("actImport");
  EXPECT_TRUE(State().startsWith("Import finished in")) << State().toStdString();
  EXPECT_TRUE(window.windowTitle().contains(QRegularExpression(
      "  \\|  learned rules, imported \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d UTC  \\|  home ")))
      << window.windowTitle().toStdString();
  Trigger("actRestore");
  EXPECT_TRUE(State().startsWith("Restore finished in")) << State().toStdString();
  EXPECT_TRUE(window.windowTitle().contains("shipped rules"));
  // No folder given: nothing runs.
  program_->SetFolderQuestion([](const QString&) { return QString(); });
  window.findChild<QAction*>("actImport")->trigger();
  EXPECT_FALSE(window.CommandRunning());
}

TEST_F(WindowProgramTest, LearnFromTheGameFolderRunsOnTheWorkerAndOpensItsReport) {
  MainWindow& window = program_->Main();
  window.show();
  const fs::path learned = folder_ / "learned";
  program_->SetFolderQuestion(
      [&](const QString&) { return QString::fromStdString(learned.string()); });
  QThread* reader = nullptr;
  files_.at = ".ini";
  files_.step = [&] { reader = QThread::currentThread(); };
  EXPECT_EQ(program_->LearnReport(), nullptr);
  Trigger("actLearn");
  EXPECT_NE(reader, nullptr);
  EXPECT_NE(reader, window.thread());
  EXPECT_TRUE(State().startsWith("Learn finished in")) << State().toStdString();
  QWidget* report = program_->LearnReport();
  ASSERT_NE(report, nullptr);
  EXPECT_TRUE(report->isVisible());
  const QString text = report->findChild<QPlainTextEdit*>("tbLearnReport")->toPlainText();
  EXPECT_TRUE(text.startsWith("# Rules learned from ")) << text.toStdString();
  EXPECT_TRUE(fs::exists(learned / "LEARNED.md"));
}

}  // namespace
}  // namespace tarn::gui
