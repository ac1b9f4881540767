#include "qt_front_end.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <string>

#include "gui_test_support.h"
#include "main_window.h"
#include "shell/log.h"
#include "shell/log_box.h"

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

TEST_F(QtFrontEndTest, MessageBoxIsCaptionedTarnWithOnlyOk) {
  QString title, text;
  int buttons = 0;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    text = box->text();
    buttons = static_cast<int>(box->buttons().size());
    box->button(QMessageBox::Ok)->click();
  });
  front_end_.ShowMessageBox("Unable to save settings\r\n\r\nError: caf\xE9\r\n");
  EXPECT_EQ(title, "TARN");
  EXPECT_EQ(text, QString::fromUtf8("Unable to save settings\n\nError: caf\u00e9\n"));
  EXPECT_EQ(buttons, 1);
}

}  // namespace
}  // namespace tarn::gui
