#include "rules/dump_rules.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "shell/front_end.h"
#include "support/core_fixture.h"
#include "support/rule_db.h"

namespace tarn {
namespace {

using ::testing::ElementsAre;

class DumpRulesTest : public testing::CoreTest {
 protected:
  testing::RuleDB rules;
};

TEST_F(DumpRulesTest, OutlineOfASmallRuleSet) {
  rules.AddRow("Ship", "nickname", "1", "1", "0", "0", "2001", "nick", "3", "String", "1", "0");
  rules.AddRow("Ship", "shape", "7", "3", "0", "1", "2002", "a", "1", "Long", "1", "0");
  rules.AddRow("Ship", "shape", "7", "3", "0", "1", "2002", "b", "2", "Double", "2", "0");
  rules.AddRow("Ship", "shape", "7", "3", "0", "1", "2002", "c", "4", "Boolean", "3", "0");
  rules.AddRow("Ship", "shape", "7", "3", "0", "1", "2002", "NULL", "3", "String", "4", "-1");
  rules.AddRow("Base", "file", "2", "1", "1", "NULL", "101", "path", "3", "NULL", "NULL", "NULL");
  DumpRules(log, rules.Db());
  EXPECT_THAT(LogLines(),
              ElementsAre("Section: Ship",
                          "    Entry: nickname, IDX: 1, SINGLELine, NOVarArgs, FixedArgs: 1",
                          "        Value: nick, IDX: 1, FIXEDArg, String",
                          "    Entry: shape, IDX: 7, SINGLELine, VARArgs, FixedArgs: 3",
                          "        Value: a, IDX: 1, FIXEDArg, Long",
                          "        Value: b, IDX: 2, FIXEDArg, Double",
                          "        Value: c, IDX: 3, FIXEDArg, Boolean",
                          "        Value: < >, IDX: 4, VARArg, String", "Section: Base",
                          "    Entry: file, IDX: 2, MULTILine, NOVarArgs, FixedArgs: 1",
                          "        Value: path, IDX: , FIXEDArg, "));
}

TEST_F(DumpRulesTest, SectionInTwoRunsAndPositionsOutOfOrderArePrintedAsGiven) {
  rules.AddRow("A", "x", "1", "2", "0", "0", "1", "p", "1", "Long", "2", "0");
  rules.AddRow("A", "x", "1", "2", "0", "0", "1", "q", "1", "Long", "1", "0");
  rules.AddRow("B", "y", "1", "1", "0", "0", "2", "r", "1", "Long", "1", "0");
  rules.AddRow("A", "z", "2", "1", "0", "0", "3", "s", "1", "Long", "1", "0");
  DumpRules(log, rules.Db());
  EXPECT_THAT(LogLines(),
              ElementsAre("Section: A", "    Entry: x, IDX: 1, SINGLELine, NOVarArgs, FixedArgs: 2",
                          "        Value: p, IDX: 2, FIXEDArg, Long",
                          "        Value: q, IDX: 1, FIXEDArg, Long", "Section: B",
                          "    Entry: y, IDX: 1, SINGLELine, NOVarArgs, FixedArgs: 1",
                          "        Value: r, IDX: 1, FIXEDArg, Long", "Section: A",
                          "    Entry: z, IDX: 2, SINGLELine, NOVarArgs, FixedArgs: 1",
                          "        Value: s, IDX: 1, FIXEDArg, Long"));
}

TEST_F(DumpRulesTest, EmptyRuleSetWritesNothing) {
  DumpRules(log, rules.Db());
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(DumpRulesTest, NullNameIsReportedAndEndsTheProgram) {
  rules.AddRow("A", "x", "1", "1", "0", "0", "1", "p", "1", "Long", "1", "0");
  rules.AddRow("A", "NULL", "1", "1", "0", "0", "1", "p", "1", "Long", "1", "0");
  EXPECT_THROW(DumpRules(log, rules.Db()), ProgramEnd);
  EXPECT_THAT(LogLines(),
              ElementsAre("Section: A", "    Entry: x, IDX: 1, SINGLELine, NOVarArgs, FixedArgs: 1",
                          "        Value: p, IDX: 1, FIXEDArg, Long", "Error : Invalid use of Null",
                          "Number: 94", "Source: TARN", "DumpRules"));
}

}  // namespace
}  // namespace tarn
