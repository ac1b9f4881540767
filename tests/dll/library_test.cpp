#include "dll/library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/file_system.h"
#include "support/core_fixture.h"
#include "support/pe_builder.h"
#include "support/world.h"

namespace tarn {
namespace {

using testing::PeBuilder;
using testing::PeImage;

// Two blocks listed out of order, with undefined ids between their strings.
PeImage Sample(bool pe32_plus = false) {
  return PeBuilder(pe32_plus)
      .Block(3,
             {u"", u"Café", u"\U00010000\U0001F680 " + std::u16string(1, char16_t{0xD800}) + u"!"})
      .Block(1, {u"Kestrovar", u"", u"", u"Line\r\nTwo"})
      .Build();
}

const ResourceStrings kSampleStrings = {{0, "Kestrovar"},
                                        {3, "Line\r\nTwo"},
                                        {33, "Caf\xC3\xA9"},
                                        {34, "\xF0\x90\x80\x80\xF0\x9F\x9A\x80 \xEF\xBF\xBD!"}};

// The bytes in a heap block of exactly their size, so that the sanitizer build sees any read
// past the end.
ResourceStrings StringsOf(const std::string& bytes) {
  return pe::ImageStrings(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

// The ids of the strings read, or "not a PE file".
std::string IdsOf(const std::string& bytes) {
  if (!pe::IsImage(std::vector<std::uint8_t>(bytes.begin(), bytes.end()))) return "not a PE file";
  std::string ids;
  for (const auto& [id, text] : StringsOf(bytes)) ids += std::to_string(id) + " ";
  return ids;
}

// How many mappings of the file the process holds.
int Mappings(const std::string& path) {
  const std::string suffix = " " + std::filesystem::weakly_canonical(path).string();
  std::ifstream maps("/proc/self/maps");
  int count = 0;
  for (std::string line; std::getline(maps, line);) count += line.ends_with(suffix);
  return count;
}

TEST(LibraryTest, HoldsOneMappingFromLoadToReleaseAndNoneAfterAFailedLoad) {
#ifdef _WIN32
  GTEST_SKIP() << "counts the process's mappings in /proc/self/maps, which Windows has not";
#endif
  testing::TempDir dir;
  const std::string a = dir.File("a.dll"), b = dir.File("b.dll");
  testing::WriteFile(a, Sample().bytes);
  testing::WriteFile(b, Sample(true).bytes);
  RealFileSystem files;
  LoadedLibrary other(files);
  other.SetFileName(a);
  {
    LoadedLibrary lib(files);
    EXPECT_EQ(lib.ModuleHandle(), 0u);
    lib.SetFileName(a);
    lib.SetFileName(a);  // the same path again: the first mapping goes, a new one comes
    EXPECT_NE(lib.ModuleHandle(), other.ModuleHandle());
    EXPECT_EQ(Mappings(a), 2);
    lib.SetFileName(b);
    EXPECT_EQ(lib.FileName(), b);
    EXPECT_EQ(Mappings(a) + Mappings(b), 2);
    EXPECT_EQ(lib.Strings(), kSampleStrings);
    lib.SetFileName("");
    EXPECT_EQ(lib.ModuleHandle(), 0u);
    EXPECT_EQ(lib.FileName(), "");
    EXPECT_EQ(Mappings(b), 0);
    lib.SetFileName(b);
  }
  EXPECT_EQ(Mappings(b), 0);  // the end of the object released it, and only its own mapping
  EXPECT_EQ(other.Strings(), kSampleStrings);
  std::filesystem::create_directory(dir.File("folder"));
  testing::WriteFile(dir.File("text.dll"), "[Ship]\r\nname = Kestrel\r\n" + std::string(80, ';'));
  testing::WriteFile(dir.File("short.dll"), Sample().bytes.substr(0, 63));
  for (const auto& [name, description] : std::vector<std::pair<std::string, std::string>>{
           {"missing.dll", "No such file or directory"},
           {"missing/a.dll", "No such file or directory"},
           {"folder", "Is a directory"},
           {"text.dll", "Exec format error"},
           {"short.dll", "Exec format error"}}) {
    other.SetFileName(a);
    try {
      other.SetFileName(dir.File(name));
      ADD_FAILURE() << name << " loaded";
    } catch (const TarnError& e) {
      EXPECT_EQ(e.Source(), "TARN.cLibrary") << name;
      EXPECT_EQ(e.Number(), -2147220455) << name;
      EXPECT_EQ(e.Description(), description) << name;
    }
    EXPECT_EQ(other.FileName(), dir.File(name));
    EXPECT_EQ(other.ModuleHandle(), 0u);
    EXPECT_EQ(testing::ErrorOf([&] { other.Strings(); }), kErrObjectNotSet);
    EXPECT_EQ(Mappings(a), 0) << name;
  }
}

TEST(LibraryStringsTest, ReadsEachBlockOnceFromItsFirstLanguage) {
  std::vector<std::u16string> sixteen;
  ResourceStrings full;
  for (char16_t i = 0; i < 16; ++i) {
    sixteen.push_back(std::u16string(1, u'a' + i) + u"\u00e9\u20ac");
    full.emplace_back(32 + i, std::string(1, static_cast<char>('a' + i)) + "\xC3\xA9\xE2\x82\xAC");
  }
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
      {"a full block", PeBuilder().Block(3, sixteen), full},
  };
  for (const auto& c : cases) EXPECT_EQ(StringsOf(c.builder.Build().bytes), c.expected) << c.name;
  // A second block whose entry points at the first one's data: that data is read once.
  PeImage shared = PeBuilder().Block(1, {u"one", u"two"}).Block(2, {u"other"}).Build();
  shared.bytes.replace(shared.data_entries[1], 8, shared.bytes.substr(shared.data_entries[0], 8));
  EXPECT_EQ(StringsOf(shared.bytes), (ResourceStrings{{0, "one"}, {1, "two"}}));
}

// Blocks whose data overlaps another's, as a hostile file has them: many ids sharing the
// start of one block's data but not its size. Each byte is read for the first id only, so the
// text stays within a small multiple of the file whatever the blocks say.
TEST(LibraryStringsTest, ReadsOverlappingBlocksOnceAndStaysWithinTheFilesSize) {
  const std::u16string long_text(1000, u'k');
  PeBuilder builder;
  builder.Block(1, {u"one", long_text, u"two"});
  for (std::uint32_t id = 2; id <= 300; ++id) builder.Block(id, {u"x"});
  PeImage image = builder.Build();
  const std::string first = image.bytes.substr(image.data_entries[0], 8);
  const auto u32 = [&](std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(first[at + i]);
    return value;
  };
  for (std::uint32_t b = 1; b < image.data_entries.size(); ++b) {
    // The same start, each a little shorter; the last one starts inside the first string.
    testing::Set(image.bytes, image.data_entries[b], u32(0) + (b == 299 ? 4 : 0), 4);
    testing::Set(image.bytes, image.data_entries[b] + 4, u32(4) - 2 * b, 4);
  }
  const ResourceStrings strings = StringsOf(image.bytes);
  ASSERT_EQ(strings.size(), 3u);
  EXPECT_EQ(strings[2], (std::pair<std::uint32_t, std::string>{2, "two"}));
  std::size_t listed = 0;
  for (const auto& [id, text] : strings) listed += std::to_string(id).size() + 2 + text.size();
  EXPECT_LE(listed, image.bytes.size() * 5 / 2);
}

TEST(LibraryImageTest, RefusesBrokenHeadersAndSkipsWhatPointsOutsideItsPlace) {
  const PeImage image = Sample();  // data of block 3 first, then of block 1, up to the end
  const std::size_t coff = image.file_header, table = image.string_table;
  const std::size_t count = image.optional_header + pe::kPe32NumberOfRvaAndSizesOffset;
  const std::size_t directory = image.optional_header + pe::kPe32DataDirectoriesOffset +
                                pe::kResourceDirectoryIndex * pe::kDataDirectorySize;
  const std::size_t rsrc = image.section_table + pe::kSectionHeaderSize;
  const std::size_t type_entry = image.resources + pe::kResourceDirectorySize;
  const std::size_t block3 = image.data_entries[0], block1 = image.data_entries[1];
  const std::uint32_t block1_size = 2 * pe::kStringsPerBlock + 2 * 9 + 2 * 9;  // two strings
  const auto tree = static_cast<std::uint32_t>(image.bytes.size() - image.resources);
  using Change = std::function<void(std::string&)>;
  const auto at = [](std::size_t offset, std::uint32_t value, int width = 4) -> Change {
    return [=](std::string& b) { testing::Set(b, offset, value, width); };
  };
  const std::string all = "0 3 33 34 ";
  const struct {
    const char* name;
    Change change;
    std::string ids;
  } cases[] = {
      {"unchanged", at(0, 'M', 1), all},
      {"shorter than a DOS header", [](std::string& b) { b.resize(63); }, "not a PE file"},
      {"no MZ", at(1, 'Y', 1), "not a PE file"},
      {"no PE signature", at(coff - 2, 'X', 1), "not a PE file"},
      {"NT headers past the end", at(pe::kLfanewOffset, ~0u - 2), "not a PE file"},
      {"unknown magic", at(image.optional_header, 0x107, 2), "not a PE file"},
      {"no magic", at(coff + pe::kSizeOfOptionalHeaderOffset, 1, 2), "not a PE file"},
      {"optional header too long", at(coff + pe::kSizeOfOptionalHeaderOffset, ~0u, 2),
       "not a PE file"},
      {"section table too long", at(coff + pe::kNumberOfSectionsOffset, ~0u, 2), "not a PE file"},
      {"no sections, the file ending with the headers",
       [&](std::string& b) {
         testing::Set(b, coff + pe::kNumberOfSectionsOffset, 0, 2), b.resize(image.section_table);
       },
       ""},
      {"no resource directory", at(directory, 0), ""},
      {"resources in no section", at(directory, 0x9000), ""},
      {"too few data directories", at(count, 2), ""},
      {"more directories than room", at(count, ~0u), all},
      {"root entries past the tree", at(image.resources + pe::kNumberOfIdEntriesOffset, ~0u, 2),
       all},
      {"string table as data", at(type_entry + 4, table - image.resources), ""},
      {"string table past the tree", at(type_entry + 4, ~0u), ""},
      {"languages lead back", at(table + 20, 0x80000000 | (table - image.resources)), "0 3 "},
      {"a block fewer counted", at(table + pe::kNumberOfIdEntriesOffset, 1, 2), "33 34 "},
      {"a block counted as named", at(table + pe::kNumberOfNamedEntriesOffset, 0x00010001), "0 3 "},
      {"block listed as data", at(table + 28, 0x7FFFFFF0), "33 34 "},
      {"block past its section", at(block3, PeBuilder::kResourceRva + tree), "0 3 "},
      {"block in the headers", at(block3, 0x40), "0 3 "},
      {"block longer than the file", at(block1 + 4, ~0u), "33 34 "},
      {"section ends inside a block", at(rsrc + pe::kSizeOfRawDataOffset, tree - 2), "33 34 "},
      {"block ends inside a string", at(block1 + 4, 30), "0 33 34 "},
      {"file ends inside a length",  // of the last, empty string: the file's last byte goes
       [&](std::string& b) { b.pop_back(), testing::Set(b, block1 + 4, block1_size - 1, 4); }, all},
      {"section cut short", at(rsrc + pe::kSizeOfRawDataOffset, 40), ""},
      {"section past the end", at(rsrc + pe::kPointerToRawDataOffset, 0xFFFFFF00), ""},
      // The first section that holds an address is the one read: here ".text", no tree.
      {"resources in the first section",
       at(image.section_table + pe::kVirtualAddressOffset, PeBuilder::kResourceRva), ""},
  };
  for (const auto& c : cases) {
    std::string bytes = image.bytes;
    c.change(bytes);
    EXPECT_EQ(IdsOf(bytes), c.ids) << c.name;
  }
  for (bool pe32_plus : {false, true}) {  // a cut image lists only strings it holds whole
    const std::string bytes = Sample(pe32_plus).bytes;
    for (std::size_t size = 0; size < bytes.size(); ++size) {
      for (const auto& string : StringsOf(bytes.substr(0, size))) {
        EXPECT_NE(std::find(kSampleStrings.begin(), kSampleStrings.end(), string),
                  kSampleStrings.end())
            << size;
      }
    }
  }
}

}  // namespace
}  // namespace tarn
