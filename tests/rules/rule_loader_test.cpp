// The rule loader and the dump of the rule query, over settings databases of given content.

#include <gtest/gtest.h>

#include "datadb/database.h"
#include "platform/error.h"
#include "rules/dump_rules.h"
#include "rules/rule_library.h"
#include "support/core_fixture.h"
#include "support/memory_file_system.h"
#include "support/settings_db.h"
#include "support/world.h"

namespace tarn {
namespace {

using testing::Rows;

// The rule loader and the dump over a settings database of the given content.
class InitParseTest : public testing::CoreTest {
 protected:
  // Loads the rules (dumps them, when dump is set); the log, which is empty when they loaded.
  std::string Load(const testing::SettingsContent& content, bool dump = false) {
    testing::MakeSettingsDB(dir_.File("TARN.MDB"), content);
    Database db = Database::Open(dir_.File("TARN.MDB"), Database::Mode::kReadWrite);
    files.SetFile(kLogFile, "");
    library_.reset();
    ended_ = 0;
    try {
      if (dump) DumpRules(log, db);
      if (!dump) library_ = InitParse(log, db);
    } catch (const ProgramEnd& end) {
      EXPECT_EQ(library_, nullptr);
      ended_ = end.status;
    }
    return LogText();
  }
  testing::TempDir dir_;
  std::unique_ptr<RuleLibrary> library_;
  int ended_ = 0;  // the status the program ended with; 0 when it went on
};

TEST_F(InitParseTest, BuildsSectionsEntriesAndSlotsInQueryOrder) {
  ASSERT_EQ(Load({.rules = "[Ship]\n"
                           "nickname #2001 mandatory = nick:String\n"
                           "pos #2002 = x:Long, Double, *Boolean\n"
                           "[Base]\n"
                           "file #101 multiline = path:String\n"}),
            "");
  ASSERT_EQ(library_->Count(), 2);
  Section& ship = library_->Item("SHIP");
  EXPECT_EQ(ship.SectionName(), "Ship");
  EXPECT_EQ(ship.Count(), 2);
  EXPECT_TRUE(ship.Item("nickname").IsMandatory());
  const Entry& pos = ship.Item("POS");
  EXPECT_EQ(pos.EntryDB_ID(), 2002);
  EXPECT_FALSE(pos.IsMultiLine() || pos.IsMandatory());
  const EntryLine& line = pos.Line(1);
  EXPECT_EQ(line.FixedValuesNo(), 2);
  EXPECT_TRUE(line.HasVariableValues());
  EXPECT_EQ(line.Value(1).ValueName(), "x");
  EXPECT_EQ(line.Value(2).ValueName(), "");  // a null name gives an unnamed slot
  EXPECT_EQ(line.Value(2).Type(), kDoubleType);
  EXPECT_TRUE(line.Value(3).IsMulti());
  EXPECT_EQ(library_->Item(2).SectionName(), "Base");
  EXPECT_TRUE(library_->Item("base").Item("FILE").IsMultiLine());
  ASSERT_EQ(Load({}), "");
  EXPECT_EQ(library_->Count(), 0);
}

// A value row of entry e of section s (three fixed values) at position pos.
std::string Row(const std::string& s, const std::string& e, const std::string& pos) {
  return s + "|" + e + "|1|3|0|0|0|100|v|1|Long|" + pos + "|0";
}

std::string Block(const std::string& error, const std::string& number,
                  const std::string& source = "TARN") {
  return "Error : " + error + "\nNumber: " + number + "\nSource: " + source + "\nInitParse\n";
}

// The query's values are read as the platform would: numbers from text, halves to even.
TEST_F(InitParseTest, QueryThatTheLoaderRefusesIsReportedAndEndsTheProgram) {
  const std::string duplicate =
      Block("This key is already associated with an element of this collection", "457");
  const struct {
    Rows rows;
    std::string log;
  } cases[] = {
      {{Row("A", "x", "1"), Row("B", "x", "1"), Row("A", "y", "1")}, duplicate},
      {{Row("Ship", "x", "1"), Row("SHIP", "y", "1")}, duplicate},
      {{Row("A", "x", "1"), Row("A", "y", "1"), Row("A", "X", "1")}, duplicate},
      {{Row("A", "x", "1"), Row("A", "x", "3")},
       Block("10204 - Value Position Mismatch", "10204", "TARN.Entry")},
      {{Row("A", "x", "1"), Row("A", "x", "2"), Row("A", "x", "3"), Row("A", "x", "4")},
       Block("10205 - Too Many Values", "10205", "TARN.Entry")},
      {{Row("A", "x", "1.5")}, Block("10204 - Value Position Mismatch", "10204", "TARN.Entry")},
      {{Row("A", "x", "null")}, Block("Invalid use of Null", "94")},
      {{Row("A", "x", "40000")}, Block("Overflow", "6")},
      {{Row("A", "x", "1e10")}, Block("Overflow", "6")},
      {{Row("A", "x", "40000.5")}, Block("Overflow", "6")},
      {{Row("A", "x", "one")}, Block("Type mismatch", "13")},
      {{"A|x|1|3|maybe|0|0|100|v|1|Long|1|0"}, Block("Type mismatch", "13")},
      {{"A|x|1|3|0|0|0|3000000000|v|1|Long|1|0"}, Block("Overflow", "6")},
      {{Row("A", "x", "1"), Row("A", "x", "2.5"), "A|x|1|3|0|0|0|100|v|1|Long|3|TRUE"},
       Block("10211 - Entry does not accept Multi Value", "10211", "TARN.Entry")},
      {{Row("A", "x", "0.5")}, Block("10204 - Value Position Mismatch", "10204", "TARN.Entry")},
      {{"A|x|1|3|true|False|0|100|v|1|Long|1.4|0"}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Load({.query_rows = c.rows}), c.log) << c.rows[0];
  EXPECT_TRUE(library_->Item("A").Item("x").IsMultiLine());
  EXPECT_EQ(Load({.sql = "DROP VIEW _bc_ListSections"}),
            Block("no such table: _bc_ListSections", "1", "SQLite"));
  // Columns are found by name, letter case aside.
  EXPECT_EQ(
      Load({.sql = "DROP VIEW _bc_ListSections; CREATE TABLE _bc_ListSections "
                   "(SECTIONNAME, entryname); INSERT INTO _bc_ListSections VALUES ('S', 'e')"}),
      Block("Item not found in this collection: FixedArgsNo", "3265", "SQLite"));
}

// Rows are grouped as they come, and nothing is checked: a section in two runs, positions out
// of order and odd values show as the query gives them.
TEST_F(InitParseTest, DumpShowsTheQueryAsItComes) {
  EXPECT_EQ(Load({.query_rows = Rows{"Ship|nickname|1|1|0|0|0|2001|nick|3|String|1|0",
                                     "Ship|shape|7|3|0|true|0|2002|b|2|Double|2|0",
                                     "Ship|shape|7|3|0|true|0|2002|a|1|Long|1|0",
                                     "Ship|shape|7|3|0|true|0|2002|null|3|String|4|-1",
                                     "Base|file|2.5|1|1|null|0|101|path|3|null|null|maybe",
                                     "Ship|hp|3.0|1|yes|0|0|2003|h|1|Long|1|0",
                                     "Ship|null|1|1|0|0|0|1|p|1|Long|1|0"}},
                 true),
            "Section: Ship\n"
            "    Entry: nickname, IDX: 1, SINGLELine, NOVarArgs, FixedArgs: 1\n"
            "        Value: nick, IDX: 1, FIXEDArg, String\n"
            "    Entry: shape, IDX: 7, SINGLELine, VARArgs, FixedArgs: 3\n"
            "        Value: b, IDX: 2, FIXEDArg, Double\n"
            "        Value: a, IDX: 1, FIXEDArg, Long\n"
            "        Value: < >, IDX: 4, VARArg, String\n"
            "Section: Base\n"
            "    Entry: file, IDX: 2.5, MULTILine, NOVarArgs, FixedArgs: 1\n"
            "        Value: path, IDX: , FIXEDArg, \n"
            "Section: Ship\n"
            "    Entry: hp, IDX: 3, SINGLELine, NOVarArgs, FixedArgs: 1\n"
            "        Value: h, IDX: 1, FIXEDArg, Long\n"
            "Error : Invalid use of Null\nNumber: 94\nSource: TARN\nDumpRules\n");
  EXPECT_EQ(ended_, kFatalStatus);
  // A rule query the dump cannot read ends the program as well.
  EXPECT_EQ(Load({.sql = "DROP VIEW _bc_ListSections"}, true),
            "Error : no such table: _bc_ListSections\nNumber: 1\nSource: SQLite\nDumpRules\n");
  EXPECT_EQ(ended_, kFatalStatus);
}

}  // namespace
}  // namespace tarn
