#include "analysis/analysis.h"

#include <gtest/gtest.h>
#include <signal.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <memory>

#include "analysis/file_groups.h"
#include "analysis/line_places.h"
#include "analysis/near_names.h"
#include "analysis/reference_recorder.h"
#include "platform/file_system.h"
#include "settings/settings.h"
#include "support/core_fixture.h"
#include "support/rows.h"
#include "support/settings_db.h"
#include "support/world.h"
#include "walk/recorded_values.h"
#include "walk/run_watch.h"

namespace tarn {
namespace {

using testing::Rows;

// The near name of a slip: letter case aside, within two edits, one at most, the nearest and
// then the shortest and first; nothing for a name too short or too far from every known one.
TEST(NearNamesTest, OffersTheNearestKnownNameWithinTwoEdits) {
  NearNames near({"hit_pts", "mass", "mast", "nickname", "Shield_Link", "id"});
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {
      {"HIT_PTS", "hit_pts"}, {"hit_pt", "hit_pts"}, {"hitpt", "hit_pts"}, {"hxt_pxs", "hit_pts"},
      {"hxx_pxs", ""}, {"nikname", "nickname"}, {"nickmane", "nickname"}, {"nicknameXYZ", ""},
      {"masx", "mass"}, {"mas", "mass"}, {"shield_lnk", "Shield_Link"}, {"ix", "id"}, {"x", ""},
      {"ab", ""}, {"", ""}};
  // clang-format on
  for (const auto& [name, expected] : cases) EXPECT_EQ(near.Nearest(name), expected) << name;
  // Asked again, the remembered answer.
  EXPECT_EQ(near.Nearest("Hit_Pt"), "hit_pts");
  EXPECT_EQ(BoundedEditDistance("kitten", "sitting", 5), 3);
  EXPECT_EQ(BoundedEditDistance("kitten", "sitting", 2), 3);
  EXPECT_EQ(BoundedEditDistance("abc", "", 3), 3);
}

// A base's room file named by two bases stays with the first base that names it, not the
// universe above both; a file no value names heads its own group, and so does an unknown one.
TEST(FileGroupsTest, FileJoinsTheGroupOfTheFirstFileNamingIt) {
  FileGroups groups({"data/bases/a.ini", "data/rooms/room.ini", "data/bases/b.ini", "data/u.ini"},
                    {{"DATA/U.INI", "bases\\A.INI"},
                     {"data/u.ini", "bases/b.ini"},
                     {"data/bases/a.ini", "ROOM.INI"},
                     {"data/bases/b.ini", "room.ini"}});
  const std::pair<const char*, std::uint32_t> cases[] = {
      {"data/u.ini", 3},          {"data/bases/a.ini", 0}, {"data/bases/b.ini", 2},
      {"data/Rooms/Room.ini", 0}, {"data/other.ini", 4},
  };
  for (const auto& [file, group] : cases) EXPECT_EQ(groups.GroupOf(file), group) << file;
}

// An overwriting command deletes the old log first; a log that cannot be deleted stays, and
// a line that cannot be written shows in the box.
TEST(AnalysisTest, LockedOldLogIsKeptAndEveryLineReportedAsLost) {
  testing::TempDir dir;
  testing::MakeSettingsDB(dir.File("TARN.MDB"), {.kv_path = "/games/kv", .log_path = "logs"});
  testing::RecordingFrontEnd front_end;
  testing::MemoryFileSystem files;
  files.AddFolder("logs");
  files.SetFile("logs/tarn.log", "old run\r\n");
  files.Lock("logs/tarn.log");
  Settings settings(front_end);
  settings.SetSettingsDBName(dir.File("TARN.MDB"));
  Analysis analysis(settings, front_end, files, "home");
  analysis.RunDumpRules(true);
  EXPECT_EQ(files.File("logs/tarn.log"), "old run\r\n");
  EXPECT_TRUE(analysis.GetLog().LostLines());
  EXPECT_TRUE(front_end.box.Text().starts_with(
      "*******  Unable to log message in file logs/tarn.log\r\n         Error numb:75\r\n"));
}

#ifndef _WIN32
// Not on Windows: it limits the file size of a forked child (setrlimit).
// The rows of a run are committed at its end; a commit that fails there, on a full disk, is
// reported in the log, as is the storing of the findings, and the program still ends normally.
TEST(AnalysisTest, FailedCommitAtTheEndIsReported) {
  testing::TempDir home;
  testing::MakeSettingsDB(home.File("TARN.MDB"), {.log_path = home.Path()});
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
    testing::RecordingFrontEnd front_end;
    RealFileSystem files;
    Settings settings(front_end);
    settings.SetSettingsDBName(home.File("TARN.MDB"));
    Analysis analysis(settings, front_end, files, home.Path());
    if (!analysis.InitDB()) _exit(2);
    const rlimit limit{1 << 16, 1 << 16};
    setrlimit(RLIMIT_FSIZE, &limit);
    for (int i = 0; i < 4000; ++i) analysis.Data()->AddValue(1, std::string_view("a long value"));
    analysis.GetLog().WarnFile("a.ini", 0, kErrLineTooLong, 1, 2);  // a finding to store
    analysis.Close();
    _exit(0);
  }
  int status = -1;
  waitpid(child, &status, 0);
  EXPECT_EQ(status, 0);
  const std::string log = testing::FromCrLf(testing::ReadFile(home.File("tarn.log")));
  EXPECT_NE(log.find("\nSource: SQLite\nClose Data DB\n"), std::string::npos) << log;
  EXPECT_TRUE(log.ends_with("\nSource: SQLite\nStore Findings\n")) << log;
}
#endif  // !_WIN32

// An analysis of its own over the machine's files: its home holds TARN.MDB and is its log
// folder.
struct Side {
  // The settings database reads the game folder game with the rule text rules.
  void Open(const std::string& game, const std::string& rules) {
    testing::MakeSettingsDB(home.File("TARN.MDB"),
                            {.kv_path = game, .log_path = home.Path(), .rules = rules});
    settings.SetSettingsDBName(home.File("TARN.MDB"));
    analysis = std::make_unique<Analysis>(settings, front_end, files, home.Path());
  }
  std::string Log() const {
    std::string log = testing::FromCrLf(testing::ReadFile(home.File("tarn.log")));
    testing::MarkFolder(log, home.Path(), "<home>");
    return log;
  }
  Rows Stored() const { return testing::RowsOf(home.File("KV.MDB"), "SELECT * FROM Sections"); }

  testing::TempDir home;
  testing::RecordingFrontEnd front_end;
  RealFileSystem files;
  Settings settings{front_end};
  std::unique_ptr<Analysis> analysis;
};

// A command's stored report points into its own findings: the next command forgets it even
// when it stores nothing itself.
TEST(AnalysisTest, StoredReportIsForgottenByTheNextCommand) {
  Side side;
  side.Open("", "");
  Analysis& analysis = *side.analysis;
  analysis.KeepStoredReport(true);
  ASSERT_TRUE(analysis.InitDB());
  analysis.GetLog().WarnFile("a.ini", 0, kErrLineTooLong, 1, 2);
  ASSERT_TRUE(analysis.InitDB());  // stores the finding and keeps its report
  ASSERT_TRUE(analysis.InitDB());  // stores nothing
  EXPECT_TRUE(analysis.TakeStoredReport().empty());
}

// Each analysis owns what its run builds: the log, the data database and the list of files
// read. Both here read one game folder, each with its own settings, home and log folder.
TEST(AnalysisTest, TwoInOneProcessDoNotSeeEachOther) {
  testing::TempDir game;
  testing::WriteWorld(game.Path(), {{"EXE/kestrovar.ini", "[Data]\nships = ships.ini\n"},
                                    {"DATA/ships.ini", "[Ship]\nnickname = a\n"}});
  Side a, b;
  for (Side* side : {&a, &b}) side->Open(game.Path(), "[Ship]\nnickname #1 = String\n");
  // The observer hears of the file when it is opened, after its section and when it is done.
  struct Progress : ProgressObserver {
    void RunProgressed(const RunProgress& progress) override {
      const std::string_view file = progress.current_file;
      seen.push_back(std::to_string(progress.files_read) + " " +
                     std::string(file.substr(file.find_last_of("/\\") + 1)));
    }
    std::vector<std::string> seen;
  } progress;
  a.analysis->SetProgressObserver(&progress);
  ASSERT_TRUE(b.analysis->InitDB());
  ASSERT_TRUE(a.analysis->InitDB());
  a.analysis->RunAll(false);
  EXPECT_EQ(progress.seen, (std::vector<std::string>{"1 ships.ini", "1 ships.ini", "1 ships.ini"}));
  a.analysis->Close();
  EXPECT_EQ(b.Log(), "Initialising DATA database: <home>/KV.MDB\nDone.\n");
  EXPECT_EQ(b.front_end.box.Text(), testing::ReadFile(b.home.File("tarn.log")));
  EXPECT_EQ(b.Stored(), Rows{});
  const std::string a_log = a.Log();
  const Rows a_rows = a.Stored();
  b.analysis->RunAll(false);  // reads what a read: its own list knows nothing of a's run
  b.analysis->Close();
  EXPECT_EQ(b.Log(), a_log);
  EXPECT_NE(
      a_log.find("    Processing " + JoinPath(JoinPath(game.Path(), "DATA"), "ships.ini") + "\n"),
      std::string::npos);
  EXPECT_EQ(b.Stored(), a_rows);
  EXPECT_EQ(a_rows.size(), 1u);
  EXPECT_EQ(a.Log(), a_log);
  EXPECT_EQ(a.Stored(), a_rows);
  // The front end may take input after every section read.
  EXPECT_EQ(a.front_end.events, 1);
  EXPECT_EQ(b.front_end.events, 1);
}

// "refs" stopped as asked writes one line and no warning, and forgets the stop: the next one
// checks every name.
TEST(AnalysisTest, RefsStoppedAsAskedWritesOneLineAndTheNextChecksAll) {
  testing::TempDir game;
  testing::WriteWorld(game.Path(), {{"EXE/kestrovar.ini", "[Data]\nships = ships.ini\n"},
                                    {"DATA/ships.ini", "[Ship]\nnickname = a\nfollows = b\n"}});
  Side side;
  side.Open(game.Path(),
            "[Ship]\nnickname #1 = String\nname #3 = String\n"
            "follows #2 = String -> [Ship]nickname | [Ship]name\n");
  Analysis& analysis = *side.analysis;
  ASSERT_TRUE(analysis.InitDB());
  analysis.RunAll(false);
  EXPECT_FALSE(analysis.CommandCancelled());  // a run that went through
  analysis.RequestCancel();
  EXPECT_EQ(analysis.RunRefs(), 0);
  EXPECT_TRUE(analysis.RefsCancelled());
  EXPECT_TRUE(
      side.Log().ends_with("Checking references\nChecking references cancelled by the user\n"))
      << side.Log();
  EXPECT_EQ(analysis.RunRefs(), 1);
  EXPECT_FALSE(analysis.RefsCancelled());
  analysis.Close();
  // What the second search found is in the data database once it is closed, with every kind
  // the name was looked for among.
  EXPECT_EQ(
      testing::RowsOf(side.home.File("KV.MDB"), "SELECT Position, Line, Target FROM Findings"),
      (Rows{"2|3|[Ship]nickname | [Ship]name"}));
}

// Where stored rows stand on disk, kept compactly during a run: entries far below their
// header, rows that were never kept, and a new data database starting its rows again.
SectionBuffer Section(const char* disk_file, std::int32_t header_line, bool binary = false) {
  SectionBuffer buffer;
  buffer.DiskFile = disk_file;
  buffer.HeaderLine = header_line;
  buffer.Binary = binary;
  return buffer;
}

TEST(LinePlacesTest, EachEntryFindsItsFileAndEditorLine) {
  LinePlaces places;
  places.AddSection(10, Section("DATA/a.ini", 3));
  places.AddEntry(100, 4);
  places.AddEntry(101, 3 + 0xFFFF);  // a long comment between header and entry
  places.AddSection(11, Section("DATA/b.ini", 70000, true));
  places.AddEntry(102, 70002);
  places.AddEntry(104, 200000);  // row 103 was never kept

  struct Case {
    std::int32_t section, entry;
    const char* file;
    std::int32_t line;
    bool binary;
  } cases[] = {{10, 100, "DATA/a.ini", 4, false},
               {10, 101, "DATA/a.ini", 65538, false},
               {11, 102, "DATA/b.ini", 70002, true},
               {11, 104, "DATA/b.ini", 200000, true}};
  LinePlaces::Place place;
  for (const Case& c : cases) {
    ASSERT_TRUE(places.Find(c.section, c.entry, place)) << c.section << " " << c.entry;
    EXPECT_EQ(place.disk_file, c.file) << c.entry;
    EXPECT_EQ(place.editor_line, c.line) << c.entry;
    EXPECT_EQ(place.binary, c.binary) << c.entry;
  }
  for (auto [section, entry] : {std::pair{11, 103}, {9, 100}, {10, 99}, {12, 102}, {11, 105}}) {
    EXPECT_FALSE(places.Find(section, entry, place)) << section << " " << entry;
  }

  // A new data database numbers its rows from 1 again.
  places.Clear();
  EXPECT_FALSE(places.Find(10, 100, place));
  places.AddSection(1, Section("DATA/c.ini", 1));
  places.AddEntry(1, 2);
  ASSERT_TRUE(places.Find(1, 1, place));
  EXPECT_EQ(place.disk_file, "DATA/c.ini");
  EXPECT_EQ(place.editor_line, 2);
}

// A kept row's editor line is the slot of the line's place in its section; a place outside
// the slots (the header's own line, or past the last slot) has none, 0.
TEST(ReferenceRecorderTest, EachLineTakesTheEditorLineOfItsPlaceInTheSection) {
  struct NoRows : RowSink {
    std::int32_t AddSection(std::string_view, std::string_view, std::string_view,
                            std::int32_t) override {
      return ++rows;
    }
    std::int32_t AddEntry(std::string_view, std::int32_t, std::int32_t, std::int32_t) override {
      return ++rows;
    }
    std::int32_t AddValue(std::int32_t, const ValueView&) override { return ++rows; }
    std::int32_t rows = 0;
  } rows;
  RecordedValues values;
  ReferenceRecorder recorder(rows, values, {7});
  constexpr std::int32_t kLast = SectionBuffer::kMaxLines;
  auto buffer = std::make_unique<SectionBuffer>(Section("DATA/a.ini", 10));
  buffer->EntryLines[1] = 12;
  buffer->EntryLines[kLast] = 9000;
  recorder.SetSection(*buffer);
  const std::int32_t section = recorder.AddSection("ships", "Ship", "a.ini", 10);
  const std::int32_t lines[][2] = {{10, 0}, {11, 12}, {10 + kLast, 9000}, {11 + kLast, 0}};
  for (const auto& line : lines) recorder.AddEntry("k", 7, section, line[0]);
  auto kept = values.Query(7);
  for (const auto& line : lines) {
    StoredValueRow row;
    ASSERT_TRUE(kept->Next(row));
    EXPECT_EQ(row.editor_line, line[1]) << line[0];
  }
}

}  // namespace
}  // namespace tarn
