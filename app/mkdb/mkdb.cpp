// tarn-mkdb OUT [--rules DIR] SQL...: builds a settings database on a new file: its tables
// (datadb/schema.h), the rows of the SQL files and the rule sources in DIR, and writes it whole
// to OUT only when everything succeeded, so a broken source never leaves a half-built TARN.MDB
// beside the programs.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "datadb/database.h"
#include "datadb/schema.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "rules/rule_check.h"
#include "rules/rule_folder.h"
#include "rules/rule_tables.h"
#include "rules/rule_text.h"

// The rows of a settings database are a few megabytes of SQL at most; more is no source of it.
constexpr std::int64_t kMaxSqlBytes = std::int64_t{256} << 20;
constexpr std::int64_t kMaxDatabaseBytes = std::int64_t{1} << 30;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: tarn-mkdb OUT.MDB [--rules DIR] FILE.sql...\n");
    return 2;
  }
  const std::string out = argv[1];
  std::string rule_folder;
  std::vector<std::string> sql_files;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rules") == 0 && i + 1 < argc) {
      rule_folder = argv[++i];
    } else {
      sql_files.emplace_back(argv[i]);
    }
  }
  const std::string temp = out + ".tmp";
  tarn::RealFileSystem files;
  try {
    files.RemoveFile(temp);
  } catch (const tarn::TarnError&) {
    // None was left by an earlier build.
  }
  try {
    tarn::RuleSet rules;
    if (!rule_folder.empty()) {
      rules = tarn::ReadRuleFolder(files, rule_folder);
      tarn::CheckRuleSet(rules);
    }
    auto db = tarn::Database::Open(temp, tarn::Database::Mode::kCreate);
    db.Exec(tarn::schema::kSettingsTables);
    for (const std::string& file : sql_files) {
      std::string sql;
      try {
        sql = files.ReadWholeInput(file, kMaxSqlBytes);
      } catch (const tarn::TarnError& error) {
        std::fprintf(stderr, "tarn-mkdb: cannot read %s (%s)\n", file.c_str(),
                     error.Description().c_str());
        return 1;
      }
      try {
        db.Exec(sql);
      } catch (const tarn::TarnError& error) {
        std::fprintf(stderr, "tarn-mkdb: %s: %s\n", file.c_str(), error.what());
        return 1;
      }
    }
    if (!rule_folder.empty()) tarn::WriteRuleTables(db, rules);
    db.Close();
  } catch (const tarn::RuleSourceError& error) {
    std::fprintf(stderr, "tarn-mkdb: %s\n", error.In(rule_folder).c_str());
    return 1;
  } catch (const tarn::TarnError& error) {
    std::fprintf(stderr, "tarn-mkdb: %s\n", error.what());
    return 1;
  }
  // The database is built beside OUT by SQLite, then put in place whole, so that OUT is
  // either the old database or the new one, never a part of it.
  try {
    files.WriteWholeFile(out, files.ReadWholeInput(temp, kMaxDatabaseBytes));
    files.RemoveFile(temp);
  } catch (const tarn::TarnError& error) {
    std::fprintf(stderr, "tarn-mkdb: %s: %s\n", out.c_str(), error.what());
    return 1;
  }
  return 0;
}
