#include "report/findings_table.h"

#include "datadb/database.h"
#include "datadb/schema.h"
#include "platform/codepage.h"
#include "platform/error.h"

namespace tarn {

namespace {

// Most texts are plain ASCII, which needs no conversion, and outlive the row's insert.
void BindText(Statement& insert, int index, const std::string& cp1252) {
  for (char c : cp1252) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      insert.BindText(index, Cp1252ToUtf8(cp1252));
      return;
    }
  }
  insert.BindStaticText(index, cp1252);
}

}  // namespace

void CreateFindingsTable(Database& db) { db.Exec(schema::kFindingsTable); }

void StoreFindings(Database& db, const std::vector<ReportedFinding>& findings, std::int32_t run) {
  if (findings.empty()) return;
  CreateFindingsTable(db);
  db.Exec("BEGIN");
  try {
    Statement insert = db.Prepare(
        "INSERT INTO Findings (Run, Rule, Number, Text, Path, Line, TextForm, LogFile, LogLine, "
        "Section, SectionLine, Position, Entry, Value, Target, Fingerprint) VALUES "
        "(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16)");
    for (const ReportedFinding& r : findings) {
      const Finding& f = *r.finding;
      insert.BindInt(1, run);
      insert.BindStaticText(2, r.rule);
      if (f.kind == Finding::Kind::kRepair) {
        insert.BindNull(3);
      } else {
        insert.BindInt(3, f.number);
      }
      BindText(insert, 4, r.text);
      BindText(insert, 5, r.path);
      if (r.line > 0) {
        insert.BindInt(6, r.line);
      } else {
        insert.BindNull(6);
      }
      insert.BindInt(7, f.binary ? 1 : 0);
      BindText(insert, 8, f.file);
      insert.BindInt(9, f.line);
      BindText(insert, 10, f.section);
      insert.BindInt(11, f.section_line);
      insert.BindInt(12, f.index);
      BindText(insert, 13, f.key);
      BindText(insert, 14, f.value);
      BindText(insert, 15, f.target);
      insert.BindStaticText(16, r.fingerprint);
      insert.Step();
      insert.Reset();
    }
    db.Exec("COMMIT");
  } catch (const TarnError&) {
    db.Exec("ROLLBACK");
    throw;
  }
}

}  // namespace tarn
