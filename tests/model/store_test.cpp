// Storing sections and entries into a data database of the data tables' layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datadb/data_db.h"
#include "datadb/database.h"
#include "model/error_of.h"
#include "model/section.h"
#include "support/temp_dir.h"

namespace tarn {
namespace {

using testing::ErrorOf;
using Rows = std::vector<std::string>;

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto db = Database::Open(dir_.File("KV.MDB"), Database::Mode::kCreate);
    db.Exec(
        "CREATE TABLE Sections (DB_ID INTEGER PRIMARY KEY, Area TEXT NOT NULL CHECK (Area <> "
        "''), Section TEXT NOT NULL CHECK (Section <> ''), File TEXT NOT NULL CHECK (File <> "
        "''), Line INTEGER);"
        "CREATE TABLE Entries (DB_ID INTEGER PRIMARY KEY, Entry TEXT NOT NULL CHECK (Entry <> "
        "''), EntryID INTEGER NOT NULL, Link INTEGER NOT NULL, Line INTEGER);"
        "CREATE TABLE \"Values\" (DB_ID INTEGER PRIMARY KEY, Link INTEGER NOT NULL, Value "
        "TEXT);");
    data_ = std::make_unique<DataDB>(std::move(db));
    ship_.SetSectionName("Ship");
    Entry& speed = ship_.Add("MaxSpeed", 2, false, true, false, 101, "MAXSPEED");
    speed.AddValue("min", kLongType, 1, false);
    speed.AddValue("max", kDoubleType, 2, false);
    speed.AddValue("notes", kStringType, 3, true);
    ship_.Add("cargo", 1, true, false, false, 102, "CARGO").AddValue("", kBooleanType, 1, false);
    ship_.SetArea("Equipment");
    ship_.SetFile("D:\\Game\\DATA\\Ships.INI");
    ship_.SetLineNo(40);
  }

  // The rows of a query, columns joined by "|", NULL as "null"; rows held back are written
  // first.
  Rows Query(const std::string& sql) {
    data_->Commit();
    Statement rows = data_->Db().Prepare(sql);
    Rows out;
    while (rows.Step()) {
      std::string row;
      for (int column = 0; column < rows.ColumnCount(); ++column) {
        if (column > 0) row += '|';
        row += rows.IsNull(column) ? "null" : rows.Text(column);
      }
      out.push_back(row);
    }
    return out;
  }

  Rows Values() { return Query("SELECT Link, Value FROM \"Values\" ORDER BY DB_ID"); }

  testing::TempDir dir_;
  std::unique_ptr<DataDB> data_;
  Section ship_;
};

TEST_F(StoreTest, SectionRowThenEntriesInRuleOrderWithTheirValues) {
  // Above the speed line in the file, but stored after it, as the rules order the entries.
  ship_.Item("CARGO").SetValues("cargo", "TRUE", 41);
  ship_.Item("CARGO").SetValues("Cargo", "0", 42);
  // A refused first line leaves the next as the key's only line; a third one is refused.
  Entry& speed = ship_.Item("MAXSPEED");
  EXPECT_EQ(ErrorOf([&] { speed.SetValues("maxspeed", "x, 1", 43); }), kErrValueTypeMismatch);
  speed.SetValues("MAXSPEED", "12, 0.5, fast, sure", 44);
  EXPECT_EQ(ErrorOf([&] { speed.SetValues("maxspeed", "1, 2", 45); }), kErrEntryNotMultiline);
  ship_.Store(*data_);
  EXPECT_EQ(Query("SELECT * FROM Sections"),
            (Rows{"1|equipment|ship|D:\\Game\\DATA\\Ships.INI|40"}));
  EXPECT_EQ(Query("SELECT * FROM Entries"),
            (Rows{"1|maxspeed|101|1|44", "2|cargo|102|1|41", "3|cargo|102|1|42"}));
  EXPECT_EQ(Values(), (Rows{"1|12", "1|0.5", "1|fast", "1|sure", "2|True", "3|False"}));
}

TEST_F(StoreTest, EachSectionOfANameGetsItsOwnRowAndLinks) {
  ship_.Store(*data_);  // no lines: a Sections row all the same
  for (std::int32_t line : {50, 60}) {
    ship_.Clear();
    ship_.Item("CARGO").SetValues("cargo", line == 50 ? "1" : "0", line + 1);
    ship_.SetLineNo(line);
    ship_.Store(*data_);
  }
  EXPECT_EQ(Query("SELECT DB_ID, Line FROM Sections"), (Rows{"1|40", "2|50", "3|60"}));
  EXPECT_EQ(Query("SELECT Link, Line FROM Entries"), (Rows{"2|51", "3|61"}));
  EXPECT_EQ(Values(), (Rows{"1|True", "2|False"}));
}

TEST_F(StoreTest, RefusedRowEndsStoreAndEarlierRowsStay) {
  ship_.Item("CARGO").SetValues("cargo", "1", 41);
  ship_.Store(*data_);
  ship_.SetArea("");
  try {
    ship_.Store(*data_);
    FAIL();
  } catch (const TarnError& error) {
    EXPECT_EQ(error.Source(), kDatabaseSource);
  }
  EXPECT_EQ(Query("SELECT DB_ID FROM Sections"), (Rows{"1"}));
  EXPECT_EQ(Query("SELECT Link FROM Entries"), (Rows{"1"}));
}

// Nothing read from a file can fill a type 5 position, so its Null reaches Store only through
// a line put in place of the rule.
TEST_F(StoreTest, NullPositionIsStoredAsNull) {
  Entry& cargo = ship_.Item("CARGO");
  cargo.SetValues("cargo", "1", 41);
  auto line = std::make_unique<EntryLine>();
  line->Init("Ship", "Cargo", 2, false);
  line->AddValue("", kStringType, 1, false);
  line->AddValue("", kNullType, 2, false);
  cargo.InitEntry(std::move(line));
  cargo.Store(*data_, 9);
  EXPECT_EQ(Query("SELECT * FROM Entries"), (Rows{"1|cargo|102|9|0"}));
  EXPECT_EQ(Values(), (Rows{"1|", "1|null"}));
}

}  // namespace
}  // namespace tarn
