// What TARN writes for the user is written whole: a writer killed at any step leaves the old
// file or folder as it was, or the new one complete, and the next writer clears what it left.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>

#include "platform/error.h"
#include "platform/file_system.h"
#include "support/core_fixture.h"
#include "support/world.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using Step = RealFileSystem::WriteStep;

// Runs write in a child process whose file system kills it at the nth time it reaches step.
void KilledAt(Step step, int nth, const std::function<void(RealFileSystem&)>& write) {
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::alarm(20);
    RealFileSystem files;
    int reached = 0;
    files.SetWriteStepHook([&](Step at) {
      if (at == step && ++reached == nth) ::raise(SIGKILL);
    });
    write(files);
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << static_cast<int>(step);
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& item : fs::directory_iterator(folder)) names.push_back(item.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(WholeWriteTest, KilledAtAnyStepLeavesTheOldFileOrTheNewOneAndTheNextWriteClearsUp) {
  const std::string big(3 << 20, 'n');  // three blocks: a kill between two of them too
  const struct {
    Step step;
    int nth;
    bool new_one;
  } cases[] = {
      {Step::kTemporaryMade, 1, false}, {Step::kPartWritten, 1, false},
      {Step::kPartWritten, 2, false},   {Step::kAllWritten, 1, false},
      {Step::kFlushed, 1, false},       {Step::kRenamed, 1, true},
  };
  for (const auto& c : cases) {
    testing::TempDir dir;
    const std::string report = dir.File("r.json");
    testing::WriteFile(report, "{\"findings\": []}");
    KilledAt(c.step, c.nth, [&](RealFileSystem& files) { files.WriteWholeFile(report, big); });
    EXPECT_EQ(testing::ReadFile(report), c.new_one ? big : "{\"findings\": []}")
        << static_cast<int>(c.step) << " " << c.nth;
    // The next run that writes there removes what the killed one left beside the report.
    RealFileSystem files;
    files.WriteWholeFile(dir.File("other.txt"), "x");
    EXPECT_THAT(Names(dir.Path()), ::testing::ElementsAre("other.txt", "r.json"));
  }
}

TEST(WholeWriteTest, FolderReplacedWholeOrNotAtAll) {
  const std::vector<FolderFile> fresh = {{"a.rules", "new a"},
                                         {"b.rules", std::string(2 << 20, 'b')}};
  for (const auto& [step, nth, new_one] : {std::tuple{Step::kTemporaryMade, 2, false},
                                           {Step::kPartWritten, 2, false},
                                           {Step::kFlushed, 2, false}}) {
    testing::TempDir dir;
    testing::WriteWorld(dir.Path(), {{"out/a.rules", "old a"}, {"out/old.rules", "old"}});
    KilledAt(step, nth,
             [&](RealFileSystem& files) { files.ReplaceFolder(dir.File("out"), fresh); });
    EXPECT_THAT(Names(dir.File("out")), ::testing::ElementsAre("a.rules", "old.rules"));
    RealFileSystem files;
    files.ReplaceFolder(dir.File("out"), fresh);
    EXPECT_THAT(Names(dir.Path()), ::testing::ElementsAre("out"));
    EXPECT_THAT(Names(dir.File("out")), ::testing::ElementsAre("a.rules", "b.rules"));
    EXPECT_EQ(testing::ReadFile(dir.File("out/a.rules")), "new a");
  }
}

TEST(WholeWriteTest, LinksAreFollowedFifosWrittenDirectlyFoldersRefused) {
  testing::TempDir dir;
  RealFileSystem files;
  testing::WriteFile(dir.File("target.txt"), "old");
  fs::create_symlink(dir.File("target.txt"), dir.File("link.txt"));
  files.WriteWholeFile(dir.File("link.txt"), "new");
  EXPECT_TRUE(fs::is_symlink(dir.File("link.txt")));
  EXPECT_EQ(testing::ReadFile(dir.File("target.txt")), "new");

  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  const int reader = ::open(dir.File("fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  files.WriteWholeFile(dir.File("fifo"), "through");
  char read[16] = {};
  EXPECT_EQ(::read(reader, read, sizeof read), 7);
  EXPECT_STREQ(read, "through");
  ::close(reader);

  // A FIFO nobody reads is an error at once, never a write that waits for ever.
  ASSERT_EQ(::mkfifo(dir.File("unread").c_str(), 0600), 0);
  EXPECT_THROW(files.WriteWholeFile(dir.File("unread"), "x"), TarnError);
  fs::remove(dir.File("unread"));

  fs::create_directory(dir.File("folder"));
  EXPECT_EQ(testing::ErrorOf([&] { files.WriteWholeFile(dir.File("folder"), "x"); }),
            kErrPathFileAccess);
  EXPECT_EQ(testing::ErrorOf([&] { files.WriteWholeFile(dir.File("no/such.txt"), "x"); }),
            kErrPathNotFound);
  EXPECT_THAT(Names(dir.Path()),
              ::testing::ElementsAre("fifo", "folder", "link.txt", "target.txt"));
}

TEST(WholeWriteTest, LeftoversAreThoseOfGoneProcessesOrOlderThanADay) {
  const std::int64_t now = std::time(nullptr);
  const std::string me = std::to_string(::getpid());
  const struct {
    std::string name;
    std::int64_t age;
    bool leftover;
  } cases[] = {
      {".r.json.tarn-999999999.tmp", 0, true},  // no such process
      {".out.tarn-999999999.new", 0, true},
      {".out.tarn-999999999.old", 0, true},
      {".r.json.tarn-" + me + ".tmp", 0, false},      // this process, still writing
      {".r.json.tarn-1.tmp", 0, false},               // a process that is alive
      {".r.json.tarn-1.tmp", 24 * 3600 + 600, true},  // a day and ten minutes old
      {".r.json.tarn-1.tmp", 24 * 3600 - 600, false},
      {".r.json.tarn-999999999.txt", 0, false},  // not a kind TARN makes
      {"r.json.tarn-999999999.tmp", 0, false},   // not hidden
      {".tarn-home.lock", 0, false},
      {".r.tarn-12x.tmp", 0, false},
      {".r.tarn-.tmp", 0, false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsLeftover(c.name, now - c.age), c.leftover) << c.name;
}

}  // namespace
}  // namespace tarn
