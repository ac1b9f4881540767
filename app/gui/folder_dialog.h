// The folder chooser behind the two "Browse" buttons: a modal choice of one folder, owned by
// the main window.
#pragma once

#include <QString>

class QWidget;

namespace tarn::gui {

// Shows a modal folder chooser that opens at start_path and returns the chosen folder's
// full path; closing it without a choice returns start_path unchanged. A start path that
// does not exist is no error: the chooser opens where it can.
QString ChooseFolder(QWidget* owner, const QString& start_path);

}  // namespace tarn::gui
