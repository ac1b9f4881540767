// The window program's front end for the core: the log box is the main window's tbLog, the
// message box a modal Qt box captioned "TARN", and the event pump Qt's own.
//
// The core calls it from the worker thread the window's commands run on (and from the
// window's thread before the window is up). Log text is kept at once, under a lock, and
// reaches the widget in one batch per turn of the window's event loop, in order; a message
// box is shown by the window's thread while the worker waits for it to be closed.
#pragma once

#include <QObject>
#include <QString>
#include <mutex>
#include <string>
#include <string_view>

#include "log/front_end.h"
#include "log/log_box.h"

class QPlainTextEdit;
class QWidget;

namespace tarn {
class Analysis;
}  // namespace tarn

namespace tarn::gui {

class QtFrontEnd : public FrontEnd {
 public:
  // Made on the window's thread.
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
  // turn of the window's event loop. Any thread.
  void AppendToLogBox(std::string_view text, bool may_cut) override;
  // Flushes the log box, then shows the box and waits until the user closes it: on the
  // window's thread, whichever thread asks.
  void ShowMessageBox(std::string_view text) override;
  // On the window's thread (a command run without the worker, as some tests do): flushes
  // the log box and lets Qt repaint and deliver pending input. On the worker thread nothing:
  // the window's own loop runs beside it.
  void ProcessEvents() override;

  // Brings the widget up to the kept text: a cut since the last flush replaces the whole
  // text, otherwise only the new text is added at the end. Afterwards the caret is after
  // the last character and the view shows it. The window's thread only.
  void Flush();

  // The log box's text exactly as the size rule keeps it (code page 1252, CR LF). The window's
  // thread, while no command runs.
  const BoundedLogText& LogText() const { return log_; }

 private:
  bool OnWindowThread() const;

  // Guards what follows it: the worker appends while the window's thread flushes.
  mutable std::mutex mutex_;
  BoundedLogText log_;
  // Text added since the last flush; unused while whole_text_due_ is set.
  std::string pending_;
  bool whole_text_due_ = false;
  bool flush_posted_ = false;  // a flush is queued on the window's thread
  bool attached_ = false;      // a log box is attached

  // The window's thread only.
  QWidget* owner_ = nullptr;
  QPlainTextEdit* log_box_ = nullptr;
  // Lives on the window's thread: what queued flushes and message boxes are delivered to.
  QObject context_;
};

// The text as the window shows it: decoded from code page 1252, CR LF as a line break.
QString ToDisplayText(std::string_view cp1252_text);

// Ends the program at once after a fatal error the core has already shown: the data
// rows written so far by analysis (when there is one) are kept, nothing else runs and the
// settings are not saved.
[[noreturn]] void EndAtOnce(Analysis* analysis, int status);

}  // namespace tarn::gui
