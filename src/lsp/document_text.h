// An open document as the editor holds it (UTF-8, as the protocol carries it), cut into lines
// where the game's reader cuts them (CR LF, LF, CR), with positions counted in the unit the
// client and server agreed on: UTF-16 code units (the protocol's default) or bytes of UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarn {

enum class PositionUnit { kUtf16, kUtf8 };

class DocumentText {
 public:
  explicit DocumentText(std::string text = {});

  const std::string& Text() const { return text_; }
  std::int32_t LineCount() const { return static_cast<std::int32_t>(starts_.size()); }
  // Line (from 0) without its end; empty past the last line.
  std::string_view Line(std::int32_t line) const;
  // The length of a line in unit.
  std::int32_t LineLength(std::int32_t line, PositionUnit unit) const;
  // The byte offset in Line(line) of character (in unit); the line's end when past it.
  std::size_t ByteOffset(std::int32_t line, std::int32_t character, PositionUnit unit) const;
  // The position (line, character in unit) of byte offset in the whole text.
  std::pair<std::int32_t, std::int32_t> PositionOf(std::size_t offset, PositionUnit unit) const;

 private:
  std::string text_;
  std::vector<std::size_t> starts_;  // where each line begins
  std::vector<std::size_t> ends_;    // where each line's text ends (before CR or LF)
};

// The position units a prefix of UTF-8 text takes.
std::int32_t UnitsOf(std::string_view utf8, PositionUnit unit);

}  // namespace tarn
