// The window's status line, below the area of the fixed controls. Before the first successful
// "Init DB" it says to press "Init DB" first; while a command runs it shows the command, the
// files read, the file being read, the warnings so far and the time, with a "Cancel" button
// that shows while any command runs; afterwards how the command ended (finished, cancelled, ended
// on an error, not run) with the warnings by number, and what to do when the setup kept it from its
// job. Beside the text: the button that opens the findings view. Its height is fixed: three lines
// of text; the whole text is the tool tip.
#pragma once

#include <QElapsedTimer>
#include <QStatusBar>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <mutex>
#include <string>

#include "main_window.h"
#include "session/command_account.h"
#include "walk/run_watch.h"

class QLabel;
class QCheckBox;
class QPushButton;

namespace tarn::gui {

// What to do when "All" found no game: the game folder the user set is not one.
inline constexpr const char* kGameFolderHint =
    "Set KV Path to the game folder: the one that holds EXE/kestrovar.ini.";

class RunStatusBar : public QStatusBar, public ProgressObserver {
  Q_OBJECT

 public:
  // The text is refreshed this often while a command runs (when the run lets events through).
  static constexpr int kRefreshIntervalMs = 200;

  explicit RunStatusBar(QWidget* parent = nullptr);

  // What to tell the user while no command runs and none has ended yet: what to do on the
  // state line, which holds one line, and why on the detail's two.
  void ShowHint(const QString& what, const QString& why);
  // Adds a line to the detail of how the last command ended.
  void AddDetail(const QString& text);
  // A command starts; game is the game folder, which the file being read is shown below.
  void Begin(Command command, const std::string& game);
  // The command ended as account says.
  void End(const CommandAccount& account);

  // Keeps the progress for the next refresh; cheap, as it is called after every section, on
  // the thread the command runs on.
  void RunProgressed(const RunProgress& progress) override;

  // The two lines as shown: what is going on or how it ended, and the detail (the file being
  // read; the warnings by number; the reasons and what to do).
  QString StateText() const;
  QString DetailText() const;

  // Asks the command under way to stop (the "Cancel" button, Esc): cancelRequested, and the
  // line says where it stops. Nothing while no command runs.
  void RequestCancel();

 signals:
  void cancelRequested();
  void findingsRequested();
  void referencesRequested();
  // The user ticked or cleared "Follow links".
  void followLinksChanged(bool follow);

 private:
  // A button at the status line's right end, named for tests, with what it does as tip.
  QPushButton* AddButton(const QString& caption, const QString& name, const QString& tip);
  void Refresh();
  void SetTexts(const QString& state, const QString& detail);

  QLabel* state_ = nullptr;
  QLabel* detail_ = nullptr;
  QWidget* text_ = nullptr;
  QCheckBox* follow_links_ = nullptr;
  QPushButton* references_ = nullptr;
  QPushButton* findings_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QTimer refresh_;
  QElapsedTimer clock_;
  Command command_ = Command::kAll;
  bool running_ = false;
  bool cancel_asked_ = false;
  std::string game_;
  // Written by the command's thread, read by the refresh on the window's thread.
  mutable std::mutex progress_mutex_;
  std::int64_t files_read_ = 0;
  std::int64_t warnings_ = 0;
  std::string current_file_;
};

}  // namespace tarn::gui
