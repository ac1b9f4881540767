#include "shell/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "shell/error.h"
#include "support/temp_dir.h"

namespace tarn {
namespace {

class LetterCaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini", "DATA/SHIPS/shiparch.ini",
                             "DATA/Ships/other.ini", "DATA/equip/Weapons.ini",
                             "DATA/equip/weapons.INI"}) {
      std::filesystem::path path = std::filesystem::path(dir_.Path()) / file;
      std::filesystem::create_directories(path.parent_path());
      std::ofstream(path) << file;
    }
  }

  std::string Read(const std::string& relative) {
    auto input = files_.OpenForReading(dir_.Path() + "/" + relative);
    std::string text(256, '\0');
    text.resize(input->Read(text.data(), text.size()));
    return text;
  }

  int ErrorOf(const std::string& relative) {
    try {
      files_.OpenForReading(dir_.Path() + "/" + relative);
    } catch (const TarnError& e) {
      return e.Number();
    }
    return 0;
  }

  testing::TempDir dir_;
  RealFileSystem files_;
};

TEST_F(LetterCaseTest, PathsResolveComponentByComponent) {
  struct Case {
    const char* asked;
    const char* found;  // the file's own text: its path as created
  } cases[] = {
      {"DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini", "DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini"},
      {"Data/Universe/systems/kv01/KV01.INI", "DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini"},
      {"data/ships/shiparch.ini", "DATA/SHIPS/shiparch.ini"},  // SHIPS before Ships
      {"DATA/Ships/other.ini", "DATA/Ships/other.ini"},        // as written, when it exists
      {"DATA/EQUIP/WEAPONS.ini", "DATA/equip/Weapons.ini"},    // Weapons.ini before weapons.INI
      {"DATA/./SHIPS/../SHIPS/shiparch.ini", "DATA/SHIPS/shiparch.ini"},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(c.asked), c.found) << c.asked;
}

TEST_F(LetterCaseTest, MissingFoldersAndFilesKeepTheirNumbers) {
  EXPECT_EQ(ErrorOf("DATA/NOPE/shiparch.ini"), kErrPathNotFound);
  EXPECT_EQ(ErrorOf("data/ships/nope.ini"), kErrFileNotFound);
  EXPECT_EQ(ErrorOf("DATA/SHIPS/shiparch.ini/more"), kErrPathNotFound);
  EXPECT_EQ(ErrorOf("DATA/SHIPS"), kErrFileNotFound);  // a folder is no file to read
}

TEST_F(LetterCaseTest, ListingsAreKeptUntilForgotten) {
  EXPECT_EQ(ErrorOf("data/new.ini"), kErrFileNotFound);
  std::ofstream(dir_.Path() + "/DATA/NEW.ini") << "new";
  EXPECT_EQ(ErrorOf("data/new.ini"), kErrFileNotFound);
  files_.ForgetListings();
  EXPECT_EQ(Read("data/new.ini"), "new");
}

}  // namespace
}  // namespace tarn
