#include "qt_front_end.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QThread>
#include <cstdio>
#include <cstdlib>

#include "analysis/analysis.h"
#include "platform/codepage.h"

namespace tarn::gui {

QString ToDisplayText(std::string_view cp1252_text) {
  QString text = QString::fromStdString(Cp1252ToUtf8(cp1252_text));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

void EndAtOnce(Analysis* analysis, int status) {
  if (analysis != nullptr) analysis->Close();
  std::fflush(nullptr);
  std::_Exit(status);
}

QtFrontEnd::QtFrontEnd() = default;

bool QtFrontEnd::OnWindowThread() const { return QThread::currentThread() == context_.thread(); }

void QtFrontEnd::Attach(QWidget* owner, QPlainTextEdit* log_box) {
  owner_ = owner;
  log_box_ = log_box;
  {
    const std::lock_guard<std::mutex> hold(mutex_);
    pending_.clear();
    whole_text_due_ = true;
    attached_ = log_box_ != nullptr;
  }
  Flush();
}

void QtFrontEnd::Detach(const QWidget* owner) {
  if (owner_ != owner) return;
  owner_ = nullptr;
  log_box_ = nullptr;
  const std::lock_guard<std::mutex> hold(mutex_);
  attached_ = false;
  pending_.clear();
}

void QtFrontEnd::AppendToLogBox(std::string_view text, bool may_cut) {
  const std::lock_guard<std::mutex> hold(mutex_);
  const bool cut = log_.Append(text, may_cut);
  // Without a window the text is only kept; attaching one shows it whole.
  if (!attached_) return;
  if (cut) {
    // The widget's front must go as well; the kept text replaces it whole.
    whole_text_due_ = true;
    pending_.clear();
  } else if (!whole_text_due_) {
    pending_.append(text);
  }
  // One flush queued at a time: however fast lines come, the widget takes them in one batch
  // per turn of the window's event loop.
  if (!flush_posted_) {
    flush_posted_ = true;
    QMetaObject::invokeMethod(
        &context_, [this] { Flush(); }, Qt::QueuedConnection);
  }
}

void QtFrontEnd::Flush() {
  QString text;
  bool whole = false;
  {
    const std::lock_guard<std::mutex> hold(mutex_);
    flush_posted_ = false;
    if (log_box_ == nullptr || (!whole_text_due_ && pending_.empty())) return;
    whole = whole_text_due_;
    text = ToDisplayText(whole ? log_.Text() : std::string_view(pending_));
    pending_.clear();
    whole_text_due_ = false;
  }
  if (whole) {
    log_box_->setPlainText(text);
  } else {
    QTextCursor end(log_box_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
  }
  log_box_->moveCursor(QTextCursor::End);
  log_box_->ensureCursorVisible();
}

void QtFrontEnd::ShowMessageBox(std::string_view text) {
  const auto show = [this, text] {
    Flush();
    QMessageBox box(owner_);
    box.setWindowTitle(QStringLiteral("TARN"));
    box.setTextFormat(Qt::PlainText);
    box.setText(ToDisplayText(text));
    box.setStandardButtons(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
  };
  if (OnWindowThread()) {
    show();
  } else {
    // The worker waits until the user has closed the box, as the core expects.
    QMetaObject::invokeMethod(&context_, show, Qt::BlockingQueuedConnection);
  }
}

void QtFrontEnd::ProcessEvents() {
  if (!OnWindowThread()) return;
  Flush();
  QCoreApplication::processEvents();
}

}  // namespace tarn::gui
