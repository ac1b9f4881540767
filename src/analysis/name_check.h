// "refs": the check of names that refer to other objects, over the rows "All" stored. Each
// value of a position that names objects (the rule set's named kinds, _bc_references) must
// be the first value of a line of one of the entry rules it names, letter case aside, as
// the game looks names up. One query per position, over the whole data database.
#pragma once

#include <cstdint>

namespace tarn {

class Database;
class DataDB;
class LinePlaces;
class Log;

struct NameCheckCount {
  std::int64_t positions = 0;  // positions checked
  std::int64_t unknown = 0;    // values that name nothing known
};

// Checks the rows of data against the named kinds of the rule tables of settings_db, and
// writes a warning 10401 to log (a finding too) for each unknown name, in the order the rows
// were stored. places gives where stored lines stand on disk (may be null, or not know a
// row: the finding then points at the line as the log counts it). Commits data's pending
// rows first. Raises TarnError when a query fails; warnings written stay.
NameCheckCount CheckNames(Database& settings_db, DataDB& data, Log& log, const LinePlaces* places);

}  // namespace tarn
