// The rules dump ("Dump"'s DumpRules): the rule set written into the log as an indented
// outline.
#pragma once

#include <atomic>

namespace tarn {

class Database;
class Log;

// Writes one line per section, entry and value position of the rule query of settings_db into
// log. Any failure is reported under "DumpRules" and ends the program (EndProgram). cancel
// (may be null) is read before each section: once it is true the dump stops there and
// returns false, the sections so far written.
bool DumpRules(Log& log, Database& settings_db, const std::atomic<bool>* cancel = nullptr);

}  // namespace tarn
