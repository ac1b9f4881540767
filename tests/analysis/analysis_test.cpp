#include "analysis/analysis.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "settings/settings.h"
#include "support/core_fixture.h"
#include "support/rule_db.h"

namespace tarn {
namespace {

using testing::CoreTest;
using ::testing::ElementsAre;

class CommandsTest : public CoreTest {
 protected:
  void SetUp() override {
    stored.SetSettingsDBName(rules_.Path());
    stored.Values().SetLogPath(kLogFolder);
    stored.Values().SetKVPath("/games/kestrovar");
  }

  testing::RuleDB rules_;  // an empty rule set: the dump writes only its framing
  Settings stored{front_end};
  Analysis analysis{stored, front_end, files, "home"};
};

TEST_F(CommandsTest, DumpTickedStartsAFreshLogWithTheBanner) {
  files.SetFile(kLogFile, "old run\r\n");
  analysis.RunDumpRules(true);
  EXPECT_THAT(LogLines(),
              ElementsAre("TARN v 0.9.7 Log File", " ", "KV Path /games/kestrovar", "Log Path logs",
                          " ", "Rules Dump", " ", " ", "Rules Dump Complete."));
}

TEST_F(CommandsTest, DumpNotTickedAppendsOnlyItsClosingLines) {
  files.SetFile(kLogFile, "old run\r\n");
  analysis.RunDumpRules(false);
  EXPECT_THAT(LogLines(), ElementsAre("old run", " ", "Rules Dump Complete."));
}

// "All" here runs over a game folder that is not there, and without "Init DB" it ends when
// it first needs the data tables: only how the log starts matters.
TEST_F(CommandsTest, AllTickedWithoutAnOldLogWritesTheBanner) {
  EXPECT_THROW(analysis.RunAll(true), ProgramEnd);
  auto lines = LogLines();
  lines.resize(6);
  EXPECT_THAT(lines,
              ElementsAre("TARN v 0.9.7 Log File", " ", "KV Path /games/kestrovar", "Log Path logs",
                          " ", "Processing /games/kestrovar/EXE/kestrovar.ini"));
}

TEST_F(CommandsTest, LockedOldLogIsKeptAndTheBannerStillWritten) {
  files.SetFile(kLogFile, "old run\r\n");
  files.Lock(kLogFile);
  EXPECT_THROW(analysis.RunAll(true), ProgramEnd);
  // The log cannot be written either: the banner's lines end up as failure lines.
  EXPECT_EQ(files.File(kLogFile), "old run\r\n");
  EXPECT_THAT(front_end.box.Text(), ::testing::HasSubstr("Unable to log message in file"));
}

TEST_F(CommandsTest, AllNotTickedAppends) {
  files.SetFile(kLogFile, "old run\r\n");
  EXPECT_THROW(analysis.RunAll(false), ProgramEnd);
  auto lines = LogLines();
  lines.resize(2);
  EXPECT_THAT(lines, ElementsAre("old run", "Processing /games/kestrovar/EXE/kestrovar.ini"));
}

}  // namespace
}  // namespace tarn
