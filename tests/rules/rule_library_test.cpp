#include "rules/rule_library.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/entry.h"
#include "model/section.h"
#include "shell/front_end.h"
#include "support/core_fixture.h"
#include "support/rule_db.h"

namespace tarn {
namespace {

using ::testing::ElementsAre;

class InitParseTest : public testing::CoreTest {
 protected:
  // A value row of entry e of section s at position pos.
  void Row(const std::string& s, const std::string& e, const std::string& pos,
           const std::string& name = "v", const std::string& fixed = "3") {
    rules.AddRow(s, e, "1", fixed, "0", "0", "100", name, "1", "Long", pos, "0");
  }

  // Loads the rules; returns the error block, or {} when they loaded.
  std::vector<std::string> Load() {
    try {
      library = InitParse(log, rules.Db());
    } catch (const ProgramEnd&) {
      return LogLines();
    }
    EXPECT_TRUE(LogLines().empty());
    return {};
  }

  testing::RuleDB rules;
  std::unique_ptr<RuleLibrary> library;
};

TEST_F(InitParseTest, BuildsSectionsEntriesAndSlotsInRowOrder) {
  Row("Ship", "nickname", "1", "nick", "1");
  Row("Ship", "pos", "1", "x", "2");
  Row("Ship", "pos", "2", "NULL", "2");
  Row("Base", "file", "1", "path", "1");
  ASSERT_TRUE(Load().empty());
  ASSERT_EQ(library->Count(), 2);
  Section& ship = library->Item("SHIP");
  EXPECT_EQ(ship.SectionName(), "Ship");
  EXPECT_EQ(ship.Count(), 2);
  const EntryLine& pos = ship.Item("POS").Line(1);
  EXPECT_EQ(pos.FixedValuesNo(), 2);
  EXPECT_EQ(pos.Value(1).ValueName(), "x");
  EXPECT_EQ(pos.Value(2).ValueName(), "");  // a null name gives an unnamed slot
  EXPECT_EQ(ship.Item("pos").EntryDB_ID(), 100);
  EXPECT_EQ(library->Item(2).SectionName(), "Base");
}

TEST_F(InitParseTest, EmptyQueryGivesAnEmptyLibrary) {
  ASSERT_TRUE(Load().empty());
  EXPECT_EQ(library->Count(), 0);
}

struct FailureCase {
  const char* name;
  std::vector<std::array<const char*, 3>> rows;  // section, entry, position
  std::vector<std::string> block;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class InitParseFailureTest : public InitParseTest,
                             public ::testing::WithParamInterface<FailureCase> {};

const std::vector<std::string> kDuplicate = {
    "Error : This key is already associated with an element of this collection", "Number: 457",
    "Source: TARN", "InitParse"};

INSTANTIATE_TEST_SUITE_P(
    Loading, InitParseFailureTest,
    ::testing::Values(
        FailureCase{
            "SectionInTwoRuns", {{"A", "x", "1"}, {"B", "x", "1"}, {"A", "y", "1"}}, kDuplicate},
        FailureCase{
            "SectionInTwoLetterCases", {{"Ship", "x", "1"}, {"SHIP", "y", "1"}}, kDuplicate},
        FailureCase{
            "EntryInTwoRuns", {{"A", "x", "1"}, {"A", "y", "1"}, {"A", "X", "1"}}, kDuplicate},
        FailureCase{"PositionsOutOfTurn",
                    {{"A", "x", "1"}, {"A", "x", "3"}, {"A", "x", "2"}},
                    {"Error : 10204 - Value Position Mismatch", "Number: 10204",
                     "Source: TARN.Entry", "InitParse"}},
        FailureCase{"MoreValuesThanFixed",
                    {{"A", "x", "1"}, {"A", "x", "2"}, {"A", "x", "3"}, {"A", "x", "4"}},
                    {"Error : 10205 - Too Many Values", "Number: 10205", "Source: TARN.Entry",
                     "InitParse"}},
        FailureCase{"NullPosition",
                    {{"A", "x", "NULL"}},
                    {"Error : Invalid use of Null", "Number: 94", "Source: TARN", "InitParse"}},
        FailureCase{"PositionTooLarge",
                    {{"A", "x", "40000"}},
                    {"Error : Overflow", "Number: 6", "Source: TARN", "InitParse"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(InitParseFailureTest, IsReportedUnderInitParseAndEndsTheProgram) {
  for (const auto& row : GetParam().rows) Row(row[0], row[1], row[2]);
  EXPECT_EQ(Load(), GetParam().block);
}

TEST_F(InitParseTest, MissingQueryIsReported) {
  rules.Db().Exec("DROP TABLE _bc_ListSections");
  EXPECT_THAT(Load(), ElementsAre("Error : no such table: _bc_ListSections", "Number: 1",
                                  "Source: SQLite", "InitParse"));
}

}  // namespace
}  // namespace tarn
