// Writes a file in the binary INI form record by record. Every string goes to the end of the
// table when it is named, so each byte of the table belongs to a string that some record uses.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

#include "ini/bini_format.h"

namespace tarn::testing {

// value as width little-endian bytes at the end of out.
inline void Put(std::string& out, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

class BiniWriter {
 public:
  BiniWriter& Section(std::string_view name, std::uint16_t entries) {
    return Record(String(name), 2, entries, 2);
  }
  BiniWriter& Entry(std::string_view name, std::uint8_t values) {
    return Record(String(name), 2, values, 1);
  }
  BiniWriter& Value(std::uint8_t type, std::uint32_t payload) {
    return Record(type, 1, payload, 4);
  }
  BiniWriter& Int(std::int32_t v) { return Value(bini::kIntValue, static_cast<std::uint32_t>(v)); }
  BiniWriter& Float(float v) { return Value(bini::kFloatValue, std::bit_cast<std::uint32_t>(v)); }
  BiniWriter& Text(std::string_view s) { return Value(bini::kStringValue, String(s)); }

  std::string Bytes() const {
    std::string out(bini::kMagic);
    Put(out, bini::kVersion, 4);
    Put(out, static_cast<std::uint32_t>(bini::kHeaderSize + records_.size()), 4);
    return out + records_ + table_;
  }

 private:
  BiniWriter& Record(std::uint32_t a, int a_width, std::uint32_t b, int b_width) {
    Put(records_, a, a_width);
    Put(records_, b, b_width);
    return *this;
  }
  std::uint32_t String(std::string_view s) {
    const auto offset = static_cast<std::uint32_t>(table_.size());
    table_.append(s).push_back('\0');
    return offset;
  }

  std::string records_;
  std::string table_;
};

}  // namespace tarn::testing
