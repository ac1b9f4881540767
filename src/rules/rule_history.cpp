#include "rules/rule_history.h"

#include <string>
#include <vector>

#include "platform/error.h"

namespace tarn {

namespace {

// The objects a rule set is made of; the order drops a query before the tables it reads.
// The known findings kept with the rules are part of the rule set an import replaces.
constexpr const char* kRuleObjects[] = {
    "_bc_ListSections", "_bc_flag_lines", "_bc_references",     "_bc_values",     "_bc_entries",
    "_bc_types",        "_bc_sections",   "_bc_known_findings", "_bc_rule_origin"};

constexpr const char* kRuleTableNames =
    "('_bc_ListSections', '_bc_flag_lines', '_bc_references', '_bc_values', '_bc_entries', "
    "'_bc_types', '_bc_sections', '_bc_known_findings', '_bc_rule_origin')";

constexpr const char* kOrigin = "_bc_rule_origin";

constexpr const char* kKeptObjects = "_bc_kept_objects";

// "_bc_sections" keeps its rows in "_bc_kept_sections".
std::string KeptRows(const std::string& table) { return "_bc_kept_" + table.substr(4); }

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

struct RuleObject {
  std::string name, type, sql;
};

bool HasTable(Database& db, const std::string& name) {
  Statement found = db.Prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
  found.BindText(1, name);
  return found.Step();
}

// The rule objects there are and the indexes on them, in the order they were made, tables
// (whose indexes need them) first.
std::vector<RuleObject> RuleObjectsOf(Database& db, const std::string& master) {
  std::vector<RuleObject> objects;
  Statement rows =
      db.Prepare("SELECT name, type, sql FROM " + master +
                 " WHERE sql IS NOT NULL AND tbl_name IN " + std::string(kRuleTableNames) +
                 " "
                 "ORDER BY type <> 'table', type = 'view', rowid");
  while (rows.Step()) objects.push_back({rows.Text(0), rows.Text(1), rows.Text(2)});
  return objects;
}

void ForgetKept(Database& db) {
  if (!HasTable(db, kKeptObjects)) return;
  for (const RuleObject& object : RuleObjectsOf(db, kKeptObjects)) {
    if (object.type == "table") db.Exec("DROP TABLE IF EXISTS " + Quoted(KeptRows(object.name)));
  }
  db.Exec(std::string("DROP TABLE ") + kKeptObjects);
}

}  // namespace

void KeepRuleObjects(Database& db) {
  ForgetKept(db);
  db.Exec(std::string("CREATE TABLE ") + kKeptObjects +
          " (name TEXT NOT NULL, type TEXT NOT NULL, tbl_name TEXT NOT NULL, sql TEXT)");
  db.Exec(std::string("INSERT INTO ") + kKeptObjects +
          " SELECT name, type, tbl_name, sql FROM sqlite_master WHERE tbl_name IN " +
          kRuleTableNames + " ORDER BY rowid");
  for (const RuleObject& object : RuleObjectsOf(db, kKeptObjects)) {
    if (object.type != "table") continue;
    db.Exec("CREATE TABLE " + Quoted(KeptRows(object.name)) + " AS SELECT * FROM " +
            Quoted(object.name));
  }
}

bool RestoreRuleObjects(Database& db) {
  if (!HasTable(db, kKeptObjects)) return false;
  db.Exec("BEGIN");
  try {
    const std::vector<RuleObject> kept = RuleObjectsOf(db, kKeptObjects);
    for (const RuleObject& now : RuleObjectsOf(db, "sqlite_master")) {
      if (now.type == "view") db.Exec("DROP VIEW " + Quoted(now.name));
    }
    for (const char* name : kRuleObjects) {
      if (HasTable(db, name)) db.Exec("DROP TABLE " + Quoted(name));
    }
    // Tables come first, each filled before the indexes and the query are made on them.
    for (const RuleObject& object : kept) {
      db.Exec(object.sql);
      if (object.type != "table") continue;
      db.Exec("INSERT INTO " + Quoted(object.name) + " SELECT * FROM " +
              Quoted(KeptRows(object.name)));
    }
    ForgetKept(db);
    db.Exec("COMMIT");
  } catch (const TarnError&) {
    db.Exec("ROLLBACK");
    throw;
  }
  return true;
}

void StampImport(Database& db) {
  db.Exec(std::string("CREATE TABLE IF NOT EXISTS ") + kOrigin + " (Imported TEXT NOT NULL)");
  db.Exec(std::string("DELETE FROM ") + kOrigin);
  db.Exec(std::string("INSERT INTO ") + kOrigin +
          " (Imported) VALUES (strftime('%Y-%m-%d %H:%M', 'now'))");
}

RuleOrigin ReadRuleOrigin(Database& db) {
  RuleOrigin origin;
  if (HasTable(db, kOrigin)) {
    Statement row = db.Prepare(std::string("SELECT Imported FROM ") + kOrigin);
    origin.imported = true;
    if (row.Step()) origin.imported_at = row.Text(0);
    return origin;
  }
  // Imports made before their time was recorded still kept the set they replaced.
  origin.imported = HasTable(db, kKeptObjects);
  return origin;
}

}  // namespace tarn
