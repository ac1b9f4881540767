// The window's Rules menu: learn the rules of the game folder, import a rule folder, export
// the installed rule set, restore the one the last import replaced. Each runs as a command of
// the main window, on its worker thread, and "Cancel" stops it with nothing changed.
#pragma once

#include <QMenuBar>
#include <QString>
#include <functional>

#include "session/command_account.h"

namespace tarn {
class Session;
}  // namespace tarn

namespace tarn::gui {

class MainWindow;

class RulesMenu : public QMenuBar {
  Q_OBJECT

 public:
  // Asks for a folder: the caption says what for; empty when the user gave none.
  using FolderQuestion = std::function<QString(QWidget* owner, const QString& caption)>;

  // session and window must outlive the menu; the window owns it once put in
  // (MainWindow::SetMenuBar).
  RulesMenu(Session& session, MainWindow& window, FolderQuestion ask_folder);

 private:
  // Asks for the folder and, when one is given, runs the rule command on it.
  void RunOnFolder(SessionCommand command, const QString& caption);

  Session& session_;
  MainWindow& window_;
  FolderQuestion ask_folder_;
};

}  // namespace tarn::gui
