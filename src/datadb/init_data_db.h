// Creation of the data database KV.MDB: deleting the old file, building the three tables
// with their indexes and refusals, and making them visible under their own names to SQL
// run on the settings database.
#pragma once

#include <string>

namespace tarn {

// Deletes and recreates the data database file_name in program_folder, sets dbData and
// links the tables into the settings database of gSettings. Returns true on success.
// A failure to delete the old file or to create the new one is reported in the log
// ("Unable to delete " / "Unable to create " and the path) and returns false with dbData
// empty; any earlier failure is reported under "Init Data DB" and ends the program.
bool InitDataDB(const std::string& program_folder, const std::string& file_name);

// Commits every pending group of data rows, closes the write cursors and the data database
// and empties dbData. Every front end calls it before the program ends, normally or on a
// fatal error, so that the rows written so far stay. Never raises: a failed commit is
// reported in the log.
void CloseDataDB();

}  // namespace tarn
