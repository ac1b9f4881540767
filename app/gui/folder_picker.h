// frmPath, the folder picker behind the two "Browse" buttons: a drive list of the machine's
// mounted file systems, a folder list that shows the open folder's path from the root down
// and then its subfolders, and "Ok", which hands the open folder back.
//
// Positions come from the window's design in twips, at 15 twips to a pixel; every control's
// object name is its design name (dlbDir, dlbDrive, cmdGo).
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QComboBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarn::gui {

// One mounted file system as the drive list shows it.
struct Volume {
  QString root;     // its mount point, an absolute path
  QString details;  // what tells it apart, such as the device and the file system type
};

// What the picker reads of the machine and how it reports a folder it cannot open. The
// default is the machine itself; tests put in a tree of their own and catch the messages.
struct PickerPlatform {
  // The mounted file systems, the root "/" first.
  std::function<std::vector<Volume>()> volumes;
  // The names of a folder's subfolders in the order the list shows them. Raises TarnError
  // 76 "Path not found" when the path is no folder, 75 "Path/File access error" when the
  // folder cannot be read.
  std::function<QStringList(const QString& folder)> subfolders;
  // Shows text in a modal box captioned "TARN" with only an OK button, owned by owner.
  std::function<void(QWidget* owner, const QString& text)> show_error;

  static PickerPlatform Machine();
};

class FolderPicker : public QDialog {
  Q_OBJECT

 public:
  // Builds the window at its design size and puts both lists on selected_path; a path that
  // is empty, relative or no readable folder opens the root of the drive list's file system
  // instead, without a message.
  FolderPicker(QWidget* owner, const QString& selected_path,
               PickerPlatform platform = PickerPlatform::Machine());

  // The full path of the folder the list has open (not the highlighted line).
  const QString& OpenFolder() const { return open_folder_; }

 private:
  void BuildControls();
  void Load(const QString& selected_path);
  // Another drive was chosen: opens its mount point, or reports why not and goes back to
  // the root.
  void DriveChanged(int index);
  // Reads path and shows it with its subfolders; raises TarnError as subfolders does and
  // leaves the list as it was then.
  void Open(const QString& path);
  // Open without a message; false when the folder cannot be opened.
  bool TryOpen(const QString& path);
  void ShowFolder(const QString& path, const QStringList& subfolders);
  void OpenItem(QTreeWidgetItem* item);
  int RootIndex() const;
  // The drive list entry whose mount point holds path: the longest that is a prefix.
  int IndexHolding(const QString& path) const;
  // Sets the drive list without running its change handler.
  void SetDriveQuietly(int index);

  PickerPlatform platform_;
  QString open_folder_;
  QTreeWidget* dlb_dir_ = nullptr;
  QComboBox* dlb_drive_ = nullptr;
};

// Shows the picker modally with owner as its owner, opened at start_path, and returns the
// folder that "Ok" handed back; closing it any other way returns start_path unchanged.
QString PickFolder(QWidget* owner, const QString& start_path,
                   PickerPlatform platform = PickerPlatform::Machine());

}  // namespace tarn::gui
