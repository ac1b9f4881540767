#include "qt_front_end.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <cstdio>
#include <cstdlib>

#include "analysis/analysis.h"
#include "shell/codepage.h"

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

QtFrontEnd::QtFrontEnd() {
  flush_timer_.setSingleShot(true);
  flush_timer_.setInterval(kFlushIntervalMs);
  QObject::connect(&flush_timer_, &QTimer::timeout, [this] { FlushLogBox(false); });
  since_flush_.start();
  since_pump_.start();
}

void QtFrontEnd::Attach(QWidget* owner, QPlainTextEdit* log_box) {
  owner_ = owner;
  log_box_ = log_box;
  pending_.clear();
  whole_text_due_ = true;
  if (log_box_ != nullptr) FlushLogBox(false);
}

void QtFrontEnd::Detach(const QWidget* owner) {
  if (owner_ != owner) return;
  flush_timer_.stop();
  owner_ = nullptr;
  log_box_ = nullptr;
  pending_.clear();
}

void QtFrontEnd::AppendToLogBox(std::string_view text, bool may_cut) {
  const bool cut = log_.Append(text, may_cut);
  // Without a window the text is only kept; attaching one shows it whole.
  if (log_box_ == nullptr) return;
  if (cut) {
    // The widget's front must go as well; the kept text replaces it whole.
    whole_text_due_ = true;
    pending_.clear();
  } else if (!whole_text_due_) {
    pending_.append(text);
  }
  if (since_flush_.elapsed() >= kFlushIntervalMs) {
    FlushLogBox(true);
  } else if (!flush_timer_.isActive()) {
    flush_timer_.start();
  }
}

void QtFrontEnd::Flush() { FlushLogBox(false); }

void QtFrontEnd::FlushLogBox(bool repaint_now) {
  flush_timer_.stop();
  since_flush_.restart();
  if (log_box_ == nullptr || (!whole_text_due_ && pending_.empty())) return;
  if (whole_text_due_) {
    log_box_->setPlainText(ToDisplayText(log_.Text()));
  } else {
    QTextCursor end(log_box_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(ToDisplayText(pending_));
  }
  pending_.clear();
  whole_text_due_ = false;
  log_box_->moveCursor(QTextCursor::End);
  log_box_->ensureCursorVisible();
  // Between two event pumps of a run the box would otherwise show nothing new.
  if (repaint_now) log_box_->viewport()->repaint();
}

void QtFrontEnd::ShowMessageBox(std::string_view text) {
  FlushLogBox(false);
  QMessageBox box(owner_);
  box.setWindowTitle(QStringLiteral("TARN"));
  box.setTextFormat(Qt::PlainText);
  box.setText(ToDisplayText(text));
  box.setStandardButtons(QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

void QtFrontEnd::ProcessEvents() {
  if (since_pump_.elapsed() < kPumpIntervalMs) return;
  since_pump_.restart();
  FlushLogBox(false);
  QCoreApplication::processEvents();
}

}  // namespace tarn::gui
