// Reading one file: each section is read, checked against its rule and stored.
#include <gtest/gtest.h>

#include "analysis/section_checker.h"
#include "datadb/init_data_db.h"
#include "support/core_fixture.h"
#include "support/rows.h"
#include "support/settings_db.h"
#include "support/world.h"
#include "walk/value_query.h"
#include "walk/walk.h"

namespace tarn {
namespace {

using testing::Rows;
using testing::RowsOf;

class ReadINIFileTest : public testing::CoreTest {
 protected:
  void SetUp() override {
    testing::MakeSettingsDB(home_.File("TARN.MDB"),
                            {.rules = "[Ship]\n"
                                      "nickname #1 = n:String\n"
                                      "mass #2 = m:Double\n"
                                      "hp #3 multiline = h:Long, *String\n"});
    settings_db_ = Database::Open(home_.File("TARN.MDB"), Database::Mode::kReadWrite);
    ASSERT_TRUE(InitDataDB(log, files, settings_db_, home_.Path(), "KV.MDB", data_));
    library_ = InitParse(log, settings_db_);
    files.AddFolder("game");
    files.SetFile(kLogFile, "");
  }
  void ReadINIFile(const std::string& path, ParsedFiles* parsed) {
    SectionChecker checker(log, library_.get(), data_.get(), nullptr);
    ValueQuery values(settings_db_, data_.get());
    Walk(WalkContext{settings, files, log, front_end}, checker, values, settings_db_, parsed)
        .ReadINIFile("ships", path, reference_);
  }
  // Reads text as game/x.ini; the log after its "Processing" line.
  std::string Read(const std::string& text) {
    files.SetFile("game/x.ini", testing::ToCrLf(text));
    ParsedFiles parsed;
    ReadINIFile("game/x.ini", &parsed);
    const std::string read = LogText();
    EXPECT_TRUE(read.starts_with("    Processing game/x.ini\n")) << read;
    return read.substr(read.find('\n') + 1);
  }
  // The stored rows: section line, then each entry with its line and values.
  Rows Stored() {
    data_->Commit();
    EXPECT_EQ(RowsOf(data_->Db(), "SELECT DISTINCT Area, Section, File FROM Sections"),
              Rows{"ships|ship|game/x.ini"});
    return RowsOf(data_->Db(),
                  "SELECT s.Line, e.Entry, e.Line, (SELECT group_concat(Value) FROM \"Values\" v "
                  "WHERE v.Link = e.DB_ID) FROM Sections s LEFT JOIN Entries e ON e.Link = s.DB_ID "
                  "ORDER BY s.DB_ID, e.DB_ID");
  }

  testing::TempDir home_;
  Database settings_db_;
  std::unique_ptr<DataDB> data_;
  std::unique_ptr<RuleLibrary> library_;
  FileReference reference_{"game/EXE/kestrovar.ini", 12, "Data", "ships", "ships\\x.ini", 3};
};

TEST_F(ReadINIFileTest, HeadersBracketsAndLinesBeforeTheFirstHeader) {
  EXPECT_EQ(
      Read("stray = 1\n[Ship\nnickname = a\n[ Ship ]\nmass = 1\n[ship]\n\nmass = 2.5\n[Ship]"),
      "WARN: File game/x.ini line 3\n      Section [[Ship] line 1\n"
      "      10301 - Section has no closing bracket ![Ship!!\n\n"
      "WARN: File game/x.ini line 5\n      Section [ Ship ] line 1\n"
      "      10305 - Unknown Section !mass!1!\n\n");
  EXPECT_EQ(Stored(), (Rows{"2|nickname|3|a", "6|mass|7|2.5", "9|null|null|null"}));
  EXPECT_EQ(front_end.events, 4);  // once per section read
}

// Rule order, not file order; names as the rules give them, lower-cased.
TEST_F(ReadINIFileTest, FindingsAboutEntriesAreWarningsAndTheRestIsStored) {
  EXPECT_EQ(Read("[Ship]\nnickname = a = b\nspeed = 3\n=5\nmass = x\nHP = 3000000000\nhp = 1\n"
                 "nickname = again\nMass = 0.5\nhp = 2, x, , y\nhp\n"),
            "WARN: File game/x.ini line 3\n      Section [Ship] line 2\n"
            "      10302 - Unknown Entry !speed!3!\n\n"
            "WARN: File game/x.ini line 4\n      Section [Ship] line 3\n"
            "      10302 - Unknown Entry !=5!!\n\n"
            "WARN: File game/x.ini line 5\n      Section [Ship] line 4\n"
            "      10101 - Value Type Mismatch !mass!x!\n\n"
            "WARN: File game/x.ini line 6\n      Section [Ship] line 5\n"
            "      10104 - Value Overflow !HP!3000000000!\n\n"
            "WARN: File game/x.ini line 8\n      Section [Ship] line 7\n"
            "      10209 - Entry is Not Multiline !nickname!again!\n\n"
            "WARN: File game/x.ini line 11\n      Section [Ship] line 10\n"
            "      10212 - Too Few Values !hp!!\n\n");
  EXPECT_EQ(Stored(), (Rows{"1|nickname|2|a = b", "1|mass|9|0.5", "1|hp|7|1", "1|hp|10|2,x,,y"}));
}

TEST_F(ReadINIFileTest, SectionOf2048LinesIsReadWholeAndOf2049EndsTheRun) {
  std::string text = "[Ship]\n";
  for (int i = 0; i < 2048; ++i) text += "hp = " + std::to_string(i) + "\n";
  EXPECT_EQ(Read(text + "[Ship]\nmass = 1\n"), "");
  const Rows rows = Stored();
  EXPECT_EQ(rows.size(), 2049u);
  EXPECT_EQ(rows[2047], "1|hp|2049|2047");
  EXPECT_EQ(rows.back(), "2050|mass|2051|1");

  files.SetFile(kLogFile, "");
  files.SetFile("game/y.ini", testing::ToCrLf(text + "hp = 1\n"));
  ParsedFiles parsed;
  EXPECT_THROW(ReadINIFile("game/y.ini", &parsed), ProgramEnd);
  EXPECT_EQ(LogText(),
            "    Processing game/y.ini\nError : Subscript out of range\nNumber: 9\n"
            "Source: TARN\nReadINIFile\n");
}

// A missing file is warned about at the place that named it; a path read before, letter case
// aside, is not read again.
TEST_F(ReadINIFileTest, MissingFilesAndFilesReadBefore) {
  files.SetFile("game/x.ini", "[Ship]\r\n");
  ParsedFiles parsed;
  for (const char* path :
       {"game/none.ini", "GAME/NONE.INI", "nowhere/x.ini", "game/x.ini", "Game/X.ini"}) {
    ReadINIFile(path, &parsed);
  }
  const std::string warning =
      "WARN: File game/EXE/kestrovar.ini line 12\n      Section [Data] line 3\n"
      "      10306 - Could not open referred file !ships!ships\\x.ini!\n\n";
  EXPECT_EQ(LogText(), "    Processing game/none.ini\n" + warning +
                           "    Processing GAME/NONE.INI\nAlready parsed. Skipped.\n"
                           "    Processing nowhere/x.ini\n" +
                           warning +
                           "    Processing game/x.ini\n    Processing Game/X.ini\n"
                           "Already parsed. Skipped.\n");
  EXPECT_EQ(parsed.Count(), 3);
  EXPECT_EQ(front_end.events, 1);
}

}  // namespace
}  // namespace tarn
