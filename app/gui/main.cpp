// tarn-gui: the window program. Its program folder is the folder of its executable, where
// TARN.MDB is read and KV.MDB created; it reads no command line of its own.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "datadb/init_data_db.h"
#include "main_window.h"
#include "qt_front_end.h"
#include "shell/file_system.h"
#include "shell/front_end.h"
#include "shell/globals.h"
#include "shell/settings.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string program_folder = QCoreApplication::applicationDirPath().toStdString();

  tarn::gui::QtFrontEnd front_end;
  tarn::frmMain = &front_end;
  try {
    // Opens the settings database and reads the settings; a failure has shown its message.
    tarn::gSettings = std::make_unique<tarn::cSettings>();
    tarn::gSettings->SetSettingsDBName(tarn::JoinPath(program_folder, tarn::kSettingsDBFile));
  } catch (const tarn::ProgramEnd& end) {
    tarn::gui::EndAtOnce(end.status);
  }

  tarn::gui::MainWindow window(front_end, program_folder);
  if (!window.LoadFromSettings()) {
    // Nothing is logged and nothing is saved.
    std::fprintf(stderr, "tarn-gui: stored OverwriteLog %s is not 0, 1 or 2\n",
                 tarn::gSettings->OverwriteLog().c_str());
    std::fflush(stderr);
    std::_Exit(tarn::kFatalStatus);
  }
  window.show();
  const int status = QApplication::exec();

  // The window is closed: keep the data rows, then write the settings back.
  tarn::CloseDataDB();
  try {
    tarn::gSettings->Close();
  } catch (const tarn::ProgramEnd& end) {
    // "Unable to save settings" has been shown; the data database is already closed.
    std::_Exit(end.status);
  }
  tarn::frmMain = nullptr;
  return status;
}
