#include "main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "command_worker.h"
#include "log/front_end.h"
#include "platform/user_settings.h"
#include "platform/version.h"
#include "qt_front_end.h"

namespace tarn::gui {

namespace {

// The design's inner area.
constexpr int kInnerWidthTwips = 9510;
constexpr int kInnerHeightTwips = 5880;

constexpr float kLogBoxGap = 100.0f;
constexpr float kLogBoxMinHeight = 400.0f;
constexpr float kLogBoxLeft = 5.0f;

// The stored overwrite flag and the check box's states: 0 clear, 1 ticked, 2 grey.
constexpr int kOverwriteTicked = 1;
constexpr int kOverwriteGrey = 2;

// A click ticks a clear or grey box and clears a ticked one; only start-up makes it grey.
class OverwriteCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  void nextCheckState() override {
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  }
};

int ToPixels(float twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

Qt::CheckState ToCheckState(int flag) {
  switch (flag) {
    case kOverwriteTicked:
      return Qt::Checked;
    case kOverwriteGrey:
      return Qt::PartiallyChecked;
    default:
      return Qt::Unchecked;
  }
}

const char* ToFlagText(Qt::CheckState state) {
  switch (state) {
    case Qt::Checked:
      return "1";
    case Qt::PartiallyChecked:
      return "2";
    default:
      return "0";
  }
}

}  // namespace

void UseDesignFont(QWidget* window) {
  // At the desktop's usual size "KV Path" and "Overwrite" would not fit their labels.
  QFont small = window->font();
  small.setPointSizeF(small.pointSizeF() * 0.8);
  window->setFont(small);
}

TwipRect LogBoxPlace(float inner_width, float inner_height, float anchor_top, float anchor_height) {
  const float top = anchor_top + anchor_height + kLogBoxGap;
  const float room = inner_height - anchor_top - anchor_height - kLogBoxGap;
  const float height = room > kLogBoxMinHeight ? room : kLogBoxMinHeight;
  return TwipRect{kLogBoxLeft, top, inner_width, height};
}

MainWindow::MainWindow(QtFrontEnd& front_end, UserSettings& settings, CommandSet commands)
    : front_end_(front_end),
      settings_(settings),
      commands_(std::move(commands)),
      worker_(std::make_unique<CommandWorker>()) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QString::fromLatin1(kDesignTitle));
  UseDesignFont(this);
  resize(kInnerWidthTwips / kTwipsPerPixel, kInnerHeightTwips / kTwipsPerPixel);
  BuildControls();
  GiveToolTips();
  ConnectHandlers();
  PlaceLogBox();
  cmd_all_->setEnabled(!commands_.all_enabled || commands_.all_enabled());
  front_end_.Attach(this, tb_log_);
  connect(worker_.get(), &CommandWorker::finished, this, &MainWindow::CommandFinished);
  connect(worker_.get(), &CommandWorker::programEnded, this, [this](int status) {
    // The core has shown whatever message the end needs; nothing is saved.
    commands_.end_program(status);
    CommandFinished();  // only where end_program returns: in tests
  });
}

MainWindow::~MainWindow() { front_end_.Detach(this); }

void MainWindow::BuildControls() {
  // Created in tab order, so that the focus chain follows the design's tab indexes.
  tb_kv_path_ = Place(new QLineEdit(this), "tbKVPath", 840, 120, 4335, 375);
  tb_log_path_ = Place(new QLineEdit(this), "tbLogPath", 840, 600, 4335, 375);
  cmd_browse_kv_ =
      Place(new QPushButton(QStringLiteral("Browse"), this), "cmdBrowseKV", 5280, 120, 855, 375);
  cmd_browse_log_ =
      Place(new QPushButton(QStringLiteral("Browse"), this), "cmdBrowseLog", 5280, 600, 855, 375);
  // At its design width only the box itself shows; the label beside it carries the caption.
  chk_overwrite_ = Place(new OverwriteCheckBox(QStringLiteral("Overwrite"), this), "chkOverwrite",
                         7080, 600, 255, 255);
  cmd_init_db_ =
      Place(new QPushButton(QStringLiteral("Init DB"), this), "cmdInitDB", 6240, 120, 855, 375);
  Place(new QLabel(QStringLiteral("KV Path"), this), "lblKVPath", 120, 240, 615, 255);
  tb_log_ = Place(new QPlainTextEdit(this), "tbLog", 120, 1080, 9255, 4695);
  Place(new QLabel(QStringLiteral("Overwrite"), this), "lboOverwrite", 6240, 600, 735, 255);
  Place(new QLabel(QStringLiteral("Log Path"), this), "lblLogPath", 120, 720, 735, 255);
  cmd_dump_rules_ =
      Place(new QPushButton(QStringLiteral("Dump"), this), "cmdDumpRules", 8640, 120, 735, 375);
  cmd_all_ = Place(new QPushButton(QStringLiteral("All"), this), "cmdAll", 7200, 120, 735, 375);

  // The dump is an indented outline and warnings line up under each other: a fixed pitch
  // keeps their columns.
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSizeF(font().pointSizeF());
  tb_log_->setFont(fixed);
  tb_log_->setReadOnly(true);
  tb_log_->setFocusPolicy(Qt::StrongFocus);
  tb_log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  tb_log_->setUndoRedoEnabled(false);

  QWidget* chain[] = {tb_kv_path_,  tb_log_path_, cmd_browse_kv_,  cmd_browse_log_, chk_overwrite_,
                      cmd_init_db_, tb_log_,      cmd_dump_rules_, cmd_all_};
  for (std::size_t i = 1; i < std::size(chain); ++i) setTabOrder(chain[i - 1], chain[i]);
}

void MainWindow::GiveToolTips() {
  tb_kv_path_->setToolTip(
      QStringLiteral("The game folder: the one that holds EXE/kestrovar.ini. Read-only while a "
                     "command runs."));
  tb_log_path_->setToolTip(
      QStringLiteral("The folder tarn.log is written to. Read-only while a command runs."));
  cmd_browse_kv_->setToolTip(QStringLiteral("Choose the game folder in a folder picker."));
  cmd_browse_log_->setToolTip(QStringLiteral("Choose the folder for tarn.log in a folder picker."));
  chk_overwrite_->setToolTip(
      QStringLiteral("Ticked: \"All\" and \"Dump\" delete the old tarn.log and start it afresh "
                     "with a banner. Clear: they add to it."));
  cmd_init_db_->setToolTip(
      QStringLiteral("Make KV.MDB afresh and load the rules. Press it before \"All\"."));
  cmd_all_->setToolTip(
      QStringLiteral("Check every data file the game names against the rules: warnings go to "
                     "the log, everything read into KV.MDB. Needs \"Init DB\" first."));
  cmd_dump_rules_->setToolTip(QStringLiteral("Write the rules into the log as an outline."));
}

void MainWindow::ConnectHandlers() {
  // Every change goes into the settings at once; they reach TARN.MDB at a normal end.
  connect(tb_kv_path_, &QLineEdit::textChanged, this,
          [this](const QString& text) { settings_.SetKVPath(text.toStdString()); });
  connect(tb_log_path_, &QLineEdit::textChanged, this,
          [this](const QString& text) { settings_.SetLogPath(text.toStdString()); });
  connect(chk_overwrite_, &QCheckBox::stateChanged, this, [this](int state) {
    settings_.SetOverwriteLog(ToFlagText(static_cast<Qt::CheckState>(state)));
  });

  connect(cmd_browse_kv_, &QPushButton::clicked, this, [this] { Browse(tb_kv_path_); });
  connect(cmd_browse_log_, &QPushButton::clicked, this, [this] { Browse(tb_log_path_); });

  connect(cmd_init_db_, &QPushButton::clicked, this,
          [this] { RunCommand(Command::kInitDB, [this] { all_enabled_ = commands_.init_db(); }); });
  connect(cmd_all_, &QPushButton::clicked, this,
          [this] { RunCommand(Command::kAll, [this] { commands_.all(OverwriteTicked()); }); });
  connect(cmd_dump_rules_, &QPushButton::clicked, this,
          [this] { RunCommand(Command::kDump, [this] { commands_.dump(OverwriteTicked()); }); });

  cmd_browse_kv_->installEventFilter(this);
  cmd_browse_log_->installEventFilter(this);
  chk_overwrite_->installEventFilter(this);
}

bool MainWindow::LoadFromSettings() {
  setWindowTitle(windowTitle() + QStringLiteral("  V ") + QString::fromStdString(VersionText()));
  tb_kv_path_->setText(QString::fromStdString(settings_.KVPath()));
  tb_log_path_->setText(QString::fromStdString(settings_.LogPath()));
  if (!settings_.OverwriteFitsCheckBox()) return false;
  chk_overwrite_->setCheckState(ToCheckState(settings_.OverwriteFlag()));
  return true;
}

bool MainWindow::OverwriteTicked() const { return chk_overwrite_->checkState() != Qt::Unchecked; }

void MainWindow::CheckReferences() {
  RunCommand(Command::kRefs, [this] {
    if (commands_.refs) commands_.refs();
  });
}

void MainWindow::RunOffWindowThread(std::function<void()> work) {
  worker_->RunQuietly(std::move(work));
}

void MainWindow::RunCommand(Command which, std::function<void()> command) {
  if (running_) return;
  running_ = true;
  running_command_ = which;
  // A run reads the settings as it goes: what is typed meanwhile would change its course.
  LockInputs(true);
  emit commandStarted(which);
  worker_->Start(std::move(command));
}

void MainWindow::CommandFinished() {
  if (!running_) return;
  running_ = false;
  LockInputs(false);
  if (running_command_ == Command::kInitDB) cmd_all_->setEnabled(all_enabled_);
  front_end_.Flush();
  emit commandEnded(running_command_);
  if (close_deferred_) {
    close_deferred_ = false;
    close();
  }
}

void MainWindow::LockInputs(bool locked) {
  tb_kv_path_->setReadOnly(locked);
  tb_log_path_->setReadOnly(locked);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (running_) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        return true;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::Browse(QLineEdit* box) {
  // A click that reached the button another way (a shortcut, assistive technology).
  if (running_) return;
  SelectedPath = box->text();
  SelectedPath = commands_.choose_folder(this, SelectedPath);
  box->setText(SelectedPath);
}

void MainWindow::SetFooter(QWidget* footer) {
  footer_ = footer;
  footer_height_ = std::max(footer_->sizeHint().height(), footer_->minimumHeight());
  footer_->setParent(this);
  resize(width(), height() + footer_height_);
  PlaceLogBox();
  footer_->show();
}

void MainWindow::SetMenuBar(QWidget* menu_bar) {
  menu_height_ = menu_bar->sizeHint().height();
  for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (child != footer_) child->move(child->x(), child->y() + menu_height_);
  }
  menu_bar_ = menu_bar;
  menu_bar_->setParent(this);
  resize(width(), height() + menu_height_);
  PlaceLogBox();
  menu_bar_->show();
}

void MainWindow::PlaceLogBox() {
  const int inner_height = height() - footer_height_;
  if (footer_ != nullptr) footer_->setGeometry(0, inner_height, width(), footer_height_);
  if (menu_bar_ != nullptr) menu_bar_->setGeometry(0, 0, width(), menu_height_);
  const TwipRect place = LogBoxPlace(static_cast<float>(width() * kTwipsPerPixel),
                                     static_cast<float>(inner_height * kTwipsPerPixel),
                                     static_cast<float>(tb_log_path_->y() * kTwipsPerPixel),
                                     static_cast<float>(tb_log_path_->height() * kTwipsPerPixel));
  // Edges, not sizes, are rounded, so the box's bottom meets the inner area's exactly.
  const int left = ToPixels(place.left);
  const int top = ToPixels(place.top);
  tb_log_->setGeometry(left, top, ToPixels(place.left + place.width) - left,
                       ToPixels(place.top + place.height) - top);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceLogBox();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (running_) {
    event->ignore();
    // Asked once: a second close while the answer stands changes nothing.
    if (!close_deferred_) {
      close_deferred_ = !commands_.close_during_run || commands_.close_during_run(running_command_);
    }
    return;
  }
  event->accept();
}

}  // namespace tarn::gui
