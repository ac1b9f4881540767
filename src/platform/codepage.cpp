#include "platform/codepage.h"

#include <cstdint>

namespace tarn {

namespace {

// Code points of the bytes 0x80 to 0x9F; the undefined ones map to themselves.
constexpr std::uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else if (byte < 0xA0) {
      AppendUtf8(out, kHighControls[byte - 0x80]);
    } else {
      AppendUtf8(out, byte);
    }
  }
  return out;
}

namespace {

// The code page byte of the character at text[i], and in length how many bytes it takes;
// -1 (length 1) for a malformed sequence or a character the code page does not hold.
int DecodeOne(std::string_view text, std::size_t i, std::size_t& length) {
  const auto lead = static_cast<unsigned char>(text[i]);
  length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 0;
  std::uint32_t cp = length == 2 ? (lead & 0x1Fu) : (lead & 0x0Fu);
  bool ok = length != 0 && i + length <= text.size();
  for (std::size_t k = 1; ok && k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    ok = (next & 0xC0) == 0x80;
    cp = (cp << 6) | (next & 0x3Fu);
  }
  if (!ok) {
    length = 1;
    return -1;
  }
  if (length == 1) return lead;
  if (cp >= 0xA0 && cp <= 0xFF) return static_cast<int>(cp);
  for (std::uint32_t k = 0; k < 32; ++k) {
    if (kHighControls[k] == cp) return static_cast<int>(0x80 + k);
  }
  return -1;
}

}  // namespace

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t length = 0;
  for (std::size_t i = 0; i < text.size(); i += length) {
    const int byte = DecodeOne(text, i, length);
    out += byte < 0 ? '?' : static_cast<char>(byte);
  }
  return out;
}

std::size_t FirstNonCp1252(std::string_view text) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < text.size(); i += length) {
    if (DecodeOne(text, i, length) < 0) return i;
  }
  return std::string_view::npos;
}

}  // namespace tarn
