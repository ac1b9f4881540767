#include "datadb/database.h"

#include <gtest/gtest.h>

#include "shell/error.h"
#include "support/temp_dir.h"

namespace tarn {
namespace {

using testing::TempDir;

TEST(DatabaseTest, ColumnsByNameIncludingDottedNames) {
  TempDir dir;
  auto db = Database::Open(dir.File("t.db"), Database::Mode::kCreate);
  db.Exec("CREATE TABLE t (a INTEGER, b TEXT); INSERT INTO t VALUES (7, NULL);");
  auto rows = db.Prepare("SELECT a AS \"_bc_values.IDX\", b AS ValueName FROM t");
  ASSERT_TRUE(rows.Step());
  EXPECT_EQ(rows.Int(rows.ColumnIndex("_bc_values.IDX")), 7);
  EXPECT_TRUE(rows.IsNull(rows.ColumnIndex("valuename")));
  try {
    rows.ColumnIndex("Missing");
    FAIL();
  } catch (const TarnError& e) {
    EXPECT_EQ(e.Number(), kErrItemNotFound);
  }
  EXPECT_FALSE(rows.Step());
}

TEST(DatabaseTest, FailuresRaiseWithSQLiteDetails) {
  TempDir dir;
  try {
    Database::Open(dir.File("none/t.db"), Database::Mode::kCreate);
    FAIL();
  } catch (const TarnError& e) {
    EXPECT_EQ(e.Source(), "SQLite");
    EXPECT_EQ(e.Number(), 14);  // cannot open
  }
  auto db = Database::Open(dir.File("t.db"), Database::Mode::kCreate);
  try {
    db.Exec("SELECT * FROM absent");
    FAIL();
  } catch (const TarnError& e) {
    EXPECT_EQ(e.Description(), "no such table: absent");
  }
  Database closed;
  EXPECT_THROW(closed.Exec("SELECT 1"), TarnError);
}

}  // namespace
}  // namespace tarn
