#include "folder_dialog.h"

#include <QFileDialog>

namespace tarn::gui {

QString ChooseFolder(QWidget* owner, const QString& start_path) {
  QFileDialog dialog(owner, QStringLiteral("Select Path"), start_path);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setWindowModality(Qt::WindowModal);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return start_path;
  }
  return dialog.selectedFiles().constFirst();
}

}  // namespace tarn::gui
