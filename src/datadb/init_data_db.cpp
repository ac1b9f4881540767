#include "datadb/init_data_db.h"

#include "datadb/data_tables.h"
#include "datadb/database.h"
#include "shell/error.h"
#include "shell/file_system.h"
#include "shell/front_end.h"
#include "shell/globals.h"
#include "shell/log.h"
#include "shell/settings.h"

namespace tarn {

namespace {

// The name under which the settings connection attaches the data database. The views that
// show its tables under their own names live in the connection's temp schema, which SQLite
// searches before the settings database's own tables.
constexpr std::string_view kAttachedName = "kvdata";

// Text columns refuse the empty text (Value excepted) but accept null; the columns that
// the indexes need refuse null.
constexpr std::string_view kSchema = R"sql(
PRAGMA journal_mode = WAL;
PRAGMA synchronous = NORMAL;
CREATE TABLE Sections (
  DB_ID   INTEGER PRIMARY KEY,
  Area    TEXT CONSTRAINT "Sections.Area may not be empty" CHECK (Area <> ''),
  Section TEXT CONSTRAINT "Sections.Section may not be empty" CHECK (Section <> ''),
  File    TEXT CONSTRAINT "Sections.File may not be empty" CHECK (File <> ''),
  Line    INTEGER
);
CREATE TABLE Entries (
  DB_ID   INTEGER PRIMARY KEY,
  Entry   TEXT CONSTRAINT "Entries.Entry may not be empty" CHECK (Entry <> ''),
  EntryID INTEGER NOT NULL,
  Link    INTEGER NOT NULL,
  Line    INTEGER
);
CREATE INDEX Entries_LinkIDX ON Entries (Link);
CREATE INDEX Entries_IDIDX ON Entries (EntryID);
CREATE TABLE "Values" (
  DB_ID INTEGER PRIMARY KEY,
  Link  INTEGER NOT NULL,
  Value TEXT
);
CREATE INDEX Values_LinkIDX ON "Values" (Link);
)sql";

constexpr const char* kTables[] = {"Sections", "Entries", "Values"};

// Removes the links of an earlier "Init DB". A missing link is no error, and nothing here
// may fail the call.
void UnlinkFromSettings() {
  try {
    Database& settings = gSettings->SettingsDB();
    for (const char* table : kTables) {
      try {
        settings.Exec("DROP VIEW IF EXISTS temp.\"" + std::string(table) + "\"");
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

void LinkIntoSettings(const std::string& path) {
  Database& settings = gSettings->SettingsDB();
  Statement attach = settings.Prepare("ATTACH DATABASE ?1 AS " + std::string(kAttachedName));
  attach.BindText(1, path);
  attach.Step();
  for (const char* table : kTables) {
    settings.Exec("CREATE TEMP VIEW \"" + std::string(table) + "\" AS SELECT * FROM " +
                  std::string(kAttachedName) + ".\"" + table + "\"");
  }
}

// SQLite keeps a file's pending writes beside it; a stale one must not outlive the file.
void DeleteWithCompanions(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    std::string file = path + suffix;
    if (gFiles->FileExists(file)) gFiles->RemoveFile(file);
  }
}

void CloseCursorsAndDataDB() {
  rstSections.reset();
  rstEntries.reset();
  rstValues.reset();
  if (dbData) {
    std::unique_ptr<DataDB> data = std::move(dbData);
    data->Commit();
  }
}

}  // namespace

bool InitDataDB(const std::string& program_folder, const std::string& file_name) {
  const std::string path = JoinPath(program_folder, file_name);
  enum class Step { kNotYet, kDelete, kCreate } step = Step::kNotYet;
  try {
    WriteLog("Initialising DATA database: " + path);
    CloseCursorsAndDataDB();
    step = Step::kDelete;
    // The settings connection holds the old file open through its link.
    UnlinkFromSettings();
    DeleteWithCompanions(path);
    step = Step::kCreate;
    Database db = Database::Open(path, Database::Mode::kCreate);
    db.Exec(kSchema);
    dbData = std::make_unique<DataDB>(std::move(db));
    LinkIntoSettings(path);
    WriteLog("Done.");
    return true;
  } catch (const TarnError& error) {
    dbData.reset();
    switch (step) {
      case Step::kDelete:
        ReportError(error, "Unable to delete " + path);
        return false;
      case Step::kCreate:
        ReportError(error, "Unable to create " + path);
        return false;
      case Step::kNotYet:
        break;
    }
    ReportError(error, "Init Data DB");
    EndProgram();
  }
}

void CloseDataDB() {
  try {
    CloseCursorsAndDataDB();
  } catch (const TarnError& error) {
    ReportError(error, "Close Data DB");
  }
}

}  // namespace tarn
