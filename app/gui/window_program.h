// The window program's windows and how they work together: the main window runs the run
// session's commands, with the status line as its footer; the status line hears how "All"
// progresses, and its "Cancel" (or Esc in the main window) stops it; closing the main window
// during "All" asks whether to stop it; after "All" (and after "References", the check of
// names that the status line starts) the findings view takes the run's findings and opens by
// itself when there are any.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace tarn {
class Analysis;
class UserSettings;
}  // namespace tarn

namespace tarn::gui {

class FindingsWindow;
class MainWindow;
class QtFrontEnd;
class RunSession;
class RunStatusBar;

class WindowProgram : public QObject {
  Q_OBJECT

 public:
  // analysis, front_end and settings must outlive the program; home is where the analysis
  // makes KV.MDB. The windows are built, not shown.
  WindowProgram(Analysis& analysis, QtFrontEnd& front_end, UserSettings& settings,
                std::string home);
  ~WindowProgram() override;

  MainWindow& Main() { return *main_; }
  RunStatusBar& Status() { return *status_; }
  FindingsWindow& Findings() { return *findings_; }
  RunSession& Session() { return *session_; }

  // Replaces the question asked when the main window is closed during "All" (true: stop the
  // run and close); by default a message box asks.
  void SetCloseQuestion(std::function<bool()> ask) { ask_close_ = std::move(ask); }

 private:
  void CommandEnded();
  bool CloseDuringRun(bool cancellable);
  bool AskWhetherToCancel();

  Analysis& analysis_;
  std::unique_ptr<RunSession> session_;
  std::unique_ptr<MainWindow> main_;
  RunStatusBar* status_ = nullptr;  // owned by main_
  std::unique_ptr<FindingsWindow> findings_;
  std::function<bool()> ask_close_;
  std::atomic<bool> follow_links_{false};  // "Follow links" as last ticked or cleared
};

}  // namespace tarn::gui
