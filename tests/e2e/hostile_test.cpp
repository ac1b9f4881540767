// Game folders and homes as an attacker or a careless user makes them, grouped by attack:
// references and links that lead out of the game folder, files that are no files, files too
// large to hold, runs that share a home or a log folder. Each is refused with its warning or
// message, and the run goes on where it can.
#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "ini/bini_encoder.h"
#include "platform/folder_lock.h"
#include "support/program.h"
#include "support/rows.h"
#include "support/world.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kMarker = "MARKER_OF_A_PRIVATE_FILE";

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

#ifndef _WIN32
// Not on Windows: these make POSIX symbolic links, which MinGW's std::filesystem cannot
// (WindowsPathTest covers junctions), and FIFOs (the Windows tests refuse device names).
// What leads out of the game folder, and files that are no files (a FIFO is refused without
// waiting on it), are warned about with the reason; a game folder that is itself a link is the
// game folder; the log is never written through a link.
TEST_F(HostileTest, ConfinementRefusesWhatLeadsOutOfTheGameFolderAndWhatIsNoFile) {
  fs::create_symlink(outside_.File("private.ini"), tarn_.game.File("DATA/SHIPS/link.ini"));
  ASSERT_EQ(::mkfifo(tarn_.game.File("DATA/SHIPS/fifo.ini").c_str(), 0644), 0);
  fs::create_directory(tarn_.game.File("DATA/SHIPS/folder.ini"));
  Ship("ship.ini", "kv_inside");
  // From DATA, two folders up is the folder that holds both the game and the other folder.
  const std::string out =
      "..\\..\\" + fs::path(outside_.Path()).filename().string() + "\\private.ini";
  Names({out, "SHIPS\\link.ini", "SHIPS\\ship.ini", "SHIPS\\fifo.ini", "SHIPS\\folder.ini"});
  testing::Result r = Run();
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_THAT(r.out, HasSubstr("ships = " + out + " [Data]: it lies outside the game folder"));
  EXPECT_THAT(r.out, HasSubstr("ships = SHIPS\\link.ini [Data]: a link leads out of the game "
                               "folder"));
  EXPECT_THAT(r.out, HasSubstr("ships = SHIPS\\fifo.ini [Data]: it is a FIFO"));
  EXPECT_THAT(r.out, HasSubstr("ships = SHIPS\\folder.ini [Data]: it is a folder"));
  // Both are warned about as files that cannot be opened; nothing of the private file is read.
  EXPECT_THAT(r.log, HasSubstr("10306 - Could not open referred file !ships!SHIPS\\link.ini!"));
  EXPECT_THAT(r.log, Not(HasSubstr(kMarker)));
  EXPECT_EQ(StoredValues(), "kv_inside");

  // The user may follow links out; a ".." out of the folder stays refused.
  r = Run("--follow-links");
  EXPECT_THAT(StoredValues(), HasSubstr(kMarker));
  EXPECT_THAT(r.out, HasSubstr("it lies outside the game folder"));

  fs::create_directory_symlink(tarn_.game.Path(), outside_.File("game-link"));
  r = tarn_.Run("--game " + outside_.File("game-link") +
                " --log <log> --overwrite --quiet "
                "init-db all");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(StoredValues(), "kv_inside");

  // The log is never written through a link.
  testing::WriteFile(outside_.File("target.txt"), "untouched");
  fs::remove(tarn_.log.File("tarn.log"));
  fs::create_symlink(outside_.File("target.txt"), tarn_.log.File("tarn.log"));
  r = tarn_.Run("--game <game> --log <log> --append --quiet init-db all");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(testing::ReadFile(outside_.File("target.txt")), "untouched");
  EXPECT_THAT(r.err, HasSubstr("the file is a link"));
}

#endif  // !_WIN32

TEST_F(HostileTest, FilesAndLinesOverTheLimitsAreRefusedAndTheRunGoesOn) {
  Ship("big.ini", std::string(40000, 'x'));
  // A binary file of 30 kB whose 5,000 values all name one string of 3,000 bytes.
  BiniEncoder bomb;
  bomb.Section("Ship");
  for (int e = 0; e < 500; ++e) {
    bomb.Entry("nickname");
    for (int v = 0; v < 10; ++v) bomb.Text(std::string(3000, 'z'));
  }
  testing::WriteFile(tarn_.game.File("DATA/SHIPS/bomb.ini"), bomb.Bytes());
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

}  // namespace
}  // namespace tarn
