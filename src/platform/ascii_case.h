// Letter case of names and keys. Section and entry names are matched to their rules without
// regard to case and stored in lower case; only the ASCII letters change case, so bytes of the
// game's code page above 0x7F compare and store exactly as read.
#pragma once

#include <string>
#include <string_view>

namespace tarn {

inline constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }
inline constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

// Writes text in lower case into out, reusing out's storage.
inline void AsciiLowerInto(std::string_view text, std::string& out) {
  out.assign(text);
  for (char& c : out) c = AsciiLower(c);
}

inline std::string AsciiLowered(std::string_view text) {
  std::string out;
  AsciiLowerInto(text, out);
  return out;
}

// Removes the space character (only it: tabs are blanked out earlier) from both ends.
inline std::string_view TrimSpaces(std::string_view text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Writes text in upper case into out, reusing out's storage.
inline void AsciiUpperInto(std::string_view text, std::string& out) {
  out.assign(text);
  for (char& c : out) c = AsciiUpper(c);
}

inline std::string AsciiUppered(std::string_view text) {
  std::string out;
  AsciiUpperInto(text, out);
  return out;
}

}  // namespace tarn
