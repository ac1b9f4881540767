// The rules dump ("Dump"'s DumpRules): the rule set written into the log as an indented
// outline.
#pragma once

namespace tarn {

class Database;
class Log;

// Writes one line per section, entry and value position of the rule query of settings_db into
// log. Any failure is reported under "DumpRules" and ends the program (EndProgram).
void DumpRules(Log& log, Database& settings_db);

}  // namespace tarn
