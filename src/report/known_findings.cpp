#include "report/known_findings.h"

#include <unordered_map>

#include "datadb/schema.h"
#include "platform/error.h"
#include "report/json_text.h"

namespace tarn {

namespace {

constexpr std::string_view kTable = schema::kKnownFindingsTable;

bool HasTable(Database& db) {
  Statement found = db.Prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
  found.BindText(1, kTable);
  return found.Step();
}

void Insert(Database& db, const std::vector<std::string>& fingerprints) {
  db.Exec(schema::kKnownFindings);
  Statement add = db.Prepare("INSERT INTO " + std::string(kTable) + " (Fingerprint) VALUES (?1)");
  for (const std::string& fingerprint : fingerprints) {
    add.BindText(1, fingerprint);
    add.Step();
    add.Reset();
  }
}

}  // namespace

std::vector<std::string> ReadKnownFindings(Database& db) {
  std::vector<std::string> fingerprints;
  if (!HasTable(db)) return fingerprints;
  Statement rows = db.Prepare("SELECT Fingerprint FROM " + std::string(kTable) + " ORDER BY rowid");
  while (rows.Step()) fingerprints.push_back(rows.Text(0));
  return fingerprints;
}

void ReplaceKnownFindings(Database& db, const std::vector<std::string>& fingerprints) {
  db.Exec("DROP TABLE IF EXISTS " + std::string(kTable));
  // An import without known findings leaves no table, as before any were installed.
  if (!fingerprints.empty()) Insert(db, fingerprints);
}

std::size_t AddKnownFindings(Database& db, const std::vector<std::string>& fingerprints) {
  db.Exec("BEGIN");
  try {
    const std::vector<std::string> added = MissingFrom(ReadKnownFindings(db), fingerprints);
    Insert(db, added);
    db.Exec("COMMIT");
    return added.size();
  } catch (const TarnError&) {
    db.Exec("ROLLBACK");
    throw;
  }
}

std::vector<std::string> MissingFrom(const std::vector<std::string>& ones,
                                     const std::vector<std::string>& more) {
  std::unordered_map<std::string, std::int64_t> held;
  for (const std::string& fingerprint : ones) ++held[fingerprint];
  std::vector<std::string> missing;
  for (const std::string& fingerprint : more) {
    auto at = held.find(fingerprint);
    if (at != held.end() && at->second > 0) {
      --at->second;
    } else {
      missing.push_back(fingerprint);
    }
  }
  return missing;
}

std::string KnownFindingsText(const std::vector<std::string>& fingerprints) {
  std::string out = "{\n  \"format\": \"tarn-findings\",\n  \"version\": 1,\n  \"findings\": [";
  bool first = true;
  for (const std::string& fingerprint : fingerprints) {
    out += first ? "\n" : ",\n";
    first = false;
    out += "    {\"fingerprint\": ";
    AppendJsonString(out, fingerprint);
    out += ", \"baselineState\": \"unchanged\"}";
  }
  out += "\n  ]\n}\n";
  return out;
}

}  // namespace tarn
