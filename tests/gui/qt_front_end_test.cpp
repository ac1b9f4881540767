// The Qt front end: the log box's text, and the message box for the window's thread and the
// worker's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>

#include "command_worker.h"
#include "gui_support.h"
#include "log/log_box.h"

namespace tarn::gui {
namespace {

using QtFrontEndTest = GuiTest;

// A line of the given number with code page 1252 letters: e acute and the euro sign.
std::string Line(int n) {
  return "WARN: File caf\xE9.ini line " + std::to_string(n) + " costs 5\x80 " +
         std::string(static_cast<std::size_t>(n % 90), 'x');
}

TEST_F(QtFrontEndTest, LogBoxShowsTheKeptTextAcrossCutsAndFlushes) {
  MainWindow window(front_end_, Values(), CommandSet{});
  auto* box = window.findChild<QPlainTextEdit*>("tbLog");
  BoundedLogText expected;
  int cuts = 0;
  for (int n = 0; n < 3000; ++n) {
    log_->WriteLog(Line(n));
    cuts += expected.Append(Line(n) + "\r\n", true) ? 1 : 0;
    // The core pumps events once per section, at irregular intervals.
    if (n % 37 == 0 || n % 101 == 0) front_end_.ProcessEvents();
    if (n % 500 == 0) {
      front_end_.Flush();
      ASSERT_EQ(box->toPlainText(), ToDisplayText(front_end_.LogText().Text())) << n;
    }
  }
  ASSERT_GT(cuts, 5);
  EXPECT_EQ(front_end_.LogText().Text(), expected.Text());
  front_end_.Flush();
  EXPECT_EQ(box->toPlainText(), ToDisplayText(expected.Text()));
  EXPECT_TRUE(box->toPlainText().contains(QString::fromUtf8("caf\u00e9.ini")));
  EXPECT_TRUE(box->toPlainText().contains(QString::fromUtf8("5\u20ac")));
  EXPECT_TRUE(box->textCursor().atEnd());
}

TEST_F(QtFrontEndTest, TextKeptBeforeTheWindowAndPendingLinesReachTheBox) {
  front_end_.AppendToLogBox("kept\r\n", true);
  MainWindow window(front_end_, Values(), CommandSet{});
  auto* box = window.findChild<QPlainTextEdit*>("tbLog");
  EXPECT_EQ(box->toPlainText(), "kept\n");
  front_end_.AppendToLogBox("a\r\n", true);
  front_end_.AppendToLogBox("b\r\n", true);
  // No flush is asked for: the event loop brings them.
  QElapsedTimer waited;
  waited.start();
  while (box->toPlainText() != "kept\na\nb\n" && waited.elapsed() < 5000) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  EXPECT_EQ(box->toPlainText(), "kept\na\nb\n");
}

TEST_F(QtFrontEndTest, MessageBoxIsCaptionedTarnWithOnlyOkAndAnsweredForTheWorker) {
  CommandWorker worker;
  for (const bool from_worker : {false, true}) {
    SCOPED_TRACE(from_worker);
    QString title, text;
    int buttons = 0;
    // The box comes when the thread that asks for it gets there: look until it is up.
    QTimer answer;
    answer.setInterval(5);
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      answer.stop();
      title = box->windowTitle();
      text = box->text();
      buttons = static_cast<int>(box->buttons().size());
      box->button(QMessageBox::Ok)->click();
    });
    answer.start();
    const auto ask = [this] {
      front_end_.ShowMessageBox("Unable to save settings\r\n\r\nError: caf\xE9\r\n");
    };
    if (from_worker) {
      QSignalSpy finished(&worker, &CommandWorker::finished);
      bool off_window_thread = false;
      worker.Start([&] {
        off_window_thread = worker.OnWorkerThread() &&
                            QThread::currentThread() != QCoreApplication::instance()->thread();
        ask();
      });
      ASSERT_TRUE(finished.wait(10000)) << "the worker never heard the answer";
      EXPECT_TRUE(off_window_thread);
    } else {
      ask();
    }
    EXPECT_EQ(title, "TARN");
    EXPECT_EQ(text, QString::fromUtf8("Unable to save settings\n\nError: caf\u00e9\n"));
    EXPECT_EQ(buttons, 1);
  }
}

}  // namespace
}  // namespace tarn::gui
