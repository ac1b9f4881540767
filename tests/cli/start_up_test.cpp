// How tarn.exe is started from Explorer, decided over a console that answers as told and
// an in-memory file system.
#include "start_up.h"

#include <gtest/gtest.h>

#include "support/memory_file_system.h"

namespace tarn {
namespace {

struct FakeConsole : StartConsole {
  FakeConsole(bool own_console, bool keyboard) : own(own_console), keys(keyboard) {}
  bool OwnConsole() override { return own; }
  bool InputIsConsole() override { return keys; }
  void Note(std::string_view text) override { notes += text; }
  void WaitForKey() override { ++waits; }
  bool own, keys;
  std::string notes;
  int waits = 0;
};

TEST(StartUpTest, ExplorerStartsGetAGuideOrACheckAndWaitOnlyInTheirOwnConsoleAtTheKeyboard) {
  testing::MemoryFileSystem files;
  for (const char* folder : {"/prog", "/data", "/full", "/games", "/games/kv", "all"}) {
    files.AddFolder(folder);
  }
  files.SetFile("/prog/TARN.MDB", "shipped");
  files.SetFile("/games/a.ini", "");
  const std::string home = DropHome("/data");
  files.Lock(DropHome("/locked"));
  // The in-memory tree keeps "/" between folders on every system.
  files.FailWriteAfter("/full/TARN/TARN.MDB", 0);  // a full disk
  const std::string check =
      "tarn --home " + home + " --game /games/kv --log " + home + " --overwrite init-db all refs ";
  struct {
    std::vector<std::string> args;
    bool own, keys;
    int status;
    std::string user_data;
    std::string ran;  // the command line run, "" for none
    int waits;
    std::string note;  // a part of what the console shows
  } const cases[] = {
      {{"tarn"}, true, true, 2, "/data", "", 1, "drag the game folder"},
      {{"tarn"}, true, false, 2, "/data", "", 0, "drag the game folder"},  // started by an editor
      {{"tarn"}, false, true, 7, "/data", "tarn ", 0, ""},  // in cmd: the usage error as ever
      {{"tarn", "/games/kv"}, true, true, 7, "/data", check, 1, "Checking /games/kv"},
      {{"tarn", "/games/kv"}, false, true, 7, "/data", check, 0, "Checking /games/kv"},
      {{"tarn", "/games/kv"}, true, true, 3, "", "", 1, "LOCALAPPDATA"},
      {{"tarn", "/games/kv"}, false, true, 3, "/locked", "", 0, DropHome("/locked")},
      {{"tarn", "/games/kv"}, false, true, 3, "/full", "", 0, DropHome("/full")},
      {{"tarn", "/games/a.ini"}, true, true, 2, "/data", "", 1, "is not a folder"},
      {{"tarn", "D:\\"}, true, false, 2, "/data", "", 0, "is not a folder"},
      {{"tarn", "C:/Games/kv"}, true, false, 2, "/data", "", 0, "is not a folder"},
      {{"tarn", "C:kv"}, true, false, 7, "/data", "tarn C:kv ", 0, ""},  // relative to C:'s folder
      {{"tarn", "/games/a.ini"}, false, true, 7, "/data", "tarn /games/a.ini ", 0, ""},
      {{"tarn", "all"}, true, true, 7, "/data", "tarn all ", 0, ""},  // a command, a folder too
      {{"tarn", "/games/kv", "all"}, true, true, 7, "/data", "tarn /games/kv all ", 0, ""},
  };
  bool copied = false;
  for (const auto& c : cases) {
    FakeConsole console(c.own, c.keys);
    std::string ran;
    const int status = StartProgram(c.args, {"/prog", c.user_data}, console, files,
                                    [&ran](std::vector<std::string>& run) {
                                      for (const std::string& arg : run) ran += arg + " ";
                                      return 7;
                                    });
    const std::string what =
        c.args.back() + (c.own ? " own" : "") + (c.keys ? " keys " : " ") + c.user_data;
    EXPECT_EQ(status, c.status) << what;
    EXPECT_EQ(ran, c.ran) << what;
    EXPECT_EQ(console.waits, c.waits) << what;
    EXPECT_EQ(console.notes.find("Press any key") != std::string::npos, c.waits > 0) << what;
    EXPECT_NE(console.notes.find(c.note), std::string::npos) << what << ": " << console.notes;
    if (c.ran == check) {
      // The shipped TARN.MDB is copied once; the copy, with rules the user imported, stays.
      EXPECT_EQ(files.File("/data/TARN/TARN.MDB"), copied ? "imported" : "shipped");
      files.SetFile("/data/TARN/TARN.MDB", "imported");
      copied = true;
    }
  }
  EXPECT_EQ(DropHome("/data/"), "/data/TARN");  // never a doubled separator
  EXPECT_EQ(DropHome("C:\\Users\\kim\\"), "C:\\Users\\kim\\TARN");
}

}  // namespace
}  // namespace tarn
