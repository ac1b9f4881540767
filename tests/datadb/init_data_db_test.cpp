#include "datadb/init_data_db.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "datadb/data_db.h"
#include "settings/settings.h"
#include "shell/error.h"
#include "shell/log.h"
#include "support/core_fixture.h"
#include "support/temp_dir.h"

namespace tarn {
namespace {

using ::testing::ElementsAre;

// The machine's file system, with deletions that fail on demand.
class FaultyFileSystem : public RealFileSystem {
 public:
  void RemoveFile(const std::string& path) override {
    if (refuse_removal) {
      throw TarnError(kErrPathFileAccess, "Path/File access error", "TARN");
    }
    RealFileSystem::RemoveFile(path);
  }
  bool refuse_removal = false;
};

class InitDataDBTest : public ::testing::Test {
 protected:
  void SetUp() override {
    {
      auto db = Database::Open(home_.File("TARN.MDB"), Database::Mode::kCreate);
      db.Exec(
          "CREATE TABLE _bc_Settings (KVPath TEXT, LogPath TEXT, OverwriteLog INTEGER);"
          "INSERT INTO _bc_Settings VALUES ('', '" +
          home_.Path() +
          "', 0);"
          "CREATE TABLE _bc_OtherINI (Value TEXT);"
          "CREATE VIEW _bc_ListSections AS SELECT 1 WHERE 0;");
    }
    settings_.SetSettingsDBName(home_.File("TARN.MDB"));
  }

  bool Init(const std::string& folder) {
    return InitDataDB(log_, files_, settings_.SettingsDB(), folder, "KV.MDB", data_);
  }

  std::string KvPath() const { return home_.File("KV.MDB"); }

  std::vector<std::string> LogLines() const {
    std::ifstream in(home_.File("tarn.log"), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return testing::SplitCrLf(text);
  }

  std::int64_t Count(Database& db, const std::string& table) {
    auto rows = db.Prepare("SELECT count(*) FROM \"" + table + "\"");
    rows.Step();
    return rows.Int(0);
  }

  // Initialises, opens the cursors and writes a section with one entry and one value.
  void InitAndWriteOneOfEach() {
    ASSERT_TRUE(Init(home_.Path()));
    std::int32_t section = data_->AddSection("ships", "ship", "a.ini", 3);
    std::int32_t entry = data_->AddEntry("nickname", 2001, section, 4);
    data_->AddValue(entry, ValueView(std::string_view("kv_fighter")));
  }

  testing::TempDir home_;
  FaultyFileSystem files_;
  testing::RecordingFrontEnd front_end_;
  Settings settings_{front_end_};
  Log log_{&files_, front_end_, settings_.Values()};
  std::unique_ptr<DataDB> data_;
};

TEST_F(InitDataDBTest, FreshFileGetsTheSchemaAndItsRefusals) {
  ASSERT_TRUE(Init(home_.Path()));
  EXPECT_THAT(LogLines(), ElementsAre("Initialising DATA database: " + KvPath(), "Done."));
  Database& db = data_->Db();
  struct Case {
    const char* sql;
    bool accepted;
  } cases[] = {
      {"INSERT INTO Sections (Area, Section, File, Line) VALUES ('a', 's', 'f', 1)", true},
      {"INSERT INTO Sections (Area, Section, File, Line) VALUES ('', 's', 'f', 1)", false},
      {"INSERT INTO Sections (Area, Section, File, Line) VALUES ('a', '', 'f', 1)", false},
      {"INSERT INTO Sections (Area, Section, File, Line) VALUES ('a', 's', '', 1)", false},
      {"INSERT INTO Entries (Entry, EntryID, Link, Line) VALUES ('e', 1, 1, 2)", true},
      {"INSERT INTO Entries (Entry, EntryID, Link, Line) VALUES ('', 1, 1, 2)", false},
      {"INSERT INTO Entries (Entry, EntryID, Link, Line) VALUES ('e', NULL, 1, 2)", false},
      {"INSERT INTO Entries (Entry, EntryID, Link, Line) VALUES ('e', 1, NULL, 2)", false},
      {"INSERT INTO \"Values\" (Link, Value) VALUES (1, '')", true},
      {"INSERT INTO \"Values\" (Link, Value) VALUES (1, NULL)", true},
      {"INSERT INTO \"Values\" (Link, Value) VALUES (NULL, 'x')", false},
  };
  for (const Case& c : cases) {
    if (c.accepted) {
      EXPECT_NO_THROW(db.Exec(c.sql)) << c.sql;
    } else {
      EXPECT_THROW(db.Exec(c.sql), TarnError) << c.sql;
    }
  }
  auto ids = db.Prepare("SELECT min(DB_ID) FROM Sections");
  ids.Step();
  EXPECT_EQ(ids.Int(0), 1);
  auto indexes = db.Prepare(
      "SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master "
      "WHERE type = 'index' ORDER BY name)");
  indexes.Step();
  EXPECT_EQ(indexes.Text(0), "Entries_IDIDX Entries_LinkIDX Values_LinkIDX");
}

TEST_F(InitDataDBTest, SecondInitEmptiesTheTablesAndRelinks) {
  InitAndWriteOneOfEach();
  data_.reset();
  EXPECT_EQ(Count(settings_.SettingsDB(), "Values"), 1);

  InitAndWriteOneOfEach();
  data_->Commit();
  // The settings side sees the new file's rows, numbered from 1 again.
  Database& settings = settings_.SettingsDB();
  auto row = settings.Prepare(
      "SELECT Sections.DB_ID, Entries.Line, [Values].Value FROM Sections "
      "LEFT JOIN Entries ON Entries.Link = Sections.DB_ID "
      "LEFT JOIN [Values] ON [Values].Link = Entries.DB_ID");
  ASSERT_TRUE(row.Step());
  EXPECT_EQ(row.Int(0), 1);
  EXPECT_EQ(row.Int(1), 4);
  EXPECT_EQ(row.Text(2), "kv_fighter");
  EXPECT_FALSE(row.Step());
}

TEST_F(InitDataDBTest, FileThatCannotBeDeletedIsKept) {
  InitAndWriteOneOfEach();
  data_.reset();
  files_.refuse_removal = true;
  EXPECT_FALSE(Init(home_.Path()));
  EXPECT_EQ(data_, nullptr);
  auto log = LogLines();
  ASSERT_GE(log.size(), 4u);
  EXPECT_THAT(std::vector<std::string>(log.end() - 4, log.end()),
              ElementsAre("Error : Path/File access error", "Number: 75", "Source: TARN",
                          "Unable to delete " + KvPath()));
  auto kept = Database::Open(KvPath(), Database::Mode::kReadWrite);
  EXPECT_EQ(Count(kept, "Values"), 1);
}

TEST_F(InitDataDBTest, FolderThatCannotBeWrittenFailsToCreate) {
  std::string missing = home_.File("no/such/folder");
  EXPECT_FALSE(Init(missing));
  EXPECT_EQ(data_, nullptr);
  EXPECT_EQ(LogLines().back(), "Unable to create " + missing + "/KV.MDB");
  EXPECT_EQ(LogLines()[LogLines().size() - 3], "Number: 14");
}

TEST_F(InitDataDBTest, KilledWriterLeavesEveryCommittedGroup) {
  ASSERT_TRUE(Init(home_.Path()));
  constexpr int kGroups = 3;
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    for (int i = 0; i < kGroups * DataDB::kRowsPerGroup + 100; ++i) {
      data_->AddValue(1, ValueView(i));
    }
    char done = 1;
    if (write(ready[1], &done, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  char done = 0;
  ASSERT_EQ(read(ready[0], &done, 1), 1);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);

  auto db = Database::Open(KvPath(), Database::Mode::kReadWrite);
  auto check = db.Prepare("PRAGMA integrity_check");
  ASSERT_TRUE(check.Step());
  EXPECT_EQ(check.Text(0), "ok");
  EXPECT_EQ(Count(db, "Values"), kGroups * DataDB::kRowsPerGroup);
}

}  // namespace
}  // namespace tarn
