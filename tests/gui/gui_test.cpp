// The window program's main window, its folder picker and its front end, on Qt's offscreen
// platform, and the whole window program on the broken sample world.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QString>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "analysis/analysis.h"
#include "command_worker.h"
#include "datadb/database.h"
#include "file_viewer.h"
#include "findings_model.h"
#include "findings_window.h"
#include "folder_picker.h"
#include "log/log.h"
#include "log/log_box.h"
#include "main_window.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/version.h"
#include "qt_front_end.h"
#include "run_status.h"
#include "session/session.h"
#include "settings/settings.h"
#include "support/settings_db.h"
#include "support/world.h"
#include "walk/run_watch.h"
#include "window_program.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }

namespace tarn::gui {
namespace {

namespace fs = std::filesystem;

// Runs step on the window's thread and waits for it. Commands run on the worker thread, and
// what a test does "inside" one (a click, a close) must be done to the widgets on theirs.
void OnWindowThread(const std::function<void()>& step) {
  if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
    step();
  } else {
    QMetaObject::invokeMethod(QCoreApplication::instance(), step, Qt::BlockingQueuedConnection);
  }
}

// Clicks a button of window and, when that started a command, waits until the window has
// heard that it ended.
void ClickAndWait(MainWindow& window, QPushButton* button) {
  QSignalSpy ended(&window, &MainWindow::commandEnded);
  button->click();
  if (window.CommandRunning()) {
    EXPECT_TRUE(ended.wait(60000)) << "the command never ended";
  }
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

using Lines = std::vector<QString>;

// Mounts: the root, a drive folder with subfolders, a file and links, "locked" that the
// machine refuses to list, and "gone" whose mount point has vanished.
class FolderPickerTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    for (const char* sub : {"Games/kv/Data", "beta", "Alpha", ".hidden"}) {
      fs::create_directories(folder_ / "drive" / sub);
    }
    testing::WriteFile(dir_.File("drive/readme.txt"), "x");
    fs::create_directory_symlink(folder_ / "drive/Games", folder_ / "drive/link");
    fs::create_symlink(folder_ / "drive/readme.txt", folder_ / "drive/file-link");
    platform_.volumes = [this] {
      return std::vector<Volume>{
          {"/", "root"}, {Path("drive"), "disk ext4"}, {Path("locked"), ""}, {Path("gone"), ""}};
    };
    platform_.subfolders = [this, machine = platform_.subfolders](const QString& folder) {
      if (folder.startsWith(Path("locked"))) throw TarnError(75, "Path/File access error", "");
      return machine(folder);
    };
    platform_.show_error = [this](QWidget*, const QString& text) { messages_.push_back(text); };
  }
  QString Path(const char* sub) { return QString::fromStdString((folder_ / sub).string()); }
  // The folder list's lines below the test folder, indented one space a level.
  Lines Shown(FolderPicker& picker) {
    Lines lines;
    for (QTreeWidgetItemIterator it(picker.findChild<QTreeWidget*>("dlbDir")); *it; ++it) {
      const QString path = (*it)->data(0, Qt::UserRole).toString();
      if (!path.startsWith(Path(""))) continue;
      lines.push_back(QString(path.count('/') - Path("").count('/'), ' ') + (*it)->text(0));
    }
    return lines;
  }
  // As a mouse sends it: a click, then the second press as a double click. On the folder's
  // icon, since long names run past the list's right edge.
  static void Click(FolderPicker& picker, const char* text, bool twice = false) {
    auto* list = picker.findChild<QTreeWidget*>("dlbDir");
    QTreeWidgetItem* item = list->findItems(text, Qt::MatchRecursive).value(0);
    ASSERT_NE(item, nullptr) << text;
    list->scrollToItem(item);
    const QRect line = list->visualItemRect(item);
    const QPoint at(line.left() + 4, line.center().y());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  }
  static QComboBox* Drive(FolderPicker& picker) { return picker.findChild<QComboBox*>("dlbDrive"); }

  PickerPlatform platform_ = PickerPlatform::Machine();
  Lines messages_;
};

TEST_F(FolderPickerTest, StartsAtTheSelectedFolderOrSilentlyAtItsDrivesRoot) {
  for (auto [start, open, drive] :
       {std::tuple{Path("drive/Games/kv"), Path("drive/Games/kv"), 1},
        {Path("drive/./Games//kv/"), Path("drive/Games/kv"), 1},
        {Path("drive/missing"), Path("drive"), 1},
        {Path("drive/readme.txt"), Path("drive"), 1},
        {QString(), QString("/"), 0},
        {QString("drive/Games"), QString("/"), 0},
        {QString("/no/such"), QString("/"), 0},
        {Path("locked/sub"), QString("/"), 0}}) {  // its drive unreadable too
    FolderPicker picker(nullptr, start, platform_);
    EXPECT_EQ(picker.OpenFolder(), open) << start.toStdString();
    EXPECT_EQ(Drive(picker)->currentIndex(), drive) << start.toStdString();
  }
  EXPECT_EQ(messages_, Lines{});
  // Hidden folders and links to folders count; files do not; letter case is ignored.
  FolderPicker picker(nullptr, Path("drive"), platform_);
  EXPECT_EQ(Shown(picker), (Lines{"drive", " .hidden", " Alpha", " beta", " Games", " link"}));
}

TEST_F(FolderPickerTest, AFolderThatCannotBeReadIsReported) {
  for (auto [drive, message] :
       {std::pair{2, "Error 75, Path/File access error"}, {3, "Error 76, Path not found"}}) {
    messages_.clear();
    FolderPicker picker(nullptr, Path("drive/Games"), platform_);
    picker.show();
    Drive(picker)->setCurrentIndex(drive);  // and back to the root
    EXPECT_EQ(messages_, Lines{message});
    EXPECT_EQ(Drive(picker)->currentIndex(), 0);
    EXPECT_EQ(picker.OpenFolder(), "/");
    Drive(picker)->setCurrentIndex(1);
    fs::remove(folder_ / "drive/beta");  // gone since it was listed: the open folder stays
    Click(picker, "beta", true);
    EXPECT_EQ(messages_, (Lines{message, "Error 76, Path not found"}));
    EXPECT_EQ(picker.OpenFolder(), Path("drive"));
    fs::create_directory(folder_ / "drive/beta");
  }
}

// Double clicks go up to a path line and down to a subfolder; a click only highlights.
TEST_F(FolderPickerTest, BrowseOpensItOverTheMainWindowAndOnlyOkChangesThePath) {
  struct Case {
    bool machine, ok;
    QString expected;
  };
  for (const Case& c : {Case{false, true, Path("drive/Games/kv")},
                        Case{false, false, Path("drive/Games")}, Case{true, false, "/games/kv"}}) {
    CommandSet commands;
    commands.choose_folder = [this, c](QWidget* owner, const QString& start) {
      return c.machine ? PickFolder(owner, start) : PickFolder(owner, start, platform_);
    };
    MainWindow window(front_end_, Values(), commands);
    auto* box = window.findChild<QLineEdit*>("tbKVPath");
    box->setText(c.machine ? "/games/kv" : Path("drive/Games"));
    QTimer::singleShot(0, [&] {
      auto* picker = qobject_cast<FolderPicker*>(QApplication::activeModalWidget());
      ASSERT_NE(picker, nullptr);
      EXPECT_EQ(picker->parentWidget(), &window);
      if (!c.machine) {
        for (const char* folder : {"drive", "Games", "kv"}) Click(*picker, folder, true);
        Click(*picker, "Data");
        EXPECT_EQ(Shown(*picker), (Lines{"drive", " Games", "  kv", "   Data"}));
      }
      if (c.ok) picker->findChild<QPushButton*>("cmdGo")->click();
      if (!c.ok) picker->close();
    });
    window.findChild<QPushButton*>("cmdBrowseKV")->click();
    EXPECT_EQ(box->text(), c.expected);
    EXPECT_EQ(QString::fromStdString(Values().KVPath()), c.expected);
  }
}

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

// The findings view hides known findings unless asked, hides the numbers the user unticks
// while the rest stay, and sorts on the rows' own values.
TEST(FindingsWindowTest, HidesKnownFindingsAndUntickedNumbersAndSortsByLine) {
  CommandAccount account;
  const struct {
    const char* rule;
    int line;
    bool known;
  } rows[] = {{"repair", 30, false},
              {"10302", 4, false},
              {"repair", 200, false},
              {"10302", 17, true},
              {"10101", 9, false}};
  for (const auto& row : rows) {
    account.findings.push_back(
        FindingRow{.rule = row.rule, .path = "DATA/a.ini", .line = row.line, .known = row.known});
    ++account.counts[row.rule];
    account.known += row.known ? 1 : 0;
  }
  RealFileSystem files;
  FindingsWindow view(files);
  view.SetRun(account);
  EXPECT_EQ(view.TotalRows(), 5);
  EXPECT_EQ(view.ShownRows(), 4);
  EXPECT_TRUE(view.CountsText().contains("1 known finding hidden"))
      << view.CountsText().toStdString();
  view.ShowKnown(true);
  EXPECT_EQ(view.ShownRows(), 5);
  view.HideNumber("repair", true);
  EXPECT_EQ(view.ShownRows(), 3);
  view.HideNumber("10101", true);
  EXPECT_EQ(view.ShownRows(), 2);
  view.HideNumber("repair", false);
  EXPECT_EQ(view.ShownRows(), 4);
  view.Table()->sortByColumn(FindingsModel::kLine, Qt::AscendingOrder);
  std::vector<int> lines;
  for (int row = 0; row < view.ShownRows(); ++row) {
    lines.push_back(view.Table()->model()->index(row, FindingsModel::kLine).data().toInt());
  }
  EXPECT_EQ(lines, (std::vector<int>{4, 17, 30, 200}));
}

// The filters match letter case aside (beyond ASCII too) within one column, never across two;
// a line number matches only by its digits; a sort keeps the selected finding selected.
TEST(FindingsWindowTest, FiltersWithinOneColumnAndSortKeepsTheSelection) {
  CommandAccount account;
  account.findings = {
      FindingRow{.rule = "10302",
                 .text = "\xC9nergie",
                 .path = "DATA/Ship.ini",
                 .line = 200,
                 .section = "ab",
                 .key = "cd"},
      FindingRow{.rule = "10101", .text = "x", .path = "DATA/b.ini", .line = 7, .section = "Ship"}};
  account.counts = {{"10302", 1}, {"10101", 1}};
  RealFileSystem files;
  FindingsWindow view(files);
  view.SetRun(account);
  const struct {
    const char* file;
    const char* text;
    int shown;
  } cases[] = {{"", "\u00e9NERGIE", 1}, {"", "ship", 2}, {"SHIP", "", 1},     {"", "bc", 0},
               {"", "20", 1},           {"", "7", 1},    {"b.ini", "200", 0}, {"", "", 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + "|" + c.text);
    view.FilterByFile(QString::fromUtf8(c.file));
    view.FilterByText(QString::fromUtf8(c.text));
    EXPECT_EQ(view.ShownRows(), c.shown);
  }
  view.Table()->selectRow(1);
  view.Table()->sortByColumn(FindingsModel::kLine, Qt::AscendingOrder);
  const QModelIndexList selected =
      view.Table()->selectionModel()->selectedRows(FindingsModel::kLine);
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(selected[0].row(), 0);
  EXPECT_EQ(selected[0].data().toInt(), 7);
  // A new run shows every number again.
  view.HideNumber("10101", true);
  EXPECT_EQ(view.ShownRows(), 1);
  view.SetRun(account);
  EXPECT_EQ(view.ShownRows(), 2);
}

// The window program on the broken sample world, with the real analysis behind it: what the
// window lets the user do while "All" runs, how a cancel or a close during a run ends it, what
// the status line says afterwards, and the findings view and its viewer for each mistake.
const std::string kBrokenWorld = std::string(TARN_EXAMPLES) + "/kestrovar-broken";

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

// The real file system, with a step run (once) when a file whose path holds `at` is opened.
class SteppingFiles : public RealFileSystem {
 public:
  std::unique_ptr<InputFile> OpenForReading(const std::string& path) override {
    if (step && path.find(at) != std::string::npos) std::exchange(step, nullptr)();
    return RealFileSystem::OpenForReading(path);
  }
  std::string at;
  std::function<void()> step;
};

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

TEST_F(WindowProgramTest, InputsIgnoreTheUserWhileAllRunsAndNothingIsDisabled) {
  auto* game = Get<QLineEdit>("tbKVPath");
  auto* overwrite = Get<QCheckBox>("chkOverwrite");
  auto* browse = Get<QPushButton>("cmdBrowseKV");
  program_->Main().show();
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
  });
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
    Database db = Database::Open((home_ / "KV.MDB").string(), Database::Mode::kReadWrite);
    Statement check = db.Prepare("PRAGMA integrity_check");
    ASSERT_TRUE(check.Step());
    EXPECT_EQ(check.Text(0), "ok");
    std::vector<std::string> sections;
    Statement rows = db.Prepare("SELECT File || '|' || Section FROM Sections ORDER BY DB_ID");
    while (rows.Step()) sections.push_back(rows.Text(0));
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

TEST_F(WindowProgramTest, LogBoxGetsTheLinesOfTarnLog) {
  program_->Main().show();
  RunAll();
  Click("cmdRefs");
  std::string box = ToDisplayText(front_end_.LogText().Text()).toStdString();
  std::string file = testing::FromCrLf(testing::ReadFile((logs_ / "tarn.log").string()));
  EXPECT_EQ(Get<QPlainTextEdit>("tbLog")->toPlainText().toStdString(), box);
  // The box holds the text from before "All" started the log afresh, or only the newest part
  // of the log: one ends as the other.
  const std::size_t common = std::min(box.size(), file.size());
  ASSERT_GT(common, 1000u);
  EXPECT_EQ(box.substr(box.size() - common), file.substr(file.size() - common));
}

// The warning numbers of the log's warning blocks ("      10302 - Unknown Entry !...!").
std::map<std::string, int> LogCounts(const std::vector<std::string>& log) {
  static const std::regex number_line(R"(^\s+(\d{5}) - )");
  std::map<std::string, int> counts;
  std::smatch match;
  for (const std::string& line : log) {
    if (std::regex_search(line, match, number_line)) ++counts[match[1]];
  }
  return counts;
}

TEST_F(WindowProgramTest, StatusLineSaysHowTheCommandEndedAndWhatToDoNext) {
  program_->Main().show();
  const QString init_first = "Press \"Init DB\" first";
  EXPECT_TRUE(State().startsWith(init_first)) << State().toStdString();
  // Links out of the game folder are followed only while the user says so: the next "All"
  // takes the box as it is then.
  QCheckBox* follow = Get<QCheckBox>("chkFollowLinks");
  follow->click();
  Click("cmdDumpRules");  // before "Init DB" the hint stays
  EXPECT_TRUE(State().startsWith("Dump finished in")) << State().toStdString();
  EXPECT_TRUE(Detail().contains(init_first)) << Detail().toStdString();

  RunAll();
  EXPECT_TRUE(analysis_->Options().follow_links);
  follow->click();
  const std::map<std::string, int> counts = LogCounts(LogLines());
  ASSERT_EQ(counts.size(), 6u);
  std::string expected;
  for (const auto& [number, count] : counts) {
    expected += (expected.empty() ? "" : ", ") + number + ": " + std::to_string(count);
  }
  EXPECT_TRUE(State().startsWith("All finished in")) << State().toStdString();
  EXPECT_TRUE(State().endsWith("7 warnings.")) << State().toStdString();
  EXPECT_EQ(Detail().toStdString(), "Warnings by number: " + expected);
  EXPECT_TRUE(program_->Findings().CountsText().contains(QString::fromStdString(expected)));
  EXPECT_TRUE(program_->Findings().isVisible());

  // Runs that found nothing because of the setup say so, as the command line does.
  struct Case {
    std::string game, logs, reason, hint;
  };
  for (const Case& c : {Case{(folder_ / "nowhere").string(), logs_.string(),
                             "could not be read: is the game folder right?", "Set KV Path"},
                        Case{kBrokenWorld, (folder_ / "no-logs").string(),
                             "lines could not be written to", "Set Log Path"}}) {
    SCOPED_TRACE(c.hint);
    program_->Findings().hide();
    settings_->Values().SetKVPath(c.game);
    settings_->Values().SetLogPath(c.logs);
    Click("cmdAll");
    EXPECT_FALSE(analysis_->Options().follow_links);
    EXPECT_TRUE(State().startsWith("All ended on an error")) << State().toStdString();
    EXPECT_TRUE(Detail().contains(QString::fromStdString(c.reason))) << Detail().toStdString();
    EXPECT_TRUE(Detail().contains(QString::fromStdString(c.hint))) << Detail().toStdString();
  }

  // An empty game folder would be a walk of the file system's root: nothing runs.
  const std::size_t lines = LogLines().size();
  settings_->Values().SetKVPath("");
  settings_->Values().SetLogPath(logs_.string());
  Click("cmdAll");
  EXPECT_EQ(State().toStdString(), "All did not run: no game folder is set");
  EXPECT_TRUE(Detail().contains("Set KV Path")) << Detail().toStdString();
  EXPECT_EQ(LogLines().size(), lines);
}

TEST_F(WindowProgramTest, FindingsViewFiltersAndOpensEachMistakeAtItsLine) {
  RunAll();
  FindingsWindow& view = program_->Findings();
  ASSERT_EQ(view.TotalRows(), 7);
  // The nine mistakes of the broken world's README, as an editor shows them (a binary file as
  // its text form): seven that "All" finds, then two that the check of names finds.
  struct Mistake {
    const char* number;
    const char* file;
    int line;
    const char* text;  // what the highlighted line holds
  };
  auto open_each = [&view](std::initializer_list<Mistake> mistakes) {
    for (Mistake m : mistakes) {
      SCOPED_TRACE(m.number);
      view.FilterByNumber(m.number);
      view.FilterByFile(m.file);
      ASSERT_EQ(view.ShownRows(), 1);
      QTableView* table = view.Table();
      EXPECT_EQ(table->model()->index(0, FindingsModel::kFile).data().toString(), m.file);
      EXPECT_EQ(table->model()->index(0, FindingsModel::kLine).data().toInt(), m.line);
      // Enter on the row opens it, as a double click does.
      table->setFocus();
      table->setCurrentIndex(table->model()->index(0, 0));
      QTest::keyClick(table, Qt::Key_Return);
      FileViewer* viewer = view.Viewer();
      EXPECT_FALSE(viewer->isHidden());
      EXPECT_EQ(viewer->HighlightedLine(), m.line);
      EXPECT_EQ(viewer->CaretLine(), m.line);
      EXPECT_TRUE(viewer->HighlightedText().contains(m.text))
          << viewer->HighlightedText().toStdString();
      EXPECT_TRUE(viewer->Heading().startsWith(m.file)) << viewer->Heading().toStdString();
      // The section around it is shaded: from its header to the line at least.
      EXPECT_GT(viewer->SectionFirst(), 0);
      EXPECT_LE(viewer->SectionFirst(), m.line);
      EXPECT_GE(viewer->SectionLast(), m.line);
    }
    view.FilterByNumber("");
    view.FilterByFile("");
  };
  open_each({Mistake{"10302", "DATA/constants.ini", 15, "near_plain = 0.5"},
             Mistake{"10302", "DATA/EQUIPMENT/weapon_equip.ini", 26, "enrgy_damage = 24"},
             Mistake{"10209", "DATA/EQUIPMENT/goods.ini", 9, "price = 2100"},
             Mistake{"10101", "DATA/FX/fuses.ini", 8, "death_fuse = yes"},
             Mistake{"10301", "DATA/SOLAR/StarArch.ini", 19, "[Glow"},
             Mistake{"10212", "DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini", 57, "goto = kv02"},
             Mistake{"10306", "DATA/UNIVERSE/SYSTEMS/KV02/KV02.ini", 76,
                     "Missions\\Encounters\\area_raiders.ini"}});

  struct Filter {
    const char* number;
    const char* file;
    const char* text;
    int shown;
  };
  for (Filter f :
       {Filter{"", "", "", 7}, Filter{"", "equipment", "", 2}, Filter{"", "", "ENRGY", 1},
        Filter{"", "", "Unknown Entry", 2}, Filter{"10101", "equipment", "", 0},
        Filter{"", "KV0", "goto", 1}, Filter{"", "", "no such text", 0},
        Filter{"", "", "did you mean `energy_damage`?", 1}, Filter{"", "", "did you mean", 2}}) {
    SCOPED_TRACE(std::string(f.number) + "|" + f.file + "|" + f.text);
    view.FilterByNumber(f.number);
    view.FilterByFile(f.file);
    view.FilterByText(f.text);
    EXPECT_EQ(view.ShownRows(), f.shown);
  }
  view.FilterByFile("");
  view.FilterByText("");
  view.Table()->sortByColumn(FindingsModel::kLine, Qt::DescendingOrder);
  EXPECT_EQ(view.Table()->model()->index(0, FindingsModel::kLine).data().toInt(), 76);
  EXPECT_EQ(view.Table()->model()->index(6, FindingsModel::kLine).data().toInt(), 8);

  // The check of names shows its own two, in the view and in the status line's counts: what
  // "All" found is that command's, and not counted again.
  Click("cmdRefs");
  ASSERT_EQ(view.TotalRows(), 2);
  EXPECT_TRUE(State().startsWith("References finished in")) << State().toStdString();
  EXPECT_TRUE(State().endsWith(": 2 warnings.")) << State().toStdString();
  EXPECT_TRUE(Detail().contains("Warnings by number: 10401: 2")) << Detail().toStdString();
  open_each({Mistake{"10401", "DATA/EQUIPMENT/market_misc.ini", 8, "commodity_ice_ores"},
             Mistake{"10401", "DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini", 42, "planet_ocean_300"}});
}

}  // namespace
}  // namespace tarn::gui

// The window tests run on the offscreen platform unless told otherwise, so that test
// discovery needs no display.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}

namespace tarn::gui {
namespace {

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
  auto run = [&](const char* name) {
    QSignalSpy ended(&window, &MainWindow::commandEnded);
    window.findChild<QAction*>(name)->trigger();
    ASSERT_TRUE(window.CommandRunning()) << name;
    EXPECT_TRUE(ended.wait(60000)) << name << " never ended";
  };
  run("actExport");
  EXPECT_TRUE(State().startsWith("Export finished in")) << State().toStdString();

  // "Cancel" pressed while the import reads its folder.
  files_.at = ".rules";
  files_.step = [this] { OnWindowThread([this] { Get<QPushButton>("cmdCancel")->click(); }); };
  run("actImport");
  EXPECT_FALSE(files_.step);
  EXPECT_TRUE(State().startsWith("Import cancelled after")) << State().toStdString();
  EXPECT_TRUE(window.windowTitle().contains("shipped rules"));
  EXPECT_FALSE(session_->Origin().imported);

  run("actImport");
  EXPECT_TRUE(State().startsWith("Import finished in")) << State().toStdString();
  EXPECT_TRUE(window.windowTitle().contains(QRegularExpression(
      "  \\|  learned rules, imported \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d UTC  \\|  home ")))
      << window.windowTitle().toStdString();
  run("actRestore");
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
  QSignalSpy ended(&window, &MainWindow::commandEnded);
  window.findChild<QAction*>("actLearn")->trigger();
  ASSERT_TRUE(window.CommandRunning());
  ASSERT_TRUE(ended.wait(60000)) << "Learn never ended";
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

TEST_F(WindowProgramTest, StatusLinesShowTheirWholeTextAtTheDefaultSize) {
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
  RunAll(3, [&] {
    QTest::qWait(RunStatusBar::kRefreshIntervalMs * 2);
    ASSERT_TRUE(Detail().startsWith("Reading DATA/")) << Detail().toStdString();
    expect_whole("during All");
  });
  ASSERT_TRUE(State().endsWith("7 warnings.")) << State().toStdString();
  expect_whole("after All with findings");
}

}  // namespace
}  // namespace tarn::gui
