// tarn-mkbini IN.txt OUT: writes the binary INI form of a text file that holds exactly what
// TARN's decoder writes back: "[name]" lines and "key = v1, v2, ..." lines ("key =" for an
// entry without values). Blank lines are allowed and dropped; anything else is refused with
// its line, so a binary made here always decodes to the lines it was made from.
//
// Each value is typed by its text alone: a whole decimal number becomes an integer, a number
// with a "." or an exponent a 32-bit float, every other text a string. The game's binary
// files carry no other hint of a value's type.
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include "ini/bini_format.h"
#include "platform/error.h"
#include "platform/file_system.h"

namespace tarn {
namespace {

// A fault in the source text; what() names the line.
class SourceError : public std::runtime_error {
 public:
  SourceError(int line, const std::string& why)
      : std::runtime_error("line " + std::to_string(line) + ": " + why) {}
};

void Put(std::string& out, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool WholeParse(std::string_view text, const std::from_chars_result& result) {
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

class Encoder {
 public:
  void Line(std::string_view line, int number);
  std::string Bytes() const;

 private:
  void Value(std::string_view text, int number);
  std::uint32_t String(std::string_view text);
  std::uint16_t Name(std::string_view text, int number);

  std::string records_;
  std::string table_;
  std::map<std::string, std::uint32_t, std::less<>> offsets_;  // each string stored once
  std::size_t section_at_ = std::string::npos;  // the open section's record in records_
  std::uint32_t section_entries_ = 0;
};

std::uint32_t Encoder::String(std::string_view text) {
  auto found = offsets_.find(text);
  if (found != offsets_.end()) return found->second;
  const auto offset = static_cast<std::uint32_t>(table_.size());
  table_.append(text).push_back('\0');
  offsets_.emplace(std::string(text), offset);
  return offset;
}

std::uint16_t Encoder::Name(std::string_view text, int number) {
  const std::uint32_t offset = String(text);
  // Section and key names are 16-bit offsets: they must sit in the table's first 64 KiB.
  if (offset > UINT16_MAX) throw SourceError(number, "string table too large for the name");
  return static_cast<std::uint16_t>(offset);
}

void Encoder::Value(std::string_view text, int number) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (text.find_first_of(".eE") == std::string_view::npos) {
    std::int32_t integer = 0;
    auto result = std::from_chars(begin, end, integer);
    if (result.ec == std::errc::result_out_of_range && result.ptr == end) {
      throw SourceError(number, "integer " + std::string(text) + " does not fit 32 bits");
    }
    if (WholeParse(text, result)) {
      Put(records_, bini::kIntValue, 1);
      Put(records_, static_cast<std::uint32_t>(integer), 4);
      return;
    }
  } else {
    float decimal = 0;
    auto result = std::from_chars(begin, end, decimal);
    if (result.ec == std::errc::result_out_of_range && result.ptr == end) {
      throw SourceError(number, "number " + std::string(text) + " does not fit a float");
    }
    if (WholeParse(text, result)) {
      Put(records_, bini::kFloatValue, 1);
      Put(records_, std::bit_cast<std::uint32_t>(decimal), 4);
      return;
    }
  }
  Put(records_, bini::kStringValue, 1);
  Put(records_, String(text), 4);
}

void Encoder::Line(std::string_view line, int number) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  line = Trim(line);
  if (line.empty()) return;
  if (line.front() == '[') {
    if (line.size() < 2 || line.back() != ']') throw SourceError(number, "unclosed header");
    section_at_ = records_.size();
    section_entries_ = 0;
    Put(records_, Name(line.substr(1, line.size() - 2), number), 2);
    Put(records_, 0, 2);  // the entry count, filled in as entries come
    return;
  }
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos || Trim(line.substr(0, equals)).empty()) {
    throw SourceError(number, "neither \"[section]\" nor \"key = values\"");
  }
  if (section_at_ == std::string::npos) throw SourceError(number, "entry before any section");
  if (++section_entries_ > UINT16_MAX) throw SourceError(number, "more than 65535 entries");
  records_[section_at_ + bini::kSectionEntryCountOffset] =
      static_cast<char>(section_entries_ & 0xFF);
  records_[section_at_ + bini::kSectionEntryCountOffset + 1] =
      static_cast<char>(section_entries_ >> 8);

  Put(records_, Name(Trim(line.substr(0, equals)), number), 2);
  const std::size_t count_at = records_.size();
  Put(records_, 0, 1);
  std::string_view values = Trim(line.substr(equals + 1));
  if (values.empty()) return;
  unsigned count = 0;
  while (true) {
    const std::size_t comma = values.find(',');
    if (++count > UINT8_MAX) throw SourceError(number, "more than 255 values");
    Value(Trim(values.substr(0, comma)), number);
    if (comma == std::string_view::npos) break;
    values.remove_prefix(comma + 1);
  }
  records_[count_at] = static_cast<char>(count);
}

std::string Encoder::Bytes() const {
  std::string out(bini::kMagic);
  Put(out, bini::kVersion, 4);
  Put(out, static_cast<std::uint32_t>(bini::kHeaderSize + records_.size()), 4);
  return out + records_ + table_;
}

}  // namespace
}  // namespace tarn

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tarn-mkbini IN.txt OUT\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "tarn-mkbini: cannot read %s\n", argv[1]);
    return 1;
  }
  tarn::Encoder encoder;
  try {
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) encoder.Line(line, number);
  } catch (const std::runtime_error& error) {
    std::fprintf(stderr, "tarn-mkbini: %s %s\n", argv[1], error.what());
    return 1;
  }
  try {
    tarn::RealFileSystem files;
    files.WriteWholeFile(argv[2], encoder.Bytes());
  } catch (const tarn::TarnError& error) {
    std::fprintf(stderr, "tarn-mkbini: cannot write %s: %s\n", argv[2], error.Description().c_str());
    return 3;
  }
  return 0;
}
