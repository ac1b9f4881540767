// Writes small PE files byte by byte, for the tests of the resource reader and its fuzz seeds.
// An image has two sections, ".text" and ".rsrc", laid out so that no RVA equals its file
// offset; the resource tree in ".rsrc" holds the string table and nothing else.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "dll/pe_format.h"

namespace tarn::testing {

inline void Set(std::string& bytes, std::size_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

// What Build made, with the file offsets of the parts that tests corrupt.
struct PeImage {
  std::string bytes;
  std::size_t file_header = 0;            // the COFF file header
  std::size_t optional_header = 0;        // its data directories at pe::k...DataDirectoriesOffset
  std::size_t section_table = 0;          // ".text", then ".rsrc"
  std::size_t resources = 0;              // the root directory; its only entry is the string table
  std::size_t string_table = 0;           // the directory of the blocks
  std::vector<std::size_t> data_entries;  // of each block's first language, in listing order
};

class PeBuilder {
 public:
  static constexpr std::uint32_t kResourceRva = 0x2000;
  using Strings = std::vector<std::u16string>;  // at index 0, 1, ...; "" is an undefined id

  explicit PeBuilder(bool pe32_plus = false) : pe32_plus_(pe32_plus) {}
  PeBuilder& Block(std::uint32_t id, Strings strings, std::uint16_t language = 0x409) {
    blocks_.push_back({id, {{language, std::move(strings)}}});
    return *this;
  }
  // Stores the last block once more, in another language, after those before.
  PeBuilder& Language(std::uint16_t language, Strings strings) {
    blocks_.back().second.push_back({language, std::move(strings)});
    return *this;
  }

  PeImage Build() const {
    using namespace pe;
    PeImage image;
    std::string& out = image.bytes;
    out.resize(kDosHeaderSize);
    Set(out, kDosMagicOffset, kDosMagic, 2);
    Set(out, kLfanewOffset, kDosHeaderSize, 4);
    image.file_header = Grow(out, kSignatureSize + kFileHeaderSize) + kSignatureSize;
    Set(out, kDosHeaderSize, kPeSignature, 4);
    const std::size_t directories =
        pe32_plus_ ? kPe32PlusDataDirectoriesOffset : kPe32DataDirectoriesOffset;
    const std::size_t optional_size = directories + 16 * kDataDirectorySize;
    Set(out, image.file_header + kMachineOffset, pe32_plus_ ? 0x8664 : 0x14C, 2);
    Set(out, image.file_header + kNumberOfSectionsOffset, 2, 2);
    Set(out, image.file_header + kSizeOfOptionalHeaderOffset, optional_size, 2);
    Set(out, image.file_header + kCharacteristicsOffset, 0x2102, 2);  // a DLL
    image.optional_header = Grow(out, optional_size);
    Set(out, image.optional_header, pe32_plus_ ? kPe32PlusMagic : kPe32Magic, 2);
    Set(out,
        image.optional_header +
            (pe32_plus_ ? kPe32PlusNumberOfRvaAndSizesOffset : kPe32NumberOfRvaAndSizesOffset),
        kStandardDataDirectoryCount, 4);
    image.section_table = Grow(out, 2 * kSectionHeaderSize);
    const std::size_t text = Grow(out, 16);
    out[text] = '\xC3';  // ret: some code, never run
    const std::string tree = Tree(image);
    image.resources = out.size();
    out += tree;
    image.string_table += image.resources;
    for (std::size_t& entry : image.data_entries) entry += image.resources;
    const std::size_t resource_directory =
        image.optional_header + directories + kResourceDirectoryIndex * kDataDirectorySize;
    Set(out, resource_directory, kResourceRva, 4);
    Set(out, resource_directory + 4, tree.size(), 4);
    const auto section = [&](std::size_t at, const char* name, std::uint32_t rva,
                             std::size_t offset, std::size_t size) {
      out.replace(at + kSectionNameOffset, 5, name);
      Set(out, at + kVirtualSizeOffset, size, 4);
      Set(out, at + kVirtualAddressOffset, rva, 4);
      Set(out, at + kSizeOfRawDataOffset, size, 4);
      Set(out, at + kPointerToRawDataOffset, offset, 4);
    };
    section(image.section_table, ".text", 0x1000, text, 16);
    section(image.section_table + kSectionHeaderSize, ".rsrc", kResourceRva, image.resources,
            tree.size());
    return image;
  }

 private:
  static std::size_t Grow(std::string& bytes, std::size_t size) {
    bytes.resize(bytes.size() + size);
    return bytes.size() - size;
  }
  // A directory of that many id entries; the offset of each entry with its id and target.
  static std::size_t Directory(std::string& tree, std::size_t entries) {
    const std::size_t at =
        Grow(tree, pe::kResourceDirectorySize + entries * pe::kResourceEntrySize);
    Set(tree, at + pe::kNumberOfIdEntriesOffset, entries, 2);
    return at;
  }
  static void SetEntry(std::string& tree, std::size_t directory, std::size_t index,
                       std::uint32_t id, std::uint32_t target) {
    const std::size_t at = directory + pe::kResourceDirectorySize + index * pe::kResourceEntrySize;
    Set(tree, at + pe::kEntryNameOrIdOffset, id, 4);
    Set(tree, at + pe::kEntryTargetOffset, target, 4);
  }

  // The resource tree; image gets its offsets within it.
  std::string Tree(PeImage& image) const {
    using namespace pe;
    std::string tree;
    const std::size_t root = Directory(tree, 1);
    image.string_table = Directory(tree, blocks_.size());
    SetEntry(tree, root, 0, kRtString, kEntryIsDirectory | image.string_table);
    std::vector<std::size_t> entries;
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
      const auto& [id, languages] = blocks_[b];
      const std::size_t directory = Directory(tree, languages.size());
      SetEntry(tree, image.string_table, b, id, kEntryIsDirectory | directory);
      for (std::size_t l = 0; l < languages.size(); ++l) {
        entries.push_back(Grow(tree, kResourceDataEntrySize));
        SetEntry(tree, directory, l, languages[l].first, entries.back());
        if (l == 0) image.data_entries.push_back(entries.back());
      }
    }
    std::size_t entry = 0;
    for (const auto& [id, languages] : blocks_) {
      for (const auto& [language, strings] : languages) {
        const std::size_t data = tree.size();
        for (std::size_t i = 0; i < kStringsPerBlock; ++i) {
          const std::u16string text = i < strings.size() ? strings[i] : u"";
          Set(tree, Grow(tree, 2), text.size(), 2);
          for (char16_t unit : text) Set(tree, Grow(tree, 2), unit, 2);
        }
        Set(tree, entries[entry] + kDataEntryRvaOffset, kResourceRva + data, 4);
        Set(tree, entries[entry++] + kDataEntrySizeOffset, tree.size() - data, 4);
      }
    }
    return tree;
  }

  bool pe32_plus_;
  std::vector<std::pair<std::uint32_t, std::vector<std::pair<std::uint16_t, Strings>>>> blocks_;
};

}  // namespace tarn::testing
