// The rule tables of TARN.MDB behind the rule query _bc_ListSections: reading a rule set
// out of any settings database's query, and replacing the rule set of a settings database
// with another.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "datadb/database.h"
#include "rules/rule_set.h"

namespace tarn {

// The file that holds sections whose source file the database does not know.
inline constexpr const char* kDefaultRuleFile = "rules.rules";

// Reads the rule set as _bc_ListSections gives it, grouped as the rule loader groups the
// rows, without the loader's checks. Raises TarnError.
RuleSet ReadRuleTables(Database& db);

// Calls visit with the entry rule identifier and position of every whole position of db's
// rule tables, in the order they were written; none for tables of another design. Raises
// TarnError when the rows cannot be read.
void ForEachWholePosition(Database& db,
                          const std::function<void(std::int32_t, std::int32_t)>& visit);

// Calls visit with the entry rule identifier and flag form of every entry rule of db's rule
// tables that says how its flag key is written; none for tables of another design. Raises
// TarnError when the rows cannot be read.
void ForEachFlagForm(Database& db, const std::function<void(std::int32_t, FlagForm)>& visit);

// A value position that names objects, as the rule tables store it: the entry rule's
// identifier, the position (from 1), whether it is the variable tail's rule, and the
// identifiers of the entry rules whose first value defines such a name.
struct StoredNameReference {
  std::int32_t entry_id = 0;
  std::int32_t position = 0;
  bool is_multi = false;
  std::vector<std::int32_t> targets;
  // Those of targets whose names a value must find in its own group of files.
  std::vector<std::int32_t> local_targets{};
};

// The named object kinds of db's rule tables, by entry rule and position; none for tables of
// another design. Raises TarnError when the rows cannot be read.
std::vector<StoredNameReference> ReadNameReferences(Database& db);

// Replaces the rule set of db with rules in one transaction: creates the rule tables and
// the query when db lacks them (a _bc_ListSections of another design is replaced), then
// writes every section, entry and value rule and every named object kind. Raises TarnError
// (also for a named kind rules do not hold: check them first); db is then unchanged.
void WriteRuleTables(Database& db, const RuleSet& rules);

// WriteRuleTables, keeping in the same transaction the rule set it replaces (rule_history.h)
// so that RestoreRuleObjects brings it back, and making known the installed known findings
// (known_findings.h; none when empty), and when it was imported (rule_history.h): what
// `tarn rules import` does. Once cancel (when given) is true the transaction is rolled back at
// its end and false returned, db unchanged.
bool ImportRuleTables(Database& db, const RuleSet& rules,
                      const std::vector<std::string>& known = {},
                      const std::atomic<bool>* cancel = nullptr);

}  // namespace tarn
