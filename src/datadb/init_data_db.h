// Creation of the data database KV.MDB ("Init DB"'s InitDataDB): deleting the old file,
// building the three tables with their indexes and refusals, and making them visible under
// their own names to SQL run on the settings database.
#pragma once

#include <memory>
#include <string>

#include "datadb/data_db.h"

namespace tarn {

class FileSystem;
class Log;

// The data database's file name in the program's folder.
inline constexpr const char* kDataDBFile = "KV.MDB";

// Commits and closes the data database in data (if any), deletes and recreates file_name in
// folder, puts the new one into data and links its tables into settings_db. Returns true on
// success. A failure to delete the old file or to create the new one is reported in log
// ("Unable to delete " / "Unable to create " and the path) and returns false with data empty;
// any earlier failure is reported under "Init Data DB" and ends the program (EndProgram).
bool InitDataDB(Log& log, FileSystem& files, Database& settings_db, const std::string& folder,
                const std::string& file_name, std::unique_ptr<DataDB>& data);

// Closes the data database in data (if any) and deletes file_name in folder with the files
// SQLite keeps beside it, so that no half-made database is left for the next run to trust.
// Raises TarnError when a file cannot be deleted.
void DropDataDB(FileSystem& files, Database& settings_db, const std::string& folder,
                const std::string& file_name, std::unique_ptr<DataDB>& data);

// Removes the settings connection's link to the data database (which keeps the file open
// there), so that the data database may change its journal mode or be deleted. A missing
// link is no error; nothing here fails.
void UnlinkFromSettings(Database& settings_db);
// Links the data database at path into settings_db again. Raises TarnError.
void LinkIntoSettings(Database& settings_db, const std::string& path);

}  // namespace tarn
