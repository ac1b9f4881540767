#include "dll/library.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <map>
#include <optional>

#include "dll/pe_format.h"
#include "platform/error.h"
#include "platform/file_system.h"

namespace tarn {

namespace pe {

namespace {

// Little-endian reads over a span of the file. Callers check Fits for a whole structure before
// reading its fields. Offsets and sizes taken from the file are 32-bit and all arithmetic on
// them is 64-bit, so no sum of them can wrap around.
class Bytes {
 public:
  explicit Bytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint64_t Size() const { return bytes_.size(); }
  bool Fits(std::uint64_t offset, std::uint64_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }
  std::uint16_t U16(std::uint64_t at) const {
    return static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
  }
  std::uint32_t U32(std::uint64_t at) const {
    return static_cast<std::uint32_t>(U16(at)) | static_cast<std::uint32_t>(U16(at + 2)) << 16;
  }
  // Requires Fits(offset, length).
  Bytes Sub(std::uint64_t offset, std::uint64_t length) const {
    return Bytes(bytes_.subspan(offset, length));
  }
  std::span<const std::uint8_t> Span() const { return bytes_; }

 private:
  std::span<const std::uint8_t> bytes_;
};

// What the headers tell the resource reader. Each field is read once, and each offset derived
// from it is checked against that same value: the bytes of a mapped file may change meanwhile.
struct Headers {
  std::uint64_t section_table = 0;  // file offset
  std::uint32_t section_count = 0;  // every header lies within the file
  std::uint32_t resource_rva = 0;   // 0 when the image has no resources
};

std::optional<Headers> ReadHeaders(const Bytes& file) {
  if (!file.Fits(0, kDosHeaderSize) || file.U16(kDosMagicOffset) != kDosMagic) return {};
  const std::uint64_t nt = file.U32(kLfanewOffset);
  if (!file.Fits(nt, kSignatureSize + kFileHeaderSize) || file.U32(nt) != kPeSignature) return {};
  const std::uint64_t coff = nt + kSignatureSize;
  const std::uint64_t optional = coff + kFileHeaderSize;
  const std::uint64_t optional_size = file.U16(coff + kSizeOfOptionalHeaderOffset);
  if (optional_size < 2 || !file.Fits(optional, optional_size)) return {};

  std::uint64_t count_at, directories_at;
  switch (file.U16(optional + kOptionalMagicOffset)) {
    case kPe32Magic:
      count_at = kPe32NumberOfRvaAndSizesOffset;
      directories_at = kPe32DataDirectoriesOffset;
      break;
    case kPe32PlusMagic:
      count_at = kPe32PlusNumberOfRvaAndSizesOffset;
      directories_at = kPe32PlusDataDirectoriesOffset;
      break;
    default:
      return {};
  }

  Headers headers;
  headers.section_table = optional + optional_size;
  headers.section_count = file.U16(coff + kNumberOfSectionsOffset);
  if (!file.Fits(headers.section_table, headers.section_count * kSectionHeaderSize)) return {};

  // Directories that the optional header has no room for are absent, whatever the count says.
  if (optional_size >= directories_at) {
    const std::uint64_t room = (optional_size - directories_at) / kDataDirectorySize;
    const std::uint64_t count = std::min<std::uint64_t>(file.U32(optional + count_at), room);
    if (count > kResourceDirectoryIndex) {
      headers.resource_rva =
          file.U32(optional + directories_at + kResourceDirectoryIndex * kDataDirectorySize +
                   kDataDirectoryRvaOffset);
    }
  }
  return headers;
}

// The bytes from rva to the end of the file data of the first section holding it, cut at the
// end of the file. Nothing when no section holds rva in its file data: the zero-filled rest of
// a section and the headers hold no resources.
std::optional<Bytes> AtRva(const Bytes& file, const Headers& headers, std::uint32_t rva) {
  for (std::uint32_t i = 0; i < headers.section_count; ++i) {
    const std::uint64_t at = headers.section_table + std::uint64_t{i} * kSectionHeaderSize;
    const std::uint64_t start = file.U32(at + kVirtualAddressOffset);
    const std::uint64_t raw_size = file.U32(at + kSizeOfRawDataOffset);
    if (rva < start || rva - start >= raw_size) continue;
    const std::uint64_t offset =
        std::uint64_t{file.U32(at + kPointerToRawDataOffset)} + (rva - start);
    if (offset >= file.Size()) return {};
    return file.Sub(offset, std::min(raw_size - (rva - start), file.Size() - offset));
  }
  return {};
}

// One directory of the resource tree: where its entries start and how many of the stated ones
// lie within the tree.
struct Directory {
  std::uint64_t entries = 0;
  std::uint64_t named = 0;  // the first entries, which have names instead of ids
  std::uint64_t count = 0;
};

struct Entry {
  std::uint32_t name_or_id;
  std::uint32_t target;
};

std::optional<Directory> ReadDirectory(const Bytes& tree, std::uint64_t offset) {
  if (!tree.Fits(offset, kResourceDirectorySize)) return {};
  Directory directory;
  directory.entries = offset + kResourceDirectorySize;
  directory.named = tree.U16(offset + kNumberOfNamedEntriesOffset);
  const std::uint64_t stated = directory.named + tree.U16(offset + kNumberOfIdEntriesOffset);
  directory.count = std::min(stated, (tree.Size() - directory.entries) / kResourceEntrySize);
  return directory;
}

// Requires index < directory.count.
Entry ReadEntry(const Bytes& tree, const Directory& directory, std::uint64_t index) {
  const std::uint64_t at = directory.entries + index * kResourceEntrySize;
  return {tree.U32(at + kEntryNameOrIdOffset), tree.U32(at + kEntryTargetOffset)};
}

std::optional<std::uint64_t> Subdirectory(const Entry& entry) {
  if ((entry.target & kEntryIsDirectory) == 0) return {};
  return entry.target & kEntryOffsetMask;
}

// A block of the string table as its data entry names it.
struct Block {
  std::uint32_t id;
  std::uint32_t rva;
  std::uint32_t size;
};

// The blocks under the string table's directory, each with the data of its first language, in
// id order and each id once. The tree has three fixed levels, walked without recursion, so a
// directory that leads back to itself is only ever read as one level's directory.
std::vector<Block> StringBlocks(const Bytes& tree) {
  std::vector<Block> blocks;
  const auto root = ReadDirectory(tree, 0);
  if (!root) return blocks;
  std::optional<std::uint64_t> table;
  for (std::uint64_t i = root->named; i < root->count; ++i) {
    const Entry type = ReadEntry(tree, *root, i);
    if (type.name_or_id == kRtString) {
      table = Subdirectory(type);  // the first entry of the type decides, as a lookup by id would
      break;
    }
  }
  const auto names = table ? ReadDirectory(tree, *table) : std::nullopt;
  if (!names) return blocks;
  for (std::uint64_t i = names->named; i < names->count; ++i) {
    const Entry name = ReadEntry(tree, *names, i);
    if (name.name_or_id == 0 || name.name_or_id > kLastStringBlockId) continue;
    const auto languages_at = Subdirectory(name);
    const auto languages = languages_at ? ReadDirectory(tree, *languages_at) : std::nullopt;
    if (!languages || languages->named >= languages->count) continue;
    // A directory in the place of the data entry has its high bit set: it lies past any tree.
    const Entry language = ReadEntry(tree, *languages, languages->named);
    if (!tree.Fits(language.target, kResourceDataEntrySize)) continue;
    blocks.push_back({name.name_or_id, tree.U32(language.target + kDataEntryRvaOffset),
                      tree.U32(language.target + kDataEntrySizeOffset)});
  }
  std::stable_sort(blocks.begin(), blocks.end(),
                   [](const Block& a, const Block& b) { return a.id < b.id; });
  blocks.erase(std::unique(blocks.begin(), blocks.end(),
                           [](const Block& a, const Block& b) { return a.id == b.id; }),
               blocks.end());
  return blocks;
}

void AppendUtf8(std::string& out, std::uint32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | code_point >> 6);
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | code_point >> 12);
    out += static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code_point >> 18);
    out += static_cast<char>(0x80 | (code_point >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

constexpr std::uint32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

// text holds whole UTF-16LE code units.
std::string Utf16LeToUtf8(const Bytes& text) {
  std::string out;
  out.reserve(text.Size() / 2);
  const std::uint64_t units = text.Size() / 2;
  for (std::uint64_t i = 0; i < units; ++i) {
    std::uint32_t unit = text.U16(2 * i);
    if (IsHighSurrogate(unit) && i + 1 < units && IsLowSurrogate(text.U16(2 * i + 2))) {
      unit = 0x10000 + ((unit - 0xD800) << 10) + (text.U16(2 * i + 2) - 0xDC00u);
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      unit = kReplacement;
    }
    AppendUtf8(out, unit);
  }
  return out;
}

// The bytes of the file that some id's string (its length and its text) was read from, as
// disjoint [start, end) ranges. Blocks may share their data, whole or in part, and each
// shared string would otherwise come out once per id: a few bytes of tree could make
// gigabytes of text. Only the first id whose string holds a byte reads it, so the strings
// made never add up to more than the file.
class ReadRanges {
 public:
  // Takes [start, end) and returns true when no byte of it was taken before.
  bool Take(std::uint64_t start, std::uint64_t end) {
    const auto next = taken_.lower_bound(start);
    if (next != taken_.end() && next->first < end) return false;
    if (next != taken_.begin() && std::prev(next)->second > start) return false;
    taken_.emplace_hint(next, start, end);
    return true;
  }

 private:
  std::map<std::uint64_t, std::uint64_t> taken_;  // start -> end
};

// Appends the defined strings of one block whose data is data, found at file offset base,
// except those whose bytes an earlier string took.
void AppendBlock(const Bytes& data, std::uint64_t base, std::uint32_t block_id, ReadRanges& read,
                 ResourceStrings& out) {
  std::uint64_t at = 0;
  for (std::uint32_t index = 0; index < kStringsPerBlock; ++index) {
    if (!data.Fits(at, kStringLengthSize)) return;
    const std::uint64_t length = data.U16(at);
    at += kStringLengthSize;
    if (!data.Fits(at, 2 * length)) return;
    if (length > 0 && read.Take(base + at - kStringLengthSize, base + at + 2 * length)) {
      out.emplace_back(StringId(block_id, index), Utf16LeToUtf8(data.Sub(at, 2 * length)));
    }
    at += 2 * length;
  }
}

}  // namespace

bool IsImage(std::span<const std::uint8_t> image) { return ReadHeaders(Bytes(image)).has_value(); }

ResourceStrings ImageStrings(std::span<const std::uint8_t> image) {
  ResourceStrings strings;
  const Bytes file(image);
  const auto headers = ReadHeaders(file);
  if (!headers || headers->resource_rva == 0) return strings;
  // The tree's own offsets reach to the end of the section that holds its root.
  const auto tree = AtRva(file, *headers, headers->resource_rva);
  if (!tree) return strings;
  ReadRanges read;
  for (const Block& block : StringBlocks(*tree)) {
    const auto data = AtRva(file, *headers, block.rva);
    if (!data || data->Size() < block.size) continue;  // runs past its section
    const auto base = static_cast<std::uint64_t>(data->Span().data() - image.data());
    AppendBlock(data->Sub(0, block.size), base, block.id, read, strings);
  }
  return strings;
}

}  // namespace pe

LoadedLibrary::LoadedLibrary(FileSystem& files) : files_(files) {}

LoadedLibrary::~LoadedLibrary() = default;

void LoadedLibrary::SetFileName(std::string file_name) {
  ReleaseModule();
  file_name_ = std::move(file_name);
  if (file_name_.empty()) return;
  std::unique_ptr<MappedFile> mapping;
  try {
    mapping = files_.MapForReading(file_name_);
  } catch (const TarnError& error) {
    throw TarnError(kErrLibraryLoadFailed, error.Description(), ErrorSource("cLibrary"));
  }
  // Too short for the DOS header, or no PE file at all.
  const std::span<const std::uint8_t> image = mapping->Bytes();
  if (image.size() < pe::kDosHeaderSize || !pe::IsImage(image)) {
    throw TarnError(kErrLibraryLoadFailed, SystemErrorText(ENOEXEC), ErrorSource("cLibrary"));
  }
  mapping_ = std::move(mapping);
}

std::uintptr_t LoadedLibrary::ModuleHandle() const {
  return mapping_ == nullptr ? 0 : reinterpret_cast<std::uintptr_t>(mapping_->Bytes().data());
}

ResourceStrings LoadedLibrary::Strings() const {
  if (mapping_ == nullptr) RaisePlatformError(kErrObjectNotSet);
  return pe::ImageStrings(mapping_->Bytes());
}

void LoadedLibrary::ReleaseModule() {
  mapping_.reset();
  file_name_.clear();
}

}  // namespace tarn
