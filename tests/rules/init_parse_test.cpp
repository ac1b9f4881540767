#include "rules/init_parse.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "datadb/init_data_db.h"
#include "model/entry.h"
#include "model/section.h"
#include "shell/front_end.h"
#include "shell/globals.h"
#include "support/core_fixture.h"
#include "support/rule_db.h"

namespace tarn {
namespace {

using ::testing::ElementsAre;

class InitParseTest : public testing::CoreTest {
 protected:
  void TearDown() override {
    CloseDataDB();
    colRules.reset();
    colParsedFiles.reset();
    testing::CoreTest::TearDown();
  }

  // A value row of entry e of section s at position pos.
  void Row(const std::string& s, const std::string& e, const std::string& pos,
           const std::string& name = "v", const std::string& fixed = "3") {
    rules.AddRow(s, e, "1", fixed, "0", "0", "100", name, "1", "Long", pos, "0");
  }

  // Creates the data database, then loads; returns the error block, or {} when it loaded.
  std::vector<std::string> Load() {
    rules.Install();
    EXPECT_TRUE(InitDataDB(data_dir.Path(), "KV.MDB"));
    std::size_t before = LogLines().size();
    try {
      InitParse();
    } catch (const ProgramEnd&) {
      auto lines = LogLines();
      return std::vector<std::string>(lines.begin() + static_cast<long>(before), lines.end());
    }
    EXPECT_EQ(LogLines().size(), before);
    return {};
  }

  testing::RuleDB rules;
  testing::TempDir data_dir;
};

TEST_F(InitParseTest, BuildsSectionsEntriesAndSlotsInRowOrder) {
  Row("Ship", "nickname", "1", "nick", "1");
  Row("Ship", "pos", "1", "x", "2");
  Row("Ship", "pos", "2", "NULL", "2");
  Row("Base", "file", "1", "path", "1");
  ASSERT_TRUE(Load().empty());
  ASSERT_EQ(colRules->Count(), 2);
  cSection& ship = colRules->Item("SHIP");
  EXPECT_EQ(ship.SectionName(), "Ship");
  EXPECT_EQ(ship.Count(), 2);
  const cSingleEntry& pos = ship.Item("POS").Line(1);
  EXPECT_EQ(pos.FixedValuesNo(), 2);
  EXPECT_EQ(pos.Value(1).ValueName(), "x");
  EXPECT_EQ(pos.Value(2).ValueName(), "");  // a null name gives an unnamed slot
  EXPECT_EQ(ship.Item("pos").EntryDB_ID(), 100);
  EXPECT_EQ(colRules->Item(2).SectionName(), "Base");
  EXPECT_NE(rstSections, nullptr);
  EXPECT_EQ(colParsedFiles->Count(), 0);
}

TEST_F(InitParseTest, EmptyQueryGivesAnEmptyLibraryAndOpenCursors) {
  ASSERT_TRUE(Load().empty());
  EXPECT_EQ(colRules->Count(), 0);
  EXPECT_NE(rstValues, nullptr);
  EXPECT_NE(colParsedFiles, nullptr);
}

TEST_F(InitParseTest, SecondLoadReplacesTheFirst) {
  Row("A", "x", "1");
  ASSERT_TRUE(Load().empty());
  colParsedFiles->Add(std::make_unique<std::string>("f"), "f");
  testing::RuleDB other;
  other.AddRow("B", "y", "1", "1", "0", "0", "7", "v", "1", "Long", "1", "0");
  other.Install();
  testing::TempDir other_data;  // the in-memory file tree cannot delete the first file
  ASSERT_TRUE(InitDataDB(other_data.Path(), "KV.MDB"));
  InitParse();
  EXPECT_EQ(colRules->Count(), 1);
  EXPECT_EQ(colRules->Find("A"), nullptr);
  EXPECT_EQ(colParsedFiles->Count(), 0);
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
    "Error : This key is already associated with an element of this collection",
    "Number: 457", "Source: TARN", "InitParse"};

INSTANTIATE_TEST_SUITE_P(
    Loading, InitParseFailureTest,
    ::testing::Values(
        FailureCase{"SectionInTwoRuns", {{"A", "x", "1"}, {"B", "x", "1"}, {"A", "y", "1"}},
                    kDuplicate},
        FailureCase{"SectionInTwoLetterCases", {{"Ship", "x", "1"}, {"SHIP", "y", "1"}},
                    kDuplicate},
        FailureCase{"EntryInTwoRuns", {{"A", "x", "1"}, {"A", "y", "1"}, {"A", "X", "1"}},
                    kDuplicate},
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

TEST_F(InitParseTest, MissingQueryOrDataDatabaseIsReported) {
  rules.Install();
  gSettings->SettingsDB().Exec("DROP TABLE _bc_ListSections");
  EXPECT_THROW(InitParse(), ProgramEnd);
  EXPECT_THAT(LogLines(), ElementsAre("Error : no such table: _bc_ListSections", "Number: 1",
                                      "Source: SQLite", "InitParse"));
}

TEST_F(InitParseTest, LoadWithoutDataDatabaseFailsWithObjectNotSet) {
  rules.Install();
  EXPECT_THROW(InitParse(), ProgramEnd);
  EXPECT_THAT(LogLines(),
              ElementsAre("Error : Object variable or With block variable not set",
                          "Number: 91", "Source: TARN", "InitParse"));
}

}  // namespace
}  // namespace tarn
