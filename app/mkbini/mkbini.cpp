// tarn-mkbini [--names-first] [--json] IN OUT: writes the binary INI form of IN to OUT ("-":
// standard output).
//
// Without --json, IN is a text file that holds exactly what TARN's decoder writes back:
// "[name]" lines and "key = v1, v2, ..." lines ("key =" for an entry without values). Blank
// lines are allowed and dropped; anything else is refused with its line, so a binary made
// here always decodes to the lines it was made from. Each value is typed by its text alone:
// a whole decimal number becomes an integer, a number with a "." or an exponent a 32-bit
// float, every other text a string. The game's binary files carry no other hint of a value's
// type.
//
// With --json, IN holds the sections with their values typed, for generators whose strings
// may look like numbers: [["Ship", [["mass", [42, 0.5, "200100"]], ["flags", []]]], ...],
// a JSON integer an integer, a JSON number with a fraction or exponent a float (rounded from
// its double), a JSON string a string (UTF-8, written in code page 1252).
//
// --names-first puts the section and key names before the string values in the table.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include <nlohmann/json.hpp>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "ini/bini_encoder.h"
#include "platform/codepage.h"
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

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool WholeParse(std::string_view text, const std::from_chars_result& result) {
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

void TextValue(BiniEncoder& encoder, std::string_view text, int number) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (text.find_first_of(".eE") == std::string_view::npos) {
    std::int32_t integer = 0;
    auto result = std::from_chars(begin, end, integer);
    if (result.ec == std::errc::result_out_of_range && result.ptr == end) {
      throw SourceError(number, "integer " + std::string(text) + " does not fit 32 bits");
    }
    if (WholeParse(text, result)) {
      encoder.Int(integer);
      return;
    }
  } else {
    float decimal = 0;
    auto result = std::from_chars(begin, end, decimal);
    if (result.ec == std::errc::result_out_of_range && result.ptr == end) {
      throw SourceError(number, "number " + std::string(text) + " does not fit a float");
    }
    if (WholeParse(text, result)) {
      encoder.Float(decimal);
      return;
    }
  }
  encoder.Text(text);
}

void TextLine(BiniEncoder& encoder, std::string_view line, int number) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  line = Trim(line);
  if (line.empty()) return;
  if (line.front() == '[') {
    if (line.size() < 2 || line.back() != ']') throw SourceError(number, "unclosed header");
    encoder.Section(line.substr(1, line.size() - 2));
    return;
  }
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos || Trim(line.substr(0, equals)).empty()) {
    throw SourceError(number, "neither \"[section]\" nor \"key = values\"");
  }
  encoder.Entry(Trim(line.substr(0, equals)));
  std::string_view values = Trim(line.substr(equals + 1));
  if (values.empty()) return;
  while (true) {
    const std::size_t comma = values.find(',');
    TextValue(encoder, Trim(values.substr(0, comma)), number);
    if (comma == std::string_view::npos) break;
    values.remove_prefix(comma + 1);
  }
}

void EncodeText(BiniEncoder& encoder, const std::string& source) {
  std::istringstream in(source);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    try {
      TextLine(encoder, line, number);
    } catch (const BiniEncodeError& error) {
      throw SourceError(number, error.what());
    }
  }
}

std::string GameText(const nlohmann::json& text) {
  const std::string& utf8 = text.get_ref<const std::string&>();
  if (FirstNonCp1252(utf8) != std::string::npos) {
    throw std::runtime_error("\"" + utf8 + "\" has a character outside code page 1252");
  }
  return Utf8ToCp1252(utf8);
}

void EncodeJson(BiniEncoder& encoder, const std::string& source) {
  const nlohmann::json sections = nlohmann::json::parse(source);
  for (const auto& section : sections) {
    encoder.Section(GameText(section.at(0)));
    for (const auto& entry : section.at(1)) {
      encoder.Entry(GameText(entry.at(0)));
      for (const auto& value : entry.at(1)) {
        if (value.is_string()) {
          encoder.Text(GameText(value));
        } else if (value.is_number_float()) {
          const double number = value.get<double>();
          if (std::isfinite(number) && std::abs(number) > std::numeric_limits<float>::max()) {
            throw std::runtime_error(value.dump() + " does not fit a float");
          }
          encoder.Float(static_cast<float>(number));
        } else if (value.is_number_integer() && value >= std::numeric_limits<std::int32_t>::min() &&
                   value <= std::numeric_limits<std::int32_t>::max()) {
          encoder.Int(value.get<std::int32_t>());
        } else {
          throw std::runtime_error(value.dump() + " is not a value the form holds");
        }
      }
    }
  }
}

}  // namespace
}  // namespace tarn

// Far beyond any file of the game; only a mistaken argument (a device) reaches it.
constexpr std::int64_t kMaxSource = std::int64_t{1} << 30;

int main(int argc, char** argv) {
  bool json = false;
  auto order = tarn::BiniStringOrder::kAsMet;
  int at = 1;
  for (; at < argc && std::string_view(argv[at]).starts_with("--"); ++at) {
    const std::string_view flag = argv[at];
    if (flag == "--json") {
      json = true;
    } else if (flag == "--names-first") {
      order = tarn::BiniStringOrder::kNamesFirst;
    } else {
      at = argc;  // an unknown flag: usage
    }
  }
  if (argc - at != 2) {
    std::fprintf(stderr, "usage: tarn-mkbini [--names-first] [--json] IN OUT\n");
    return 2;
  }
  const std::string in_path = argv[at], out_path = argv[at + 1];
#ifdef _WIN32
  // Bytes in and out as they are: no line ends rewritten on a pipe.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  tarn::RealFileSystem files;
  std::string source;
  try {
    source = in_path == "-" ? std::string(std::istreambuf_iterator<char>(std::cin), {})
                            : files.ReadWholeInput(in_path, kMaxSource);
  } catch (const tarn::TarnError& error) {
    std::fprintf(stderr, "tarn-mkbini: cannot read %s: %s\n", in_path.c_str(),
                 error.Description().c_str());
    return 1;
  }
  tarn::BiniEncoder encoder(order);
  try {
    if (json) {
      tarn::EncodeJson(encoder, source);
    } else {
      tarn::EncodeText(encoder, source);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tarn-mkbini: %s %s\n", in_path.c_str(), error.what());
    return 1;
  }
  const std::string bytes = encoder.Bytes();
  if (out_path == "-") {
    std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return std::cout.flush() ? 0 : 3;
  }
  try {
    files.WriteWholeFile(out_path, bytes);
  } catch (const tarn::TarnError& error) {
    std::fprintf(stderr, "tarn-mkbini: cannot write %s: %s\n", out_path.c_str(),
                 error.Description().c_str());
    return 3;
  }
  return 0;
}
