// Creation of the data database KV.MDB, its tables and its links into the settings
// database.
#pragma once

#include <string>

namespace tarn {

// Deletes and recreates the data database file_name in program_folder. Returns true when
// the database was created and linked; false when a step failed (the failure has been
// reported in the log).
bool InitDataDB(const std::string& program_folder, const std::string& file_name);

}  // namespace tarn

namespace tarn {

// Commits every pending group of data rows and closes the data database. Every front end
// calls it before the program ends, normally or on a fatal error, so that the rows written
// so far stay.
void CloseDataDB();

}  // namespace tarn
