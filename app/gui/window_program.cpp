#include "window_program.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QKeySequence>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <utility>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "analysis/analysis.h"
#include "file_viewer.h"
#include "findings_window.h"
#include "folder_picker.h"
#include "main_window.h"
#include "platform/error.h"
#include "platform/user_settings.h"
#include "qt_front_end.h"
#include "rules_menu.h"
#include "run_status.h"
#include "session/session.h"

namespace tarn::gui {

namespace {

// Hands the memory freed by a command's end back to the system. glibc keeps freed blocks of
// each thread's arena for reuse, and the worker and the window free 150,000-row tables in
// turns, so without this a window that runs again and again grows by tens of MiB a run.
void GiveBackFreedMemory() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

const QString kInitDBFirst = QStringLiteral(
    "Press \"Init DB\" first: it makes KV.MDB and loads the rules that \"All\" checks with.");

}  // namespace

WindowProgram::WindowProgram(Session& session, QtFrontEnd& front_end, UserSettings& settings)
    : session_(session), findings_(std::make_unique<FindingsWindow>(session.Files())) {
  // Closing the main window ends the program, whether or not the findings view is open.
  findings_->setAttribute(Qt::WA_QuitOnClose, false);
  CommandSet commands = Commands();
  commands.close_during_run = [this](Command command) { return CloseDuringRun(command); };
  main_ = std::make_unique<MainWindow>(front_end, settings, std::move(commands));
  status_ = new RunStatusBar;
  main_->SetFooter(status_);
  ask_folder_ = [this](const QString& caption) {
    return QFileDialog::getExistingDirectory(main_.get(), caption);
  };
  main_->SetMenuBar(new RulesMenu(
      session_, *main_, [this](QWidget*, const QString& caption) { return ask_folder_(caption); }));
  // Both halves of the hint, each on a line of its own: at the window's size the whole hint
  // does not fit the state's one line.
  status_->ShowHint(
      QStringLiteral("Press \"Init DB\" first."),
      QStringLiteral("It makes KV.MDB and loads the rules that \"All\" checks with."));
  session_.GetAnalysis().SetProgressObserver(status_);
  ask_close_ = [this](Command command) { return AskWhetherToCancel(command); };

  connect(main_.get(), &MainWindow::commandStarted, this,
          [this, &settings](Command command) { status_->Begin(command, settings.KVPath()); });
  connect(main_.get(), &MainWindow::commandEnded, this, &WindowProgram::CommandEnded);
  connect(status_, &RunStatusBar::cancelRequested, this, [this] { session_.RequestCancel(); });
  connect(status_, &RunStatusBar::referencesRequested, main_.get(), &MainWindow::CheckReferences);
  // The box may change while a command runs on the worker: the analysis takes it at the
  // start of the next "All", on the worker's thread.
  connect(status_, &RunStatusBar::followLinksChanged, this,
          [this](bool follow) { follow_links_.store(follow); });
  connect(findings_->Viewer(), &FileViewer::noEditor, this, [this](const QString& path) {
    status_->AddDetail(QStringLiteral("No editor answered for %1: open it yourself, or set the "
                                      "desktop's program for .ini files.")
                           .arg(path));
  });
  connect(status_, &RunStatusBar::findingsRequested, this, [this] {
    PlaceFindings();
    findings_->show();
    findings_->raise();
    findings_->activateWindow();
  });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), main_.get());
  connect(escape, &QShortcut::activated, status_, &RunStatusBar::RequestCancel);
}

WindowProgram::~WindowProgram() { session_.GetAnalysis().SetProgressObserver(nullptr); }

CommandSet WindowProgram::Commands() {
  CommandSet commands;
  commands.init_db = [this] {
    session_.Run(Command::kInitDB, false);
    GiveBackFreedMemory();
    return session_.Enabled(Command::kAll);
  };
  commands.all = [this](bool ticked) {
    Analysis& analysis = session_.GetAnalysis();
    AnalysisOptions options = analysis.Options();
    options.follow_links = follow_links_.load();
    analysis.SetOptions(options);
    session_.Run(Command::kAll, ticked);
    prepared_ = MakeFindingsTable(session_.TakeFindingRows());
    GiveBackFreedMemory();
  };
  commands.dump = [this](bool ticked) { session_.Run(Command::kDump, ticked); };
  commands.all_enabled = [this] { return session_.Enabled(Command::kAll); };
  commands.refs = [this] {
    session_.Run(Command::kRefs, false);
    prepared_ = MakeFindingsTable(session_.TakeFindingRows());
    GiveBackFreedMemory();
  };
  commands.choose_folder = [](QWidget* owner, const QString& start) {
    return PickFolder(owner, start);
  };
  commands.end_program = [this](int status) { EndAtOnce(&session_.GetAnalysis(), status); };
  return commands;
}

void WindowProgram::CommandEnded() {
  const CommandAccount& account = session_.Last();
  status_->End(account);
  if (IsRuleCommand(account.command)) return RuleCommandEnded(account);
  if (!session_.Enabled(Command::kAll)) status_->AddDetail(kInitDBFirst);
  const bool finds = account.command == Command::kAll || account.command == Command::kRefs;
  // A "References" stopped as asked found nothing: the view keeps what "All" found.
  const bool refs_stopped =
      account.command == Command::kRefs && account.ending == CommandAccount::Ending::kCancelled;
  if (!finds || refs_stopped || account.ending == CommandAccount::Ending::kRefused) {
    FreeOffWindowThread(std::exchange(prepared_, FindingsTable()));
    return;
  }
  const bool found = !prepared_.rows.empty();
  FreeOffWindowThread(findings_->SetRun(account, std::exchange(prepared_, FindingsTable())));
  if (found) {
    PlaceFindings();
    findings_->show();
    findings_->raise();
  }
}

void WindowProgram::FreeOffWindowThread(FindingsTable table) {
  if (table.rows.empty()) return;
  // At once rather than at the next command's start, so that between commands the program
  // holds only the table the view shows, not also the one it showed before.
  auto held = std::make_shared<FindingsTable>(std::move(table));
  main_->RunOffWindowThread([held = std::move(held)]() mutable {
    held.reset();
    GiveBackFreedMemory();
  });
}

void WindowProgram::RuleCommandEnded(const CommandAccount& account) {
  if (account.ending != CommandAccount::Ending::kFinished || !account.reasons.empty()) return;
  if (account.command == Command::kImport || account.command == Command::kRestore) {
    ShowRuleOrigin(name_home_);
    // The rules "All" checks with are loaded by "Init DB".
    status_->AddDetail(QStringLiteral("Press \"Init DB\" to check with them."));
  }
  if (account.command != Command::kLearn) return;
  delete learn_report_;
  auto* dialog = new QDialog(main_.get());
  dialog->setObjectName(QStringLiteral("dlgLearnReport"));
  dialog->setWindowTitle(QStringLiteral("Learning report"));
  dialog->setAttribute(Qt::WA_DeleteOnClose, false);
  auto* text = new QPlainTextEdit(QString::fromStdString(account.said), dialog);
  text->setObjectName(QStringLiteral("tbLearnReport"));
  text->setReadOnly(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
  connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::hide);
  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(text);
  layout->addWidget(buttons);
  dialog->resize(640, 480);
  learn_report_ = dialog;
  dialog->show();
}

void WindowProgram::ShowRuleOrigin(bool name_home) {
  name_home_ = name_home;
  if (design_title_.isEmpty()) design_title_ = main_->windowTitle();
  QString origin;
  try {
    const RuleOrigin rules = session_.Origin();
    origin = !rules.imported             ? QStringLiteral("shipped rules")
             : rules.imported_at.empty() ? QStringLiteral("learned rules")
                                         : QStringLiteral("learned rules, imported %1 UTC")
                                               .arg(QString::fromStdString(rules.imported_at));
  } catch (const TarnError& error) {
    origin = QStringLiteral("rules unreadable");
  }
  QString title = design_title_ + QStringLiteral("  |  ") + origin;
  if (name_home_) {
    title += QStringLiteral("  |  home ") + QFile::decodeName(session_.Home().c_str());
  }
  main_->setWindowTitle(title);
}

void WindowProgram::PlaceFindings() {
  // Beside the main window when the screen has room, else over it but above its status line,
  // so that how the run ended stays in sight.
  if (findings_->isVisible()) return;
  const QRect main = main_->frameGeometry();
  const QScreen* screen = main_->screen();
  const QRect room = screen != nullptr ? screen->availableGeometry() : QRect();
  const QSize size = findings_->size();
  if (room.isValid() && main.right() + 8 + size.width() <= room.right()) {
    findings_->move(main.right() + 8, main.top());
  } else {
    findings_->move(main.left() + 24, main.top() + 24);
    // The view's own frame (its title bar) counts too: its bottom edge must stay above.
    const int frame = findings_->frameGeometry().height() - findings_->height();
    const int bottom = main_->mapToGlobal(QPoint(0, status_->y())).y() - 8;
    const int height = bottom - findings_->y() - frame;
    if (height > 200) findings_->resize(size.width(), height);
  }
}

bool WindowProgram::CloseDuringRun(Command command) {
  if (!ask_close_(command)) return false;
  status_->RequestCancel();
  return true;
}

bool WindowProgram::AskWhetherToCancel(Command command) {
  const QString question =
      command == Command::kAll
          ? QStringLiteral(
                "\"All\" is running. Cancel it at the end of the file being read, "
                "and close the window?")
          : QStringLiteral("\"%1\" is running. Cancel it, and close the window?")
                .arg(QString::fromLatin1(CommandCaption(command)));
  return QMessageBox::question(main_.get(), QStringLiteral("TARN"), question,
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace tarn::gui
