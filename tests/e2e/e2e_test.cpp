// Runs the program on whole game folders: the two sample worlds under examples/ with the
// shipped rule set (the clean world must check without a single warning, read each of its
// files once and define every name it uses; the broken one must give exactly the warning
// blocks its README lists, the unknown names among them); small worlds with a rule set of their
// own, whose whole log and rows are compared; the broken world's findings in every report
// format; game folders and homes as an attacker or a careless user makes them; what
// `rules learn` learns from a game folder; and "All" stopped part way.
#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

#include "analysis/analysis.h"
#include "datadb/database.h"
#include "ini/bini_decoder.h"
#include "platform/file_system.h"
#include "platform/folder_lock.h"
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

// The version the build gives the program, as its log and --version show it.
const std::string kVersion = VersionText();

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(testing::FromCrLf(text));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

class SampleWorldTest : public ::testing::Test {
 protected:
  // Checks a copy of the world as the game folder, and its names; the log's lines.
  std::vector<std::string> Check(const std::string& world, int status) {
    fs::copy(Folder(world), tarn_.game.Path(), fs::copy_options::recursive);
    const testing::Result r =
        tarn_.Run("--game <game> --log <log> --overwrite --quiet init-db all refs");
    EXPECT_EQ(r.status, status) << r.err;
    return Lines(r.log);
  }
  static std::string Folder(const std::string& world) { return TARN_EXAMPLES "/" + world; }
  testing::Tarn tarn_;
};

TEST_F(SampleWorldTest, CleanWorldChecksWithoutAWarningAndReadsEachFileOnce) {
  std::vector<std::string> read;
  const std::vector<std::string> log = Check("kestrovar", 0);
  for (const std::string& line : log) {
    EXPECT_FALSE(line.starts_with("WARN: File ") || line.starts_with("ERR") ||
                 line.starts_with("Error") || line == "Already parsed. Skipped.")
        << line;
    // The log names a file with the letter case of the reference that led to it; the world's
    // folders and files are named in other cases on purpose.
    for (std::string prefix : {"Processing <game>/", "    Processing <game>/"}) {
      if (line.starts_with(prefix)) read.push_back(Lower(line.substr(prefix.size())));
    }
  }
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(tarn_.game.Path())) {
    if (entry.is_regular_file()) {
      files.push_back(Lower(fs::relative(entry.path(), tarn_.game.Path()).generic_string()));
    }
  }
  std::sort(read.begin(), read.end());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(read, files);
  EXPECT_THAT(log, ::testing::Contains(::testing::StartsWith("Done Checking references: 0 unknown "
                                                             "names in ")));
  // Each of the thirteen rules that lead to further files was followed.
  EXPECT_EQ(testing::RowsOf(tarn_.home.File("KV.MDB"),
                            "SELECT count(DISTINCT EntryID) FROM Entries WHERE EntryID IN "
                            "(74, 101, 871, 877, 879, 64, 824, 1034, 1040, 1055, 1107, 1169, 872)"),
            testing::Rows{"13"});
}

// The README of the broken world lists what a modder should see: each warning block in a
// fenced block of its own, in log order.
TEST_F(SampleWorldTest, BrokenWorldGivesExactlyTheListedWarnings) {
  std::vector<std::string> listed;
  std::string block;
  bool fenced = false;
  for (const std::string& line :
       Lines(testing::ReadFile(Folder("kestrovar-broken") + "/README.md"))) {
    if (line.starts_with("```")) {
      if (fenced && block.starts_with("WARN: File ")) listed.push_back(block);
      fenced = !fenced;
      block.clear();
    } else if (fenced) {
      block += line + "\n";
    }
  }
  ASSERT_EQ(listed.size(), 9u);
  const std::vector<std::string> log = Check("kestrovar-broken", 1);
  std::vector<std::string> warnings;
  for (std::size_t i = 0; i < log.size(); ++i) {
    EXPECT_FALSE(log[i].starts_with("ERR") || log[i].starts_with("Error")) << log[i];
    if (!log[i].starts_with("WARN: File ")) continue;
    block.clear();
    for (std::size_t j = i; j < i + 3 && j < log.size(); ++j) block += log[j] + "\n";
    warnings.push_back(block);
  }
  EXPECT_EQ(warnings, listed);
}

// The game looks names up without regard to the letter case of ASCII letters, and so does
// "refs": a use written in other letters than its definition names it all the same.
TEST_F(SampleWorldTest, NamesAreFoundWhateverTheirLetterCase) {
  fs::copy(Folder("kestrovar"), tarn_.game.Path(), fs::copy_options::recursive);
  const std::string market = tarn_.game.Path() + "/DATA/EQUIPMENT/market_misc.ini";
  const std::string text = testing::ReadFile(market);
  const std::size_t at = text.find("commodity_ice_ore,");
  ASSERT_NE(at, std::string::npos);
  for (const auto& [name, unknown] : {std::pair{"COMMODITY_Ice_Ore", 0}, {"commodity_ice_or", 1}}) {
    std::string changed = text;
    changed.replace(at, std::string("commodity_ice_ore").size(), name);
    testing::WriteFile(market, changed);
    const testing::Result r =
        tarn_.Run("--game <game> --log <log> --overwrite --quiet init-db all refs");
    EXPECT_THAT(Lines(r.log),
                ::testing::Contains("Done Checking references: " + std::to_string(unknown) +
                                    " unknown names in " + "72 positions"))
        << name;
  }
}

// "refs": a room is local to its base's files once the rules say so. Deck is a room of
// both sample bases and Bar of the first only: the second base starting in Bar passes a check
// of the whole folder but not one within the base's own files.
TEST_F(SampleWorldTest, LocalNameIsLookedUpInItsOwnGroupOfFiles) {
  fs::copy(Folder("kestrovar"), tarn_.game.Path(), fs::copy_options::recursive);
  const std::string base = tarn_.game.Path() + "/DATA/UNIVERSE/SYSTEMS/KV02/BASES/kv02_01_base.ini";
  std::string text = testing::ReadFile(base);
  text.replace(text.find("start_room = Deck"), 17, "start_room = Bar");
  testing::WriteFile(base, text);
  testing::TempDir dir;
  const std::string rules = dir.File("rules");
  fs::copy(TARN_SOURCE "/data/rules", rules, fs::copy_options::recursive);
  for (const auto& [target, unknown] :
       {std::pair{"-> [Room]nickname", 0}, {"-> local [Room]nickname", 1}}) {
    std::string bases = testing::ReadFile(rules + "/bases.rules");
    const std::size_t at = bases.find("-> [Room]nickname");
    ASSERT_NE(at, std::string::npos);
    bases.replace(at, 17, target);
    testing::WriteFile(rules + "/bases.rules", bases);
    ASSERT_EQ(tarn_.Run("rules import " + rules).status, 0) << target;
    const testing::Result r =
        tarn_.Run("--game <game> --log <log> --overwrite --quiet init-db all refs");
    EXPECT_EQ(r.status, unknown) << target;
    EXPECT_THAT(Lines(r.log),
                ::testing::Contains("Done Checking references: " + std::to_string(unknown) +
                                    " unknown names in 72 positions"))
        << target;
  }
}

// "refs": a good defined a second time among more than a hundred is a warning of its own
// after the unknown names, at the second place, naming the first; the sample world's rooms,
// named alike in every base, are not.
TEST_F(SampleWorldTest, NameDefinedTwiceIsADuplicateNamingBothPlaces) {
  fs::copy(Folder("kestrovar"), tarn_.game.Path(), fs::copy_options::recursive);
  const std::string goods = tarn_.game.Path() + "/DATA/EQUIPMENT/goods.ini";
  std::string more;
  for (int i = 0; i < 100; ++i) more += "[Good]\nnickname = kv_good_" + std::to_string(i) + "\n";
  testing::WriteFile(goods, testing::ReadFile(goods) + more +
                                "\n[Good]\nnickname = GUN_pulse_light\nprice = 12\n");
  const testing::Result r = tarn_.Run(
      "--game <game> --log <log> --overwrite --quiet --report sarif=<home>/r.sarif init-db all "
      "refs");
  EXPECT_EQ(r.status, 1) << r.err;
  // The SARIF report knows the number as a rule: the result's index names it.
  Database json = Database::Open(":memory:", Database::Mode::kCreate);
  Statement index = json.Prepare(
      "SELECT json_extract(r.value, '$.ruleIndex') = d.key FROM json_each(?1, "
      "'$.runs[0].results') r, json_each(?1, '$.runs[0].tool.driver.rules') d "
      "WHERE json_extract(d.value, '$.id') = '10406'");
  index.BindText(1, testing::ReadFile(tarn_.home.File("r.sarif")));
  ASSERT_TRUE(index.Step());
  EXPECT_EQ(index.Text(0), "1");
  const std::vector<std::string> log = Lines(r.log);
  const auto done = std::find_if(log.begin(), log.end(), [](const std::string& line) {
    return line.starts_with("Done Checking references");
  });
  ASSERT_NE(done, log.end());
  EXPECT_EQ(*done, "Done Checking references: 0 unknown names in 72 positions, 1 duplicate names");
  ASSERT_GE(done - log.begin(), 4);
  EXPECT_THAT(*(done - 4), ::testing::StartsWith("WARN: File "));
  EXPECT_THAT(*(done - 4),
              ::testing::EndsWith("/DATA/equipment/goods.ini line " +
                                  std::to_string(Lines(testing::ReadFile(goods)).size() - 1)));
  EXPECT_EQ(*(done - 3), "      Section [good] line 1");
  EXPECT_THAT(*(done - 2), ::testing::MatchesRegex(
                               "      10406 - Duplicate Name !nickname!GUN_pulse_light \\(also "
                               "<game>/DATA/equipment/goods.ini line 4\\)!"));
}

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
  testing::Result Run(const std::string& args) {
    return tarn_.Run("--game <game> --log <log> --quiet " + args);
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
      "TARN v " + kVersion +
          " Log File\n \nKV Path <game>\nLog Path <log>\n \n"
          "Processing <game>/EXE/kestrovar.ini\n"
          "     NOT Processing (in TARN v " +
          kVersion +
          ") section [Resources]\n"
          "    Processing Section [Data]\n"
          "        Processing universe Universe\\universe.ini\n"
          "    Processing <game>/DATA/Universe/universe.ini\n"
          "        Processing ships ships\\ShipArch.ini\n"
          "    Processing " +
          ships + "\n" +
          Warning(ships, 3, "[Ship", 1, "10301 - Section has no closing bracket ![Ship!!") +
          Warning(ships, 5, " Ship ", 1, "10305 - Unknown Section !mass!1!") + "WARN: File " +
          ships +
          " line 18\n"
          "      !separable! line found. Changed to !separable = true!\n" +
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
          "        NOT Processing (in TARN v " +
          kVersion +
          ") Equipment x.ini\n"
          "        NOT Processing (in TARN v " +
          kVersion + ") bases \n" +
          Warning("<game>/EXE/kestrovar.ini", 9, "Data", 6,
                  "10304 - Entry With no Value !solar!!") +
          "        NOT Processing (in TARN v " + kVersion +
          ") interface hud.ini\n"
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
            "        NOT Processing (in TARN v " +
                kVersion +
                ") bases \n"
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
  const std::vector<std::string> lines = Lines(r.out);
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

// Copies of the broken world, whose findings are checked in every report format against the
// files on disk, across edits with a baseline, and with a log that cannot be written.
class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(TARN_EXAMPLES "/kestrovar-broken", tarn_.game.Path(), fs::copy_options::recursive);
  }
  testing::Result Run(const std::string& args) {
    return tarn_.Run("--game <game> --overwrite " + args);
  }
  // Rows of a query over a JSON text.
  static Rows Json(const std::string& json, const std::string& sql) {
    Database db = Database::Open(":memory:", Database::Mode::kCreate);
    Statement rows = db.Prepare(sql);
    rows.BindText(1, json);
    Rows out;
    while (rows.Step()) {
      std::string row;
      for (int c = 0; c < rows.ColumnCount(); ++c) row += (c ? "|" : "") + rows.Text(c);
      out.push_back(row);
    }
    return out;
  }
  // Puts lines in front of line `at` (1-based) of a file of the game.
  void Insert(const std::string& file, int at, const std::vector<std::string>& lines) {
    std::vector<std::string> all = Lines(testing::ReadFile(tarn_.game.File(file)));
    all.insert(all.begin() + at - 1, lines.begin(), lines.end());
    std::string text;
    for (const std::string& line : all) text += line + "\r\n";
    testing::WriteFile(tarn_.game.File(file), text);
  }
  testing::Tarn tarn_;
};

TEST_F(ReportTest, EveryFormatPointsAtTheLineOnDisk) {
  const testing::Result r =
      Run("--log <log> --quiet --report text=<home>/r.txt --report json=<home>/r.json "
          "--report sarif=<home>/r.sarif --report github=- init-db all refs");
  ASSERT_EQ(r.status, 1) << r.err;
  const std::vector<std::string> text = Lines(testing::ReadFile(tarn_.home.File("r.txt")));
  EXPECT_THAT(
      text,
      ElementsAre(
          "DATA/constants.ini:15: warning: 10302 Unknown Entry: near_plain = 0.5 [CameraConsts]; "
          "did you mean `near_plane`? (line of the binary file's text form)",
          "DATA/EQUIPMENT/weapon_equip.ini:26: warning: 10302 Unknown Entry: enrgy_damage = 24 "
          "[Munition]; did you mean `energy_damage`?",
          "DATA/EQUIPMENT/goods.ini:9: warning: 10209 Entry is Not Multiline: price = 2100 [Good]",
          "DATA/FX/fuses.ini:8: warning: 10101 Value Type Mismatch: death_fuse = yes [Fuse]",
          "DATA/SOLAR/StarArch.ini:19: warning: 10301 Section has no closing bracket: [Glow",
          "DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini:57: warning: 10212 Too Few Values: goto = kv02, "
          "Orrin_jump_to_Vesk [Object]",
          "DATA/UNIVERSE/SYSTEMS/KV02/KV02.ini:76: warning: 10306 Could not open referred file: "
          "filename = Missions\\Encounters\\area_raiders.ini [encounterparameters]",
          "DATA/EQUIPMENT/market_misc.ini:8: warning: 10401 Unknown Reference: marketgood = "
          "commodity_ice_ores [basegood]: no [Good]nickname has this name; did you mean "
          "`commodity_ice_ore`?",
          "DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini:42: warning: 10401 Unknown Reference: archetype = "
          "planet_ocean_300 [object]: no [Solar]nickname has this name; did you mean "
          "`planet_ocean_3000`?"));
  // The report on standard output is all that is there, one annotation per finding.
  EXPECT_EQ(Lines(r.out).size(), text.size());
  EXPECT_THAT(r.out, HasSubstr("::warning file=DATA/FX/fuses.ini,line=8,title=10101 Value Type "
                               "Mismatch::death_fuse = yes [Fuse]\n"));

  // Each finding's path and line, as the JSON report has them, name the line on disk (in its
  // own letter case) that holds the key at fault (stored in lower case when a reference or a
  // name is at fault), in a binary file the line of its text form; the SARIF report says the
  // same.
  const Rows findings = Json(testing::ReadFile(tarn_.home.File("r.json")),
                             "SELECT json_extract(value, '$.textForm'), json_extract(value, "
                             "'$.path'), json_extract(value, '$.line'), json_extract(value, "
                             "'$.key') FROM json_each(?1, '$.findings')");
  ASSERT_EQ(findings.size(), text.size());
  for (const std::string& row : findings) {
    const bool text_form = row.starts_with("1|");
    const std::string finding = row.substr(row.find('|') + 1);
    const std::size_t bar = finding.find('|'), bar2 = finding.rfind('|');
    std::string file = testing::ReadFile(tarn_.game.File(finding.substr(0, bar)));
    std::string why;
    if (text_form) {
      ASSERT_TRUE(DecodeBini(std::string(file), file, why)) << why;
    }
    const auto lines = Lines(file);
    const std::size_t line = std::stoul(finding.substr(bar + 1, bar2 - bar - 1));
    ASSERT_LE(line, lines.size()) << finding;
    EXPECT_TRUE(Lower(lines[line - 1]).starts_with(Lower(finding.substr(bar2 + 1)))) << finding;
  }
  EXPECT_EQ(
      Json(testing::ReadFile(tarn_.home.File("r.sarif")),
           "SELECT json_extract(value, '$.locations[0].physicalLocation.artifactLocation.uri')"
           " || '|' || json_extract(value, '$.locations[0].physicalLocation.region.startLine')"
           " FROM json_each(?1, '$.runs[0].results')")
          .size(),
      text.size());
}

#ifndef _WIN32
// Not on Windows: the SARIF validator installed is the Linux one.
TEST_F(ReportTest, SarifReportPassesTheOfficialValidator) {
  ASSERT_TRUE(fs::exists(TARN_SARIF_VALIDATOR)) << "run scripts/setup: it installs the validator";
  ASSERT_EQ(Run("--log <log> --quiet --report sarif=<home>/r.sarif init-db all refs").status, 1);
  const testing::Result validation = testing::RunCommand(
      std::string(TARN_SARIF_VALIDATOR) + " validate " + tarn_.home.File("r.sarif") + " 2>&1");
  EXPECT_THAT(validation.out, HasSubstr("1 files scanned"));
  EXPECT_THAT(validation.out, Not(HasSubstr(": error ")));
}
#endif  // !_WIN32

TEST_F(ReportTest, BaselineKeepsKnownFindingsAcrossMovedLinesAndCatchesNewOnes) {
  ASSERT_EQ(Run("--log <log> --quiet --write-baseline <home>/baseline.json init-db all").status, 1);
  // Comment and blank lines above every finding of two files, and a section moved down.
  Insert("DATA/EQUIPMENT/weapon_equip.ini", 1, {"; moved down", "", "; by three lines"});
  Insert("DATA/EQUIPMENT/goods.ini", 8, {"; and this one inside its section"});
  testing::Result r = Run("--log <log> --quiet --baseline <home>/baseline.json init-db all");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("7 warnings (0 new, 7 known; 0 of the baseline fixed)"));

  Insert("DATA/EQUIPMENT/goods.ini", 9, {"pricee = 10"});
  r =
      Run("--log <log> --quiet --baseline <home>/baseline.json --report json=<home>/r.json "
          "--report text=<home>/new.txt --report text=<home>/all.txt init-db all");
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("8 warnings (1 new, 7 known"));
  EXPECT_EQ(testing::ReadFile(tarn_.home.File("new.txt")),
            "DATA/EQUIPMENT/goods.ini:9: warning: 10302 Unknown Entry: pricee = 10 [Good]; did "
            "you mean `price`?\nnote: 7 known findings left out (--report-known lists them)\n");
  Run("--log <log> --quiet --baseline <home>/baseline.json --report-known "
      "--report text=<home>/all.txt init-db all");
  EXPECT_EQ(Lines(testing::ReadFile(tarn_.home.File("all.txt"))).size(), 8u);
  EXPECT_EQ(Json(testing::ReadFile(tarn_.home.File("r.json")),
                 "SELECT json_extract(value, '$.key') FROM json_each(?1, '$.findings') "
                 "WHERE json_extract(value, '$.baselineState') = 'new'"),
            Rows{"pricee"});
}

// Reports and baselines never replace what the run owns or reads, however the path is spelt;
// refused before the run starts, they leave everything as it was.
TEST_F(ReportTest, WrittenPathsOverWhatTheRunOwnsAreRefusedBeforeItStarts) {
  ASSERT_EQ(Run("--log <log> --quiet init-db all").status, 1);
  testing::WriteFile(tarn_.home.File("base.json"), "{\"findings\": []}");
  fs::create_directories(tarn_.home.File("sub"));
  const std::string mdb = testing::ReadFile(tarn_.home.File("TARN.MDB"));
  const std::string kv = testing::ReadFile(tarn_.home.File("KV.MDB"));
  const std::string log = testing::ReadFile(tarn_.log.File("tarn.log"));
  const std::string ini = testing::ReadFile(tarn_.game.File("DATA/EQUIPMENT/goods.ini"));
  const struct {
    std::string args;
    std::string message;
  } cases[] = {
      {"--report json=<home>/TARN.MDB", "<home>/TARN.MDB: it is the settings database TARN.MDB"},
      {"--report json=<home>/sub/../KV.MDB", "it is the data database KV.MDB"},
      {"--report text=<log>/tarn.log", "it is the run's log tarn.log"},
      {"--report text=<log>/.tarn-log.lock", "it is the log folder's lock"},
      {"--baseline <home>/base.json --write-baseline <home>/sub/../base.json",
       "it is the baseline this run reads"},
      {"--report text=<game>/DATA/EQUIPMENT/goods.ini", "the game's own"},
      {"--report text=<game>/DATA/EQUIPMENT/../EQUIPMENT/new.INI", "the game's own"},
      {"--report json=<home>/a.json --report sarif=<home>/sub/../a.json",
       "another report is written to the same file"},
      {"--report json=- --report text=-", "two reports cannot both go to standard output"},
      {"--report json=<home>/sub", "it is a folder"},
  };
  for (const auto& c : cases) {
    const testing::Result r = Run("--log <log> --quiet " + c.args + " init-db all");
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_THAT(r.err, HasSubstr(c.message)) << c.args;
  }
  EXPECT_EQ(testing::ReadFile(tarn_.home.File("TARN.MDB")), mdb);
  EXPECT_EQ(testing::ReadFile(tarn_.home.File("KV.MDB")), kv);
  EXPECT_EQ(testing::ReadFile(tarn_.log.File("tarn.log")), log);
  EXPECT_EQ(testing::ReadFile(tarn_.game.File("DATA/EQUIPMENT/goods.ini")), ini);
  EXPECT_EQ(testing::ReadFile(tarn_.home.File("base.json")), "{\"findings\": []}");
  // A report in the game folder that the walk does not read is the mod's to keep.
  EXPECT_EQ(Run("--log <log> --quiet --report sarif=<game>/tarn.sarif init-db all").status, 1);
  EXPECT_TRUE(fs::exists(tarn_.game.File("tarn.sarif")));
}

// A log folder named on the command line is made when its parent exists; one whose parent is
// missing is a log that cannot be written.
TEST_F(ReportTest, LogThatCannotBeWrittenEndsWithStatusThree) {
  testing::Result r = Run("--log <log>/fresh/ --quiet init-db all");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_THAT(testing::ReadFile(tarn_.log.File("fresh/tarn.log")), HasSubstr("WARN: File"));
  r = Run("--log <log>/no/such/folder init-db all");
  EXPECT_EQ(r.status, 3);
  EXPECT_THAT(r.err, HasSubstr("exit status 3: lines could not be written to "
                               "<log>/no/such/folder/tarn.log (76 Path not found)"));
  // The run went on: the lines the log lost are reported where the log box is.
  EXPECT_THAT(r.out, HasSubstr("*******  Unable to log message in file"));
  EXPECT_THAT(r.err, HasSubstr("7 warnings"));
}

constexpr const char* kMarker = "MARKER_OF_A_PRIVATE_FILE";

// Game folders and homes as an attacker or a careless user makes them, grouped by attack:
// references and links that lead out of the game folder, files that are no files, files too
// large to hold, runs that share a home or a log folder. Each is refused with its warning or
// message, and the run goes on where it can.
class HostileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(tarn_.game.File("EXE"));
    fs::create_directories(tarn_.game.File("DATA/SHIPS"));
    testing::WriteFile(outside_.File("private.ini"),
                       std::string("[Ship]\r\nnickname = ") + kMarker + "\r\n");
  }

  // A main file whose [Data] names each of the files, as ships.
  void Names(std::initializer_list<std::string> files) {
    std::string main = "[Data]\r\n";
    for (const std::string& file : files) main += "ships = " + file + "\r\n";
    testing::WriteFile(tarn_.game.File("EXE/kestrovar.ini"), main);
  }
  void Ship(const std::string& file, const std::string& nickname) {
    testing::WriteFile(tarn_.game.File("DATA/SHIPS/" + file),
                       "[Ship]\r\nnickname = " + nickname + "\r\n");
  }

  // A run with the text report on standard output.
  testing::Result Run(const std::string& args = "") {
    return tarn_.Run("--game <game> --log <log> --overwrite --report text=- " + args +
                     " init-db all");
  }

  std::string StoredValues() {
    return testing::RowsOf(tarn_.home.File("KV.MDB"),
                           "SELECT group_concat(Value, ' ') FROM \"Values\"")[0];
  }

  testing::Tarn tarn_;
  testing::TempDir outside_;
};

TEST_F(HostileTest, ConfinementRefusesWhatLeadsOutOfTheGameFolder) {
#ifdef _WIN32
  GTEST_SKIP() << "it makes POSIX symbolic links, which MinGW's std::filesystem cannot; "
                  "WindowsPathTest covers junctions";
#endif
  fs::create_symlink(outside_.File("private.ini"), tarn_.game.File("DATA/SHIPS/link.ini"));
  Ship("ship.ini", "kv_inside");
  // From DATA, two folders up is the folder that holds both the game and the other folder.
  const std::string out =
      "..\\..\\" + fs::path(outside_.Path()).filename().string() + "\\private.ini";
  Names({out, "SHIPS\\link.ini", "SHIPS\\ship.ini"});
  testing::Result r = Run();
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_THAT(r.out, HasSubstr("ships = " + out + " [Data]: it lies outside the game folder"));
  EXPECT_THAT(r.out, HasSubstr("ships = SHIPS\\link.ini [Data]: a link leads out of the game "
                               "folder"));
  // Both are warned about as files that cannot be opened; nothing of the private file is read.
  EXPECT_THAT(r.log, HasSubstr("10306 - Could not open referred file !ships!SHIPS\\link.ini!"));
  EXPECT_THAT(r.log, Not(HasSubstr(kMarker)));
  EXPECT_EQ(StoredValues(), "kv_inside");

  // The user may follow links out; a ".." out of the folder stays refused.
  r = Run("--follow-links");
  EXPECT_THAT(StoredValues(), HasSubstr(kMarker));
  EXPECT_THAT(r.out, HasSubstr("it lies outside the game folder"));
}

TEST_F(HostileTest, GameFolderThatIsALinkWorksAsItself) {
#ifdef _WIN32
  GTEST_SKIP() << "it makes POSIX symbolic links, which MinGW's std::filesystem cannot; "
                  "WindowsPathTest covers junctions";
#endif
  Ship("ship.ini", "kv_inside");
  Names({"SHIPS\\ship.ini"});
  fs::create_directory_symlink(tarn_.game.Path(), outside_.File("game-link"));
  const testing::Result r =
      tarn_.Run("--game " + outside_.File("game-link") + " --log <log> --quiet init-db all");
  EXPECT_EQ(r.status, 1) << r.err;  // the four files of _bc_OtherINI are missing here
  EXPECT_EQ(StoredValues(), "kv_inside");
}

#ifndef _WIN32
// Not on Windows: it makes a FIFO (mkfifo); the Windows tests refuse device names instead.
TEST_F(HostileTest, FilesThatAreNoFilesAreRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo(tarn_.game.File("DATA/SHIPS/fifo.ini").c_str(), 0644), 0);
  fs::create_directory(tarn_.game.File("DATA/SHIPS/folder.ini"));
  Names({"SHIPS\\fifo.ini", "SHIPS\\folder.ini"});
  const testing::Result r = Run();
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.out, HasSubstr("ships = SHIPS\\fifo.ini [Data]: it is a FIFO"));
  EXPECT_THAT(r.out, HasSubstr("ships = SHIPS\\folder.ini [Data]: it is a folder"));
}
#endif  // !_WIN32

TEST_F(HostileTest, FilesAndLinesOverTheLimitsAreRefusedAndTheRunGoesOn) {
  Ship("big.ini", std::string(40000, 'x'));
  // A binary file of 30 kB whose 5,000 values all name one string of 3,000 bytes.
  std::string table = "Ship" + std::string(1, '\0') + "nickname" + std::string(1, '\0') +
                      std::string(3000, 'z') + std::string(1, '\0');
  std::string records;
  auto u16 = [&](unsigned v) { records += char(v & 0xFF), records += char(v >> 8); };
  u16(0), u16(500);
  for (int e = 0; e < 500; ++e) {
    u16(5), records += char(10);
    for (int v = 0; v < 10; ++v) records += char(3), records += std::string("\x0e\0\0\0", 4);
  }
  std::string bini = "BINI" + std::string("\x01\0\0\0", 4);
  const auto table_at = static_cast<std::uint32_t>(12 + records.size());
  for (int i = 0; i < 4; ++i) bini += char(table_at >> (8 * i) & 0xFF);
  testing::WriteFile(tarn_.game.File("DATA/SHIPS/bomb.ini"), bini + records + table);
  Ship("ship.ini", "kv_after");
  Names({"SHIPS\\big.ini", "SHIPS\\bomb.ini", "SHIPS\\ship.ini"});
  testing::Result r = Run("--max-file-size 32K");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_THAT(r.log, HasSubstr("/DATA/SHIPS/big.ini line 0\n      Section [] line 0\n"
                               "      10404 - File Too Large !32768!40021!"));
  EXPECT_THAT(r.out, HasSubstr("DATA/SHIPS/bomb.ini: warning: 10404 File Too Large: 150"));
  EXPECT_THAT(StoredValues(), HasSubstr("kv_after"));

  // A line longer than 16 MB, in a file within the size limit.
  testing::WriteFile(tarn_.game.File("DATA/SHIPS/long.ini"),
                     "[Ship]\r\nnickname = a\r\n; " + std::string(17 << 20, 'y') + "\r\n");
  Names({"SHIPS\\long.ini", "SHIPS\\ship.ini"});
  r = Run();
  EXPECT_THAT(r.log, HasSubstr("/DATA/SHIPS/long.ini line 3\n      Section [] line 0\n"
                               "      10405 - Line Too Long !16777216!"));
  EXPECT_THAT(StoredValues(), HasSubstr("kv_after"));
}

TEST_F(HostileTest, ARunIsRefusedWhileAnotherHoldsTheHomeOrTheLogFolder) {
  Names({});
  for (const auto& [folder, name] : {std::pair{&tarn_.home, "home"}, {&tarn_.log, "log"}}) {
    FolderLock::Outcome outcome;
    std::string holder;
    auto held = FolderLock::Take(folder->Path(), name, outcome, holder);
    ASSERT_EQ(outcome, FolderLock::Outcome::kTaken);
    const testing::Result r = Run();
    EXPECT_EQ(r.status, 3) << name;
    EXPECT_THAT(r.err, HasSubstr("another TARN run (process " + std::to_string(::getpid()) +
                                 ") is using the " + name + " folder"));
  }
  // A lock whose holder has gone blocks nothing: the locks above are released.
  EXPECT_EQ(Run().status, 1);
}

TEST_F(HostileTest, TheLogIsNeverWrittenThroughALink) {
#ifdef _WIN32
  GTEST_SKIP() << "it makes POSIX symbolic links, which MinGW's std::filesystem cannot; "
                  "WindowsPathTest covers junctions";
#endif
  Names({});
  testing::WriteFile(outside_.File("target.txt"), "untouched");
  fs::create_symlink(outside_.File("target.txt"), tarn_.log.File("tarn.log"));
  const testing::Result r = tarn_.Run("--game <game> --log <log> --append --quiet init-db all");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(testing::ReadFile(outside_.File("target.txt")), "untouched");
  EXPECT_THAT(r.err, HasSubstr("the file is a link"));
}

// `tarn rules learn` on whole game folders: what it learns from a folder checks that folder
// without a warning and stores the same rows as the shipped rules do, it is learned the same
// way twice, and bad folders and output folders end the command with status 3 and nothing
// half-written.
class LearnTest : public ::testing::Test {
 protected:
  // _bc_OtherINI of the home's TARN.MDB as the lines of a bench world's other_ini.txt.
  static void OtherIni(const testing::Tarn& tarn, const std::string& other_ini) {
    Database db = Database::Open(tarn.home.File("TARN.MDB"), Database::Mode::kReadWrite);
    db.Exec("DELETE FROM _bc_OtherINI");
    Statement insert = db.Prepare("INSERT INTO _bc_OtherINI (Value) VALUES (?1)");
    for (const std::string& line : Lines(testing::ReadFile(other_ini))) {
      insert.BindText(1, line);
      insert.Step();
      insert.Reset();
    }
  }

  // Every stored line: file and line, to key and its values.
  static std::map<std::string, std::string> StoredLines(const testing::Tarn& tarn) {
    std::map<std::string, std::string> lines;
    for (const std::string& row : testing::RowsOf(
             tarn.home.File("KV.MDB"),
             "SELECT s.File || ':' || e.Line, e.Entry || ' = ' || "
             "ifnull((SELECT group_concat(ifnull(Value, 'null'), '|') FROM (SELECT Value FROM "
             "\"Values\" WHERE Link = e.DB_ID ORDER BY DB_ID)), '') "
             "FROM Entries e JOIN Sections s ON s.DB_ID = e.Link")) {
      const std::size_t bar = row.find('|');
      lines[row.substr(0, bar)] = row.substr(bar + 1);
    }
    return lines;
  }

  // Learns game's rules in one home, checks game with them and with the shipped rules in
  // another, and holds the guarantee: no warning but of the lines the report lists, the same
  // rows wherever both runs store a line.
  void LearnImportAndCheck(const std::string& game, const std::string& other_ini = "") {
    testing::Tarn learning, shipped;
    if (!other_ini.empty()) {
      OtherIni(learning, other_ini);
      OtherIni(shipped, other_ini);
    }
    const std::string rules = dir_.File("rules");
    const testing::Result learn = learning.Run("--game " + game + " rules learn " + rules);
    ASSERT_EQ(learn.status, 0) << learn.err;
    EXPECT_EQ(learn.out, testing::ReadFile(rules + "/LEARNED.md"));
    ASSERT_EQ(learning.Run("rules import " + rules).status, 0);
    const std::string check = "--game " + game + " --log <log> --overwrite --quiet init-db all";
    const testing::Result checked = learning.Run(check);
    EXPECT_EQ(checked.log.find("WARN: File"), std::string::npos)
        << checked.log.substr(checked.log.find("WARN"), 400);
    EXPECT_EQ(checked.status, 0);
    shipped.Run(check);
    const auto by_learned = StoredLines(learning);
    const auto by_shipped = StoredLines(shipped);
    for (const auto& [where, line] : by_shipped) {
      auto other = by_learned.find(where);
      ASSERT_NE(other, by_learned.end()) << where;
      EXPECT_EQ(other->second, line) << where;
    }
    EXPECT_GT(by_shipped.size(), 500u);
  }

  testing::TempDir dir_;
  const std::string sample_ = TARN_EXAMPLES "/kestrovar";
};

TEST_F(LearnTest, SampleWorldChecksCleanWithItsLearnedRules) { LearnImportAndCheck(sample_); }

#ifndef _WIN32
// Not on Windows: the bench world is made by a Python script the test starts through the shell.
// A world without mistakes: a decimal where the shipped rules want a Long is stored rounded
// by them and as written by the learned rules, which is the point of learning it.
TEST_F(LearnTest, BenchWorldChecksCleanWithItsLearnedRules) {
  const std::string world = dir_.File("world");
  const std::string source = TARN_SOURCE;
  // The world is read and written by this build's programs, not by whatever build/bin holds.
  const std::string bin = std::filesystem::path(TARN_CLI).parent_path().string();
  ASSERT_EQ(testing::RunCommand("TARN=" + bin + "/tarn TARN_MKBINI=" + bin + "/tarn-mkbini " +
                                source + "/bench/make_world --scale 0.05 --seed 3 --mistakes " +
                                "none --rules " + source + "/data/rules --out " + world)
                .status,
            0);
  LearnImportAndCheck(world, world + "/other_ini.txt");
}
#endif  // !_WIN32

// The commands of README.md's "Checking your own game", read from the README itself, run as
// a newcomer runs them: from a fresh folder, on copies of the sample world for the unmodified
// and the modded game, with a home of its own for the program's folder.
TEST_F(LearnTest, ReadmeCommandsForYourOwnGameWorkAsWritten) {
  const std::string readme = testing::ReadFile(TARN_SOURCE "/README.md");
  const std::size_t section = readme.find("\n## Checking your own game\n");
  ASSERT_NE(section, std::string::npos);
  const std::size_t block = readme.find("```sh\n", section) + 6;
  const std::string commands = readme.substr(block, readme.find("```", block) - block);
  const testing::Tarn tarn;
  fs::copy(sample_, dir_.File("original"), fs::copy_options::recursive);
  fs::copy(sample_, dir_.File("modded"), fs::copy_options::recursive);
  fs::create_directory(dir_.File("fresh"));
  int run = 0;
  for (std::string line : Lines(commands)) {
    if (line.empty() || line.starts_with("#")) continue;
    ASSERT_TRUE(line.starts_with("tarn ")) << line;
    testing::ReplaceAll(line, "/games/kestrovar-original", dir_.File("original"));
    testing::ReplaceAll(line, "/games/kestrovar-modded", dir_.File("modded"));
    ASSERT_EQ(line.find("/games/"), std::string::npos) << "a game folder this test lacks";
    const testing::Result r = testing::RunCommand(
        TARN_CLI " --home " + tarn.home.Path() + line.substr(4), dir_.File("fresh"));
    EXPECT_EQ(r.status, 0) << line << "\n" << r.err;
    ++run;
  }
  EXPECT_EQ(run, 3);
  EXPECT_TRUE(fs::exists(dir_.File("fresh/out/tarn.log")));
}

TEST_F(LearnTest, SameFolderLearnedTwiceGivesTheSameFilesAndTarnMdbStaysAsItWas) {
  const testing::Tarn tarn;
  const std::string before = testing::ReadFile(tarn.home.File("TARN.MDB"));
  ASSERT_EQ(tarn.Run("--game " + sample_ + " rules learn " + dir_.File("a")).status, 0);
  ASSERT_EQ(tarn.Run("--game " + sample_ + " rules learn " + dir_.File("b")).status, 0);
  EXPECT_EQ(testing::ReadFile(tarn.home.File("TARN.MDB")), before);
  std::size_t files = 0;
  for (const auto& item : fs::directory_iterator(dir_.File("a"))) {
    const std::string name = item.path().filename().string();
    EXPECT_EQ(testing::ReadFile(item.path().string()), testing::ReadFile(dir_.File("b/" + name)))
        << name;
    ++files;
  }
  EXPECT_GT(files, 10u);
}

TEST_F(LearnTest, BadFoldersEndWithStatusThreeAndLeaveNothingBehind) {
#ifdef _WIN32
  GTEST_SKIP() << "it makes POSIX symbolic links, which MinGW's std::filesystem cannot; "
                  "WindowsPathTest covers junctions";
#endif
  const testing::Tarn tarn;
  const struct {
    std::string args;
    std::string message;
  } cases[] = {
      {"--game " + dir_.File("nowhere") + " rules learn " + dir_.File("out1"),
       "cannot read the game's main file"},
      {"--game '' rules learn " + dir_.File("out1"), "no game folder is set"},
      {"--game " + sample_ + " rules learn --force " + dir_.File("full"), "did not write there"},
  };
  fs::create_directories(dir_.File("full"));
  testing::WriteFile(dir_.File("full/keep.txt"), "mine");
  for (const auto& c : cases) {
    const testing::Result r = tarn.Run(c.args);
    EXPECT_EQ(r.status, 3) << c.args;
    EXPECT_THAT(r.err, HasSubstr(c.message)) << c.args;
  }
  EXPECT_FALSE(fs::exists(dir_.File("out1")));
  EXPECT_EQ(testing::ReadFile(dir_.File("full/keep.txt")), "mine");
  // Its own earlier output it replaces, without --force, and a leftover of a killed run
  // (a process that is gone) beside it goes too.
  fs::create_directories(dir_.File(".learned.tarn-999999999.new"));
  ASSERT_EQ(tarn.Run("--game " + sample_ + " rules learn " + dir_.File("learned")).status, 0);
  testing::WriteFile(dir_.File("learned/stale.rules"), "");
  ASSERT_EQ(tarn.Run("--game " + sample_ + " rules learn " + dir_.File("learned")).status, 0);
  EXPECT_FALSE(fs::exists(dir_.File("learned/stale.rules")));
  EXPECT_TRUE(fs::exists(dir_.File("learned/LEARNED.md")));
  for (const auto& item : fs::directory_iterator(dir_.Path())) {
    EXPECT_NE(item.path().filename().string().front(), '.') << item.path();
  }
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
    run.log = Lines(testing::ReadFile(logs.File("tarn.log")));
    for (std::string& line : run.log) testing::ReplaceAll(line, logs.Path(), "<logs>");

    Database db = Database::Open(home.File("KV.MDB"), Database::Mode::kReadWrite);
    Statement sections = db.Prepare(
        "SELECT DB_ID || '|' || File || '|' || Section || '|' || Line FROM Sections "
        "ORDER BY DB_ID");
    while (sections.Step()) run.sections.push_back(sections.Text(0));
    Statement counts =
        db.Prepare("SELECT (SELECT count(*) FROM Entries), (SELECT count(*) FROM \"Values\")");
    counts.Step();
    run.entries = counts.Int(0);
    run.values = counts.Int(1);
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
    const std::vector<std::string> expected = SectionsOf(whole, cut.opened.size());
    EXPECT_EQ(cut.sections, expected);
    EXPECT_EQ(cut.sections,
              std::vector<std::string>(
                  whole.sections.begin(),
                  whole.sections.begin() + static_cast<std::ptrdiff_t>(cut.sections.size())));
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
