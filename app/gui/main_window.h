// frmMain, the one main window: the game folder and log folder boxes with their "Browse"
// buttons, the "Overwrite" check box, the commands "Init DB", "All" and "Dump", and the log
// box tbLog that shows every log line.
//
// Positions come from the window's design in twips, at 15 twips to a pixel; every control's
// object name is its design name (tbKVPath, cmdAll, ...).
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "session/command_account.h"

class QCheckBox;
class QCloseEvent;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QResizeEvent;

namespace tarn {
class UserSettings;
}  // namespace tarn

namespace tarn::gui {

class CommandWorker;
class QtFrontEnd;

inline constexpr int kTwipsPerPixel = 15;

// The design title; start-up appends the version.
inline constexpr const char* kDesignTitle = "KV INI Analyser";

// Puts a control at its design position (twips) under its design name.
template <typename Widget>
Widget* Place(Widget* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                      height / kTwipsPerPixel);
  return widget;
}

// Gives a window the small dialog font its design places captions for; a window does not
// take its owner's font.
void UseDesignFont(QWidget* window);

struct TwipRect {
  float left;
  float top;
  float width;
  float height;
};

// Where tbLog goes in an inner area of inner_width x inner_height twips, below the box
// tbLogPath at anchor_top with anchor_height: 100 twips under it, 5 twips from the left
// edge, the full inner width, and down to the bottom edge but never less than 400 twips
// high. Single-precision arithmetic throughout.
TwipRect LogBoxPlace(float inner_width, float inner_height, float anchor_top, float anchor_height);

// The window's commands are the session's.
using Command = SessionCommand;

// What the window's controls run. For the program they are a run session's commands, the
// folder picker and an immediate end; tests put their own in.
struct CommandSet {
  std::function<bool()> init_db;
  std::function<void(bool overwrite_ticked)> all;
  std::function<void(bool overwrite_ticked)> dump;
  // The check of names after "All", started from outside the buttons (may be empty).
  std::function<void()> refs;
  std::function<QString(QWidget* owner, const QString& start_path)> choose_folder;
  // Called when a command ended the program (ProgramEnd); must not return in the program.
  std::function<void(int status)> end_program;
  // Whether "All" may run before any command has (empty: it may). The window's own program
  // enables it only once an "Init DB" has succeeded.
  std::function<bool()> all_enabled;
  // Asked when the window is closed while command runs: true closes the window once the run
  // has ended (the answer may have asked the run to stop), false keeps it open. Empty: the
  // window always closes once the run has ended.
  std::function<bool(Command command)> close_during_run;
};

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  // Runs the check of names as the buttons run their commands: one command at a time, the
  // inputs locked while it runs.
  void CheckReferences();
  // Runs work on the commands' thread, after the command under way and before the next, with
  // no commandEnded: what would keep the window from answering if done on its own thread.
  void RunOffWindowThread(std::function<void()> work);

  // Builds the window at its design size with the design title, and makes its tbLog the
  // front end's log box. The boxes and the check box write into settings as they change.
  // front_end and settings must outlive the window.
  MainWindow(QtFrontEnd& front_end, UserSettings& settings, CommandSet commands);
  ~MainWindow() override;

  // The start-up steps after the settings are read: appends "  V " and the version to the
  // title and fills the two path boxes and the check box from the settings (their change
  // handlers write the same values back). Returns false, leaving the check box as it was,
  // when the stored overwrite value is not one the check box can take (0, 1 or 2).
  bool LoadFromSettings();

  // True from a command's start until the window has heard that it ended (commandEnded).
  // Commands run on a worker thread, so the window answers meanwhile. Clicks on another
  // command are then ignored, the path boxes
  // are read-only, the "Browse" buttons and the check box ignore input (they stay enabled:
  // only "All" ever changes that), and a close request waits until the run has ended.
  bool CommandRunning() const { return running_; }

  // Puts footer below the design area, across the whole width at the height the footer
  // prefers when put in, and makes the window that much taller. The log box's resize rule then
  // counts the area above the footer as the inner area, so the design area keeps its layout.
  void SetFooter(QWidget* footer);
  // Puts menu_bar above the design area at the height it prefers, and makes the window that
  // much taller: the design area moves down whole, so its controls keep their places in it.
  void SetMenuBar(QWidget* menu_bar);

  // Starts one command on the worker thread unless one is already running; a fatal end
  // inside it ends the program. For commands started from outside the buttons (the menu).
  void RunCommand(Command which, std::function<void()> command);

  // The path handed to the folder picker before it opens and read back after it closes.
  QString SelectedPath;

 signals:
  // Around every command that runs; commandEnded does not come when a command ends the
  // program.
  void commandStarted(tarn::gui::Command command);
  void commandEnded(tarn::gui::Command command);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Keeps input from the "Browse" buttons and the check box while a command runs.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void GiveToolTips();
  void ConnectHandlers();
  // Lays out the log box by its resize rule and the footer below the design area.
  void PlaceLogBox();
  // The command under way has ended (on the worker thread): the window takes its inputs back.
  void CommandFinished();
  void LockInputs(bool locked);
  void Browse(QLineEdit* box);
  // The check box's own state, not the stored setting: grey counts as ticked.
  bool OverwriteTicked() const;

  QtFrontEnd& front_end_;
  UserSettings& settings_;
  CommandSet commands_;
  bool running_ = false;
  Command running_command_ = Command::kAll;
  bool close_deferred_ = false;

  QLineEdit* tb_kv_path_ = nullptr;
  QLineEdit* tb_log_path_ = nullptr;
  QPushButton* cmd_browse_kv_ = nullptr;
  QPushButton* cmd_browse_log_ = nullptr;
  QCheckBox* chk_overwrite_ = nullptr;
  QPushButton* cmd_init_db_ = nullptr;
  QPlainTextEdit* tb_log_ = nullptr;
  QPushButton* cmd_dump_rules_ = nullptr;
  QPushButton* cmd_all_ = nullptr;
  QWidget* footer_ = nullptr;
  int footer_height_ = 0;  // fixed when the footer is put in, so the design area stays put
  QWidget* menu_bar_ = nullptr;
  int menu_height_ = 0;
  // What the last "Init DB" answered, written on the worker thread before it says it ended.
  bool all_enabled_ = true;
  // Last, so that it goes first: its destructor waits for a command that still uses the rest.
  std::unique_ptr<CommandWorker> worker_;
};

}  // namespace tarn::gui
