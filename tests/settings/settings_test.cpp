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
  Rows Records() const { return testing::RowsOf(Path(), "SELECT * FROM _bc_Settings"); }
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
  const UserSettings& values = settings.Values();
  EXPECT_EQ(values.KVPath() + "|" + values.LogPath() + "|" + values.OverwriteLog(),
            "/games/kv|/logs|1");
  settings.Values().SetKVPath("/games/new");
  settings.Values().SetOverwriteLog("2");
  EXPECT_EQ(Records()[0], "/games/kv|/logs|1");  // nothing is written before the end
  settings.Close();
  EXPECT_EQ(Records(), (Rows{"/games/new|/logs|2", "/b|/b|0"}));
  EXPECT_EQ(settings.SettingsDBName(), "");
  settings.Close();  // nothing left to write
  ASSERT_EQ(Open(settings, Path()), "");
  settings.Values().SetKVPath("/changed");
  settings.Discard();
  EXPECT_EQ(Records()[0], "/games/new|/logs|2");
  EXPECT_EQ(testing::ErrorOf([&] { settings.SettingsDB(); }), kErrObjectNotSet);
}

// The stored flag is a byte: numbers round half to even. A record that cannot be read ends
// the program with the reason.
TEST_F(SettingsTest, OverwriteFlagAndUnreadableRecords) {
  // clang-format off
  const struct {
    std::string overwrite, sql, flag_or_error;
  } cases[] = {
      {"0", "", "0"}, {"255", "", "255"}, {"2.5", "", "2"}, {"3.5", "", "4"},
      {"256", "", "Overflow\r\nNumber: 6\r\nSource: TARN\r\n"}, {"-1", "", "Overflow"},
      {"255.5", "", "Overflow"}, {"'1x'", "", "Type mismatch\r\nNumber: 13\r\n"},
      {"NULL", "", "Invalid use of Null: OverwriteLog\r\n"},
      {"0", "UPDATE _bc_Settings SET KVPath = NULL", "Invalid use of Null: KVPath\r\nNumber: 94\r\n"},
      {"0", "UPDATE _bc_Settings SET LogPath = NULL", "Invalid use of Null: LogPath\r\n"},
      {"0", "DELETE FROM _bc_Settings", "No current record.\r\nNumber: 3021\r\nSource: SQLite\r\n"},
      {"0", "DROP TABLE _bc_Settings", "no such table: _bc_Settings\r\nNumber: 1\r\n"},
  };
  // clang-format on
  for (const auto& c : cases) {
    testing::MakeSettingsDB(Path(), {.overwrite = c.overwrite, .sql = c.sql});
    Settings settings(front_end);
    const std::string message = Open(settings, Path());
    EXPECT_TRUE(message.empty() ? settings.Values().OverwriteLog() == c.flag_or_error
                                : message.starts_with("Unable to read settings\r\n\r\nError: " +
                                                      c.flag_or_error))
        << c.overwrite << c.sql << message;
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
  // The flag, or the number of the error expected, negated.
  for (const auto& c : {std::pair{"0", 0},
                        {"1", 1},
                        {" 255 ", 255},
                        {"2.5", 2},
                        {"3.5", 4},
                        {"256", -6},
                        {"-1", -6},
                        {"1e999", -6},
                        {"", -13},
                        {"1x", -13}}) {
    const auto error = testing::ErrorOf([&] { EXPECT_EQ(ToOverwriteFlag(c.first), c.second); });
    EXPECT_EQ(error, c.second < 0 ? -c.second : 0) << c.first;
  }
}

}  // namespace
}  // namespace tarn
