// The window program's main window, its folder picker and its front end, on Qt's offscreen
// platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <memory>
#include <ostream>
#include <string>

#include "folder_picker.h"
#include "main_window.h"
#include "qt_front_end.h"
#include "settings/settings.h"
#include "shell/error.h"
#include "shell/file_system.h"
#include "shell/log.h"
#include "shell/log_box.h"
#include "support/settings_db.h"
#include "support/world.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }

namespace tarn::gui {
namespace {

namespace fs = std::filesystem;

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

// The window tests run on the offscreen platform unless told otherwise, so that test
// discovery needs no display.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
