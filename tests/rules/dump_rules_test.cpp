#include "rules/dump_rules.h"

#include <gtest/gtest.h>

#include "datadb/database.h"
#include "support/core_fixture.h"
#include "support/settings_db.h"
#include "support/world.h"

namespace tarn {
namespace {

class DumpRulesTest : public testing::CoreTest {
 protected:
  // Dumps a query of these rows; false when the dump ended the program.
  bool Dump(const testing::Rows& rows) {
    testing::MakeSettingsDB(dir_.File("TARN.MDB"), {.query_rows = rows});
    Database db = Database::Open(dir_.File("TARN.MDB"), Database::Mode::kReadWrite);
    try {
      DumpRules(log, db);
    } catch (const ProgramEnd&) {
      return false;
    }
    return true;
  }
  testing::TempDir dir_;
};

// Rows are grouped as they come, and nothing is checked: a section in two runs, positions out
// of order and odd values show as the query gives them.
TEST_F(DumpRulesTest, OutlineOfTheQueryAsItComes) {
  ASSERT_TRUE(Dump({"Ship|nickname|1|1|0|0|0|2001|nick|3|String|1|0",
                    "Ship|shape|7|3|0|true|0|2002|b|2|Double|2|0",
                    "Ship|shape|7|3|0|true|0|2002|a|1|Long|1|0",
                    "Ship|shape|7|3|0|true|0|2002|null|3|String|4|-1",
                    "Base|file|2.5|1|1|null|0|101|path|3|null|null|maybe",
                    "Ship|hp|3.0|1|yes|0|0|2003|h|1|Long|1|0"}));
  EXPECT_EQ(LogText(),
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
            "        Value: h, IDX: 1, FIXEDArg, Long\n");
}

TEST_F(DumpRulesTest, NullNameIsReportedAndEndsTheProgram) {
  EXPECT_FALSE(Dump({"A|x|1|1|0|0|0|1|p|1|Long|1|0", "A|null|1|1|0|0|0|1|p|1|Long|1|0"}));
  EXPECT_EQ(LogText(),
            "Section: A\n"
            "    Entry: x, IDX: 1, SINGLELine, NOVarArgs, FixedArgs: 1\n"
            "        Value: p, IDX: 1, FIXEDArg, Long\n"
            "Error : Invalid use of Null\nNumber: 94\nSource: TARN\nDumpRules\n");
}

}  // namespace
}  // namespace tarn
