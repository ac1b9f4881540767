#include "dll/library.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <vector>

#include "dll/pe_builder.h"
#include "model/error_of.h"
#include "shell/error.h"
#include "support/temp_dir.h"

namespace tarn {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using testing::ErrorOf;
using ::testing::Pair;
using testing::PeBuilder;
using testing::PeImage;
using testing::Set;
using testing::TempDir;

// Two blocks listed out of order, with undefined ids between their strings.
PeImage Sample(bool pe32_plus = false) {
  const std::u16string lone_surrogate(1, char16_t{0xD800});
  return PeBuilder(pe32_plus)
      .Block(3, {u"", u"Café", u"\U0001F680 " + lone_surrogate + u"!"})
      .Block(1, {u"Kestrovar", u"", u"", u"Line\r\nTwo"})
      .Build();
}

const char* const kRocket = "\xF0\x9F\x9A\x80 \xEF\xBF\xBD!";

// The bytes in a heap block of exactly their size, so that the sanitizer build sees any read
// past the end.
std::vector<std::uint8_t> Exact(const std::string& bytes) { return {bytes.begin(), bytes.end()}; }

ResourceStrings StringsOf(const std::string& bytes) { return pe::ImageStrings(Exact(bytes)); }

class LibraryTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_.File(name), std::ios::binary) << bytes;
    return dir_.File(name);
  }
  // How many mappings of the file the process holds.
  static int Mappings(const std::string& path) {
    const std::string suffix = " " + std::filesystem::weakly_canonical(path).string();
    std::ifstream maps("/proc/self/maps");
    int count = 0;
    for (std::string line; std::getline(maps, line);) count += line.ends_with(suffix);
    return count;
  }
  TempDir dir_;
};

TEST_F(LibraryTest, HoldsOneMappingFromLoadToRelease) {
  const std::string a = Write("a.dll", Sample().bytes), b = Write("b.dll", Sample(true).bytes);
  LoadedLibrary other;
  other.SetFileName(a);
  {
    LoadedLibrary lib;
    EXPECT_EQ(lib.ModuleHandle(), 0u);
    lib.SetFileName(a);
    EXPECT_NE(lib.ModuleHandle(), 0u);
    EXPECT_NE(lib.ModuleHandle(), other.ModuleHandle());
    EXPECT_EQ(lib.FileName(), a);
    EXPECT_EQ(Mappings(a), 2);
    lib.SetFileName(a);  // the same path again: the first mapping goes, a new one comes
    EXPECT_NE(lib.ModuleHandle(), 0u);
    EXPECT_EQ(Mappings(a), 2);
    lib.SetFileName(b);
    EXPECT_EQ(Mappings(a), 1);
    EXPECT_EQ(Mappings(b), 1);
    lib.SetFileName("");
    EXPECT_EQ(lib.ModuleHandle(), 0u);
    EXPECT_EQ(lib.FileName(), "");
    EXPECT_EQ(Mappings(b), 0);
    lib.SetFileName(b);
  }
  EXPECT_EQ(Mappings(b), 0);  // the end of the object released it, and only its own mapping
  EXPECT_EQ(Mappings(a), 1);
  EXPECT_EQ(other.Strings(), StringsOf(Sample().bytes));
}

TEST_F(LibraryTest, FailedLoadKeepsTheNameAndRaisesTheSystemMessage) {
  std::filesystem::create_directory(dir_.File("folder"));
  const struct {
    std::string path;
    const char* description;
  } cases[] = {
      {dir_.File("missing.dll"), "No such file or directory"},
      {dir_.File("missing/a.dll"), "No such file or directory"},
      {dir_.File("folder"), "Is a directory"},
      {Write("text.dll", "[Ship]\r\nname = Kestrel\r\n" + std::string(80, ';')),
       "Exec format error"},
      {Write("empty.dll", ""), "Exec format error"},
  };
  const std::string good = Write("good.dll", Sample().bytes);
  for (const auto& c : cases) {
    LoadedLibrary lib;
    lib.SetFileName(good);
    try {
      lib.SetFileName(c.path);
      ADD_FAILURE() << c.path << " loaded";
    } catch (const TarnError& e) {
      EXPECT_EQ(e.Number(), -2147220455);
      EXPECT_EQ(e.Source(), "TARN.cLibrary");
      EXPECT_EQ(e.Description(), c.description);
    }
    EXPECT_EQ(lib.FileName(), c.path);
    EXPECT_EQ(lib.ModuleHandle(), 0u);
    EXPECT_EQ(ErrorOf([&] { lib.Strings(); }), kErrObjectNotSet);
    EXPECT_EQ(Mappings(good) + Mappings(c.path), 0) << c.path;
  }
}

TEST_F(LibraryTest, ListsTheDefinedStringsInIdOrder) {
  for (bool pe32_plus : {false, true}) {
    LoadedLibrary lib;
    lib.SetFileName(Write(pe32_plus ? "64.dll" : "32.dll", Sample(pe32_plus).bytes));
    EXPECT_THAT(lib.Strings(), ElementsAre(Pair(0u, "Kestrovar"), Pair(3u, "Line\r\nTwo"),
                                           Pair(33u, "Caf\xC3\xA9"), Pair(34u, kRocket)));
  }
}

TEST(LibraryStringsTest, ReadsEachBlockOnceFromItsFirstLanguage) {
  const struct {
    const char* name;
    PeBuilder builder;
    ResourceStrings expected;
  } cases[] = {
      {"first language",
       PeBuilder().Block(2, {u"Hallo"}, 0x407).Language(0x409, {u"Hello"}),
       {{16, "Hallo"}}},
      {"first listing", PeBuilder().Block(2, {u"first"}).Block(2, {u"second"}), {{16, "first"}}},
      {"ids out of reach",
       PeBuilder().Block(0, {u"0"}).Block(4097, {u"x"}).Block(4096, {u"y"}),
       {{65520, "y"}}},
      {"no blocks", PeBuilder(), {}},
  };
  for (const auto& c : cases) EXPECT_EQ(StringsOf(c.builder.Build().bytes), c.expected) << c.name;
}

using Mutation = std::function<void(std::string&)>;

TEST(LibraryImageTest, RefusesBrokenHeadersAndSkipsWhatPointsOutsideItsPlace) {
  const PeImage image = Sample();  // data of block 3 first, then of block 1, up to the end
  const std::size_t coff = image.file_header;
  const std::size_t count = image.optional_header + pe::kPe32NumberOfRvaAndSizesOffset;
  const std::size_t directory = image.optional_header + pe::kPe32DataDirectoriesOffset +
                                pe::kResourceDirectoryIndex * pe::kDataDirectorySize;
  const std::size_t rsrc = image.section_table + pe::kSectionHeaderSize;
  const std::size_t type_entry = image.resources + pe::kResourceDirectorySize;
  const std::size_t block3 = image.data_entries[0], block1 = image.data_entries[1];
  const std::uint32_t block1_size = 2 * pe::kStringsPerBlock + 2 * 9 + 2 * 9;  // two strings
  const auto tree_size = static_cast<std::uint32_t>(image.bytes.size() - image.resources);
  const auto at = [](std::size_t offset, std::uint32_t value, int width = 4) -> Mutation {
    return [=](std::string& b) { Set(b, offset, value, width); };
  };
  const struct {
    const char* name;
    Mutation mutate;
    std::optional<std::vector<std::uint32_t>> ids;  // none: not a PE file
  } cases[] = {
      {"unchanged", at(0, 'M', 1), {{0, 3, 33, 34}}},
      {"shorter than a DOS header", [](std::string& b) { b.resize(63); }, std::nullopt},
      {"no MZ", at(1, 'Y', 1), std::nullopt},
      {"no PE signature", at(coff - 2, 'X', 1), std::nullopt},
      {"NT headers past the end", at(pe::kLfanewOffset, ~0u - 2), std::nullopt},
      {"unknown magic", at(image.optional_header, 0x107, 2), std::nullopt},
      {"no magic", at(coff + pe::kSizeOfOptionalHeaderOffset, 1, 2), std::nullopt},
      {"optional header too long", at(coff + pe::kSizeOfOptionalHeaderOffset, ~0u, 2),
       std::nullopt},
      {"section table too long", at(coff + pe::kNumberOfSectionsOffset, ~0u, 2), std::nullopt},
      {"no resource directory", at(directory, 0), {{}}},
      {"resources in no section", at(directory, 0x9000), {{}}},
      {"too few data directories", at(count, 2), {{}}},
      {"more directories than room", at(count, ~0u), {{0, 3, 33, 34}}},
      {"root entries past the tree",
       at(image.resources + pe::kNumberOfIdEntriesOffset, ~0u, 2),
       {{0, 3, 33, 34}}},
      {"string table as data", at(type_entry + 4, image.string_table - image.resources), {{}}},
      {"string table past the tree", at(type_entry + 4, ~0u), {{}}},
      {"languages lead back to the table",
       at(image.string_table + 20, 0x80000000 | (image.string_table - image.resources)),
       {{0, 3}}},
      {"a block counted as named",  // one named entry, one with an id
       at(image.string_table + pe::kNumberOfNamedEntriesOffset, 0x00010001),
       {{0, 3}}},
      {"block listed as data", at(image.string_table + 28, 0x7FFFFFF0), {{33, 34}}},
      {"block past its section", at(block3, PeBuilder::kResourceRva + tree_size), {{0, 3}}},
      {"block in the headers", at(block3, 0x40), {{0, 3}}},
      {"block longer than the file", at(block1 + 4, ~0u), {{33, 34}}},
      {"section ends inside a block",
       at(rsrc + pe::kSizeOfRawDataOffset, tree_size - 2),
       {{33, 34}}},
      {"block ends inside a string", at(block1 + 4, 30), {{0, 33, 34}}},
      {"file ends inside a length",  // of the last, empty string: the file's last byte goes
       [&](std::string& b) { b.pop_back(), Set(b, block1 + 4, block1_size - 1, 4); },
       {{0, 3, 33, 34}}},
      {"section cut short", at(rsrc + pe::kSizeOfRawDataOffset, 40), {{}}},
      {"section past the end", at(rsrc + pe::kPointerToRawDataOffset, 0xFFFFFF00), {{}}},
  };
  for (const auto& c : cases) {
    std::string bytes = image.bytes;
    c.mutate(bytes);
    EXPECT_EQ(pe::IsImage(Exact(bytes)), c.ids.has_value()) << c.name;
    std::vector<std::uint32_t> ids;
    for (const auto& [id, text] : StringsOf(bytes)) ids.push_back(id);
    EXPECT_EQ(ids, c.ids.value_or(std::vector<std::uint32_t>{})) << c.name;
  }
}

TEST(LibraryImageTest, ACutImageListsOnlyWhatItHolds) {
  for (bool pe32_plus : {false, true}) {
    const std::string bytes = Sample(pe32_plus).bytes;
    const ResourceStrings whole = StringsOf(bytes);
    for (std::size_t size = 0; size < bytes.size(); ++size) {
      for (const auto& string : StringsOf(bytes.substr(0, size))) {
        EXPECT_THAT(whole, Contains(string)) << size;
      }
    }
  }
}

// Writes the fuzz target's seeds: TARN_LIBRARY_SEEDS=fuzz/corpus/library tarn_tests
// --gtest_also_run_disabled_tests --gtest_filter=LibrarySeeds.*
TEST(LibrarySeeds, DISABLED_Write) {
  const char* folder = std::getenv("TARN_LIBRARY_SEEDS");
  if (folder == nullptr) GTEST_SKIP() << "TARN_LIBRARY_SEEDS names no folder";
  std::filesystem::create_directories(folder);
  std::ofstream(std::string(folder) + "/pe32.dll", std::ios::binary) << Sample().bytes;
  std::ofstream(std::string(folder) + "/pe32plus.dll", std::ios::binary)
      << PeBuilder(true).Block(2, {u"Hallo"}, 0x407).Language(0x409, {u"Hello"}).Build().bytes;
}

}  // namespace
}  // namespace tarn
