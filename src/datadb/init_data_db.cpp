#include "datadb/init_data_db.h"

#include "datadb/database.h"
#include "datadb/schema.h"
#include "log/front_end.h"
#include "log/log.h"
#include "platform/error.h"
#include "platform/file_system.h"

namespace tarn {

namespace {

// The name under which the settings connection attaches the data database. The views that
// show its tables under their own names live in the connection's temp schema, which SQLite
// searches before the settings database's own tables.
constexpr std::string_view kAttachedName = "kvdata";

}  // namespace

void UnlinkFromSettings(Database& settings) {
  try {
    for (const schema::Table& table : schema::kDataTables) {
      try {
        settings.Exec("DROP VIEW IF EXISTS temp.\"" + std::string(table.name) + "\"");
      } catch (const TarnError&) {
      }
    }
    try {
      settings.Exec("DETACH DATABASE " + std::string(kAttachedName));
    } catch (const TarnError&) {
    }
  } catch (const TarnError&) {
  }
}

void LinkIntoSettings(Database& settings, const std::string& path) {
  Statement attach = settings.Prepare("ATTACH DATABASE ?1 AS " + std::string(kAttachedName));
  attach.BindText(1, path);
  attach.Step();
  for (const schema::Table& table : schema::kDataTables) {
    const std::string name(table.name);
    settings.Exec("CREATE TEMP VIEW \"" + name + "\" AS SELECT * FROM " +
                  std::string(kAttachedName) + ".\"" + name + "\"");
  }
}

namespace {

// SQLite keeps a file's pending writes beside it; a stale one must not outlive the file.
void DeleteWithCompanions(FileSystem& files, const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    const std::string file = path + suffix;
    if (files.FileExists(file)) files.RemoveFile(file);
  }
}

}  // namespace

void DropDataDB(FileSystem& files, Database& settings_db, const std::string& folder,
                const std::string& file_name, std::unique_ptr<DataDB>& data) {
  data.reset();
  UnlinkFromSettings(settings_db);
  DeleteWithCompanions(files, JoinPath(folder, file_name));
}

bool InitDataDB(Log& log, FileSystem& files, Database& settings_db, const std::string& folder,
                const std::string& file_name, std::unique_ptr<DataDB>& data) {
  const std::string path = JoinPath(folder, file_name);
  enum class Step { kNotYet, kDelete, kCreate } step = Step::kNotYet;
  try {
    log.WriteLog("Initialising DATA database: " + path);
    if (data) {
      std::unique_ptr<DataDB> old = std::move(data);
      old->Commit();
    }
    step = Step::kDelete;
    // The settings connection holds the old file open through its link.
    UnlinkFromSettings(settings_db);
    DeleteWithCompanions(files, path);
    step = Step::kCreate;
    Database db = Database::Open(path, Database::Mode::kCreate);
    db.Exec(schema::NewDataDatabase());
    data = std::make_unique<DataDB>(std::move(db));
    LinkIntoSettings(settings_db, path);
    log.WriteLog("Done.");
    return true;
  } catch (const TarnError& error) {
    data.reset();
    switch (step) {
      case Step::kDelete:
        log.ReportError(error, "Unable to delete " + path);
        return false;
      case Step::kCreate:
        log.ReportError(error, "Unable to create " + path);
        return false;
      case Step::kNotYet:
        break;
    }
    log.ReportError(error, "Init Data DB");
    EndProgram();
  }
}

}  // namespace tarn
