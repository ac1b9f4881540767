#include "analysis/analysis.h"

#include "analysis/section_checker.h"
#include "datadb/init_data_db.h"
#include "rules/dump_rules.h"
#include "settings/settings.h"
#include "shell/error.h"
#include "shell/file_system.h"
#include "shell/front_end.h"
#include "shell/version.h"
#include "walk/value_query.h"

namespace tarn {

Analysis::Analysis(Settings& settings, FrontEnd& front_end, FileSystem& files, std::string home)
    : settings_(settings),
      front_end_(front_end),
      files_(files),
      home_(std::move(home)),
      stats_(front_end.Stats()),
      log_(&files, front_end, settings.Values(), stats_) {}

Analysis::~Analysis() { Close(); }

void Analysis::WriteLogBanner() {
  try {
    files_.RemoveFile(log_.FilePath());
  } catch (const TarnError&) {
    // A missing or locked old log is no reason to stop: the run appends to it.
  }
  log_.WriteLog("TARN v " + VersionText() + " Log File");
  log_.WriteLog(" ");
  log_.WriteLog("KV Path " + settings_.Values().KVPath());
  log_.WriteLog("Log Path " + settings_.Values().LogPath());
  log_.WriteLog(" ");
}

bool Analysis::InitDB() {
  if (!InitDataDB(log_, files_, settings_.SettingsDB(), home_, kDataDBFile, data_)) return false;
  rules_ = InitParse(log_, settings_.SettingsDB());
  parsed_files_ = std::make_unique<ParsedFiles>();
  return true;
}

void Analysis::RunAll(bool overwrite_ticked) {
  if (overwrite_ticked) WriteLogBanner();
  SectionChecker checker(log_, rules_.get(), data_.get(), stats_);
  ValueQuery values(settings_.SettingsDB(), data_.get());
  Walk walk(WalkContext{settings_.Values(), files_, log_, front_end_, stats_}, checker, values,
            settings_.SettingsDB(), parsed_files_.get());
  walk.RunAll();
}

void Analysis::RunDumpRules(bool overwrite_ticked) {
  if (overwrite_ticked) {
    WriteLogBanner();
    log_.WriteLog("Rules Dump");
    log_.WriteLog(" ");
  }
  DumpRules(log_, settings_.SettingsDB());
  log_.WriteLog(" ");
  log_.WriteLog("Rules Dump Complete.");
}

void Analysis::Close() {
  if (!data_) return;
  std::unique_ptr<DataDB> data = std::move(data_);
  try {
    data->Commit();
  } catch (const TarnError& error) {
    log_.ReportError(error, "Close Data DB");
  }
}

}  // namespace tarn
