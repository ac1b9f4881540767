// The rule set that `tarn rules import` replaced, kept in the settings database beside the rule
// tables so that `tarn rules restore` can bring it back once.
//
// What is kept is what the rule loader and the export read, exactly as it was: the definition
// of every rule object there was (the query _bc_ListSections, the rule tables, their indexes),
// in _bc_kept_objects, and the rows of each of those tables in a copy of its own
// (_bc_sections in _bc_kept_sections, a _bc_ListSections table in _bc_kept_ListSections). The
// rule objects themselves are never renamed or altered by keeping.
#pragma once

#include <string>

#include "datadb/database.h"

namespace tarn {

// Keeps the rule objects of db as they are now, replacing whatever was kept before. Runs
// inside the caller's transaction, before the rule objects are changed. Raises TarnError.
void KeepRuleObjects(Database& db);

// In one transaction, puts back the rule objects and rows that KeepRuleObjects kept (the rule
// objects of now are dropped, and so are those that were not there then) and forgets them.
// False, db unchanged, when nothing is kept. Raises TarnError; db is then unchanged.
bool RestoreRuleObjects(Database& db);

// Records, inside the caller's transaction, that the rule set being written now is imported,
// and when (UTC). The record is one of the rule objects: a restore brings back the record of
// the set it restores, or none for the set the program came with.
void StampImport(Database& db);

// Where db's rule set comes from: the one the program came with, or an import (made by
// `rules learn`, or an export edited by hand).
struct RuleOrigin {
  bool imported = false;
  // "2024-05-01 18:30" (UTC); empty when the import is older than the record of its time.
  std::string imported_at;
};
// Raises TarnError when db cannot be read.
RuleOrigin ReadRuleOrigin(Database& db);

}  // namespace tarn
