// The layout of the binary INI form, the compact form in which the game ships some of its INI
// files. One place for every offset and size, shared by the decoder, its tests and the fuzz
// seeds.
//
// A file is a fixed header, the section records back to back, then the string table:
//
//   offset 0   magic "BINI"                                  4 bytes
//   offset 4   version, always 1                             uint32
//   offset 8   string table offset S, from the file's start  uint32
//   offset 12  section records                               S - 12 bytes
//   offset S   string table: NUL-terminated 8-bit strings    to the end of the file
//
// Every number is little-endian. A section record is followed by its entry records, an entry
// record by its value records:
//
//   section record  name (uint16 string offset), entry count (uint16)
//   entry record    name (uint16 string offset), value count (uint8)
//   value record    type (uint8), payload (4 bytes, read as the type says)
//
// String offsets count from the start of the string table, not of the file. Names reach only
// the first 64 KiB of the table; string values reach all of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarn::bini {

// Header.
inline constexpr std::string_view kMagic = "BINI";
inline constexpr std::uint32_t kVersion = 1;
inline constexpr std::size_t kMagicOffset = 0;
inline constexpr std::size_t kVersionOffset = 4;
inline constexpr std::size_t kStringTableOffsetOffset = 8;
inline constexpr std::size_t kHeaderSize = 12;

// Section record.
inline constexpr std::size_t kSectionNameOffset = 0;        // uint16
inline constexpr std::size_t kSectionEntryCountOffset = 2;  // uint16
inline constexpr std::size_t kSectionRecordSize = 4;

// Entry record.
inline constexpr std::size_t kEntryNameOffset = 0;        // uint16
inline constexpr std::size_t kEntryValueCountOffset = 2;  // uint8
inline constexpr std::size_t kEntryRecordSize = 3;

// Value record.
inline constexpr std::size_t kValueTypeOffset = 0;     // uint8, a ValueType
inline constexpr std::size_t kValuePayloadOffset = 1;  // 4 bytes
inline constexpr std::size_t kValueRecordSize = 5;

// What a value record's payload holds. Any other type code makes the file undecodable.
enum ValueType : std::uint8_t {
  kIntValue = 1,     // int32, two's complement
  kFloatValue = 2,   // 32-bit IEEE 754 float
  kStringValue = 3,  // uint32 string offset
};

}  // namespace tarn::bini
