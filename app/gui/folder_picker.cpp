#include "folder_picker.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "main_window.h"
#include "platform/error.h"
#include "platform/file_system.h"

namespace tarn::gui {

namespace {

// The design's inner area.
constexpr int kInnerWidthTwips = 3870;
constexpr int kInnerHeightTwips = 3630;

// Each line of the folder list is indented this much further than the folder above it.
constexpr int kIndentPixels = 10;

constexpr int kPathRole = Qt::UserRole;

const QString kRoot = QStringLiteral("/");

std::vector<Volume> MountedVolumes() {
  // Keyed by mount point: a later mount over the same point hides the earlier one, and
  // the order puts the root first.
  std::map<QString, QString> by_root;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (!volume.isValid() || !volume.isReady()) continue;
    QStringList details;
    for (const QString& part : {volume.name(), QString::fromLocal8Bit(volume.device()),
                                QString::fromLatin1(volume.fileSystemType())}) {
      if (!part.isEmpty()) details.push_back(part);
    }
    by_root[volume.rootPath()] = details.join(QLatin1Char(' '));
  }
  by_root.try_emplace(kRoot);
  std::vector<Volume> volumes;
  for (auto& [root, details] : by_root) volumes.push_back(Volume{root, std::move(details)});
  return volumes;
}

QStringList Subfolders(FileSystem& files, const QString& folder) {
  const std::string path = folder.toStdString();
  if (!files.FolderExists(path)) RaisePlatformError(kErrPathNotFound);
  std::vector<std::string> entries;
  try {
    entries = files.ListFolder(path);
  } catch (const TarnError&) {
    // The folder is there but cannot be listed (no permission): not a missing path.
    throw TarnError(kErrPathFileAccess, "Path/File access error: the folder cannot be read",
                    std::string(kAppName));
  }
  const std::string prefix = path.ends_with('/') ? path : path + '/';
  QStringList names;
  for (const std::string& entry : entries) {
    // A subfolder is whatever opens as a folder, links to folders included.
    if (files.FolderExists(prefix + entry)) {
      names.push_back(QString::fromStdString(entry));
    }
  }
  // Letter case ignored, as a folder list reads; names that differ only in case keep a
  // fixed order.
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    const int order = a.compare(b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
  });
  return names;
}

void ShowError(QWidget* owner, const QString& text) {
  QMessageBox box(owner);
  box.setWindowTitle(QStringLiteral("TARN"));
  box.setTextFormat(Qt::PlainText);
  box.setText(text);
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

QString ErrorMessage(const TarnError& error) {
  return QStringLiteral("Error ") + QString::number(error.Number()) + QStringLiteral(", ") +
         QString::fromStdString(error.Description());
}

QString ChildPath(const QString& folder, const QString& name) {
  return folder == kRoot ? kRoot + name : folder + QLatin1Char('/') + name;
}

// Every line of the list is always open, so the tree draws no folding arrows.
class FolderList : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;

 protected:
  void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}
};

QTreeWidgetItem* NewLine(const QString& text, const QString& path, const QIcon& icon) {
  auto* line = new QTreeWidgetItem(QStringList{text});
  line->setData(0, kPathRole, path);
  line->setIcon(0, icon);
  return line;
}

}  // namespace

PickerPlatform PickerPlatform::Machine() {
  // The platform's own file system: a picker may outlive whatever made it.
  auto files = std::make_shared<RealFileSystem>();
  return PickerPlatform{MountedVolumes,
                        [files](const QString& folder) { return Subfolders(*files, folder); },
                        ShowError};
}

FolderPicker::FolderPicker(QWidget* owner, const QString& selected_path, PickerPlatform platform)
    : QDialog(owner), platform_(std::move(platform)) {
  setObjectName(QStringLiteral("frmPath"));
  setWindowTitle(QStringLiteral("Select Path"));
  UseDesignFont(this);
  setFixedSize(kInnerWidthTwips / kTwipsPerPixel, kInnerHeightTwips / kTwipsPerPixel);
  BuildControls();
  Load(selected_path);
}

void FolderPicker::BuildControls() {
  // Created in tab order, so that the focus chain follows the design's tab indexes.
  dlb_dir_ = Place(new FolderList(this), "dlbDir", 120, 480, 3615, 3015);
  dlb_drive_ = Place(new QComboBox(this), "dlbDrive", 120, 120, 2775, 315);
  auto* cmd_go = Place(new QPushButton(QStringLiteral("&Ok"), this), "cmdGo", 3000, 120, 735, 285);
  setTabOrder(dlb_dir_, dlb_drive_);
  setTabOrder(dlb_drive_, cmd_go);

  // A list of folders, each path line one step further in; nothing folds or edits.
  dlb_dir_->setHeaderHidden(true);
  dlb_dir_->setRootIsDecorated(false);
  dlb_dir_->setItemsExpandable(false);
  dlb_dir_->setExpandsOnDoubleClick(false);
  dlb_dir_->setIndentation(kIndentPixels);
  dlb_dir_->setUniformRowHeights(true);
  dlb_dir_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Deep paths scroll sideways rather than cut their names short.
  dlb_dir_->header()->setStretchLastSection(false);
  dlb_dir_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

  for (const Volume& volume : platform_.volumes()) {
    const QString text = volume.details.isEmpty() ? volume.root
                                                  : volume.root + QStringLiteral("  [") +
                                                        volume.details + QLatin1Char(']');
    dlb_drive_->addItem(text, volume.root);
  }
  // The fallback of a drive that cannot be read must exist.
  if (dlb_drive_->findData(kRoot) < 0) dlb_drive_->insertItem(0, kRoot, kRoot);

  // A click only highlights; a double click opens.
  connect(dlb_dir_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { OpenItem(item); });
  connect(dlb_drive_, &QComboBox::currentIndexChanged, this, &FolderPicker::DriveChanged);
  connect(cmd_go, &QPushButton::clicked, this, &QDialog::accept);
}

void FolderPicker::Load(const QString& selected_path) {
  // Only an absolute path names a folder the same way wherever the program runs.
  const QString path =
      QDir::isAbsolutePath(selected_path) ? QDir::cleanPath(selected_path) : QString();
  SetDriveQuietly(path.isEmpty() ? RootIndex() : IndexHolding(path));
  if (!path.isEmpty() && TryOpen(path)) return;
  if (TryOpen(dlb_drive_->currentData().toString())) return;
  // Not even the drive's own root can be read: the machine's root, empty if need be.
  SetDriveQuietly(RootIndex());
  if (!TryOpen(kRoot)) ShowFolder(kRoot, {});
}

void FolderPicker::DriveChanged(int index) {
  try {
    Open(dlb_drive_->itemData(index).toString());
  } catch (const TarnError& error) {
    platform_.show_error(this, ErrorMessage(error));
    // Runs this handler again for the root; if the root itself failed nothing changes.
    dlb_drive_->setCurrentIndex(RootIndex());
  }
}

void FolderPicker::OpenItem(QTreeWidgetItem* item) {
  try {
    Open(item->data(0, kPathRole).toString());
  } catch (const TarnError& error) {
    // Gone since it was listed, or not ours to read: the open folder stays.
    platform_.show_error(this, ErrorMessage(error));
  }
}

void FolderPicker::Open(const QString& path) { ShowFolder(path, platform_.subfolders(path)); }

bool FolderPicker::TryOpen(const QString& path) {
  try {
    Open(path);
    return true;
  } catch (const TarnError&) {
    return false;
  }
}

void FolderPicker::ShowFolder(const QString& path, const QStringList& subfolders) {
  open_folder_ = path;
  dlb_dir_->clear();
  const QIcon open_icon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed_icon = style()->standardIcon(QStyle::SP_DirClosedIcon);
  QTreeWidgetItem* line = NewLine(kRoot, kRoot, open_icon);
  dlb_dir_->addTopLevelItem(line);
  QString so_far = kRoot;
  for (const QString& name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    so_far = ChildPath(so_far, name);
    QTreeWidgetItem* next = NewLine(name, so_far, open_icon);
    line->addChild(next);
    line = next;
  }
  for (const QString& name : subfolders) {
    line->addChild(NewLine(name, ChildPath(path, name), closed_icon));
  }
  dlb_dir_->expandAll();
  // The open folder is highlighted until a click moves the highlight.
  dlb_dir_->setCurrentItem(line);
  dlb_dir_->scrollToItem(line);
}

int FolderPicker::RootIndex() const { return dlb_drive_->findData(kRoot); }

int FolderPicker::IndexHolding(const QString& path) const {
  int best = RootIndex();
  qsizetype best_length = 0;
  for (int i = 0; i < dlb_drive_->count(); ++i) {
    const QString root = dlb_drive_->itemData(i).toString();
    const bool holds =
        path == root ||
        path.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
    if (holds && root.size() > best_length) {
      best = i;
      best_length = root.size();
    }
  }
  return best;
}

void FolderPicker::SetDriveQuietly(int index) {
  const QSignalBlocker quiet(dlb_drive_);
  dlb_drive_->setCurrentIndex(index);
}

QString PickFolder(QWidget* owner, const QString& start_path, PickerPlatform platform) {
  FolderPicker picker(owner, start_path, std::move(platform));
  return picker.exec() == QDialog::Accepted ? picker.OpenFolder() : start_path;
}

}  // namespace tarn::gui
