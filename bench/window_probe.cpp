// Drives the window program as a user would (Init DB, All, References, the findings view's
// first paint) on a game folder, several times over, and measures what the user feels: the
// worst lateness of a timer on the window's thread (how long the window's event loop was kept
// from answering), per step, the time of each command, the longest of a few sorts and filters
// of the findings view (each one event the window cannot answer during), and the resident
// memory after each round.
//
//   window_probe HOME GAME LOG ROUNDS
//
// HOME holds TARN.MDB. Prints one line per round and a last line with the worst lateness of
// all rounds (the sorts and filters, timed on their own, are not in it); run it on the offscreen
// platform (bench/window_freeze does).
#include <unistd.h>
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

#include "findings_window.h"
#include "main_window.h"
#include "platform/file_system.h"
#include "qt_front_end.h"
#include "session/session.h"
#include "settings/settings.h"
#include "window_program.h"

namespace {

// A timer on the window's thread that notes how late each of its ticks comes: the worst of
// the step under way.
class LatenessProbe {
 public:
  static constexpr int kIntervalMs = 5;
  LatenessProbe() {
    timer_.setInterval(kIntervalMs);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.nsecsElapsed();
      const qint64 late = now - last_ns_ - kIntervalMs * 1000000LL;
      step_worst_ns_ = std::max(step_worst_ns_, late);
      last_ns_ = now;
    });
  }
  void Start() {
    step_worst_ns_ = 0;
    clock_.start();
    last_ns_ = clock_.nsecsElapsed();
    timer_.start();
  }
  // The worst lateness of the step just done; the next step starts afresh.
  double TakeStepMs() {
    const double step = static_cast<double>(step_worst_ns_) / 1e6;
    step_worst_ns_ = 0;
    return step;
  }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ns_ = 0;
  qint64 step_worst_ns_ = 0;
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

// Lets the window's loop run for ms, so that a tick made late by the step just done is counted
// in that step.
void Settle(int ms) {
  QEventLoop settle;
  QTimer::singleShot(ms, &settle, &QEventLoop::quit);
  settle.exec();
}

// Milliseconds the window's thread spends in what the user's one action does.
template <typename Action>
double EventMs(Action action) {
  QElapsedTimer clock;
  clock.start();
  action();
  return static_cast<double>(clock.nsecsElapsed()) / 1e6;
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
      Settle(20);
      const double init_late = probe.TakeStepMs();
      const double all = ClickAndWait(window, "cmdAll");
      Settle(20);
      const double all_late = probe.TakeStepMs();
      const double refs = ClickAndWait(window, "cmdRefs");
      Settle(20);
      const double refs_late = probe.TakeStepMs();
      // The findings view opens by itself after a run that found something: its first paint.
      tarn::gui::FindingsWindow& findings = program.Findings();
      findings.show();
      findings.repaint();
      Settle(100);
      const double paint_late = probe.TakeStepMs();
      // What a user does next in the view, each one event: sort by a few columns, then filter.
      const auto sort_by = [&](int column) {
        findings.Table()->sortByColumn(column, Qt::AscendingOrder);
        findings.repaint();
      };
      const auto filter_by = [&](const QString& text) {
        findings.FilterByText(text);
        findings.repaint();
      };
      double sort = 0;
      for (int column : {tarn::gui::FindingsModel::kText, tarn::gui::FindingsModel::kFile,
                         tarn::gui::FindingsModel::kNumber}) {
        sort = std::max(sort, EventMs([&] { sort_by(column); }));
      }
      double filter = 0;
      for (const char* text : {"unknown", "", "ini"}) {
        filter = std::max(filter, EventMs([&] { filter_by(QString::fromLatin1(text)); }));
      }
      const double by_number = EventMs([&] {
        findings.FilterByNumber(QStringLiteral("repair"));
        findings.repaint();
      });
      filter = std::max(filter, by_number);
      findings.FilterByNumber(QString());
      findings.Table()->sortByColumn(-1, Qt::AscendingOrder);
      Settle(20);
      probe.TakeStepMs();
      worst = std::max({worst, init_late, all_late, refs_late, paint_late});
      std::printf(
          "round %d: init-db %.2f s, all %.2f s, refs %.2f s, %d findings; lateness "
          "init-db %.0f, all %.0f, refs %.0f, first paint %.0f ms; sort %.0f ms, "
          "filter %.0f ms; resident %.1f MiB\n",
          round, init, all, refs, findings.TotalRows(), init_late, all_late, refs_late, paint_late,
          sort, filter, ResidentMiB());
      std::fflush(stdout);
      findings.hide();
    }
  }
  settings.Discard();
  std::printf("worst lateness of all rounds: %.1f ms\n", worst);
  return 0;
}
