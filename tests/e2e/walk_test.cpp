// Runs the command line on small fixture games, each with a rule set of its own, and
// compares the whole log (the game folder shown as <game>) and selected rows of KV.MDB.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "datadb/database.h"
#include "support/shell_run.h"
#include "support/temp_dir.h"

namespace tarn {
namespace {

using testing::ReadAll;
using testing::ReplaceAll;
using testing::TempDir;

constexpr const char* kRules =
    "[system]\n"
    "nickname #2001 = String\n"
    "file #74 = String\n"
    "[Base]\n"
    "nickname #2002 = String\n"
    "file #101 = String\n"
    "[Ship]\n"
    "nickname #2003 = String\n"
    "mass #2004 = Double\n";

class WalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(TARN_SHIPPED_MDB, home_.File("TARN.MDB"));
    std::filesystem::create_directories(home_.File("rules"));
    std::ofstream(home_.File("rules/test.rules")) << kRules;
    Tarn("rules import " + home_.File("rules"));
    Settings("DELETE FROM _bc_OtherINI");
  }

  void Settings(const std::string& sql) {
    auto db = Database::Open(home_.File("TARN.MDB"), Database::Mode::kReadWrite);
    db.Exec(sql);
  }

  // Writes the game's files; lines are given with "\n" and written with CR LF.
  void Game(const std::map<std::string, std::string>& files) {
    for (const auto& [path, text] : files) {
      std::filesystem::path full = std::filesystem::path(game_.Path()) / path;
      std::filesystem::create_directories(full.parent_path());
      std::string crlf = text;
      ReplaceAll(crlf, "\n", "\r\n");
      std::ofstream(full, std::ios::binary) << crlf;
    }
  }

  int Tarn(const std::string& args) {
    std::string command = std::string(TARN_CLI) + " --home " + home_.Path() + " --game " +
                          game_.Path() + " --log " + log_.Path() + " --quiet " + args +
                          " 2>" + log_.File("stderr");
    const int status = testing::RunShell(command);
    return status;
  }

  // The log with CR LF shown as "\n" and the folders as <game> and <home>.
  std::string Log() {
    std::string text = ReadAll(log_.File("tarn.log"));
    ReplaceAll(text, "\r\n", "\n");
    ReplaceAll(text, game_.Path(), "<game>");
    ReplaceAll(text, home_.Path(), "<home>");
    return text;
  }

  std::vector<std::string> Rows(const std::string& sql) {
    auto db = Database::Open(home_.File("KV.MDB"), Database::Mode::kReadWrite);
    auto rows = db.Prepare(sql);
    std::vector<std::string> out;
    while (rows.Step()) out.push_back(rows.Text(0));
    return out;
  }

  TempDir home_, game_, log_;
};

constexpr const char* kBanner =
    "TARN v 0.9.7 Log File\n \nKV Path <game>\nLog Path ";

std::string Done(int id) {
  return "\n\nReading files for value ID " + std::to_string(id) + "\nDone Reading files for value ID " +
         std::to_string(id) + " , , \n";
}

TEST_F(WalkTest, FullRunOverASmallWorld) {
  Game({
      {"EXE/kestrovar.ini",
       "[Resources]\nDLL = names.dll\n"
       "[Data]\n"
       "universe = Universe\\universe.ini\n"
       "ships = ships\\ShipArch.ini\n"
       "ships = SHIPS\\shiparch.ini\n"
       "Equipment = x.ini\n"
       "bases =\n"
       "solar =\n"
       "interface = hud.ini\n"
       "[Extra]\nx = 1\n"},
      {"DATA/UNIVERSE/universe.ini",
       "[system]\nnickname = kv01\nfile = Systems\\KV01.ini\n"
       "[system]\nnickname = kv02\nfile = systems\\gone.ini\n"
       "[Base]\nnickname = b01\nfile = bases\\b01.ini\n"},
      {"DATA/UNIVERSE/SYSTEMS/kv01.ini", "[Ship]\nnickname = drifter\n"},
      {"DATA/BASES/B01.INI", "[Ship]\nmass = 2\n"},
      {"DATA/ships/shiparch.ini", "[Ship]\nnickname = fighter\nmass = 1.5\n"},
      {"DATA/missions/m01.ini", "[Ship]\nnickname = escort\n"},
  });
  Settings("INSERT INTO _bc_OtherINI (Value) VALUES ('Missions\\m01.ini'), ('gone.ini')");
  EXPECT_EQ(Tarn("--overwrite init-db all"), 1) << ReadAll(log_.File("stderr"));

  std::string expected = std::string(kBanner) + log_.Path() + "\n \n" +
      "Processing <game>/EXE/kestrovar.ini\n"
      "     NOT Processing (in TARN v 0.9.7) section [Resources]\n"
      "    Processing Section [Data]\n"
      "        Processing universe Universe\\universe.ini\n"
      "    Processing <game>/DATA/Universe/universe.ini\n"
      "        Processing ships ships\\ShipArch.ini\n"
      "    Processing <game>/DATA/ships/ShipArch.ini\n"
      "        Processing ships SHIPS\\shiparch.ini\n"
      "    Processing <game>/DATA/SHIPS/shiparch.ini\n"
      "Already parsed. Skipped.\n"
      "        NOT Processing (in TARN v 0.9.7) Equipment x.ini\n"
      "        NOT Processing (in TARN v 0.9.7) bases \n"
      "WARN: File <game>/EXE/kestrovar.ini line 9\n"
      "      Section [Data] line 6\n"
      "      10304 - Entry With no Value !solar!!\n"
      "\n"
      "        NOT Processing (in TARN v 0.9.7) interface hud.ini\n"
      "    NOT Processing (by design) section [Extra]\n"
      "Done Processing <game>/EXE/kestrovar.ini\n"
      "\n\nReading files for other INIs\n"
      "    Processing <game>/DATA/Missions/m01.ini\n"
      "    Processing <game>/DATA/gone.ini\n"
      "WARN: File N/A line 0\n"
      "      Section [N/A] line 0\n"
      "      10306 - Could not open referred file !N/A!gone.ini!\n"
      "\n"
      "Done Reading files for other INIs\n"
      "\n\nReading files for value ID 74\n"
      "\n\nReading files for value ID 74 universe, system, file\n"
      "    Processing <game>/Data/Universe/Systems/KV01.ini\n"
      "    Processing <game>/Data/Universe/systems/gone.ini\n"
      "WARN: File <game>/DATA/Universe/universe.ini line 6\n"
      "      Section [system] line 2\n"
      "      10306 - Could not open referred file !file!systems\\gone.ini!\n"
      "\n"
      "Done Reading files for value ID 74 universe, system, file\n"
      "\n\nReading files for value ID 101\n"
      "\n\nReading files for value ID 101 universe, base, file\n"
      "    Processing <game>/DATA/bases/b01.ini\n"
      "Done Reading files for value ID 101 universe, base, file\n" +
      Done(871) + Done(877) + Done(879) + Done(64) + Done(824) + Done(1034) + Done(1040) +
      Done(1055) + Done(1107) + Done(1169) + Done(872);
  EXPECT_EQ(Log(), expected);

  // Files found through values inherit the area of the section that named them; fixed-path
  // files are "hardcoded"; names are the rules' in lower case, files as composed.
  const std::string game = game_.Path();
  std::vector<std::string> sections = Rows(
      "SELECT Area || '|' || Section || '|' || replace(File, '" + game + "', '<game>') || '|' || "
      "Line FROM Sections ORDER BY DB_ID");
  EXPECT_EQ(sections, (std::vector<std::string>{
                          "universe|system|<game>/DATA/Universe/universe.ini|1",
                          "universe|system|<game>/DATA/Universe/universe.ini|4",
                          "universe|base|<game>/DATA/Universe/universe.ini|7",
                          "ships|ship|<game>/DATA/ships/ShipArch.ini|1",
                          "hardcoded|ship|<game>/DATA/Missions/m01.ini|1",
                          "universe|ship|<game>/Data/Universe/Systems/KV01.ini|1",
                          "universe|ship|<game>/DATA/bases/b01.ini|1"}));
  EXPECT_EQ(Rows("SELECT Value FROM \"Values\" v JOIN Entries e ON v.Link = e.DB_ID "
                 "WHERE e.EntryID = 2004"),
            (std::vector<std::string>{"1.5", "2"}));
}

TEST_F(WalkTest, MissingMainFileIsReportedAndTheRunGoesOn) {
  // No EXE folder at all: the folder is what is missing. The run goes on, but could not do
  // its job.
  EXPECT_EQ(Tarn("--overwrite init-db all"), 3);
  std::string log = Log();
  EXPECT_NE(log.find("Processing <game>/EXE/kestrovar.ini\n"
                     "Error : Path not found\n"
                     "Number: 76\n"
                     "Source: TARN\n"
                     "Unable to open <game>/EXE/kestrovar.ini\n"
                     "Done Processing <game>/EXE/kestrovar.ini\n"
                     "\n\nReading files for other INIs\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Done Reading files for value ID 872 , , \n"), std::string::npos);
}

TEST_F(WalkTest, RunWithoutInitDBEndsAtItsFirstDataFile) {
  Game({{"EXE/kestrovar.ini", "[Data]\nbases =\nships = ships.ini\nsolar = solar.ini\n"},
        {"DATA/ships.ini", "[Ship]\n"}});
  EXPECT_EQ(Tarn("--overwrite all"), 3);
  std::string expected = std::string(kBanner) + log_.Path() + "\n \n" +
      "Processing <game>/EXE/kestrovar.ini\n"
      "    Processing Section [Data]\n"
      "        NOT Processing (in TARN v 0.9.7) bases \n"
      "        Processing ships ships.ini\n"
      "    Processing <game>/DATA/ships.ini\n"
      "Error : Object variable or With block variable not set\n"
      "Number: 91\n"
      "Source: TARN\n"
      "ReadINIFile\n";
  EXPECT_EQ(Log(), expected);
}

TEST_F(WalkTest, ErrorWhileWalkingTheMainFileEndsOnlyTheWalk) {
  std::string data = "[Extra]\n";
  for (int i = 0; i < 2049; ++i) data += "x = 1\n";
  Game({{"EXE/kestrovar.ini", data}});
  EXPECT_EQ(Tarn("--overwrite init-db all"), 0);
  std::string log = Log();
  EXPECT_NE(log.find("Processing <game>/EXE/kestrovar.ini\n"
                     "ERR : File <game>/EXE/kestrovar.ini line 2050\n"
                     "      9 -- Subscript out of range -- TARN\n"
                     "\n\nReading files for other INIs\n"),
            std::string::npos)
      << log;
}

}  // namespace
}  // namespace tarn
