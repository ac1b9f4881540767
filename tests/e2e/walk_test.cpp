// Runs the command line on small game worlds, each with a rule set of its own, and compares
// the whole log and selected rows of KV.MDB.
#include <gtest/gtest.h>

#include "support/program.h"
#include "support/rows.h"
#include "support/settings_db.h"
#include "support/world.h"

namespace tarn {
namespace {

using testing::Rows;

class WalkTest : public ::testing::Test {
 protected:
  // The rules below, and _bc_OtherINI with other_ini.
  void Settings(std::vector<std::string> other_ini = {}) {
    testing::MakeSettingsDB(tarn_.home.File("TARN.MDB"), {.rules = "[system]\n"
                                                                   "nickname #2001 = String\n"
                                                                   "file #74 = String\n"
                                                                   "[Base]\n"
                                                                   "nickname #2002 = String\n"
                                                                   "file #101 = String\n"
                                                                   "[Ship]\n"
                                                                   "nickname #2003 = String\n"
                                                                   "mass #2004 = Double\n",
                                                          .other_ini = std::move(other_ini)});
  }
  testing::Result Run(const std::string& commands) {
    return tarn_.Run("--game <game> --log <log> --quiet --overwrite " + commands);
  }
  Rows Stored(const std::string& sql) {
    Rows rows = testing::RowsOf(tarn_.home.File("KV.MDB"), sql);
    for (std::string& row : rows) testing::ReplaceAll(row, tarn_.game.Path(), "<game>");
    return rows;
  }
  testing::Tarn tarn_;
};

const std::string kBanner = "TARN v 0.9.7 Log File\n \nKV Path <game>\nLog Path <log>\n \n";

std::string Done(int id) {
  const std::string read = "Reading files for value ID " + std::to_string(id);
  return "\n\n" + read + "\nDone " + read + " , , \n";
}

// Files are named with the letter case of the reference that led to them; a file named twice
// is read once; the rest of the keys of [Data] are listed but not read.
TEST_F(WalkTest, FullRunOverASmallWorld) {
  Settings({"Missions\\m01.ini", "gone.ini"});
  testing::WriteWorld(tarn_.game.Path(),
                      {{"EXE/kestrovar.ini",
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
                       {"DATA/missions/m01.ini", "[Ship]\nnickname = escort\n"}});
  const testing::Result r = Run("init-db all");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.log, kBanner +
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
                       "      10304 - Entry With no Value !solar!!\n\n"
                       "        NOT Processing (in TARN v 0.9.7) interface hud.ini\n"
                       "    NOT Processing (by design) section [Extra]\n"
                       "Done Processing <game>/EXE/kestrovar.ini\n"
                       "\n\nReading files for other INIs\n"
                       "    Processing <game>/DATA/Missions/m01.ini\n"
                       "    Processing <game>/DATA/gone.ini\n"
                       "WARN: File N/A line 0\n"
                       "      Section [N/A] line 0\n"
                       "      10306 - Could not open referred file !N/A!gone.ini!\n\n"
                       "Done Reading files for other INIs\n"
                       "\n\nReading files for value ID 74\n"
                       "\n\nReading files for value ID 74 universe, system, file\n"
                       "    Processing <game>/Data/Universe/Systems/KV01.ini\n"
                       "    Processing <game>/Data/Universe/systems/gone.ini\n"
                       "WARN: File <game>/DATA/Universe/universe.ini line 6\n"
                       "      Section [system] line 2\n"
                       "      10306 - Could not open referred file !file!systems\\gone.ini!\n\n"
                       "Done Reading files for value ID 74 universe, system, file\n"
                       "\n\nReading files for value ID 101\n"
                       "\n\nReading files for value ID 101 universe, base, file\n"
                       "    Processing <game>/DATA/bases/b01.ini\n"
                       "Done Reading files for value ID 101 universe, base, file\n" +
                       Done(871) + Done(877) + Done(879) + Done(64) + Done(824) + Done(1034) +
                       Done(1040) + Done(1055) + Done(1107) + Done(1169) + Done(872));
  // Files found through values inherit the area of the section that named them; fixed-path
  // files are "hardcoded"; names are the rules' in lower case, files as composed.
  EXPECT_EQ(Stored("SELECT Area, Section, File, Line FROM Sections ORDER BY DB_ID"),
            (Rows{"universe|system|<game>/DATA/Universe/universe.ini|1",
                  "universe|system|<game>/DATA/Universe/universe.ini|4",
                  "universe|base|<game>/DATA/Universe/universe.ini|7",
                  "ships|ship|<game>/DATA/ships/ShipArch.ini|1",
                  "hardcoded|ship|<game>/DATA/Missions/m01.ini|1",
                  "universe|ship|<game>/Data/Universe/Systems/KV01.ini|1",
                  "universe|ship|<game>/DATA/bases/b01.ini|1"}));
  EXPECT_EQ(Stored("SELECT e.Line, Value FROM \"Values\" v JOIN Entries e ON v.Link = e.DB_ID "
                   "WHERE e.EntryID = 2004"),
            (Rows{"3|1.5", "2|2"}));
}

TEST_F(WalkTest, RunWithoutInitDBEndsAtItsFirstDataFile) {
  Settings();
  testing::WriteWorld(tarn_.game.Path(),
                      {{"EXE/kestrovar.ini", "[Data]\nbases =\nships = ships.ini\nsolar = s.ini\n"},
                       {"DATA/ships.ini", "[Ship]\n"}});
  const testing::Result r = Run("all");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.log, kBanner +
                       "Processing <game>/EXE/kestrovar.ini\n"
                       "    Processing Section [Data]\n"
                       "        NOT Processing (in TARN v 0.9.7) bases \n"
                       "        Processing ships ships.ini\n"
                       "    Processing <game>/DATA/ships.ini\n"
                       "Error : Object variable or With block variable not set\n"
                       "Number: 91\nSource: TARN\nReadINIFile\n");
}

TEST_F(WalkTest, ErrorWhileWalkingTheMainFileEndsOnlyTheWalk) {
  Settings();
  std::string data = "[Extra]\n";
  for (int i = 0; i < 2049; ++i) data += "x = 1\n";
  testing::WriteWorld(tarn_.game.Path(), {{"EXE/kestrovar.ini", data}});
  const testing::Result r = Run("init-db all");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.log.find("Processing <game>/EXE/kestrovar.ini\n"
                       "ERR : File <game>/EXE/kestrovar.ini line 2050\n"
                       "      9 -- Subscript out of range -- TARN\n"
                       "\n\nReading files for other INIs\n"),
            std::string::npos)
      << r.log;
}

}  // namespace
}  // namespace tarn
