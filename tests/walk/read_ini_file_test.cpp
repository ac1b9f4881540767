#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "analysis/section_checker.h"
#include "datadb/init_data_db.h"
#include "rules/rule_library.h"
#include "shell/front_end.h"
#include "support/core_fixture.h"
#include "support/rule_db.h"
#include "walk/value_query.h"
#include "walk/walk.h"

namespace tarn {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class IniFileTest : public testing::CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    // [Ship]: nickname (text), mass (double), hp (integer, several lines).
    rules_.AddRow("Ship", "nickname", "1", "1", "0", "0", "1", "n", "3", "String", "1", "0");
    rules_.AddRow("Ship", "mass", "2", "1", "0", "0", "2", "m", "2", "Double", "1", "0");
    rules_.AddRow("Ship", "hp", "3", "1", "1", "0", "3", "h", "1", "Long", "1", "0");
    ASSERT_TRUE(InitDataDB(log, files, rules_.Db(), data_.Path(), "KV.MDB", data_db_));
    library_ = InitParse(log, rules_.Db());
    checker_ = std::make_unique<SectionChecker>(log, library_.get(), data_db_.get(), nullptr);
    values_ = std::make_unique<ValueQuery>(rules_.Db(), data_db_.get());
    walk_ = std::make_unique<Walk>(WalkContext{settings, files, log, front_end}, *checker_,
                                   *values_, rules_.Db(), &parsed_);
    files.AddFolder("game");
    files.SetFile(kLogFile, "");
  }

  void ReadINIFile(const std::string& area, const std::string& path,
                   const FileReference& reference) {
    walk_->ReadINIFile(area, path, reference);
  }

  // Reads text as game/x.ini in the area "ships" and returns the log lines after the first.
  std::vector<std::string> Read(const std::string& text) {
    files.SetFile("game/x.ini", text);
    ReadINIFile("ships", "game/x.ini", reference_);
    auto lines = LogLines();
    EXPECT_EQ(lines.at(0), "    Processing game/x.ini");
    return std::vector<std::string>(lines.begin() + 1, lines.end());
  }

  // The stored rows, one text each: sections as "area|section|file|line", entries as
  // "entry|line|values...".
  std::vector<std::string> Rows() {
    data_db_->Commit();
    auto rows = data_db_->Db().Prepare(
        "SELECT s.Area || '|' || s.Section || '|' || s.File || '|' || s.Line, "
        "       e.Entry || '|' || e.Line || '|' || "
        "       ifnull((SELECT group_concat(ifnull(Value, 'NULL'), ',') FROM \"Values\" v "
        "               WHERE v.Link = e.DB_ID), '') "
        "FROM Sections s LEFT JOIN Entries e ON e.Link = s.DB_ID ORDER BY s.DB_ID, e.DB_ID");
    std::vector<std::string> out;
    std::string last_section;
    while (rows.Step()) {
      if (rows.Text(0) != last_section) out.push_back(last_section = rows.Text(0));
      if (!rows.IsNull(1)) out.push_back("  " + rows.Text(1));
    }
    return out;
  }

  FileReference reference_{"game/EXE/kestrovar.ini", 12, "Data", "ships", "ships\\x.ini", 3};
  testing::RuleDB rules_;
  testing::TempDir data_;
  std::unique_ptr<DataDB> data_db_;
  std::unique_ptr<RuleLibrary> library_;
  std::unique_ptr<SectionChecker> checker_;
  std::unique_ptr<ValueQuery> values_;
  ParsedFiles parsed_;
  std::unique_ptr<Walk> walk_;
};

TEST_F(IniFileTest, HeadersBracketsAndLinesBeforeTheFirstHeader) {
  EXPECT_THAT(Read("stray = 1\r\n"
                   "[Ship\r\n"
                   "nickname = a\r\n"
                   "[ Ship ]\r\n"
                   "mass = 1\r\n"
                   "[ship]\r\n"
                   "\r\n"
                   "mass = 2.5\r\n"
                   "[Ship]"),
              ElementsAre("WARN: File game/x.ini line 3", "      Section [[Ship] line 1",
                          "      10301 - Section has no closing bracket ![Ship!!", "",
                          "WARN: File game/x.ini line 5", "      Section [ Ship ] line 1",
                          "      10305 - Unknown Section !mass!1!", ""));
  EXPECT_THAT(Rows(),
              ElementsAre("ships|ship|game/x.ini|2", "  nickname|3|a", "ships|ship|game/x.ini|6",
                          "  mass|7|2.5", "ships|ship|game/x.ini|9"));
}

TEST_F(IniFileTest, FindingsAboutEntriesAreWarningsAndTheRestIsStored) {
  EXPECT_THAT(
      Read("[Ship]\r\n"
           "nickname = a = b\r\n"
           "speed = 3\r\n"
           "=5\r\n"
           "mass = x\r\n"
           "HP = 3000000000\r\n"
           "hp = 1\r\n"
           "nickname = again\r\n"
           "Mass = 0.5\r\n"
           "hp = 2\r\n"),
      ElementsAre("WARN: File game/x.ini line 3", "      Section [Ship] line 2",
                  "      10302 - Unknown Entry !speed!3!", "", "WARN: File game/x.ini line 4",
                  "      Section [Ship] line 3", "      10302 - Unknown Entry !=5!!", "",
                  "WARN: File game/x.ini line 5", "      Section [Ship] line 4",
                  "      10101 - Value Type Mismatch !mass!x!", "", "WARN: File game/x.ini line 6",
                  "      Section [Ship] line 5", "      10104 - Value Overflow !HP!3000000000!", "",
                  "WARN: File game/x.ini line 8", "      Section [Ship] line 7",
                  "      10209 - Entry is Not Multiline !nickname!again!", ""));
  // Rule order, not file order; names as the rules give them, lower-cased.
  EXPECT_THAT(Rows(), ElementsAre("ships|ship|game/x.ini|1", "  nickname|2|a = b", "  mass|9|0.5",
                                  "  hp|7|1", "  hp|10|2"));
}

TEST_F(IniFileTest, SectionOf2048LinesIsReadWholeAndOf2049EndsTheRun) {
  std::string text = "[Ship]\r\n";
  for (int i = 0; i < 2048; ++i) text += "hp = 1\r\n";
  EXPECT_THAT(Read(text), ElementsAre());
  EXPECT_EQ(Rows().size(), 2049u);
  EXPECT_EQ(Rows().back(), "  hp|2049|1");

  files.SetFile(kLogFile, "");
  files.SetFile("game/y.ini", text + "hp = 1\r\n");
  EXPECT_THROW(ReadINIFile("ships", "game/y.ini", reference_), ProgramEnd);
  EXPECT_THAT(LogLines(), ElementsAre("    Processing game/y.ini", "Error : Subscript out of range",
                                      "Number: 9", "Source: TARN", "ReadINIFile"));
}

TEST_F(IniFileTest, MissingFilesAndFilesReadBefore) {
  ReadINIFile("ships", "game/none.ini", reference_);
  ReadINIFile("ships", "GAME/NONE.INI", reference_);
  files.SetFile("game/x.ini", "[Ship]\r\n");
  ReadINIFile("ships", "game/x.ini", reference_);
  ReadINIFile("ships", "Game/X.ini", reference_);
  EXPECT_THAT(
      LogLines(),
      ElementsAre("    Processing game/none.ini", "WARN: File game/EXE/kestrovar.ini line 12",
                  "      Section [Data] line 3",
                  "      10306 - Could not open referred file !ships!ships\\x.ini!", "",
                  "    Processing GAME/NONE.INI", "Already parsed. Skipped.",
                  "    Processing game/x.ini", "    Processing Game/X.ini",
                  "Already parsed. Skipped."));
  EXPECT_EQ(Rows().size(), 1u);
  EXPECT_EQ(front_end.events, 1);  // one section read, one round of events
}

TEST_F(IniFileTest, RunWithoutRulesEndsAtItsFirstFile) {
  walk_ = std::make_unique<Walk>(WalkContext{settings, files, log, front_end}, *checker_, *values_,
                                 rules_.Db(), nullptr);
  files.SetFile("game/x.ini", "[Ship]\r\n");
  EXPECT_THROW(ReadINIFile("ships", "game/x.ini", reference_), ProgramEnd);
  EXPECT_THAT(LogLines(), ElementsAre("    Processing game/x.ini",
                                      "Error : Object variable or With block variable not set",
                                      "Number: 91", "Source: TARN", "ReadINIFile"));
}

}  // namespace
}  // namespace tarn
