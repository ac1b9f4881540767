// Game folders and homes as an attacker or a careless user makes them, grouped by attack:
// references and links that lead out of the game folder, files that are no files, files too
// large to hold, runs that share a home or a log folder. Each is refused with its warning or
// message, and the run goes on where it can.
#include <fcntl.h>
#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "datadb/database.h"
#include "dll/library.h"
#include "dll/pe_builder.h"
#include "shell/folder_lock.h"
#include "support/shell_run.h"
#include "support/temp_dir.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::ReadAll;

constexpr const char* kMarker = "MARKER_OF_A_PRIVATE_FILE";

class HostileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(Game() + "/EXE");
    fs::create_directories(Game() + "/DATA/SHIPS");
    fs::create_directories(dir_.File("home"));
    fs::create_directories(dir_.File("log"));
    fs::create_directories(dir_.File("outside"));
    fs::copy_file(TARN_SHIPPED_MDB, dir_.File("home/TARN.MDB"));
    Write(dir_.File("outside/private.ini"),
          std::string("[Ship]\r\nnickname = ") + kMarker + "\r\n");
  }

  std::string Game() const { return dir_.File("game"); }

  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  }

  // A main file whose [Data] names each of the files, as ships.
  void Names(std::initializer_list<const char*> files) {
    std::string main = "[Data]\r\n";
    for (const char* file : files) main += std::string("ships = ") + file + "\r\n";
    Write(Game() + "/EXE/kestrovar.ini", main);
  }

  struct Result {
    int status;
    std::string out;  // the text report
    std::string err;
    std::string log;
  };

  Result Tarn(const std::string& args = "") {
    const std::string out = dir_.File("out.txt"), err = dir_.File("err.txt");
    const int status =
        testing::RunShell(std::string(TARN_CLI) + " --home " + dir_.File("home") + " --game " +
                          Game() + " --log " + dir_.File("log") + " --overwrite --report text=- " +
                          args + " init-db all >" + out + " 2>" + err);
    return {status, ReadAll(out), ReadAll(err), ReadAll(dir_.File("log/tarn.log"))};
  }

  std::string StoredValues() {
    auto db = Database::Open(dir_.File("home/KV.MDB"), Database::Mode::kReadWrite);
    Statement rows = db.Prepare("SELECT group_concat(Value, ' ') FROM \"Values\"");
    rows.Step();
    return rows.Text(0);
  }

  testing::TempDir dir_;
};

TEST_F(HostileTest, ConfinementRefusesWhatLeadsOutOfTheGameFolder) {
  fs::create_symlink(dir_.File("outside/private.ini"), Game() + "/DATA/SHIPS/link.ini");
  Write(Game() + "/DATA/SHIPS/ship.ini", "[Ship]\r\nnickname = kv_inside\r\n");
  Names({"..\\..\\outside\\private.ini", "SHIPS\\link.ini", "SHIPS\\ship.ini"});
  Result r = Tarn();
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_THAT(r.out, HasSubstr("ships = ..\\..\\outside\\private.ini [Data]: it lies outside the "
                               "game folder"));
  EXPECT_THAT(r.out, HasSubstr("ships = SHIPS\\link.ini [Data]: a link leads out of the game "
                               "folder"));
  // Both are warned about as files that cannot be opened; nothing of the private file is read.
  EXPECT_THAT(r.log, HasSubstr("10306 - Could not open referred file !ships!SHIPS\\link.ini!"));
  EXPECT_THAT(r.log, Not(HasSubstr(kMarker)));
  EXPECT_EQ(StoredValues(), "kv_inside");

  // The user may follow links out; a ".." out of the folder stays refused.
  r = Tarn("--follow-links");
  EXPECT_THAT(StoredValues(), HasSubstr(kMarker));
  EXPECT_THAT(r.out, HasSubstr("it lies outside the game folder"));
}

TEST_F(HostileTest, GameFolderThatIsALinkWorksAsItself) {
  Write(Game() + "/DATA/SHIPS/ship.ini", "[Ship]\r\nnickname = kv_inside\r\n");
  Names({"SHIPS\\ship.ini"});
  fs::create_directory_symlink(Game(), dir_.File("game-link"));
  const std::string out = dir_.File("out.txt");
  EXPECT_EQ(testing::RunShell(std::string(TARN_CLI) + " --home " + dir_.File("home") + " --game " +
                              dir_.File("game-link") + " --log " + dir_.File("log") +
                              " --quiet init-db all 2>" + out),
            1)
      << ReadAll(out);  // the four files of _bc_OtherINI are missing here
  EXPECT_EQ(StoredValues(), "kv_inside");
}

TEST_F(HostileTest, FilesThatAreNoFilesAreRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo((Game() + "/DATA/SHIPS/fifo.ini").c_str(), 0644), 0);
  fs::create_directory(Game() + "/DATA/SHIPS/folder.ini");
  Names({"SHIPS\\fifo.ini", "SHIPS\\folder.ini"});
  const Result r = Tarn();
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.out, HasSubstr("ships = SHIPS\\fifo.ini [Data]: it is a FIFO"));
  EXPECT_THAT(r.out, HasSubstr("ships = SHIPS\\folder.ini [Data]: it is a folder"));
}

TEST_F(HostileTest, FilesAndLinesOverTheLimitsAreRefusedAndTheRunGoesOn) {
  Write(Game() + "/DATA/SHIPS/big.ini", "[Ship]\r\nnickname = " + std::string(40000, 'x') + "\r\n");
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
  Write(Game() + "/DATA/SHIPS/bomb.ini", bini + records + table);
  Write(Game() + "/DATA/SHIPS/ship.ini", "[Ship]\r\nnickname = kv_after\r\n");
  Names({"SHIPS\\big.ini", "SHIPS\\bomb.ini", "SHIPS\\ship.ini"});
  Result r = Tarn("--max-file-size 32K");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_THAT(r.log, HasSubstr("/DATA/SHIPS/big.ini line 0\r\n      Section [] line 0\r\n"
                               "      10404 - File Too Large !32768!40021!"));
  EXPECT_THAT(r.out, HasSubstr("DATA/SHIPS/bomb.ini: warning: 10404 File Too Large: 150"));
  EXPECT_THAT(StoredValues(), HasSubstr("kv_after"));

  // A line longer than 16 MB, in a file within the size limit.
  Write(Game() + "/DATA/SHIPS/long.ini",
        "[Ship]\r\nnickname = a\r\n; " + std::string(17 << 20, 'y') + "\r\n");
  Names({"SHIPS\\long.ini", "SHIPS\\ship.ini"});
  r = Tarn();
  EXPECT_THAT(r.log, HasSubstr("/DATA/SHIPS/long.ini line 3\r\n      Section [] line 0\r\n"
                               "      10405 - Line Too Long !16777216!"));
  EXPECT_THAT(StoredValues(), HasSubstr("kv_after"));
}

TEST_F(HostileTest, ARunIsRefusedWhileAnotherHoldsTheHomeOrTheLogFolder) {
  Names({});
  for (const char* folder : {"home", "log"}) {
    FolderLock::Outcome outcome;
    std::string holder;
    auto held = FolderLock::Take(dir_.File(folder), folder, outcome, holder);
    ASSERT_EQ(outcome, FolderLock::Outcome::kTaken);
    const Result r = Tarn();
    EXPECT_EQ(r.status, 3) << folder;
    EXPECT_THAT(r.err, HasSubstr("another TARN run (process " + std::to_string(::getpid()) +
                                 ") is using the " + folder + " folder"));
  }
  // A lock whose holder has gone blocks nothing: the locks above are released.
  EXPECT_EQ(Tarn().status, 1);
}

TEST_F(HostileTest, TheLogIsNeverWrittenThroughALink) {
  Names({});
  Write(dir_.File("outside/target.txt"), "untouched");
  fs::create_symlink(dir_.File("outside/target.txt"), dir_.File("log/tarn.log"));
  const std::string err = dir_.File("err.txt");
  EXPECT_EQ(testing::RunShell(std::string(TARN_CLI) + " --home " + dir_.File("home") + " --game " +
                              Game() + " --log " + dir_.File("log") +
                              " --append --quiet init-db all 2>" + err),
            3);
  EXPECT_EQ(ReadAll(dir_.File("outside/target.txt")), "untouched");
  EXPECT_THAT(ReadAll(err), HasSubstr("the file is a link"));
}

TEST(HostileLibraryTest, BlocksThatShareTheirDataAreReadOnce) {
  testing::PeImage image =
      testing::PeBuilder().Block(1, {u"one", u"two"}).Block(2, {u"other"}).Build();
  // The second block's entry points at the first one's data.
  image.bytes.replace(image.data_entries[1], 8, image.bytes.substr(image.data_entries[0], 8));
  const auto bytes = reinterpret_cast<const std::uint8_t*>(image.bytes.data());
  const ResourceStrings strings = pe::ImageStrings({bytes, image.bytes.size()});
  ASSERT_EQ(strings.size(), 2u);
  EXPECT_EQ(strings[0].second, "one");
}

}  // namespace
}  // namespace tarn
