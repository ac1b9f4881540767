// Runs the program on small worlds with a rule set of their own, whose whole log and rows are
// compared: the files a run reads and in which order, what it stores, and "All" stopped part
// way on the broken sample world.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "analysis/analysis.h"
#include "datadb/database.h"
#include "platform/file_system.h"
#include "platform/version.h"
#include "settings/settings.h"
#include "support/core_fixture.h"
#include "support/program.h"
#include "support/rows.h"
#include "support/settings_db.h"
#include "support/world.h"
#include "walk/run_watch.h"

namespace tarn {
namespace {

using testing::Rows;

class WalkTest : public ::testing::Test {
 protected:
  // [Ship]nickname's identifier is 74 plus 65536: only the rules that name files lead to
  // them, not one whose identifier agrees with theirs in the low 16 bits.
  void SetUp() override {
    testing::MakeSettingsDB(tarn_.home.File("TARN.MDB"),
                            {.rules = "[system]\nnickname #2001 = String\nfile #74 = String\n"
                                      "[Base]\nnickname #2002 = String\nfile #101 = String\n"
                                      "[Ship]\nnickname #65610 = String\nmass #2004 = Double\n"
                                      "hp #2005 multiline = h:Long, *String\n",
                             .other_ini = {"Missions\\m01.ini", "gone\\x.ini"}});
  }
  // The log shows the version the build gives the program as "<v>".
  testing::Result Run(const std::string& args) {
    testing::Result r = tarn_.Run("--game <game> --log <log> --quiet " + args);
    testing::ReplaceAll(r.log, "TARN v " + VersionText(), "TARN v <v>");
    return r;
  }
  // Every stored entry line with its section: section line, area, section, file, entry,
  // entry line and values.
  Rows Stored() {
    Rows rows = testing::RowsOf(
        tarn_.home.File("KV.MDB"),
        "SELECT s.Line, Area, Section, File, Entry, e.Line, (SELECT group_concat(Value) FROM "
        "\"Values\" v WHERE v.Link = e.DB_ID) FROM Sections s LEFT JOIN Entries e ON "
        "e.Link = s.DB_ID ORDER BY s.DB_ID, e.DB_ID");
    for (std::string& row : rows) testing::MarkFolder(row, tarn_.game.Path(), "<game>");
    return rows;
  }
  testing::Tarn tarn_;
};

std::string Warning(const std::string& file, int line, const std::string& section, int index,
                    const std::string& text) {
  return "WARN: File " + file + " line " + std::to_string(line) + "\n      Section [" + section +
         "] line " + std::to_string(index) + "\n      " + text + "\n\n";
}

std::string Done(int id) {
  const std::string read = "Reading files for value ID " + std::to_string(id);
  return "\n\n" + read + "\nDone " + read + " , , \n";
}

// Files are named with the letter case of the reference that led to them and read once;
// further files take the area of the section that named them; each section is checked line
// by line against its rule and stored in rule order, its names lower-cased.
TEST_F(WalkTest, FullRunOverASmallWorld) {
  testing::WriteWorld(
      tarn_.game.Path(),
      {{"EXE/kestrovar.ini",
        "[Resources]\nDLL = names.dll\n[Data]\nuniverse = Universe\\universe.ini\n"
        "ships = ships\\ShipArch.ini\nships = SHIPS\\shiparch.ini\nEquipment = x.ini\n"
        "bases =\nsolar =\ninterface = hud.ini\n[Extra]\nx = 1\n"},
       {"DATA/UNIVERSE/universe.ini",
        "[system]\nnickname = kv01\nfile = Systems\\KV01.ini\n"
        "[system]\nnickname = kv02\nfile = systems\\gone.ini\n"
        "[Base]\nnickname = b01\nfile = bases\\b01.ini\n"},
       {"DATA/UNIVERSE/SYSTEMS/kv01.ini", "[Ship]\nnickname = drifter\n"},
       {"DATA/BASES/B01.INI", "[Ship]\nmass = 2\n"},
       {"DATA/ships/shiparch.ini",
        "stray = 1\n[Ship\nnickname = fighter\n[ Ship ]\nmass = 1\n[ship]\n\n"
        "nickname = a = b\nspeed = 3\n=5\nmass = x\nHP = 3000000000\nhp = 1\nnickname = again\n"
        "Mass = 1.5\nhp = 2, x, , y\nhp\nseparable\n"},
       {"DATA/missions/m01.ini", "[Ship]\nnickname = escort\n"}});
  const testing::Result r = Run("--overwrite init-db all");
  EXPECT_EQ(r.status, 1) << r.err;
  const std::string ships = "<game>/DATA/ships/ShipArch.ini";
  EXPECT_EQ(
      r.log,
      "TARN v <v> Log File\n \nKV Path <game>\nLog Path <log>\n \n"
      "Processing <game>/EXE/kestrovar.ini\n"
      "     NOT Processing (in TARN v <v>) section [Resources]\n"
      "    Processing Section [Data]\n"
      "        Processing universe Universe\\universe.ini\n"
      "    Processing <game>/DATA/Universe/universe.ini\n"
      "        Processing ships ships\\ShipArch.ini\n"
      "    Processing " +
          ships + "\n" +
          Warning(ships, 3, "[Ship", 1, "10301 - Section has no closing bracket ![Ship!!") +
          Warning(ships, 5, " Ship ", 1, "10305 - Unknown Section !mass!1!") + "WARN: File " +
          ships + " line 18\n      !separable! line found. Changed to !separable = true!\n" +
          Warning(ships, 8, "ship", 2, "10302 - Unknown Entry !speed!3!") +
          Warning(ships, 9, "ship", 3, "10302 - Unknown Entry !=5!!") +
          Warning(ships, 10, "ship", 4, "10101 - Value Type Mismatch !mass!x!") +
          Warning(ships, 11, "ship", 5, "10104 - Value Overflow !HP!3000000000!") +
          Warning(ships, 13, "ship", 7, "10209 - Entry is Not Multiline !nickname!again!") +
          Warning(ships, 16, "ship", 10, "10212 - Too Few Values !hp!!") +
          Warning(ships, 17, "ship", 11, "10302 - Unknown Entry !separable!true!") +
          "        Processing ships SHIPS\\shiparch.ini\n"
          "    Processing <game>/DATA/SHIPS/shiparch.ini\n"
          "Already parsed. Skipped.\n"
          "        NOT Processing (in TARN v <v>) Equipment x.ini\n"
          "        NOT Processing (in TARN v <v>) bases \n" +
          Warning("<game>/EXE/kestrovar.ini", 9, "Data", 6,
                  "10304 - Entry With no Value !solar!!") +
          "        NOT Processing (in TARN v <v>) interface hud.ini\n"
          "    NOT Processing (by design) section [Extra]\n"
          "Done Processing <game>/EXE/kestrovar.ini\n"
          "\n\nReading files for other INIs\n"
          "    Processing <game>/DATA/Missions/m01.ini\n"
          "    Processing <game>/DATA/gone/x.ini\n" +
          Warning("N/A", 0, "N/A", 0, "10306 - Could not open referred file !N/A!gone\\x.ini!") +
          "Done Reading files for other INIs\n"
          "\n\nReading files for value ID 74\n"
          "\n\nReading files for value ID 74 universe, system, file\n"
          "    Processing <game>/Data/Universe/Systems/KV01.ini\n"
          "    Processing <game>/Data/Universe/systems/gone.ini\n" +
          Warning("<game>/DATA/Universe/universe.ini", 6, "system", 2,
                  "10306 - Could not open referred file !file!systems\\gone.ini!") +
          "Done Reading files for value ID 74 universe, system, file\n"
          "\n\nReading files for value ID 101\n"
          "\n\nReading files for value ID 101 universe, base, file\n"
          "    Processing <game>/DATA/bases/b01.ini\n"
          "Done Reading files for value ID 101 universe, base, file\n" +
          Done(871) + Done(877) + Done(879) + Done(64) + Done(824) + Done(1034) + Done(1040) +
          Done(1055) + Done(1107) + Done(1169) + Done(872));
  EXPECT_EQ(
      Stored(),
      (Rows{"1|universe|system|<game>/DATA/Universe/universe.ini|nickname|2|kv01",
            "1|universe|system|<game>/DATA/Universe/universe.ini|file|3|Systems\\KV01.ini",
            "4|universe|system|<game>/DATA/Universe/universe.ini|nickname|5|kv02",
            "4|universe|system|<game>/DATA/Universe/universe.ini|file|6|systems\\gone.ini",
            "7|universe|base|<game>/DATA/Universe/universe.ini|nickname|8|b01",
            "7|universe|base|<game>/DATA/Universe/universe.ini|file|9|bases\\b01.ini",
            "2|ships|ship|" + ships + "|nickname|3|fighter",
            "6|ships|ship|" + ships + "|nickname|7|a = b", "6|ships|ship|" + ships + "|mass|14|1.5",
            "6|ships|ship|" + ships + "|hp|12|1", "6|ships|ship|" + ships + "|hp|15|2,x,,y",
            "1|hardcoded|ship|<game>/DATA/Missions/m01.ini|nickname|2|escort",
            "1|universe|ship|<game>/Data/Universe/Systems/KV01.ini|nickname|2|drifter",
            "1|universe|ship|<game>/DATA/bases/b01.ini|mass|2|2"}));
}

// The list of files read starts with "Init DB": without one the run ends at its first data
// file; a run that does not overwrite appends to the log without a banner.
TEST_F(WalkTest, RunWithoutInitDBEndsAtItsFirstDataFile) {
  testing::WriteWorld(tarn_.game.Path(),
                      {{"EXE/kestrovar.ini", "[Data]\nbases =\nships = ships.ini\nsolar = s.ini\n"},
                       {"DATA/ships.ini", "[Ship]\n"}});
  testing::WriteFile(tarn_.log.File("tarn.log"), "old\r\n");
  const testing::Result r = Run("--append all");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.log,
            "old\nProcessing <game>/EXE/kestrovar.ini\n    Processing Section [Data]\n"
            "        NOT Processing (in TARN v <v>) bases \n"
            "        Processing ships ships.ini\n"
            "    Processing <game>/DATA/ships.ini\n"
            "Error : Object variable or With block variable not set\nNumber: 91\n"
            "Source: TARN\nReadINIFile\n");
}

// A list of further files that cannot be read is reported where it ends the run.
TEST_F(WalkTest, ListOfOtherFilesThatCannotBeReadEndsTheRun) {
  testing::WriteWorld(tarn_.game.Path(), {{"EXE/kestrovar.ini", "[Data]\n"}});
  Database::Open(tarn_.home.File("TARN.MDB"), Database::Mode::kReadWrite)
      .Exec("DROP TABLE _bc_OtherINI");
  const testing::Result r = Run("--overwrite init-db all");
  EXPECT_EQ(r.status, 3);
  EXPECT_TRUE(r.log.ends_with("\nReadOtherINIs\n")) << r.log;
  // The indexes left out while the rows went in are made before the program ends.
  EXPECT_EQ(testing::RowsOf(tarn_.home.File("KV.MDB"),
                            "SELECT name FROM sqlite_master WHERE type = 'index' ORDER BY 1"),
            (Rows{"Entries_IDIDX", "Entries_LinkIDX", "Findings_PathIDX", "Values_LinkIDX"}));
}

// A section holds at most 2048 lines: the next ends the main file's walk, or the run.
TEST_F(WalkTest, SectionsOf2048LinesAreReadWholeAndOf2049EndTheWalk) {
  std::string lines;
  for (int i = 0; i < 2048; ++i) lines += "hp = " + std::to_string(i) + "\n";
  testing::WriteWorld(
      tarn_.game.Path(),
      {{"EXE/kestrovar.ini", "[Data]\nships = s.ini\n[Extra]\n" + lines + "x = 1\n"},
       {"DATA/s.ini", "[Ship]\n" + lines + "[Ship]\nmass = 1\n"}});
  testing::Result r = Run("--overwrite init-db all");
  EXPECT_EQ(r.status, 1);  // a file of _bc_OtherINI is missing
  EXPECT_NE(r.log.find("    Processing <game>/DATA/s.ini\n"
                       "ERR : File <game>/EXE/kestrovar.ini line 2052\n"
                       "      9 -- Subscript out of range -- TARN\n"
                       "\n\nReading files for other INIs\n"),
            std::string::npos)
      << r.log;
  const Rows rows = Stored();
  ASSERT_EQ(rows.size(), 2049u);
  EXPECT_EQ(rows[2047], "1|ships|ship|<game>/DATA/s.ini|hp|2049|2047");
  EXPECT_EQ(rows.back(), "2050|ships|ship|<game>/DATA/s.ini|mass|2051|1");

  testing::WriteWorld(tarn_.game.Path(), {{"DATA/s.ini", "[Ship]\n" + lines + "hp = 1\n"}});
  r = Run("--overwrite init-db all");
  EXPECT_EQ(r.status, 3);
  EXPECT_TRUE(
      r.log.ends_with("    Processing <game>/DATA/s.ini\nError : Subscript out of range\n"
                      "Number: 9\nSource: TARN\nReadINIFile\n"))
      << r.log;
}

// An unknown key is offered the nearest key of its section's rule, an unknown section the
// nearest section of the rule set, never a name of the other kind; the log says none of it.
TEST_F(WalkTest, UnknownKeysAndSectionsAreOfferedTheNearestKnownNameOfTheirKind) {
  testing::WriteWorld(tarn_.game.Path(),
                      {{"EXE/kestrovar.ini", "[Data]\nships = s.ini\n"},
                       {"DATA/s.ini",
                        "[Ship]\nnickname = a\nMas = 1\nnicknam = b\nsystemx = 2\n"
                        "; the header of an unknown section is where it is\n\n[Shipp]\nmass = 1\n"
                        "[ship_arch]\nmass = 1\n"}});
  const testing::Result r = Run("--overwrite --report text=- init-db all");
  EXPECT_EQ(r.status, 1);
  const std::vector<std::string> lines = testing::TextLines(r.out);
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5),
            (std::vector<std::string>{
                "DATA/s.ini:3: warning: 10302 Unknown Entry: Mas = 1 [Ship]; did you mean `mass`?",
                "DATA/s.ini:4: warning: 10302 Unknown Entry: nicknam = b [Ship]; did you mean "
                "`nickname`?",
                "DATA/s.ini:5: warning: 10302 Unknown Entry: systemx = 2 [Ship]",
                "DATA/s.ini:8: warning: 10305 Unknown Section: mass = 1 [Shipp]; did you mean "
                "`Ship`?",
                "DATA/s.ini:10: warning: 10305 Unknown Section: mass = 1 [ship_arch]"}));
  EXPECT_EQ(r.log.find("did you mean"), std::string::npos);
  EXPECT_NE(r.log.find("WARN: File <game>/DATA/s.ini line 9\n      Section [Shipp] line 1"),
            std::string::npos);
}

// A stop asked for during "All" on the broken sample world: the run ends at the end of the file
// being read, its log is the whole run's log up to there and one line more, and KV.MDB holds,
// committed, exactly the rows the whole run had stored by then, the last file's all of them.
struct RunRecord {
  std::vector<std::string> log;
  std::vector<std::string> sections;  // "DB_ID|File|Section|Line", in DB_ID order
  std::int64_t entries = 0;
  std::int64_t values = 0;
  std::vector<std::string> opened;  // the data files in the order the run opened them
  std::int64_t last_warnings = 0;   // warnings the observer last heard of
  RunOutcome outcome;
  std::size_t findings = 0;
};

// Asks for a stop as soon as the given data file is open.
class StopAt : public ProgressObserver {
 public:
  StopAt(Analysis& analysis, std::int64_t file, RunRecord& run)
      : analysis_(analysis), file_(file), run_(run) {}
  void RunProgressed(const RunProgress& progress) override {
    if (progress.files_read > static_cast<std::int64_t>(run_.opened.size())) {
      run_.opened.emplace_back(progress.current_file);
      if (progress.files_read == file_) analysis_.RequestCancel();
    }
    EXPECT_GE(progress.warnings, run_.last_warnings);
    run_.last_warnings = progress.warnings;
  }

 private:
  Analysis& analysis_;
  std::int64_t file_;
  RunRecord& run_;
};

// Runs "Init DB" and "All" with a stop asked for at data file stop_at (0: never), and reads
// KV.MDB through a connection of its own while the analysis still holds it open.
RunRecord RunBrokenWorld(std::int64_t stop_at) {
  testing::TempDir home, logs;
  std::filesystem::copy_file(TARN_SHIPPED_MDB, home.File("TARN.MDB"));
  testing::RecordingFrontEnd front_end;
  RealFileSystem files;
  Settings settings(front_end);
  settings.SetSettingsDBName(home.File("TARN.MDB"));
  settings.Values().SetKVPath(std::string(TARN_EXAMPLES) + "/kestrovar-broken");
  settings.Values().SetLogPath(logs.Path());
  RunRecord run;
  {
    Analysis analysis(settings, front_end, files, home.Path());
    StopAt observer(analysis, stop_at, run);
    analysis.SetProgressObserver(&observer);
    EXPECT_TRUE(analysis.InitDB());
    analysis.RunAll(true);
    run.outcome = analysis.LastRun();
    run.findings = analysis.Findings().size();
    run.log = testing::TextLines(testing::ReadFile(logs.File("tarn.log")));
    for (std::string& line : run.log) testing::ReplaceAll(line, logs.Path(), "<logs>");

    const std::string kv = home.File("KV.MDB");
    run.sections =
        testing::RowsOf(kv, "SELECT DB_ID, File, Section, Line FROM Sections ORDER BY 1");
    run.entries = std::stoll(testing::RowsOf(kv, "SELECT count(*) FROM Entries")[0]);
    run.values = std::stoll(testing::RowsOf(kv, "SELECT count(*) FROM \"Values\"")[0]);
  }
  settings.Discard();
  return run;
}

// The sections of the files in the first `files` of opened, in the order stored.
std::vector<std::string> SectionsOf(const RunRecord& run, std::size_t files) {
  std::vector<std::string> kept;
  for (const std::string& row : run.sections) {
    for (std::size_t i = 0; i < files; ++i) {
      if (row.find('|' + run.opened[i] + '|') != std::string::npos) kept.push_back(row);
    }
  }
  return kept;
}

TEST(CancelTest, StopsAtTheEndOfTheFileBeingReadKeepingWhatItStored) {
  const RunRecord whole = RunBrokenWorld(0);
  ASSERT_FALSE(whole.outcome.cancelled);
  ASSERT_EQ(static_cast<std::int64_t>(whole.opened.size()), whole.outcome.files);
  ASSERT_EQ(whole.last_warnings, 7);
  ASSERT_EQ(whole.findings, 7u);

  for (std::int64_t stop_at : {std::int64_t{1}, std::int64_t{20}, whole.outcome.files}) {
    SCOPED_TRACE(stop_at);
    const RunRecord cut = RunBrokenWorld(stop_at);
    EXPECT_TRUE(cut.outcome.cancelled);
    EXPECT_EQ(cut.outcome.files, stop_at);
    ASSERT_EQ(static_cast<std::int64_t>(cut.opened.size()), stop_at);
    const std::string& last = cut.opened.back();

    // The log: the whole run's, as far as the run came, then the one line that says why not
    // further; the last file read to its end.
    ASSERT_FALSE(cut.log.empty());
    EXPECT_EQ(cut.log.back(), "Run cancelled by the user after " + last);
    const std::vector<std::string> before(cut.log.begin(), cut.log.end() - 1);
    ASSERT_LE(before.size(), whole.log.size());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), whole.log.begin()));
    if (before.size() < whole.log.size()) {
      EXPECT_EQ(whole.log[before.size()].find("WARN: File " + last), std::string::npos);
    }

    // The rows: those of the files read, every section of each, under the same identifiers.
    EXPECT_EQ(cut.sections, SectionsOf(whole, cut.opened.size()));
    EXPECT_LE(cut.values, whole.values);
    EXPECT_EQ(cut.last_warnings, static_cast<std::int64_t>(cut.findings));
    if (stop_at == whole.outcome.files) {
      EXPECT_EQ(cut.entries, whole.entries);
      EXPECT_EQ(cut.values, whole.values);
    }
  }
}

}  // namespace
}  // namespace tarn
