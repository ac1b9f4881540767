#include "command_worker.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "log/front_end.h"

namespace tarn::gui {

CommandWorker::CommandWorker() : runner_(new QObject) {
  thread_.setObjectName(QStringLiteral("tarn-commands"));
  runner_->moveToThread(&thread_);
  thread_.start();
}

CommandWorker::~CommandWorker() {
  thread_.quit();
  thread_.wait();
  delete runner_;
}

void CommandWorker::Start(std::function<void()> work) {
  QMetaObject::invokeMethod(
      runner_,
      [this, work = std::move(work)] {
        try {
          work();
        } catch (const ProgramEnd& end) {
          emit programEnded(end.status);
          return;
        } catch (const std::exception& error) {
          std::fprintf(stderr, "tarn-gui: a command failed: %s\n", error.what());
          emit programEnded(kFatalStatus);
          return;
        } catch (...) {
          std::fprintf(stderr, "tarn-gui: a command failed\n");
          emit programEnded(kFatalStatus);
          return;
        }
        emit finished();
      },
      Qt::QueuedConnection);
}

void CommandWorker::RunQuietly(std::function<void()> work) {
  QMetaObject::invokeMethod(runner_, std::move(work), Qt::QueuedConnection);
}

}  // namespace tarn::gui
