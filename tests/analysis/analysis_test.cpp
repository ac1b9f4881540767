#include "analysis/analysis.h"

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "shell/file_system.h"
#include "support/core_fixture.h"
#include "support/rows.h"
#include "support/settings_db.h"
#include "support/world.h"

namespace tarn {
namespace {

using testing::Rows;

// Commands over a game folder that is not there, without "Init DB": "All" ends when it first
// needs the data tables.
class AnalysisTest : public testing::CoreTest {
 protected:
  void SetUp() override {
    testing::MakeSettingsDB(
        dir_.File("TARN.MDB"),
        {.kv_path = "/games/kv", .log_path = "logs", .rules = "[S]\nk #1 = Long\n"});
    stored_.SetSettingsDBName(dir_.File("TARN.MDB"));
  }
  testing::TempDir dir_;
  Settings stored_{front_end};
  Analysis analysis_{stored_, front_end, files, "home"};
};

TEST_F(AnalysisTest, OverwriteStartsAFreshLogWithTheBannerElseTheCommandAppends) {
  const std::string banner = "TARN v 0.9.7 Log File\n \nKV Path /games/kv\nLog Path logs\n \n";
  const std::string all =
      "Processing /games/kv/EXE/kestrovar.ini\nError : Path not found\nNumber: 76\n"
      "Source: TARN\nUnable to open /games/kv/EXE/kestrovar.ini\n"
      "Done Processing /games/kv/EXE/kestrovar.ini\n\n\nReading files for other INIs\n"
      "Done Reading files for other INIs\n\n\nReading files for value ID 74\n"
      "Error : no such table: Sections\nNumber: 1\nSource: SQLite\nReadINIFromValues\n";
  EXPECT_THROW(analysis_.RunAll(true), ProgramEnd);
  EXPECT_EQ(LogText(), banner + all);
  const std::string dump =
      "Section: S\n    Entry: k, IDX: 1, SINGLELine, NOVarArgs, FixedArgs: 1\n"
      "        Value: < >, IDX: 1, FIXEDArg, Long\n \nRules Dump Complete.\n";
  analysis_.RunDumpRules(true);
  EXPECT_EQ(LogText(), banner + "Rules Dump\n \n" + dump);
  analysis_.RunDumpRules(false);
  EXPECT_THROW(analysis_.RunAll(false), ProgramEnd);
  EXPECT_EQ(LogText(), banner + "Rules Dump\n \n" + dump + dump + all);
}

TEST_F(AnalysisTest, LockedOldLogIsKeptAndEveryLineReportedAsLost) {
  files.SetFile(kLogFile, "old run\r\n");
  files.Lock(kLogFile);
  analysis_.RunDumpRules(true);
  EXPECT_EQ(files.File(kLogFile), "old run\r\n");
  EXPECT_TRUE(analysis_.GetLog().LostLines());
  EXPECT_TRUE(front_end.box.Text().starts_with(
      "*******  Unable to log message in file logs/tarn.log\r\n         Error numb:75\r\n"));
}

// Each analysis owns what its run builds: the log, the data database and the list of files
// read. Both here read one game folder, each with its own settings, home and log folder.
TEST(AnalysesTest, TwoInOneProcessDoNotSeeEachOther) {
  testing::TempDir game;
  testing::WriteWorld(game.Path(), {{"EXE/kestrovar.ini", "[Data]\nships = ships.ini\n"},
                                    {"DATA/ships.ini", "[Ship]\nnickname = a\n"}});
  struct Side {
    testing::TempDir home;
    testing::RecordingFrontEnd front_end;
    RealFileSystem files;
    Settings settings{front_end};
    std::unique_ptr<Analysis> analysis;
    std::string Log() const {
      std::string log = testing::FromCrLf(testing::ReadFile(home.File("tarn.log")));
      testing::ReplaceAll(log, home.Path(), "<home>");
      return log;
    }
    Rows Stored() const { return testing::RowsOf(home.File("KV.MDB"), "SELECT * FROM Sections"); }
  } a, b;
  for (Side* side : {&a, &b}) {
    testing::MakeSettingsDB(side->home.File("TARN.MDB"),
                            {.kv_path = game.Path(),
                             .log_path = side->home.Path(),
                             .rules = "[Ship]\nnickname #1 = String\n"});
    side->settings.SetSettingsDBName(side->home.File("TARN.MDB"));
    side->analysis =
        std::make_unique<Analysis>(side->settings, side->front_end, side->files, side->home.Path());
  }
  ASSERT_TRUE(b.analysis->InitDB());
  ASSERT_TRUE(a.analysis->InitDB());
  a.analysis->RunAll(false);
  a.analysis->Close();
  const std::string init = "Initialising DATA database: <home>/KV.MDB\nDone.\n";
  EXPECT_EQ(b.Log(), init);
  EXPECT_EQ(b.front_end.box.Text(), testing::ReadFile(b.home.File("tarn.log")));
  EXPECT_EQ(b.Stored(), Rows{});
  const std::string a_log = a.Log();
  const Rows a_rows = a.Stored();
  b.analysis->RunAll(false);  // reads what a read: its own list knows nothing of a's run
  b.analysis->Close();
  EXPECT_EQ(b.Log(), a_log);
  EXPECT_NE(a_log.find("    Processing " + game.Path() + "/DATA/ships.ini\n"), std::string::npos);
  EXPECT_EQ(b.Stored(), a_rows);
  EXPECT_EQ(a_rows.size(), 1u);
  EXPECT_EQ(a.Log(), a_log);
  EXPECT_EQ(a.Stored(), a_rows);
}

}  // namespace
}  // namespace tarn
