// Takes the README's pictures of the window program on the broken sample world: the main
// window while "All" runs and after it, its Rules menu open, and the findings view with the viewer
// open at a warning. Run on a real display (scripts/screenshots runs it under Xvfb):
//
//   tarn-gui-screenshots OUTPUT_FOLDER
#include <QApplication>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>

#include "findings_window.h"
#include "main_window.h"
#include "platform/file_system.h"
#include "qt_front_end.h"
#include "run_status.h"
#include "session/session.h"
#include "settings/settings.h"
#include "walk/run_watch.h"
#include "window_program.h"

namespace {

namespace fs = std::filesystem;

// Lets the window catch up for a while: layouts, the status line's refresh, painting.
void Settle(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

bool Save(QWidget& window, const fs::path& file) {
  Settle(300);
  const bool saved = window.grab().save(QString::fromStdString(file.string()));
  if (!saved) std::fprintf(stderr, "tarn-gui-screenshots: cannot write %s\n", file.c_str());
  return saved;
}

// Passes progress on to the status line and takes the picture of the run at one file.
class PictureAt : public tarn::ProgressObserver {
 public:
  PictureAt(tarn::ProgressObserver& next, std::int64_t file, std::function<void()> take)
      : next_(next), file_(file), take_(std::move(take)) {}
  void RunProgressed(const tarn::RunProgress& progress) override {
    next_.RunProgressed(progress);
    // The run is on the worker thread; the picture is the window's thread's to take, while
    // the run waits here.
    if (progress.files_read == file_ && take_) {
      QMetaObject::invokeMethod(qApp, std::exchange(take_, nullptr), Qt::BlockingQueuedConnection);
    }
  }

 private:
  tarn::ProgressObserver& next_;
  std::int64_t file_;
  std::function<void()> take_;
};

// Clicks a command's button and lets the window run until it has heard the command end.
void ClickAndWait(tarn::gui::MainWindow& window, const char* button) {
  QEventLoop loop;
  QObject::connect(&window, &tarn::gui::MainWindow::commandEnded, &loop, &QEventLoop::quit);
  window.findChild<QPushButton*>(button)->click();
  if (window.CommandRunning()) loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: tarn-gui-screenshots OUTPUT_FOLDER\n");
    return 2;
  }
  const fs::path out = fs::absolute(argv[1]);
  const fs::path work = fs::temp_directory_path() / "tarn-gui-screenshots";
  fs::remove_all(work);
  fs::create_directories(work / "logs");
  fs::copy_file(TARN_SHIPPED_MDB, work / "TARN.MDB");

  tarn::gui::QtFrontEnd front_end;
  tarn::RealFileSystem files;
  tarn::Settings settings(front_end);
  settings.SetSettingsDBName((work / "TARN.MDB").string());
  // The folder as a user would type it, not the build's absolute path.
  fs::current_path(fs::path(TARN_EXAMPLES).parent_path());
  settings.Values().SetKVPath("examples/kestrovar-broken");
  settings.Values().SetLogPath((work / "logs").string());
  settings.Values().SetOverwriteLog("1");
  bool saved = true;
  {
    tarn::Session session(settings, front_end, files, work.string());
    tarn::Analysis& analysis = session.GetAnalysis();
    tarn::gui::WindowProgram program(session, front_end, settings.Values());
    tarn::gui::MainWindow& window = program.Main();
    window.LoadFromSettings();
    window.move(40, 40);
    window.show();
    ClickAndWait(window, "cmdInitDB");
    PictureAt during(program.Status(), 24,
                     [&] { saved = Save(window, out / "window-running.png") && saved; });
    analysis.SetProgressObserver(&during);
    ClickAndWait(window, "cmdAll");
    analysis.SetProgressObserver(&program.Status());

    tarn::gui::FindingsWindow& findings = program.Findings();
    findings.move(80, 80);
    findings.hide();
    saved = Save(window, out / "window-after-run.png") && saved;
    // The menu opens in a window of its own: the picture is of the screen around both.
    auto* bar = window.findChild<QMenuBar*>("menuBar");
    auto* rules = window.findChild<QMenu*>("menuRules");
    bar->setActiveAction(rules->menuAction());
    Settle(300);
    const QRect area = window.frameGeometry().united(rules->geometry());
    saved = window.screen()
                ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                .save(QString::fromStdString((out / "window-rules-menu.png").string())) &&
            saved;
    rules->hide();
    findings.show();
    findings.OpenRow(0);
    saved = Save(findings, out / "findings-view.png") && saved;
  }
  settings.Discard();
  fs::remove_all(work);
  return saved ? 0 : 1;
}
