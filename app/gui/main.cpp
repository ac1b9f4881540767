// tarn-gui: the window program. Its program folder is the folder of its executable, where
// TARN.MDB is read and KV.MDB created; it reads no command line of its own.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "session/session.h"
#include "main_window.h"
#include "qt_front_end.h"
#include "settings/settings.h"
#include "shell/file_system.h"
#include "shell/front_end.h"
#include "window_program.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string program_folder = QCoreApplication::applicationDirPath().toStdString();

  tarn::gui::QtFrontEnd front_end;
  tarn::RealFileSystem files;
  tarn::Settings settings(front_end);
  try {
    // Opens the settings database and reads the settings; a failure has shown its message.
    settings.SetSettingsDBName(tarn::JoinPath(program_folder, tarn::kSettingsDBFile));
  } catch (const tarn::ProgramEnd& end) {
    tarn::gui::EndAtOnce(nullptr, end.status);
  }

  tarn::Session session(settings, front_end, files, program_folder);
  tarn::gui::WindowProgram program(session, front_end, settings.Values());
  tarn::gui::MainWindow& window = program.Main();
  if (!window.LoadFromSettings()) {
    // Nothing is logged and nothing is saved.
    std::fprintf(stderr, "tarn-gui: stored OverwriteLog %s is not 0, 1 or 2\n",
                 settings.Values().OverwriteLog().c_str());
    std::fflush(stderr);
    std::_Exit(tarn::kFatalStatus);
  }
  window.show();
  const int status = QApplication::exec();

  // The window is closed: keep the data rows, then write the settings back.
  session.GetAnalysis().Close();
  try {
    settings.Close();
  } catch (const tarn::ProgramEnd& end) {
    // "Unable to save settings" has been shown; the data database is already closed.
    std::_Exit(end.status);
  }
  return status;
}
