// tarn-gui: the window program. Its program folder is the folder of its executable, where
// TARN.MDB is read and KV.MDB created, unless --home names another:
//
//   tarn-gui [--home DIR] | --help | --version
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "log/front_end.h"
#include "main_window.h"
#include "platform/file_system.h"
#include "platform/version.h"
#include "qt_front_end.h"
#include "session/session.h"
#include "settings/settings.h"
#include "window_program.h"

namespace {

// --help and --version need no window, and so no display: a plain core application answers.
bool OnlyAsksForText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h" || arg == "--version" || arg == "-v") return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::unique_ptr<QCoreApplication> app = OnlyAsksForText(argc, argv)
                                              ? std::make_unique<QCoreApplication>(argc, argv)
                                              : std::make_unique<QApplication>(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("tarn-gui"));
  QCoreApplication::setApplicationVersion(QString::fromStdString(tarn::VersionText()));
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "The window program of TARN, which checks the data files of Kestrovar against its rule "
      "set. The folder of TARN.MDB and KV.MDB is the executable's, unless --home names "
      "another."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption home_option(
      QStringLiteral("home"),
      QStringLiteral("Folder that stands for the program's folder: TARN.MDB is opened and KV.MDB "
                     "created there."),
      QStringLiteral("DIR"));
  parser.addOption(home_option);
  if (!parser.parse(QCoreApplication::arguments())) {
    std::fprintf(stderr, "tarn-gui: %s (see tarn-gui --help)\n",
                 parser.errorText().toLocal8Bit().constData());
    return 2;
  }
  if (parser.isSet(QStringLiteral("help"))) parser.showHelp(0);
  if (parser.isSet(QStringLiteral("version"))) parser.showVersion();
  if (!parser.positionalArguments().isEmpty()) {
    std::fprintf(stderr, "tarn-gui: takes no arguments but --home DIR (see tarn-gui --help)\n");
    return 2;
  }
  const bool home_given = parser.isSet(home_option);
  const std::string program_folder =
      home_given ? QFile::encodeName(parser.value(home_option)).toStdString()
                 : QCoreApplication::applicationDirPath().toStdString();

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
  program.ShowRuleOrigin(home_given);
  window.show();
  const int status = QCoreApplication::exec();

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
