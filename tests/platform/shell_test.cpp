#include <fcntl.h>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <thread>

#include "log/findings.h"
#include "log/log.h"
#include "log/run_stats.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "support/core_fixture.h"
#include "support/world.h"

namespace tarn {
namespace {

TEST(Cp1252Test, EveryByteBecomesOneCharacter) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"plain \x7F", "plain \x7F"},
      {"\x80", "\xE2\x82\xAC"},                      // the euro sign, first of the table
      {"\x81\x92", "\xC2\x81\xE2\x80\x99"},          // undefined: its own control
      {"\x9F", "\xC5\xB8"},                          // Y with diaeresis, the last
      {"\xA0\xE9\xFF", "\xC2\xA0\xC3\xA9\xC3\xBF"},  // Latin-1 from here on
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) EXPECT_EQ(Cp1252ToUtf8(c.in), c.out) << c.in;
}

// Texts read back from the data database are written to the log in the game's code page again:
// every byte comes back as it was, and what is no code page character becomes '?'.
TEST(Cp1252Test, TextsComeBackByteForByte) {
  std::string every;
  for (int byte = 1; byte < 256; ++byte) every += static_cast<char>(byte);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(every)), every);
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82"), "??");                                  // cut short
  EXPECT_EQ(Utf8ToCp1252(std::string("a\xF0\x9F\x98\x80") + "b"), "a????b");  // four bytes
  EXPECT_EQ(Utf8ToCp1252("\xE2\x88\x9E"), "?");                               // infinity: not in it
}

using testing::ErrorOf;

class RealFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Each file holds its own path as created.
    testing::Files world;
    for (const char* file :
         {"DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini", "DATA/SHIPS/shiparch.ini", "DATA/Ships/other.ini",
          "DATA/equip/Weapons.ini", "DATA/equip/weapons.INI"}) {
      world[file] = file;
    }
    testing::WriteWorld(dir_.Path(), world);
  }
  std::string Read(const std::string& relative) {
    auto input = files_.OpenForReading(dir_.File(relative));
    std::string text(256, '\0');
    text.resize(input->Read(text.data(), text.size()));
    return text;
  }
  // The number and description of the error opening the file raises; "read" when it opens.
  std::string Refusal(const std::string& relative) {
    try {
      files_.OpenForReading(dir_.File(relative));
    } catch (const TarnError& error) {
      return std::to_string(error.Number()) + " " + error.Description();
    }
    return "read";
  }
  testing::TempDir dir_;
  RealFileSystem files_;
};

TEST_F(RealFileSystemTest, AppendCreatesAndAddsRemoveDeletesOnlyFiles) {
  const std::string log = dir_.File("DATA/tarn.log");
  files_.AppendToFile(log, "a\r\n");
  files_.AppendToFile(log, "b");
  EXPECT_EQ(testing::ReadFile(log), "a\r\nb");
  EXPECT_TRUE(files_.FileExists(log));
  EXPECT_FALSE(files_.FileExists(dir_.File("DATA")));
  files_.RemoveFile(log);
  EXPECT_FALSE(std::filesystem::exists(log));
  EXPECT_EQ(ErrorOf([&] { files_.RemoveFile(log); }), kErrFileNotFound);
  EXPECT_EQ(ErrorOf([&] { files_.RemoveFile(dir_.File("gone/tarn.log")); }), kErrPathNotFound);
  EXPECT_EQ(ErrorOf([&] { files_.RemoveFile(dir_.File("DATA/SHIPS")); }), kErrPathFileAccess);
  EXPECT_EQ(ErrorOf([&] { files_.AppendToFile(dir_.File("DATA/SHIPS"), "x"); }),
            kErrPathFileAccess);
  EXPECT_EQ(ErrorOf([&] { files_.AppendToFile(dir_.File("gone/tarn.log"), "x"); }),
            kErrPathNotFound);
}

#ifndef _WIN32
// Not on Windows: Windows resolves letter case itself, and its folders cannot hold two names that
// differ only in it; the tests after this one count open descriptors in /proc/self/fd, bind a
// socket, fork, and fail reads and writes through /proc/self/mem and /dev/full.
TEST_F(RealFileSystemTest, PathsResolveFolderByFolderLetterCaseAside) {
  const struct {
    const char* asked;
    const char* found;
  } cases[] = {
      {"DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini", "DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini"},
      {"Data/Universe/systems/kv01/KV01.INI", "DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini"},
      {"data/ships/shiparch.ini", "DATA/SHIPS/shiparch.ini"},  // SHIPS before Ships
      {"DATA/Ships/other.ini", "DATA/Ships/other.ini"},        // as written, when it exists
      {"DATA/Ships/OTHER.ini", "DATA/Ships/other.ini"},        // a folder too
      {"DATA/EQUIP/WEAPONS.ini", "DATA/equip/Weapons.ini"},    // Weapons.ini before weapons.INI
      {"DATA/./SHIPS/../SHIPS/shiparch.ini", "DATA/SHIPS/shiparch.ini"},
  };
  for (const auto& c : cases) EXPECT_EQ(Read(c.asked), c.found) << c.asked;
  EXPECT_EQ(files_.ResolveLetterCase(dir_.File("data//ships/SHIPARCH.ini")),
            dir_.File("DATA//SHIPS/shiparch.ini"));
}

TEST_F(RealFileSystemTest, MissingFoldersAndFilesKeepTheirNumbers) {
  for (const char* path :
       {"DATA/NOPE/shiparch.ini", "DATA/SHIPS/shiparch.ini/more", "data/ships/shiparch.ini/more"}) {
    EXPECT_EQ(Refusal(path), "76 Path not found") << path;
  }
  EXPECT_EQ(Refusal("data/ships/nope.ini"), "53 File not found");
  EXPECT_EQ(Refusal("DATA/SHIPS/nope.ini"), "53 File not found");
  // A folder is no file to read, and trying leaves nothing open.
  const auto open_files = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
  };
  const auto before = open_files();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Refusal("DATA/SHIPS"), "53 File not found: it is a folder");
  EXPECT_EQ(open_files(), before);
  // A listing is read once per run.
  EXPECT_EQ(Refusal("data/new.ini"), "53 File not found");
  testing::WriteFile(dir_.File("DATA/NEW.ini"), "new");
  EXPECT_EQ(Refusal("data/new.ini"), "53 File not found");
  files_.ForgetListings();
  EXPECT_EQ(Read("data/new.ini"), "new");
}

// The file opened is what confinement judges, not what its path names when looked at: a link
// to a file that only a descriptor still names (nothing is found at the path it shows, so a
// look at the path sees nothing to refuse) is refused once opened. A socket, which cannot be
// opened at all, says what it is.
TEST_F(RealFileSystemTest, ConfinementJudgesTheFileOpenedAndASocketSaysWhatItIs) {
  const testing::TempDir outside;
  testing::WriteFile(outside.File("secret.ini"), "MARKER");
  const int secret = ::open(outside.File("secret.ini").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(secret, 0);
  std::filesystem::remove(outside.File("secret.ini"));
  std::filesystem::create_symlink("/proc/self/fd/" + std::to_string(secret),
                                  dir_.File("DATA/SHIPS/gone.ini"));
  const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = dir_.File("DATA/SHIPS/socket.ini");
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  socket_path.copy(address.sun_path, socket_path.size());
  ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  files_.Confine(dir_.Path(), false);
  EXPECT_EQ(Refusal("DATA/SHIPS/gone.ini"),
            "53 File not found: a link leads out of the game folder, to " +
                outside.File("secret.ini") + " (deleted) (--follow-links reads it)");
  EXPECT_EQ(Refusal("DATA/SHIPS/socket.ini"), "53 File not found: it is a socket");
  files_.Confine(dir_.Path(), true);
  EXPECT_EQ(Read("DATA/SHIPS/gone.ini"), "MARKER");
  ::close(socket);
  ::close(secret);
}

// A read or a write the system refuses for good raises its error rather than being tried
// again for ever; each runs in a child process that an alarm ends after ten seconds.
TEST_F(RealFileSystemTest, ReadAndWriteThatFailRaise) {
  const auto error_in_child = [](auto call) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::alarm(10);
      ::_exit(ErrorOf(call));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(error_in_child([this] {
              char byte = 0;
              files_.OpenForReading("/proc/self/mem")->Read(&byte, 1);  // EIO at address 0
            }),
            kErrPathFileAccess);
  EXPECT_EQ(error_in_child([this] { files_.AppendToFile("/dev/full", "x"); }), kErrPathFileAccess);
}
#endif  // !_WIN32

// Spans nest, and the time of an inner one counts for its phase alone: the phases and the rest
// of the run ("other") add up to the total, so "other" is never negative. The sleeps only make
// each span last long enough to show; how long they take on a busy machine does not matter.
TEST(RunStatsTest, NestedSpansChargeEachMomentToTheInnermostPhase) {
  using namespace std::chrono_literals;
  RunStats stats;
  {
    StatsScope checking(&stats, RunStats::kChecking);
    {
      StatsScope storing(&stats, RunStats::kStoring);
      std::this_thread::sleep_for(30ms);
    }
    std::this_thread::sleep_for(30ms);  // back in the outer span
  }
  const std::string report = stats.Report();
  const auto seconds = [&report](const std::string& phase) {
    const std::size_t at = report.find(" " + phase + " ");
    return at == std::string::npos ? -1.0 : std::stod(report.substr(at + phase.size() + 2));
  };
  EXPECT_GE(seconds("storing"), 0.03) << report;
  EXPECT_GE(seconds("checking"), 0.03) << report;
  EXPECT_EQ(seconds("reading and decoding"), 0.0) << report;
  EXPECT_GE(seconds("other"), 0.0) << report;
  EXPECT_EQ(seconds("references"), -1.0) << report;  // named only in a run that checked them
}

using LogTest = testing::CoreTest;

std::string Failure(const std::string& file, const std::string& number, const std::string& text) {
  return "*******  Unable to log message in file " + file + "\r\n         Error numb:" + number +
         "\r\n         Error desc:" + text + "\r\n         Error src :TARN\r\n";
}

TEST_F(LogTest, BoxDropsItsOldest5999CharactersOnlyWhenOver32000AndTheFileKeepsAll) {
  for (auto [before, cut] : {std::pair<std::size_t, std::size_t>{32000, 0}, {32001, 5999}}) {
    std::string text;
    for (std::size_t i = 0; i < before; ++i) text += static_cast<char>('a' + i % 26);
    front_end.box.Clear();
    front_end.box.Append(text, false);
    log.WriteLog("z");
    EXPECT_EQ(front_end.box.Text(), text.substr(cut) + "z\r\n") << before;
  }
  EXPECT_EQ(files.File(kLogFile), "z\r\nz\r\n");
  EXPECT_FALSE(log.LostLines());
}

// Each line is tried again; the failure lines are not log lines, so they never cut the box.
TEST_F(LogTest, LineThatCannotBeWrittenLeavesFourFailureLinesInTheBoxOnly) {
  const std::string full(40000, 'x');
  front_end.box.Append(full, false);
  files.SetFile(kLogFile, "old\r\n");
  files.Lock(kLogFile);
  log.WriteLog("one");
  log.WriteLog("two");
  const std::string locked = Failure(kLogFile, "75", "Path/File access error");
  EXPECT_EQ(front_end.box.Text(), full + locked + locked);
  EXPECT_EQ(files.File(kLogFile), "old\r\n");
  EXPECT_TRUE(log.LostLines());

  testing::TempDir dir;
  RealFileSystem machine;
  for (FileSystem* tree : {static_cast<FileSystem*>(&files), static_cast<FileSystem*>(&machine)}) {
    front_end.box.Clear();
    settings.SetLogPath(dir.File("missing"));
    Log(tree, front_end, settings).WriteLog("lost");
    EXPECT_EQ(front_end.box.Text(),
              Failure(JoinPath(dir.File("missing"), "tarn.log"), "76", "Path not found"));
  }
}

class Sink : public FindingSink {
 public:
  void Add(Finding f) override {
    text += std::to_string(static_cast<int>(f.kind)) + "|" + std::to_string(f.number) + "|" +
            f.file + "|" + std::to_string(f.line) + "|" + f.section + "|" +
            std::to_string(f.index) + "|" + f.key + "|" + f.value + "\n";
  }
  std::string text;
};

TEST_F(LogTest, ErrorsWarningsAndRepairsInTheirFixedFormsAlsoAsFindings) {
  Sink sink;
  log.SetFindings(&sink);
  log.ReportError(TarnError(-2147220480, "BINI finished with error", "TARN.cFile"), "ReadINIFile");
  SectionBuffer buffer;
  buffer.SourceFile = "a.ini";
  buffer.Name = "S";
  buffer.HeaderLine = 115;
  for (int index : {1, 2048}) {
    buffer.EntryNames[index] = "k" + std::to_string(index);
    buffer.EntryValues[index] = "v";
  }
  log.WarnSectionLine(buffer, kErrUnknownEntry, 1);
  log.WarnSectionLine(buffer, kErrValueOverflow, 2048);
  buffer.HeaderLine = 2147483647;  // the line wraps as a 32-bit number would
  log.WarnSectionLine(buffer, 0, 1);
  log.WarnSectionLine(buffer, 10105, 0);  // no such line, no such number
  log.WarnReference({"/game/u.ini", 42, "system", "file", "systems\\kv01.ini", 2},
                    kErrCouldNotOpenReferredFile);
  log.WarnRepair("b.ini", "B.INI", false, 7, {"      first", "      second"});
  EXPECT_EQ(LogText(),
            "Error : BINI finished with error\nNumber: -2147220480\nSource: TARN.cFile\n"
            "ReadINIFile\n"
            "WARN: File a.ini line 116\n      Section [S] line 1\n"
            "      10302 - Unknown Entry !k1!v!\n\n"
            "WARN: File a.ini line 2163\n      Section [S] line 2048\n"
            "      10104 - Value Overflow !k2048!v!\n\n"
            "WARN: File a.ini line -2147483648\n      Section [S] line 1\n"
            "      Unknown Error !k1!v!\n\n"
            "WARN: File a.ini line 2147483647\n      Section [S] line 0\n"
            "      Unknown Error !!!\n\n"
            "WARN: File /game/u.ini line 42\n      Section [system] line 2\n"
            "      10306 - Could not open referred file !file!systems\\kv01.ini!\n\n"
            "WARN: File b.ini line 7\n      first\n      second\n");
  EXPECT_EQ(sink.text,
            "0|10302|a.ini|116|S|1|k1|v\n0|10104|a.ini|2163|S|2048|k2048|v\n"
            "0|0|a.ini|-2147483648|S|1|k1|v\n0|10105|a.ini|2147483647|S|0||\n"
            "1|10306|/game/u.ini|42|system|2|file|systems\\kv01.ini\n"
            "2|0|b.ini|7||0||first\nsecond\n");
}

}  // namespace
}  // namespace tarn
