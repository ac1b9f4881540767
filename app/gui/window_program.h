// The window program's windows and how they work together: the main window runs the run
// session's commands, with the status line as its footer; the status line hears how "All"
// progresses, and its "Cancel" (or Esc in the main window) stops it; closing the main window
// during "All" asks whether to stop it; after "All" (and after "References", the check of
// names that the status line starts) the findings view takes what that command found and
// opens by itself when there is anything.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "findings_model.h"
#include "main_window.h"

namespace tarn {
class Session;
class UserSettings;
}  // namespace tarn

namespace tarn::gui {

class FindingsWindow;
class MainWindow;
class QtFrontEnd;
class RunStatusBar;

class WindowProgram : public QObject {
  Q_OBJECT

 public:
  // session, front_end and settings must outlive the program. The windows are built, not
  // shown. The session's commands run on the main window's worker thread.
  WindowProgram(Session& session, QtFrontEnd& front_end, UserSettings& settings);
  ~WindowProgram() override;

  MainWindow& Main() { return *main_; }
  RunStatusBar& Status() { return *status_; }
  FindingsWindow& Findings() { return *findings_; }
  Session& GetSession() { return session_; }

  // Replaces the question asked when the main window is closed while a command runs (true:
  // stop the command and close); by default a message box asks.
  void SetCloseQuestion(std::function<bool(Command)> ask) { ask_close_ = std::move(ask); }
  // Replaces the folder dialog of the Rules menu (caption: what the folder is for; an empty
  // answer runs nothing).
  void SetFolderQuestion(std::function<QString(const QString& caption)> ask) {
    ask_folder_ = std::move(ask);
  }

  // Names in the main window's title where its rule set comes from (the one the program came
  // with, or learned and imported when) and, when name_home, the home folder; again after
  // every rule command. Where TARN.MDB cannot be read, says so.
  void ShowRuleOrigin(bool name_home);
  // The learning report of the last "Learn from game folder", shown read-only; null before.
  QWidget* LearnReport() { return learn_report_; }

 private:
  // The session's commands as the window runs them.
  CommandSet Commands();
  // Puts the findings view where it does not hide the main window's status line.
  void PlaceFindings();
  void CommandEnded();
  // Frees table on the worker thread, since freeing 150,000 rows would keep the window from
  // answering, and gives the memory back to the system.
  void FreeOffWindowThread(FindingsTable table);
  void RuleCommandEnded(const CommandAccount& account);
  bool CloseDuringRun(Command command);
  bool AskWhetherToCancel(Command command);

  Session& session_;
  std::unique_ptr<MainWindow> main_;
  RunStatusBar* status_ = nullptr;  // owned by main_
  std::unique_ptr<FindingsWindow> findings_;
  std::function<bool(Command)> ask_close_;
  std::function<QString(const QString&)> ask_folder_;
  bool name_home_ = false;
  QString design_title_;                   // the title before the origin was added
  QWidget* learn_report_ = nullptr;        // owned by main_
  std::atomic<bool> follow_links_{false};  // "Follow links" as last ticked or cleared
  // The findings view's rows of the last "All" or "References", made on the worker thread
  // before it says the command ended.
  FindingsTable prepared_;
};

}  // namespace tarn::gui
