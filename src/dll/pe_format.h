// The parts of the PE file format (the form of the game's DLLs) that the resource reader needs,
// in one place for every offset and size: the reader, its tests and its fuzz seeds share them.
//
// Every number is little-endian. The reader sees the file as it lies on disk, never mapped as
// an image: an RVA (an address relative to the image's load address) is turned into a file
// offset through the section table.
//
//   offset 0          DOS header: "MZ", and at 0x3C the file offset of the NT headers
//   e_lfanew          "PE\0\0"
//   e_lfanew + 4      COFF file header, 20 bytes
//   e_lfanew + 24     optional header, SizeOfOptionalHeader bytes: a magic telling PE32 from
//                     PE32+, fields of no use here, then the data directories
//   after that        section table: NumberOfSections headers of 40 bytes
//
// The resource data directory names the resource tree by RVA. The tree has three levels of
// directories (type, then name or id, then language); the offsets inside it count from the
// start of its root directory, except the data entries' own data, which is named by RVA again:
//
//   directory   16 bytes, then NumberOfNamedEntries + NumberOfIdEntries entries of 8 bytes,
//               the named ones first
//   entry       name or id (high bit set: a name, else the id), then the offset of what it
//               leads to (high bit set: a directory, else a data entry)
//   data entry  RVA of the data, its size, code page, reserved
//
// String tables (resource type 6) group the strings in blocks of 16: block id n holds the
// strings with the ids (n - 1) * 16 to (n - 1) * 16 + 15, each stored as a 16-bit length in
// UTF-16 code units followed by that many UTF-16LE code units (no terminator). A length of 0
// marks an id the block does not define.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarn::pe {

// DOS header.
inline constexpr std::uint16_t kDosMagic = 0x5A4D;  // "MZ"
inline constexpr std::size_t kDosMagicOffset = 0;   // uint16
inline constexpr std::size_t kLfanewOffset = 0x3C;  // uint32: file offset of the NT headers
inline constexpr std::size_t kDosHeaderSize = 64;

// NT headers: the signature, then the COFF file header.
inline constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
inline constexpr std::size_t kSignatureSize = 4;
inline constexpr std::size_t kMachineOffset = 0;                // uint16
inline constexpr std::size_t kNumberOfSectionsOffset = 2;       // uint16
inline constexpr std::size_t kSizeOfOptionalHeaderOffset = 16;  // uint16
inline constexpr std::size_t kCharacteristicsOffset = 18;       // uint16
inline constexpr std::size_t kFileHeaderSize = 20;

// Optional header: where the data directories sit depends on the magic.
inline constexpr std::size_t kOptionalMagicOffset = 0;  // uint16
inline constexpr std::uint16_t kPe32Magic = 0x10B;
inline constexpr std::uint16_t kPe32PlusMagic = 0x20B;
inline constexpr std::size_t kPe32NumberOfRvaAndSizesOffset = 92;  // uint32
inline constexpr std::size_t kPe32DataDirectoriesOffset = 96;
inline constexpr std::size_t kPe32PlusNumberOfRvaAndSizesOffset = 108;  // uint32
inline constexpr std::size_t kPe32PlusDataDirectoriesOffset = 112;

// Data directory: an RVA and a size.
inline constexpr std::size_t kDataDirectoryRvaOffset = 0;   // uint32
inline constexpr std::size_t kDataDirectorySizeOffset = 4;  // uint32
inline constexpr std::size_t kDataDirectorySize = 8;
inline constexpr std::uint32_t kResourceDirectoryIndex = 2;
inline constexpr std::uint32_t kStandardDataDirectoryCount = 16;

// Section header. The RVAs from VirtualAddress to VirtualAddress + SizeOfRawData lie in the
// file from PointerToRawData on; the rest of VirtualSize is zero-filled memory, not file.
inline constexpr std::size_t kSectionNameOffset = 0;  // 8 bytes, NUL-padded
inline constexpr std::size_t kSectionNameSize = 8;
inline constexpr std::size_t kVirtualSizeOffset = 8;              // uint32
inline constexpr std::size_t kVirtualAddressOffset = 12;          // uint32
inline constexpr std::size_t kSizeOfRawDataOffset = 16;           // uint32
inline constexpr std::size_t kPointerToRawDataOffset = 20;        // uint32
inline constexpr std::size_t kSectionCharacteristicsOffset = 36;  // uint32
inline constexpr std::size_t kSectionHeaderSize = 40;

// Resource directory table and its entries.
inline constexpr std::size_t kNumberOfNamedEntriesOffset = 12;  // uint16
inline constexpr std::size_t kNumberOfIdEntriesOffset = 14;     // uint16
inline constexpr std::size_t kResourceDirectorySize = 16;
inline constexpr std::size_t kEntryNameOrIdOffset = 0;  // uint32
inline constexpr std::size_t kEntryTargetOffset = 4;    // uint32
inline constexpr std::size_t kResourceEntrySize = 8;
inline constexpr std::uint32_t kEntryIsName = 0x80000000;       // in the name or id
inline constexpr std::uint32_t kEntryIsDirectory = 0x80000000;  // in the target offset
inline constexpr std::uint32_t kEntryOffsetMask = 0x7FFFFFFF;

// Resource data entry.
inline constexpr std::size_t kDataEntryRvaOffset = 0;       // uint32
inline constexpr std::size_t kDataEntrySizeOffset = 4;      // uint32
inline constexpr std::size_t kDataEntryCodePageOffset = 8;  // uint32
inline constexpr std::size_t kResourceDataEntrySize = 16;

// String tables.
inline constexpr std::uint32_t kRtString = 6;
inline constexpr std::uint32_t kStringsPerBlock = 16;
// String ids are 16-bit, so blocks 1 to 4096 hold every string a program can ask for.
inline constexpr std::uint32_t kLastStringBlockId = 0x10000 / kStringsPerBlock;
inline constexpr std::size_t kStringLengthSize = 2;  // uint16, in UTF-16 code units

// The id of the string at index 0 to 15 of the block with the given id (1 to 4096).
constexpr std::uint32_t StringId(std::uint32_t block_id, std::uint32_t index) {
  return (block_id - 1) * kStringsPerBlock + index;
}

}  // namespace tarn::pe
