#include "settings/settings.h"

#include <gtest/gtest.h>

#include "support/core_fixture.h"
#include "support/rows.h"
#include "support/settings_db.h"
#include "support/world.h"

namespace tarn {
namespace {

using testing::Rows;

class SettingsTest : public testing::CoreTest {
 protected:
  std::string Path() const { return dir_.File("TARN.MDB"); }
  Rows Records() const {
    return testing::RowsOf(Path(), "SELECT KVPath, LogPath, OverwriteLog FROM _bc_Settings");
  }
  // Opens the settings database at path; the message box's text, "" when none was shown.
  std::string Open(Settings& settings, const std::string& path) {
    front_end.messages.clear();
    try {
      settings.SetSettingsDBName(path);
    } catch (const ProgramEnd& end) {
      EXPECT_EQ(end.status, kFatalStatus);
      EXPECT_EQ(front_end.messages.size(), 1u);
      return front_end.messages.back();
    }
    EXPECT_TRUE(front_end.messages.empty());
    return "";
  }
  testing::TempDir dir_;
};

TEST_F(SettingsTest, ReadsTheFirstRecordAndWritesOnlyItBackAtClose) {
  testing::MakeSettingsDB(Path(), {.kv_path = "/games/kv",
                                   .log_path = "/logs",
                                   .overwrite = "1",
                                   .sql = "INSERT INTO _bc_Settings VALUES ('/b', '/b', 0)"});
  Settings settings(front_end);
  ASSERT_EQ(Open(settings, Path()), "");
  EXPECT_EQ(settings.SettingsDBName(), Path());
  EXPECT_EQ(settings.Values().KVPath(), "/games/kv");
  EXPECT_EQ(settings.Values().LogPath(), "/logs");
  EXPECT_EQ(settings.Values().OverwriteLog(), "1");
  settings.Values().SetKVPath("/games/new");
  settings.Values().SetOverwriteLog("2");
  EXPECT_EQ(Records()[0], "/games/kv|/logs|1");
  settings.Close();
  EXPECT_EQ(Records(), (Rows{"/games/new|/logs|2", "/b|/b|0"}));
  EXPECT_EQ(settings.SettingsDBName(), "");
  settings.Close();  // nothing left to write

  Settings discarded(front_end);
  ASSERT_EQ(Open(discarded, Path()), "");
  discarded.Values().SetKVPath("/changed");
  discarded.Discard();
  EXPECT_EQ(Records()[0], "/games/new|/logs|2");
  EXPECT_EQ(testing::ErrorOf([&] { discarded.SettingsDB(); }), kErrObjectNotSet);
}

// The stored flag is a byte: numbers round half to even, texts are read as numbers.
TEST_F(SettingsTest, OverwriteFlagAndUnreadableRecords) {
  const struct {
    std::string overwrite, sql, flag_or_message;
  } cases[] = {
      {"0", "", "0"},
      {"255", "", "255"},
      {"2.5", "", "2"},
      {"3.5", "", "4"},
      {"256", "",
       "Unable to read settings\r\n\r\nError: Overflow\r\nNumber: 6\r\nSource: TARN\r\n"},
      {"-1", "", "Unable to read settings\r\n\r\nError: Overflow\r\nNumber: 6\r\n"},
      {"255.5", "", "Unable to read settings\r\n\r\nError: Overflow\r\nNumber: 6\r\n"},
      {"'1x'", "", "Unable to read settings\r\n\r\nError: Type mismatch\r\nNumber: 13\r\n"},
      {"NULL", "", "Unable to read settings\r\n\r\nError: Invalid use of Null: OverwriteLog\r\n"},
      {"0", "UPDATE _bc_Settings SET KVPath = NULL",
       "Unable to read settings\r\n\r\nError: Invalid use of Null: KVPath\r\nNumber: 94\r\n"},
      {"0", "UPDATE _bc_Settings SET LogPath = NULL",
       "Unable to read settings\r\n\r\nError: Invalid use of Null: LogPath\r\n"},
      {"0", "DELETE FROM _bc_Settings",
       "Unable to read settings\r\n\r\nError: No current record.\r\nNumber: 3021\r\n"
       "Source: SQLite\r\n"},
      {"0", "DROP TABLE _bc_Settings",
       "Unable to read settings\r\n\r\nError: no such table: _bc_Settings\r\nNumber: 1\r\n"},
  };
  for (const auto& c : cases) {
    testing::MakeSettingsDB(Path(), {.overwrite = c.overwrite, .sql = c.sql});
    Settings settings(front_end);
    const std::string message = Open(settings, Path());
    if (message.empty()) {
      EXPECT_EQ(settings.Values().OverwriteLog(), c.flag_or_message) << c.overwrite;
    } else {
      EXPECT_TRUE(message.starts_with(c.flag_or_message)) << c.overwrite << c.sql << message;
    }
  }
}

TEST_F(SettingsTest, MissingOrForeignFileCannotBeOpenedAndAFailedSaveIsFatal) {
  testing::WriteFile(dir_.File("junk.mdb"), std::string(200, 'x'));
  for (const std::string& path : {dir_.File("missing.mdb"), dir_.File("junk.mdb")}) {
    Settings settings(front_end);
    EXPECT_TRUE(Open(settings, path)
                    .starts_with("OpenSettingsDB: Unable to open settings database\r\n\r\nError: "))
        << path;
  }
  testing::MakeSettingsDB(Path());
  Settings settings(front_end);
  ASSERT_EQ(Open(settings, Path()), "");
  settings.SettingsDB().Exec("DELETE FROM _bc_Settings");
  front_end.messages.clear();
  EXPECT_THROW(settings.Close(), ProgramEnd);
  EXPECT_EQ(front_end.messages,
            std::vector<std::string>{"Unable to save settings\r\n\r\nError: No current record.\r\n"
                                     "Number: 3021\r\nSource: SQLite\r\n"});
}

TEST(OverwriteFlagTest, TextConversion) {
  const struct {
    const char* text;
    int flag;  // the number of the error expected, negated
  } cases[] = {
      {"0", 0},    {"1", 1},   {"2", 2},  {" 255 ", 255}, {"2.5", 2},  {"3.5", 4},
      {"256", -6}, {"-1", -6}, {"", -13}, {"abc", -13},   {"1x", -13}, {"1e999", -6},
  };
  for (const auto& c : cases) {
    const auto error =
        testing::ErrorOf([&] { EXPECT_EQ(ToOverwriteFlag(c.text), c.flag) << c.text; });
    EXPECT_EQ(error, c.flag < 0 ? -c.flag : 0) << c.text;
  }
}

}  // namespace
}  // namespace tarn
