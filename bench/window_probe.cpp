// Drives the window program as a user would (Init DB, All, References, the findings view's
// first paint) on a game folder, several times over, and measures what the user feels: the
// worst lateness of a timer on the window's thread (how long the window's event loop was kept
// from answering), the time of each command, and the resident memory after each round.
//
//   window_probe HOME GAME LOG ROUNDS
//
// HOME holds TARN.MDB. Prints one line per round and a last line with the worst lateness of
// all rounds; run it on the offscreen platform (bench/window_freeze does).
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

#include "findings_window.h"
#include "main_window.h"
#include "qt_front_end.h"
#include "session/session.h"
#include "settings/settings.h"
#include "platform/file_system.h"
#include "window_program.h"

namespace {

// A timer on the window's thread that notes how late each of its ticks comes.
class LatenessProbe {
 public:
  static constexpr int kIntervalMs = 5;
  LatenessProbe() {
    timer_.setInterval(kIntervalMs);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.nsecsElapsed();
      worst_ns_ = std::max(worst_ns_, now - last_ns_ - kIntervalMs * 1000000LL);
      last_ns_ = now;
    });
  }
  void Start() {
    worst_ns_ = 0;
    clock_.start();
    last_ns_ = clock_.nsecsElapsed();
    timer_.start();
  }
  double WorstMs() const { return static_cast<double>(worst_ns_) / 1e6; }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ns_ = 0;
  qint64 worst_ns_ = 0;
};

// Seconds from the click until the window has heard the command end.
double ClickAndWait(tarn::gui::MainWindow& window, const char* button) {
  QElapsedTimer clock;
  clock.start();
  QEventLoop loop;
  QObject::connect(&window, &tarn::gui::MainWindow::commandEnded, &loop, &QEventLoop::quit);
  window.findChild<QPushButton*>(button)->click();
  if (window.CommandRunning()) loop.exec();
  return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

double ResidentMiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1 << 20);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 5) {
    std::fprintf(stderr, "usage: window_probe HOME GAME LOG ROUNDS\n");
    return 2;
  }
  const std::string home = argv[1];
  const int rounds = std::max(1, std::atoi(argv[4]));
  tarn::gui::QtFrontEnd front_end;
  tarn::RealFileSystem files;
  tarn::Settings settings(front_end);
  settings.SetSettingsDBName(tarn::JoinPath(home, tarn::kSettingsDBFile));
  settings.Values().SetKVPath(argv[2]);
  settings.Values().SetLogPath(argv[3]);
  settings.Values().SetOverwriteLog("1");
  double worst = 0;
  {
    tarn::Session session(settings, front_end, files, home);
    tarn::gui::WindowProgram program(session, front_end, settings.Values());
    tarn::gui::MainWindow& window = program.Main();
    window.LoadFromSettings();
    window.show();
    LatenessProbe probe;
    for (int round = 1; round <= rounds; ++round) {
      probe.Start();
      const double init = ClickAndWait(window, "cmdInitDB");
      const double all = ClickAndWait(window, "cmdAll");
      const double refs = ClickAndWait(window, "cmdRefs");
      // The findings view opens by itself after a run that found something: its first paint.
      tarn::gui::FindingsWindow& findings = program.Findings();
      findings.show();
      findings.repaint();
      QEventLoop settle;
      QTimer::singleShot(100, &settle, &QEventLoop::quit);
      settle.exec();
      worst = std::max(worst, probe.WorstMs());
      std::printf("round %d: init-db %.2f s, all %.2f s, refs %.2f s, %d findings; worst "
                  "lateness %.1f ms; resident %.1f MiB\n",
                  round, init, all, refs, findings.TotalRows(), probe.WorstMs(), ResidentMiB());
      std::fflush(stdout);
      findings.hide();
    }
  }
  settings.Discard();
  std::printf("worst lateness of all rounds: %.1f ms\n", worst);
  return 0;
}
