// The window program's front end for the core: the log box is the main window's tbLog, the
// message box a modal Qt box captioned "TARN", and the event pump Qt's own.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <string>
#include <string_view>

#include "shell/front_end.h"
#include "shell/log_box.h"

class QPlainTextEdit;
class QWidget;

namespace tarn {
class Analysis;
}  // namespace tarn

namespace tarn::gui {

class QtFrontEnd : public FrontEnd {
 public:
  // A run writes thousands of lines; the widget takes them at most this often, and whenever
  // events are processed.
  static constexpr int kFlushIntervalMs = 250;
  // The core offers to pump events after every section, tens of thousands of times in a
  // game; pumping at most this often keeps the window as lively at a fraction of the cost.
  static constexpr int kPumpIntervalMs = 50;

  QtFrontEnd();
  QtFrontEnd(const QtFrontEnd&) = delete;
  QtFrontEnd& operator=(const QtFrontEnd&) = delete;

  // Makes log_box the widget that shows the kept text, at once and whole, and owner the
  // parent of the message boxes. Until a window is attached the text is only kept and
  // message boxes have no owner.
  void Attach(QWidget* owner, QPlainTextEdit* log_box);
  // Forgets the window if owner is the one attached; the text is kept.
  void Detach(const QWidget* owner);

  // Adds text to the kept log text under its size rule; the widget follows at the next
  // flush.
  void AppendToLogBox(std::string_view text, bool may_cut) override;
  // Flushes the log box, then shows the box and waits until the user closes it.
  void ShowMessageBox(std::string_view text) override;
  // Flushes the log box, then lets Qt repaint and deliver pending input.
  void ProcessEvents() override;

  // Brings the widget up to the kept text: a cut since the last flush replaces the whole
  // text, otherwise only the new text is added at the end. Afterwards the caret is after
  // the last character and the view shows it.
  void Flush();

  // The log box's text exactly as the size rule keeps it (code page 1252, CR LF).
  const BoundedLogText& LogText() const { return log_; }

 private:
  // repaint_now paints the box at once, for flushes between two event pumps.
  void FlushLogBox(bool repaint_now);

  BoundedLogText log_;
  // Text added since the last flush; unused while whole_text_due_ is set.
  std::string pending_;
  bool whole_text_due_ = false;
  QWidget* owner_ = nullptr;
  QPlainTextEdit* log_box_ = nullptr;
  QElapsedTimer since_flush_;
  QElapsedTimer since_pump_;
  // Flushes what a burst of lines left pending once the event loop runs again.
  QTimer flush_timer_;
};

// The text as the window shows it: decoded from code page 1252, CR LF as a line break.
QString ToDisplayText(std::string_view cp1252_text);

// Ends the program at once after a fatal error the core has already shown: the data
// rows written so far by analysis (when there is one) are kept, nothing else runs and the
// settings are not saved.
[[noreturn]] void EndAtOnce(Analysis* analysis, int status);

}  // namespace tarn::gui
