#include "settings/settings.h"

#include <gtest/gtest.h>

#include "datadb/database.h"
#include "shell/error.h"
#include "shell/front_end.h"
#include "support/core_fixture.h"
#include "support/temp_dir.h"

namespace tarn {
namespace {

using testing::CoreTest;
using testing::TempDir;

constexpr const char* kThreeObjects =
    "CREATE TABLE _bc_Settings (KVPath TEXT, LogPath TEXT, OverwriteLog INTEGER);"
    "CREATE TABLE _bc_OtherINI (Value TEXT);"
    "CREATE VIEW _bc_ListSections AS SELECT 1 AS SectionName WHERE 0;";

class SettingsTest : public CoreTest {
 protected:
  // A settings database holding the three objects and the given statements.
  std::string MakeDB(const std::string& sql) {
    std::string path = dir.File("TARN.MDB");
    auto db = Database::Open(path, Database::Mode::kCreate);
    db.Exec(kThreeObjects);
    db.Exec(sql);
    return path;
  }

  std::vector<std::string> Rows(const std::string& path) {
    auto db = Database::Open(path, Database::Mode::kReadWrite);
    auto rows = db.Prepare(
        "SELECT KVPath || '|' || LogPath || '|' || OverwriteLog FROM _bc_Settings "
        "ORDER BY rowid");
    std::vector<std::string> out;
    while (rows.Step()) out.push_back(rows.Text(0));
    return out;
  }

  // Assigns the name and returns the message box text, or "" when no box was shown.
  std::string Assign(Settings& settings, const std::string& path) {
    try {
      settings.SetSettingsDBName(path);
    } catch (const ProgramEnd&) {
      EXPECT_EQ(front_end.messages.size(), 1u);
      return front_end.messages.back();
    }
    EXPECT_TRUE(front_end.messages.empty());
    return "";
  }

  TempDir dir;
};

TEST_F(SettingsTest, ReadsTheFirstRecordAndUpdatesOnlyIt) {
  auto path = MakeDB(
      "INSERT INTO _bc_Settings VALUES ('/games/kv', '/logs', 1);"
      "INSERT INTO _bc_Settings VALUES ('/other', '/other', 0);");
  Settings settings(front_end);
  ASSERT_EQ(Assign(settings, path), "");
  EXPECT_EQ(settings.Values().KVPath(), "/games/kv");
  EXPECT_EQ(settings.Values().LogPath(), "/logs");
  EXPECT_EQ(settings.Values().OverwriteLog(), "1");
  settings.Values().SetKVPath("/games/new");
  settings.Values().SetOverwriteLog("2");
  EXPECT_EQ(settings.Values().OverwriteLog(), "2");
  // Nothing is written before the end of life.
  EXPECT_EQ(Rows(path)[0], "/games/kv|/logs|1");
  settings.Close();
  EXPECT_EQ(Rows(path), (std::vector<std::string>{"/games/new|/logs|2", "/other|/other|0"}));
}

TEST_F(SettingsTest, EmptyPathsAreRead) {
  auto path = MakeDB("INSERT INTO _bc_Settings VALUES ('', '', 0);");
  Settings settings(front_end);
  ASSERT_EQ(Assign(settings, path), "");
  EXPECT_EQ(settings.Values().KVPath(), "");
  EXPECT_EQ(settings.Values().OverwriteLog(), "0");
}

TEST_F(SettingsTest, UnreadableRecordsAreFatal) {
  struct Case {
    const char* sql;
    const char* message_start;
  } cases[] = {
      {"SELECT 1", "Unable to read settings\r\n\r\nError: No current record.\r\nNumber: 3021"},
      {"INSERT INTO _bc_Settings VALUES (NULL, '', 0)", "Unable to read settings"},
      {"INSERT INTO _bc_Settings VALUES ('', NULL, 0)", "Unable to read settings"},
      {"INSERT INTO _bc_Settings VALUES ('', '', NULL)", "Unable to read settings"},
      {"INSERT INTO _bc_Settings VALUES ('', '', 256)",
       "Unable to read settings\r\n\r\nError: Overflow\r\nNumber: 6"},
      {"INSERT INTO _bc_Settings VALUES ('', '', -1)", "Unable to read settings"},
      {"INSERT INTO _bc_Settings VALUES ('', '', 'yes')",
       "Unable to read settings\r\n\r\nError: Type mismatch\r\nNumber: 13"},
      {"DROP TABLE _bc_Settings", "Unable to read settings\r\n\r\nError: no such table"},
      {"ALTER TABLE _bc_Settings DROP COLUMN LogPath", "Unable to read settings"},
  };
  for (const Case& c : cases) {
    front_end.messages.clear();
    std::filesystem::remove(dir.File("TARN.MDB"));
    auto path = MakeDB(c.sql);
    Settings settings(front_end);
    EXPECT_TRUE(Assign(settings, path).starts_with(c.message_start)) << c.sql;
  }
}

TEST_F(SettingsTest, MissingOrForeignFileCannotBeOpened) {
  Settings settings(front_end);
  EXPECT_TRUE(Assign(settings, dir.File("missing.mdb"))
                  .starts_with("OpenSettingsDB: Unable to open settings database\r\n\r\n"
                               "Error: unable to open database file"));
  front_end.messages.clear();
  std::FILE* f = std::fopen(dir.File("junk.mdb").c_str(), "wb");
  std::fputs("this is not a database, just some text that is long enough to be read", f);
  std::fclose(f);
  Settings other(front_end);
  EXPECT_TRUE(Assign(other, dir.File("junk.mdb"))
                  .starts_with("OpenSettingsDB: Unable to open settings database"));
}

TEST_F(SettingsTest, FailedSaveIsFatal) {
  auto path = MakeDB("INSERT INTO _bc_Settings VALUES ('', '', 0);");
  Settings settings(front_end);
  ASSERT_EQ(Assign(settings, path), "");
  settings.SettingsDB().Exec("DELETE FROM _bc_Settings");
  EXPECT_THROW(settings.Close(), ProgramEnd);
  ASSERT_EQ(front_end.messages.size(), 1u);
  EXPECT_TRUE(front_end.messages[0].starts_with("Unable to save settings\r\n"));
}

TEST_F(SettingsTest, FreshObjectWritesNothingAndDiscardKeepsTheRecord) {
  Settings fresh(front_end);
  EXPECT_NO_THROW(fresh.Close());
  EXPECT_THROW(fresh.SettingsDB(), TarnError);

  auto path = MakeDB("INSERT INTO _bc_Settings VALUES ('/a', '/b', 1);");
  Settings settings(front_end);
  ASSERT_EQ(Assign(settings, path), "");
  settings.Values().SetKVPath("/changed");
  settings.Discard();
  EXPECT_EQ(Rows(path)[0], "/a|/b|1");
}

TEST(OverwriteFlagTest, TextConversion) {
  struct Case {
    const char* text;
    int flag;  // -13 / -6 for the error expected
  } cases[] = {
      {"0", 0},    {"1", 1},   {"2", 2},  {" 255 ", 255}, {"2.5", 2},  {"3.5", 4},
      {"256", -6}, {"-1", -6}, {"", -13}, {"abc", -13},   {"1x", -13},
  };
  for (const Case& c : cases) {
    if (c.flag >= 0) {
      EXPECT_EQ(ToOverwriteFlag(c.text), c.flag) << c.text;
    } else {
      try {
        ToOverwriteFlag(c.text);
        ADD_FAILURE() << c.text;
      } catch (const TarnError& e) {
        EXPECT_EQ(e.Number(), -c.flag) << c.text;
      }
    }
  }
}

}  // namespace
}  // namespace tarn
