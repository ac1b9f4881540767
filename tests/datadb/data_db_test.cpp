// The SQLite layer, "Init DB" and the data database's row writer, and storing sections into it.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "datadb/init_data_db.h"
#include "model/section.h"
#include "support/core_fixture.h"
#include "support/rows.h"
#include "support/settings_db.h"
#include "support/world.h"

namespace tarn {
namespace {

using testing::ErrorOf;
using testing::Rows;
using testing::RowsOf;

// The machine's file system, which records what it deletes and refuses to on demand.
class RecordingFileSystem : public RealFileSystem {
 public:
  void RemoveFile(const std::string& path) override {
    removed.push_back(path.substr(path.find_last_of("/\\") + 1));
    if (refuse) throw TarnError(kErrPathFileAccess, "Path/File access error", "TARN");
    RealFileSystem::RemoveFile(path);
  }
  std::vector<std::string> removed;
  bool refuse = false;
};

class DataDBTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::MakeSettingsDB(home_.File("TARN.MDB"));
    settings_db_ = Database::Open(home_.File("TARN.MDB"), Database::Mode::kReadWrite);
    settings_.SetLogPath(home_.Path());
  }
  bool Init(const std::string& folder = "") {
    return InitDataDB(log_, files_, settings_db_, folder.empty() ? home_.Path() : folder, "KV.MDB",
                      data_);
  }
  std::string Log() const { return testing::FromCrLf(testing::ReadFile(home_.File("tarn.log"))); }
  // The rows of a query on the data database; rows held back are written first.
  Rows Query(const std::string& sql) {
    data_->Commit();
    return RowsOf(data_->Db(), sql);
  }
  Rows Values() { return Query("SELECT Link, Value FROM \"Values\" ORDER BY DB_ID"); }

  testing::TempDir home_;
  RecordingFileSystem files_;
  testing::RecordingFrontEnd front_end_;
  UserSettings settings_;
  tarn::Log log_{&files_, front_end_, settings_};
  Database settings_db_;
  std::unique_ptr<DataDB> data_;
};

// Empty texts are refused but in Value, and so is null where an index needs the column.
TEST_F(DataDBTest, FreshFileHasTheSchemaWithItsRefusals) {
  ASSERT_TRUE(Init());
  EXPECT_EQ(Log(), "Initialising DATA database: " + JoinPath(home_.Path(), "KV.MDB") + "\nDone.\n");
  Database& db = data_->Db();
  for (const char* row :
       {"Sections VALUES (1, '', 's', 'f', 1)", "Sections VALUES (1, 'a', '', 'f', 1)",
        "Sections VALUES (1, 'a', 's', '', 1)", "Entries VALUES (1, '', 1, 1, 2)",
        "Entries VALUES (1, 'e', NULL, 1, 2)", "Entries VALUES (1, 'e', 1, NULL, 2)",
        "\"Values\" VALUES (1, NULL, 'x')"}) {
    EXPECT_NE(ErrorOf([&] { db.Exec(std::string("INSERT INTO ") + row); }), 0) << row;
  }
  db.Exec(
      "INSERT INTO Sections (Area, Section, File, Line) VALUES ('a', 's', 'f', NULL);"
      "INSERT INTO Entries (Entry, EntryID, Link) VALUES ('e', 1, 1);"
      "INSERT INTO \"Values\" (Link, Value) VALUES (1, ''), (1, NULL);");
  EXPECT_EQ(RowsOf(db, "SELECT * FROM Sections, Entries"), Rows{"1|a|s|f|null|1|e|1|1|null"});
  EXPECT_EQ(Values(), (Rows{"1|", "1|null"}));
  EXPECT_EQ(RowsOf(db, "SELECT name FROM sqlite_master WHERE type = 'index' ORDER BY 1"),
            (Rows{"Entries_IDIDX", "Entries_LinkIDX", "Values_LinkIDX"}));
  // Taken over with rows in it, the database numbers new rows after them.
  DataDB again(Database::Open(home_.File("KV.MDB"), Database::Mode::kReadWrite));
  EXPECT_EQ(again.AddSection("a", "s", "f", 2), 2);
  EXPECT_EQ(ErrorOf([] { Database().Exec("SELECT 1"); }), kErrObjectNotSet);
}

// A connection that goes ends its unfinished transaction, so the next one writes at once.
TEST_F(DataDBTest, ConnectionThatGoesLeavesTheFileFree) {
  const std::string path = home_.File("t.db");
  Database::Open(path, Database::Mode::kCreate)
      .Exec("CREATE TABLE t (x); BEGIN; INSERT INTO t VALUES (1)");
  Database next = Database::Open(path, Database::Mode::kReadWrite);
  next.Exec("INSERT INTO t VALUES (2)");
  EXPECT_EQ(RowsOf(next, "SELECT x FROM t"), Rows{"2"});
}

// Files a killed run left beside the data database go with it. A second "Init DB" starts
// afresh: the settings connection sees the new file's rows, numbered from 1 again.
TEST_F(DataDBTest, InitDeletesTheOldFileWithItsCompanionsAndRelinks) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    testing::WriteFile(home_.File(std::string("KV.MDB") + suffix), "stale");
  }
  ASSERT_TRUE(Init());
  EXPECT_EQ(files_.removed, (Rows{"KV.MDB", "KV.MDB-wal", "KV.MDB-shm", "KV.MDB-journal"}));
  for (const char* value : {"old", "new"}) {
    if (value[0] == 'n') {
      ASSERT_TRUE(Init());
    }
    data_->AddValue(data_->AddEntry("nickname", 2001, data_->AddSection("a", "s", "f", 3), 4),
                    std::string_view(value));
  }
  data_->Commit();
  EXPECT_EQ(RowsOf(settings_db_,
                   "SELECT Sections.DB_ID, Entries.Line, [Values].Value FROM Sections "
                   "JOIN Entries ON Entries.Link = Sections.DB_ID "
                   "JOIN [Values] ON [Values].Link = Entries.DB_ID"),
            Rows{"1|4|new"});
}

TEST_F(DataDBTest, FileThatCannotBeDeletedIsKeptAndOneThatCannotBeMadeReported) {
  ASSERT_TRUE(Init());
  data_->AddSection("a", "s", "f", 3);
  data_.reset();
  files_.refuse = true;
  EXPECT_FALSE(Init());
  EXPECT_EQ(data_, nullptr);
  const std::string kv = JoinPath(home_.Path(), "KV.MDB");
  EXPECT_TRUE(
      Log().ends_with("Error : Path/File access error\nNumber: 75\nSource: TARN\n"
                      "Unable to delete " +
                      kv + "\n"));
  EXPECT_EQ(RowsOf(kv, "SELECT count(*) FROM Sections"), Rows{"1"});

  const std::string missing = home_.File("no/such/folder");
  EXPECT_FALSE(Init(missing));
  EXPECT_EQ(data_, nullptr);
  const std::string made = JoinPath(missing, "KV.MDB");
  EXPECT_TRUE(Log().ends_with("Initialising DATA database: " + made +
                              "\nError : unable to open database file\nNumber: 14\n"
                              "Source: SQLite\nUnable to create " +
                              made + "\n"))
      << Log();
}

#ifndef _WIN32
// Not on Windows: it forks a writer and kills it.
TEST_F(DataDBTest, KilledWriterLeavesEveryCommittedGroup) {
  ASSERT_TRUE(Init());
  constexpr int kGroups = 3;
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    for (int i = 0; i < kGroups * DataDB::kRowsPerGroup + 100; ++i) data_->AddValue(1, i);
    if (write(ready[1], "", 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  char done = 0;
  ASSERT_EQ(read(ready[0], &done, 1), 1);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_EQ(RowsOf(home_.File("KV.MDB"), "PRAGMA integrity_check"), Rows{"ok"});
  // The last full group may still have been on its way into the file.
  const int stored = std::stoi(RowsOf(home_.File("KV.MDB"), "SELECT count(*) FROM \"Values\"")[0]);
  EXPECT_EQ(stored % DataDB::kRowsPerGroup, 0);
  EXPECT_GE(stored, (kGroups - 1) * DataDB::kRowsPerGroup);
  EXPECT_LE(stored, kGroups * DataDB::kRowsPerGroup);
}

// Not on Windows: it limits the file size of a forked child (setrlimit).
// A group is written while the next is filled; when it cannot be written, the call that
// hands the next one over says so, and the rows of the failed group are not counted as kept.
TEST_F(DataDBTest, GroupThatCannotBeWrittenIsRaisedWhenTheNextIsHandedOver) {
  ASSERT_TRUE(Init());
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
    const rlimit limit{1 << 16, 1 << 16};
    setrlimit(RLIMIT_FSIZE, &limit);
    for (int i = 0; i < 3 * DataDB::kRowsPerGroup; ++i) {
      try {
        data_->AddValue(1, i);
      } catch (const TarnError&) {
        _exit(i == 2 * DataDB::kRowsPerGroup - 1 ? 0 : 3);
      }
    }
    _exit(4);
  }
  int status = -1;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(RowsOf(home_.File("KV.MDB"), "PRAGMA integrity_check"), Rows{"ok"});
}
#endif  // !_WIN32

// A group that another connection's write lock keeps out is lost, and the connection is left
// ready: the next group is written once the lock is gone.
TEST_F(DataDBTest, GroupKeptOutByALockLeavesTheWriterReadyForTheNext) {
  ASSERT_TRUE(Init());
  data_->Commit();
  data_->Db().Exec("PRAGMA busy_timeout = 1");  // the lock is not waited for
  Database other = Database::Open(home_.File("KV.MDB"), Database::Mode::kReadWrite);
  other.Exec("BEGIN IMMEDIATE");
  data_->AddValue(1, 1);
  EXPECT_EQ(ErrorOf([&] { data_->Commit(); }), 5);  // SQLITE_BUSY
  other.Exec("ROLLBACK");
  data_->AddValue(1, 2);
  EXPECT_EQ(Values(), Rows{"1|2"});
}

// A bulk load leaves the file as "Init DB" made it: its indexes made again, and its journal
// the write-ahead log again.
TEST_F(DataDBTest, BulkLoadEndsWithTheIndexesAndTheWriteAheadLogRestored) {
  ASSERT_TRUE(Init());
  auto indexes = [&] {
    return Query("SELECT name FROM sqlite_master WHERE type = 'index' ORDER BY 1");
  };
  const Rows made = indexes();
  ASSERT_EQ(made.size(), 3u);
  data_->BeginBulk();
  EXPECT_TRUE(data_->InBulk());
  EXPECT_EQ(indexes(), Rows{});
  data_->AddValue(1, 1);
  data_->EndBulk();
  EXPECT_FALSE(data_->InBulk());
  EXPECT_EQ(indexes(), made);
  EXPECT_EQ(Query("PRAGMA journal_mode"), Rows{"wal"});
  EXPECT_EQ(Values(), Rows{"1|1"});
}

// Numbers in their shortest text that reads back the same, texts from code page 1252 in
// UTF-8, plain ASCII as it is.
TEST_F(DataDBTest, ValuesAndNamesAreStoredAsText) {
  ASSERT_TRUE(Init());
  data_->AddSection("\x80", "Ship\x9F", "caf\xE9.ini", 7);
  data_->AddEntry("n\x80", 1, 1, 8);
  for (const ValueView& value :
       {ValueView(-7), ValueView(0.1), ValueView(1e300), ValueView(16.0), ValueView(0.5),
        ValueView(16777217.0), ValueView(true), ValueView(false), ValueView(),
        ValueView(std::string_view("5\x80")), ValueView(std::string_view("")),
        ValueView(std::string_view("plain"))}) {
    data_->AddValue(1, value);
  }
  EXPECT_EQ(Query("SELECT * FROM Sections"), Rows{"1|\xE2\x82\xAC|Ship\xC5\xB8|caf\xC3\xA9.ini|7"});
  EXPECT_EQ(Query("SELECT * FROM Entries"), Rows{"1|n\xE2\x82\xAC|1|1|8"});
  EXPECT_EQ(Values(), (Rows{"1|-7", "1|0.1", "1|1e+300", "1|16", "1|0.5", "1|16777217", "1|True",
                            "1|False", "1|null", "1|5\xE2\x82\xAC", "1|", "1|plain"}));
}

// The rows of a section go in rule order (the walk's tests show that); here, what the data
// database refuses and what the model can hold but a file cannot fill.
TEST_F(DataDBTest, RefusedRowEndsStoreEarlierRowsStayAndNullIsStoredAsNull) {
  ASSERT_TRUE(Init());
  Section ship;
  ship.SetSectionName("Ship");
  ship.SetFile("ships.ini");
  Entry& cargo = ship.Add("cargo", 1, true, false, false, 102, "CARGO");
  cargo.AddValue("", kBooleanType, 1, false);
  cargo.SetValues("cargo", "1", 41);
  ship.SetArea("Equipment");
  ship.SetLineNo(40);
  ship.Store(*data_);
  // A failed check: a section without its area or its file.
  for (const auto& [area, file] : {std::pair{"", "ships.ini"}, std::pair{"Equipment", ""}}) {
    ship.SetArea(area);
    ship.SetFile(file);
    EXPECT_EQ(testing::ErrorOf([&] { ship.Store(*data_); }), 275) << file;
  }
  // Nothing read from a file fills a type 5 position: its Null comes through a line put in
  // place of the rule.
  auto line = std::make_unique<EntryLine>();
  line->Init("Ship", "Cargo", 2, false);
  line->AddValue("", kStringType, 1, false);
  line->AddValue("", kNullType, 2, false);
  cargo.InitEntry(std::move(line));
  ship.SetArea("Hardcoded");
  ship.SetFile("ships.ini");
  ship.Store(*data_);  // the refused row left the writer ready for the next
  EXPECT_EQ(Query("SELECT Area, DB_ID FROM Sections"), (Rows{"equipment|1", "hardcoded|2"}));
  EXPECT_EQ(Query("SELECT * FROM Entries"), (Rows{"1|cargo|102|1|41", "2|cargo|102|2|0"}));
  EXPECT_EQ(Values(), (Rows{"1|True", "2|", "2|null"}));
}

}  // namespace
}  // namespace tarn
