#include "lsp/document_text.h"

#include <algorithm>

namespace tarn {

namespace {

// The length of the UTF-8 sequence that starts with byte c; a stray byte counts alone.
std::size_t SequenceLength(unsigned char c) {
  if (c >= 0xF0 && c < 0xF8) return 4;
  if (c >= 0xE0) return c < 0xF0 ? 3 : 1;
  if (c >= 0xC0) return 2;
  return 1;
}

}  // namespace

std::int32_t UnitsOf(std::string_view utf8, PositionUnit unit) {
  if (unit == PositionUnit::kUtf8) return static_cast<std::int32_t>(utf8.size());
  std::int32_t units = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    const std::size_t length = SequenceLength(static_cast<unsigned char>(utf8[at]));
    // Past the basic plane a character takes a surrogate pair.
    units += length == 4 ? 2 : 1;
    at += length;
  }
  return units;
}

DocumentText::DocumentText(std::string text) : text_(std::move(text)) {
  std::size_t start = 0;
  for (std::size_t at = 0; at < text_.size(); ++at) {
    const char c = text_[at];
    if (c != '\r' && c != '\n') continue;
    starts_.push_back(start);
    ends_.push_back(at);
    if (c == '\r' && at + 1 < text_.size() && text_[at + 1] == '\n') ++at;
    start = at + 1;
  }
  starts_.push_back(start);
  ends_.push_back(text_.size());
}

std::string_view DocumentText::Line(std::int32_t line) const {
  if (line < 0 || line >= LineCount()) return {};
  const auto index = static_cast<std::size_t>(line);
  return std::string_view(text_).substr(starts_[index], ends_[index] - starts_[index]);
}

std::int32_t DocumentText::LineLength(std::int32_t line, PositionUnit unit) const {
  return UnitsOf(Line(line), unit);
}

std::size_t DocumentText::ByteOffset(std::int32_t line, std::int32_t character,
                                     PositionUnit unit) const {
  const std::string_view text = Line(line);
  if (unit == PositionUnit::kUtf8) {
    return std::min(text.size(), static_cast<std::size_t>(std::max(character, 0)));
  }
  std::int32_t units = 0;
  std::size_t at = 0;
  while (at < text.size() && units < character) {
    const std::size_t length = SequenceLength(static_cast<unsigned char>(text[at]));
    units += length == 4 ? 2 : 1;
    at = std::min(text.size(), at + length);
  }
  return at;
}

std::pair<std::int32_t, std::int32_t> DocumentText::PositionOf(std::size_t offset,
                                                               PositionUnit unit) const {
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
  const auto line = static_cast<std::int32_t>(after - starts_.begin()) - 1;
  const std::size_t start = starts_[static_cast<std::size_t>(line)];
  return {line, UnitsOf(std::string_view(text_).substr(start, offset - start), unit)};
}

}  // namespace tarn
