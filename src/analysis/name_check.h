// "refs": the check of names that refer to other objects, over the rows "All" stored. Each
// value of a position that names objects (the rule set's named kinds, _bc_references) must
// be the first value of a line of one of the entry rules it names, letter case aside, as
// the game looks names up. One query per position, over the whole data database.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace tarn {

class Database;
class DataDB;
class LinePlaces;
class Log;

struct NameCheckCount {
  std::int64_t positions = 0;  // positions checked
  std::int64_t unknown = 0;    // values that name nothing known
  std::int64_t duplicates = 0; // second definitions of a name by one target
  bool cancelled = false;       // a stop was asked for: nothing was written to the log
};

// Checks the rows of data against the named kinds of the rule tables of settings_db, and
// writes a warning 10401 to log (a finding too) for each unknown name, in the order the rows
// were stored; then a warning 10406 for each line of a target that defines a name the
// target defines already, naming the first place in its value (its file relative to the game
// folder game, with "/"), for the targets that repeat at most 1 % of their names (those that
// repeat more define names local to groups of files). places gives where stored lines stand
// on disk (may be null, or not know a row: the finding then points at the line as the log
// counts it). Commits data's pending rows first. Raises TarnError when a query fails; warnings
// written stay.
// cancel (may be null) is read between positions: once it is true the search stops, and
// the check returns with cancelled set, having written nothing.
NameCheckCount CheckNames(Database& settings_db, DataDB& data, Log& log, const std::string& game,
                          const LinePlaces* places, const std::atomic<bool>* cancel = nullptr);

}  // namespace tarn
