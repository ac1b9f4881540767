// The rule library ("Init DB"'s InitParse): one section rule per known section, with its entry
// rules and value rules, loaded from the rule query _bc_ListSections of the settings database.
#pragma once

#include <memory>

#include "model/keyed_collection.h"
#include "model/section.h"

namespace tarn {

class Database;
class Log;

// Section rules keyed by their name in any letter case, in the order the query gives them.
using RuleLibrary = KeyedCollection<Section>;

// Builds the rule library from the rule query of settings_db. Any failure is reported in log
// under "InitParse" and ends the program (EndProgram).
std::unique_ptr<RuleLibrary> InitParse(Log& log, Database& settings_db);

}  // namespace tarn
