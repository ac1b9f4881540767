#include "shell/commands.h"

#include "datadb/init_data_db.h"
#include "rules/dump_rules.h"
#include "rules/init_parse.h"
#include "shell/error.h"
#include "shell/file_system.h"
#include "shell/globals.h"
#include "shell/log.h"
#include "shell/settings.h"
#include "shell/version.h"
#include "walk/main_walk.h"
#include "walk/other_inis.h"

namespace tarn {

void WriteLogBanner() {
  try {
    gFiles->RemoveFile(LogFilePath());
  } catch (const TarnError&) {
    // A missing or locked old log is no reason to stop: the run appends to it.
  }
  WriteLog("TARN v " + VersionText() + " Log File");
  WriteLog(" ");
  WriteLog("KV Path " + gSettings->KVPath());
  WriteLog("Log Path " + gSettings->LogPath());
  WriteLog(" ");
}

void RunAll(bool overwrite_ticked) {
  if (overwrite_ticked) WriteLogBanner();
  // Each run sees the game folder as it is now.
  gFiles->ForgetListings();
  ProcessMainINI();
  ReadOtherINIs();
  for (int id : kReferenceEntryIds) ReadINIFromValues(static_cast<std::int16_t>(id));
}

void RunDumpRules(bool overwrite_ticked) {
  if (overwrite_ticked) {
    WriteLogBanner();
    WriteLog("Rules Dump");
    WriteLog(" ");
  }
  DumpRules();
  WriteLog(" ");
  WriteLog("Rules Dump Complete.");
}

bool RunInitDB(const std::string& program_folder) {
  if (!InitDataDB(program_folder, kDataDBFile)) return false;
  InitParse();
  return true;
}

}  // namespace tarn
