// The folder picker: where it opens, what it lists and reports, and the main window's
// "Browse" buttons that open it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <tuple>
#include <utility>
#include <vector>

#include "folder_picker.h"
#include "gui_support.h"
#include "platform/error.h"

namespace tarn::gui {
namespace {

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

}  // namespace
}  // namespace tarn::gui
