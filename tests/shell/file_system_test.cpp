#include "shell/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/core_fixture.h"
#include "support/world.h"

namespace tarn {
namespace {

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
  std::int32_t OpenError(const std::string& relative) {
    return ErrorOf([&] { files_.OpenForReading(dir_.File(relative)); });
  }
  testing::TempDir dir_;
  RealFileSystem files_;
};

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
  EXPECT_EQ(OpenError("DATA/NOPE/shiparch.ini"), kErrPathNotFound);
  EXPECT_EQ(OpenError("data/ships/nope.ini"), kErrFileNotFound);
  EXPECT_EQ(OpenError("DATA/SHIPS/nope.ini"), kErrFileNotFound);
  EXPECT_EQ(OpenError("DATA/SHIPS/shiparch.ini/more"), kErrPathNotFound);
  EXPECT_EQ(OpenError("data/ships/shiparch.ini/more"), kErrPathNotFound);
  // A folder is no file to read, and trying leaves nothing open.
  const auto open_files = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
  };
  const auto before = open_files();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(OpenError("DATA/SHIPS"), kErrFileNotFound);
  EXPECT_EQ(open_files(), before);
  // A listing is read once per run.
  EXPECT_EQ(OpenError("data/new.ini"), kErrFileNotFound);
  testing::WriteFile(dir_.File("DATA/NEW.ini"), "new");
  EXPECT_EQ(OpenError("data/new.ini"), kErrFileNotFound);
  files_.ForgetListings();
  EXPECT_EQ(Read("data/new.ini"), "new");
}

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

}  // namespace
}  // namespace tarn
