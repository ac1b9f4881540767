// The three commands of the main window as the core runs them. The window program calls
// these from its button handlers, the command line for each COMMAND word, so both write the
// same log. Errors the steps do not handle themselves end the program (ProgramEnd).
#pragma once

#include <string>

namespace tarn {

// The identifiers of the entry rules whose stored values name further files, in the order
// "All" follows them.
inline constexpr int kReferenceEntryIds[] = {74,  101, 871,  877,  879,  64,  824,
                                             1034, 1040, 1055, 1107, 1169, 872};

// The data database's file name in the program's folder.
inline constexpr const char* kDataDBFile = "KV.MDB";

// Deletes the old log (failures ignored) and writes the five banner lines.
void WriteLogBanner();

// "All": the banner when overwrite is ticked, then the walk and the further files.
void RunAll(bool overwrite_ticked);

// "Dump": the banner, "Rules Dump" and " " when ticked; the rules; " " and
// "Rules Dump Complete.".
void RunDumpRules(bool overwrite_ticked);

// "Init DB": creates the data database in program_folder and, when that worked, loads the
// rules. Returns whether "All" is enabled afterwards.
bool RunInitDB(const std::string& program_folder);

}  // namespace tarn
