#include "window_program.h"

#include <QKeySequence>
#include <QMessageBox>
#include <QShortcut>
#include <utility>

#include "analysis/analysis.h"
#include "findings_window.h"
#include "main_window.h"
#include "run_session.h"
#include "run_status.h"
#include "shell/user_settings.h"

namespace tarn::gui {

namespace {

const QString kInitDBFirst = QStringLiteral(
    "Press \"Init DB\" first: it makes KV.MDB and loads the rules that \"All\" checks with.");

}  // namespace

WindowProgram::WindowProgram(Analysis& analysis, QtFrontEnd& front_end, UserSettings& settings,
                             std::string home)
    : analysis_(analysis),
      session_(std::make_unique<RunSession>(analysis, settings, std::move(home))),
      findings_(std::make_unique<FindingsWindow>()) {
  // Closing the main window ends the program, whether or not the findings view is open.
  findings_->setAttribute(Qt::WA_QuitOnClose, false);
  CommandSet commands = session_->Commands();
  commands.all = [this, all = std::move(commands.all)](bool ticked) {
    AnalysisOptions options = analysis_.Options();
    options.follow_links = follow_links_.load();
    analysis_.SetOptions(options);
    all(ticked);
  };
  commands.close_during_run = [this](Command command) {
    return CloseDuringRun(command == Command::kAll);
  };
  main_ = std::make_unique<MainWindow>(front_end, settings, std::move(commands));
  status_ = new RunStatusBar;
  main_->SetFooter(status_);
  status_->ShowHint(kInitDBFirst);
  analysis_.SetProgressObserver(status_);
  ask_close_ = [this] { return AskWhetherToCancel(); };

  connect(main_.get(), &MainWindow::commandStarted, this,
          [this, &settings](Command command) { status_->Begin(command, settings.KVPath()); });
  connect(main_.get(), &MainWindow::commandEnded, this, &WindowProgram::CommandEnded);
  connect(status_, &RunStatusBar::cancelRequested, this, [this] { session_->RequestCancel(); });
  connect(status_, &RunStatusBar::referencesRequested, main_.get(), &MainWindow::CheckReferences);
  // The box may change while a command runs on the worker: the analysis takes it at the
  // start of the next "All", on the worker's thread.
  connect(status_, &RunStatusBar::followLinksChanged, this,
          [this](bool follow) { follow_links_.store(follow); });
  connect(status_, &RunStatusBar::findingsRequested, this, [this] {
    findings_->show();
    findings_->raise();
    findings_->activateWindow();
  });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), main_.get());
  connect(escape, &QShortcut::activated, status_, &RunStatusBar::RequestCancel);
}

WindowProgram::~WindowProgram() { analysis_.SetProgressObserver(nullptr); }

void WindowProgram::CommandEnded() {
  const CommandAccount& account = session_->Last();
  status_->End(account);
  if (!session_->InitDBSucceeded()) status_->AddDetail(kInitDBFirst);
  const bool finds = account.command == Command::kAll || account.command == Command::kRefs;
  if (!finds || account.ending == CommandAccount::Ending::kRefused) {
    return;
  }
  findings_->SetRun(account);
  if (!account.findings.empty()) {
    findings_->show();
    findings_->raise();
  }
}

bool WindowProgram::CloseDuringRun(bool cancellable) {
  // "Init DB" and "Dump" cannot be stopped and let no events through: the close waits.
  if (!cancellable) return true;
  if (!ask_close_()) return false;
  status_->RequestCancel();
  return true;
}

bool WindowProgram::AskWhetherToCancel() {
  return QMessageBox::question(main_.get(), QStringLiteral("TARN"),
                               QStringLiteral("\"All\" is running. Cancel it at the end of the "
                                              "file being read, and close the window?"),
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace tarn::gui
