// Runs the program on whole game folders: the two sample worlds under examples/ with the
// shipped rule set (the clean world must check without a single warning and read each of its
// files once; the broken one must give exactly the warning blocks its README lists), and small
// worlds with a rule set of their own, whose whole log and rows are compared.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "support/program.h"
#include "support/rows.h"
#include "support/settings_db.h"
#include "support/world.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;

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
  // Checks a copy of the world as the game folder; the log's lines.
  std::vector<std::string> Check(const std::string& world, int status) {
    fs::copy(Folder(world), tarn_.game.Path(), fs::copy_options::recursive);
    const testing::Result r =
        tarn_.Run("--game <game> --log <log> --overwrite --quiet init-db all");
    EXPECT_EQ(r.status, status) << r.err;
    return Lines(r.log);
  }
  static std::string Folder(const std::string& world) { return TARN_EXAMPLES "/" + world; }
  testing::Tarn tarn_;
};

TEST_F(SampleWorldTest, CleanWorldChecksWithoutAWarningAndReadsEachFileOnce) {
  std::vector<std::string> read;
  for (const std::string& line : Check("kestrovar", 0)) {
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
  ASSERT_EQ(listed.size(), 6u);
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

using testing::Rows;

class WalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::MakeSettingsDB(tarn_.home.File("TARN.MDB"),
                            {.rules = "[system]\nnickname #2001 = String\nfile #74 = String\n"
                                      "[Base]\nnickname #2002 = String\nfile #101 = String\n"
                                      "[Ship]\nnickname #2003 = String\nmass #2004 = Double\n"
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
    for (std::string& row : rows) testing::ReplaceAll(row, tarn_.game.Path(), "<game>");
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
      "TARN v 0.9.7 Log File\n \nKV Path <game>\nLog Path <log>\n \n"
      "Processing <game>/EXE/kestrovar.ini\n"
      "     NOT Processing (in TARN v 0.9.7) section [Resources]\n"
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
          "        NOT Processing (in TARN v 0.9.7) Equipment x.ini\n"
          "        NOT Processing (in TARN v 0.9.7) bases \n" +
          Warning("<game>/EXE/kestrovar.ini", 9, "Data", 6,
                  "10304 - Entry With no Value !solar!!") +
          "        NOT Processing (in TARN v 0.9.7) interface hud.ini\n"
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
            "        NOT Processing (in TARN v 0.9.7) bases \n        Processing ships ships.ini\n"
            "    Processing <game>/DATA/ships.ini\n"
            "Error : Object variable or With block variable not set\nNumber: 91\n"
            "Source: TARN\nReadINIFile\n");
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

}  // namespace
}  // namespace tarn
