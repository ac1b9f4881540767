#include "walk/walk.h"

#include <gtest/gtest.h>

#include "datadb/database.h"
#include "support/core_fixture.h"
#include "walk/recorded_values.h"
#include "walk/section_handler.h"

namespace tarn {
namespace {

class SectionsSeen : public SectionHandler {
 public:
  void HandleSection(const std::string& area, SectionBuffer& buffer) override {
    seen.push_back(area + " [" + buffer.Name + "]");
  }
  std::vector<std::string> seen;
};

class Reasons : public FindingSink {
 public:
  void Add(Finding finding) override { said.push_back(finding.value + ": " + finding.reason); }
  std::vector<std::string> said;
};

class WalkInMemoryTest : public testing::CoreTest {
 protected:
  WalkInMemoryTest() {
    settings.SetKVPath("game");
    settings_db.Exec("CREATE TABLE _bc_OtherINI (Value TEXT)");
    log.SetFindings(&reasons);
  }

  // Walks all of the game once, as a run after "Init DB" does.
  void RunAll() {
    ParsedFiles parsed;
    Walk walk({settings, files, log, front_end}, handler, values, settings_db, &parsed);
    walk.RunAll();
  }

  SectionsSeen handler;
  RecordedValues values;
  Reasons reasons;
  Database settings_db = Database::Open(":memory:", Database::Mode::kCreate);
};

// The game names its files in any letter case: the main file, the data files of [Data] and
// the files of stored values are found whatever case the disk has, and a file added between
// two runs is found by the second.
TEST_F(WalkInMemoryTest, FindsTheFilesTheGameNamesWhateverTheirLetterCase) {
  testing::WriteWorld(files, "game",
                      {{"exe/KESTROVAR.INI", "[Data]\nships = Ships\\ShipArch.ini\n"},
                       {"data/SHIPS/shiparch.ini", "[Ship]\n"},
                       {"data/universe/SYSTEMS/kv01.ini", "[System]\n"}});
  values.Record(74, {.area = "universe", .value = "Systems\\KV02.ini"});
  RunAll();
  EXPECT_EQ(handler.seen, std::vector<std::string>{"ships [Ship]"});
  EXPECT_EQ(reasons.said, std::vector<std::string>{"Systems\\KV02.ini: "});

  files.SetFile("game/data/universe/SYSTEMS/kv02.ini", "[System]\r\n");
  handler.seen.clear();
  RunAll();
  EXPECT_EQ(handler.seen, (std::vector<std::string>{"ships [Ship]", "universe [System]"}));
}

// What a file name leads to decides whether it is read: inside the game folder it is, by any
// link; out of it only when links may be followed; a loop, a missing file and a folder are
// warned about at the line that named them, with the reason the user can act on.
TEST_F(WalkInMemoryTest, ReadsOnlyFilesInsideTheGameFolderAndSaysWhyOthersAreNot) {
  const std::string out =
      "a link leads out of the game folder, to elsewhere/x.ini "
      "(--follow-links reads it)";
  struct Case {
    std::string named;
    bool follow_links;
    std::string reason;  // "read" when the file is read
  } cases[] = {
      {"data/SHIPS.INI", false, "read"},
      {"DATA/alias.ini", false, "read"},
      {"DATA/inside/ships.ini", false, "read"},
      {"DATA/out.ini", false, out},
      {"DATA/out.ini", true, "read"},
      {"DATA/../../elsewhere/x.ini", true, "it lies outside the game folder"},
      {"DATA/loop.ini", false, ""},
      {"DATA/gone.ini", false, ""},
      {"DATA", false, "it is a folder"},
  };
  testing::WriteWorld(files, "game", {{"DATA/ships.ini", "[Ship]\n"}});
  testing::WriteWorld(files, "elsewhere", {{"x.ini", "[Ship]\n"}});
  files.AddLink("game/DATA/alias.ini", "ships.ini");
  files.AddLink("game/DATA/inside", ".");
  files.AddLink("game/DATA/out.ini", "../../elsewhere/x.ini");
  files.AddLink("game/DATA/loop.ini", "again.ini");
  files.AddLink("game/DATA/again.ini", "loop.ini");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.named);
    handler.seen.clear();
    reasons.said.clear();
    files.Confine("game", c.follow_links);
    ParsedFiles parsed;
    Walk walk({settings, files, log, front_end}, handler, values, settings_db, &parsed);
    walk.ReadINIFile("ships", "game/" + c.named, FileReference{.RefValue = c.named});
    if (c.reason == "read") {
      EXPECT_EQ(handler.seen, std::vector<std::string>{"ships [Ship]"});
      EXPECT_TRUE(reasons.said.empty());
    } else {
      EXPECT_TRUE(handler.seen.empty());
      EXPECT_EQ(reasons.said, std::vector<std::string>{c.named + ": " + c.reason});
    }
  }
}

// A file that fails while it is read is no file the game lacks: the run ends and says why.
TEST_F(WalkInMemoryTest, AFileThatCannotBeReadEndsTheRun) {
  testing::WriteWorld(files, "game", {{"DATA/ships.ini", "[Ship]\nmass = 1\n"}});
  files.FailReadAfter("game/DATA/ships.ini", 3);
  ParsedFiles parsed;
  Walk walk({settings, files, log, front_end}, handler, values, settings_db, &parsed);
  EXPECT_THROW(walk.ReadINIFile("ships", "game/DATA/ships.ini", {}), ProgramEnd);
  EXPECT_TRUE(
      LogText().ends_with("Error : Path/File access error: Input/output error\n"
                          "Number: 75\nSource: TARN\nReadINIFile\n"))
      << LogText();
}

}  // namespace
}  // namespace tarn
