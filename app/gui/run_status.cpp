#include "run_status.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "report/reported_finding.h"
#include "session/command_account.h"

namespace tarn::gui {

namespace {

QString Quoted(const char* caption) { return QStringLiteral("\"%1\"").arg(caption); }

QString Seconds(double seconds) {
  return QString::number(seconds, 'f', seconds < 10 ? 2 : 1) + QStringLiteral(" s");
}

QString Clock(qint64 ms) {
  const qint64 seconds = ms / 1000;
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString Count(std::int64_t n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(n == 1 ? one : many));
}

QString Joined(const std::vector<std::string>& texts) {
  QStringList list;
  for (const std::string& text : texts) list << QString::fromStdString(text);
  return list.join(QLatin1Char('\n'));
}

// What the user can change, in the window's words, when the setup kept a command from its job.
QString Hints(const CommandAccount& account) {
  QStringList hints;
  switch (account.refusal) {
    case Refusal::kNoLogFolder:
      hints << QStringLiteral("Set Log Path to the folder for tarn.log.");
      break;
    case Refusal::kNoGameFolder:
      hints << QString::fromLatin1(kGameFolderHint);
      break;
    case Refusal::kFolderBusy:
      hints << QStringLiteral("Wait until the other run has ended, or choose another folder.");
      break;
    case Refusal::kAllDisabled:
      hints << QStringLiteral("Press \"Init DB\" until it succeeds.");
      break;
    case Refusal::kNone:
      break;
  }
  if (account.main_file_unread) hints << QString::fromLatin1(kGameFolderHint);
  if (account.log_lines_lost) {
    hints << QStringLiteral("Set Log Path to a folder that exists and that you may write to.");
  }
  return hints.join(QLatin1Char('\n'));
}

// The commands the status line's "Cancel" stops.
}  // namespace

RunStatusBar::RunStatusBar(QWidget* parent) : QStatusBar(parent) {
  setObjectName(QStringLiteral("statusRun"));
  setSizeGripEnabled(false);
  text_ = new QWidget(this);
  auto* lines = new QVBoxLayout(text_);
  lines->setContentsMargins(4, 2, 4, 2);
  lines->setSpacing(1);
  state_ = new QLabel(text_);
  state_->setObjectName(QStringLiteral("lblRunState"));
  detail_ = new QLabel(text_);
  detail_->setObjectName(QStringLiteral("lblRunDetail"));
  for (QLabel* label : {state_, detail_}) {
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lines->addWidget(label);
  }
  // The state takes one line, the detail two: the file being read, or the warnings by number
  // and what to do next.
  state_->setMaximumHeight(fontMetrics().lineSpacing());
  detail_->setMaximumHeight(fontMetrics().lineSpacing() * 2);
  addWidget(text_, 1);

  follow_links_ = new QCheckBox(QStringLiteral("Follow links"), this);
  follow_links_->setObjectName(QStringLiteral("chkFollowLinks"));
  follow_links_->setToolTip(QStringLiteral(
      "Read files that links inside the game folder lead out of it to. Cleared, such links are "
      "refused with a warning, and nothing outside the game folder is read. Applies from the "
      "next \"All\", for as long as the window is open."));
  connect(follow_links_, &QCheckBox::toggled, this, &RunStatusBar::followLinksChanged);
  addPermanentWidget(follow_links_);

  references_ = AddButton(
      QStringLiteral("References"), QStringLiteral("cmdRefs"),
      QStringLiteral(
          "After \"All\": check that every name a value uses (a gun a loadout equips, a good a "
          "market sells) is defined by some section, as the rule set's references say; each name "
          "nothing defines is a warning 10401."));
  connect(references_, &QPushButton::clicked, this, &RunStatusBar::referencesRequested);

  findings_ = AddButton(
      QStringLiteral("Findings"), QStringLiteral("cmdFindings"),
      QStringLiteral("Show the warnings of the last \"All\" or \"References\" as a table: sort "
                     "and filter them, and open a file at a warning's line."));
  connect(findings_, &QPushButton::clicked, this, &RunStatusBar::findingsRequested);

  cancel_ = AddButton(
      QStringLiteral("Cancel"), QStringLiteral("cmdCancel"),
      QStringLiteral(
          "Stop the command under way (Esc); the log says that it was cancelled. \"All\" stops "
          "at the end of the file being read and what it stored stays in KV.MDB; a stopped "
          "\"Init DB\" leaves no KV.MDB."));
  // Shown only while a command runs.
  cancel_->hide();
  connect(cancel_, &QPushButton::clicked, this, &RunStatusBar::RequestCancel);

  setFixedHeight(fontMetrics().lineSpacing() * 3 + 12);
  refresh_.setInterval(kRefreshIntervalMs);
  connect(&refresh_, &QTimer::timeout, this, &RunStatusBar::Refresh);
}

QPushButton* RunStatusBar::AddButton(const QString& caption, const QString& name,
                                     const QString& tip) {
  auto* button = new QPushButton(caption, this);
  button->setObjectName(name);
  button->setToolTip(tip);
  addPermanentWidget(button);
  return button;
}

void RunStatusBar::SetTexts(const QString& state, const QString& detail) {
  state_->setText(state);
  detail_->setText(detail);
  text_->setToolTip(detail.isEmpty() ? state : state + QLatin1Char('\n') + detail);
}

void RunStatusBar::ShowHint(const QString& what, const QString& why) { SetTexts(what, why); }

void RunStatusBar::AddDetail(const QString& text) {
  const QString detail = detail_->text();
  SetTexts(state_->text(), detail.isEmpty() ? text : detail + QLatin1Char('\n') + text);
}

void RunStatusBar::Begin(Command command, const std::string& game) {
  command_ = command;
  running_ = true;
  cancel_asked_ = false;
  game_ = game;
  {
    const std::lock_guard<std::mutex> hold(progress_mutex_);
    files_read_ = 0;
    warnings_ = 0;
    current_file_.clear();
  }
  cancel_->setVisible(true);
  clock_.start();
  refresh_.start();
  Refresh();
}

void RunStatusBar::RunProgressed(const RunProgress& progress) {
  const std::lock_guard<std::mutex> hold(progress_mutex_);
  if (progress.files_read != files_read_) current_file_.assign(progress.current_file);
  files_read_ = progress.files_read;
  warnings_ = progress.warnings;
}

void RunStatusBar::RequestCancel() {
  if (!running_ || cancel_asked_) return;
  cancel_asked_ = true;
  emit cancelRequested();
  Refresh();
}

void RunStatusBar::Refresh() {
  if (!running_) return;
  const QString what = QString::fromLatin1(CommandCaption(command_));
  const QString time = Clock(clock_.elapsed());
  if (IsRuleCommand(command_)) {
    SetTexts(
        QStringLiteral("%1 under way, %2").arg(what, time),
        cancel_asked_ ? QStringLiteral("Cancelling: the rule set stays as it was") : QString());
    return;
  }
  if (command_ != Command::kAll) {
    QString stopping;
    if (cancel_asked_) {
      switch (command_) {
        case Command::kRefs:
          stopping = QStringLiteral("Cancelling: it stops at the next name it checks");
          break;
        case Command::kInitDB:
          stopping = QStringLiteral("Cancelling: it stops at its next step and leaves no KV.MDB");
          break;
        default:
          stopping = QStringLiteral("Cancelling: it stops at the next section of the rules");
          break;
      }
    }
    SetTexts(QStringLiteral("%1 under way, %2").arg(what, time), stopping);
    return;
  }
  std::int64_t files_read = 0, warnings = 0;
  std::string current_file;
  {
    const std::lock_guard<std::mutex> hold(progress_mutex_);
    files_read = files_read_;
    warnings = warnings_;
    current_file = current_file_;
  }
  const QString state = QStringLiteral("%1: %2, %3, %4")
                            .arg(what, Count(files_read, "file read", "files read"),
                                 Count(warnings, "warning", "warnings"), time);
  const QString file = QString::fromStdString(GameRelative(current_file, game_));
  if (cancel_asked_) {
    SetTexts(state, QStringLiteral("Cancelling: the run stops at the end of %1").arg(file));
  } else {
    SetTexts(state, file.isEmpty() ? QString() : QStringLiteral("Reading %1").arg(file));
  }
}

void RunStatusBar::End(const CommandAccount& account) {
  running_ = false;
  refresh_.stop();
  cancel_->hide();
  const QString what = QString::fromLatin1(CommandCaption(account.command));
  const QString took = Seconds(account.seconds);
  const QString reasons = Joined(account.reasons);
  const QString hints = Hints(account);
  auto with_hints = [&](const QString& text) {
    QStringList parts;
    if (!text.isEmpty()) parts << text;
    if (!reasons.isEmpty()) parts << reasons;
    if (!hints.isEmpty()) parts << hints;
    return parts.join(QLatin1Char('\n'));
  };
  if (account.ending == CommandAccount::Ending::kRefused) {
    SetTexts(QStringLiteral("%1 did not run: %2").arg(what, reasons), hints);
    return;
  }
  QString summary;
  QString detail;
  switch (account.command) {
    case Command::kAll:
    case Command::kRefs: {
      summary = Count(account.total, "warning", "warnings");
      if (account.command == Command::kAll) {
        summary = Count(account.files, "file read", "files read") + QStringLiteral(", ") + summary;
      }
      detail = account.counts.empty() ? QStringLiteral("No warnings.")
                                      : QStringLiteral("Warnings by number: ") +
                                            QString::fromStdString(CountsText(account));
      break;
    }
    case Command::kInitDB:
      summary = account.init_failed ? QStringLiteral("KV.MDB could not be made (see the log)")
                                    : QStringLiteral("KV.MDB made and the rules loaded");
      detail = account.init_failed
                   ? QStringLiteral("%1 stays disabled until an %2 succeeds.")
                         .arg(Quoted("All"), Quoted("Init DB"))
                   : QStringLiteral("Press %1 to check the game folder.").arg(Quoted("All"));
      break;
    case Command::kDump:
      summary = QStringLiteral("the rules are in the log");
      break;
    default: {
      // A rule command says what it did in its first line ("restored 12 sections, ...").
      const std::string& said = account.said;
      summary = QString::fromStdString(said.substr(0, said.find('\n')));
      if (account.command == Command::kLearn) summary = QStringLiteral("the rules are written");
      break;
    }
  }
  QString state;
  if (!account.reasons.empty() || account.init_failed) {
    state = QStringLiteral("%1 ended on an error after %2: %3.").arg(what, took, summary);
  } else if (account.ending == CommandAccount::Ending::kCancelled &&
             account.command == Command::kRefs) {
    state = QStringLiteral("%1 cancelled after %2: the log says so, and no name was checked.")
                .arg(what, took);
    detail.clear();
  } else if (account.ending == CommandAccount::Ending::kCancelled &&
             IsRuleCommand(account.command)) {
    const bool writes_folder =
        account.command == Command::kLearn || account.command == Command::kExport;
    state = QStringLiteral("%1 cancelled after %2: %3.")
                .arg(what, took,
                     writes_folder ? QStringLiteral("no folder was written")
                                   : QStringLiteral("the rule set is as it was"));
    detail.clear();
  } else if (account.ending == CommandAccount::Ending::kCancelled &&
             account.command == Command::kInitDB) {
    state = QStringLiteral("%1 cancelled after %2: no KV.MDB is left.").arg(what, took);
    detail = QStringLiteral("%1 stays disabled until an %2 succeeds.")
                 .arg(Quoted("All"), Quoted("Init DB"));
  } else if (account.ending == CommandAccount::Ending::kCancelled &&
             account.command == Command::kDump) {
    state = QStringLiteral("%1 cancelled after %2: the log says so.").arg(what, took);
    detail.clear();
  } else if (account.ending == CommandAccount::Ending::kCancelled) {
    state = QStringLiteral("%1 cancelled after %2: %3, the last file read to its end.")
                .arg(what, took, summary);
  } else {
    state = QStringLiteral("%1 finished in %2: %3.").arg(what, took, summary);
  }
  SetTexts(state, with_hints(detail));
}

QString RunStatusBar::StateText() const { return state_->text(); }
QString RunStatusBar::DetailText() const { return detail_->text(); }
}  // namespace tarn::gui
