// The thread the window's commands run on. The window's own thread only starts a command and
// hears, through queued signals, that it has ended: it stays free to repaint, to answer the
// window manager and to take a click on "Cancel", however long the command takes. One
// command runs at a time; the window starts the next only after it heard of the last.
#pragma once

#include <QObject>
#include <QThread>
#include <functional>

namespace tarn::gui {

class CommandWorker : public QObject {
  Q_OBJECT

 public:
  // Starts the worker thread. Made on the window's thread, whose event loop then hears the
  // signals.
  CommandWorker();
  // Waits for the command under way to end, then ends the thread.
  ~CommandWorker() override;
  CommandWorker(const CommandWorker&) = delete;
  CommandWorker& operator=(const CommandWorker&) = delete;

  // Runs work on the worker thread. Afterwards, on the window's thread, comes finished, or
  // programEnded when work ended the program (ProgramEnd) or raised anything else, which is
  // then written to standard error first: no exception leaves the worker thread.
  void Start(std::function<void()> work);
  // Runs work on the worker thread after what is queued before it, and before any command
  // started later, with no signal afterwards: for what the window need not hear of, such as
  // freeing a table it no longer shows. work must not throw.
  void RunQuietly(std::function<void()> work);

  // True while called on the worker thread.
  bool OnWorkerThread() const { return QThread::currentThread() == &thread_; }

 signals:
  void finished();
  void programEnded(int status);

 private:
  QThread thread_;
  QObject* runner_;  // lives on thread_: what queued work is delivered to
};

}  // namespace tarn::gui
