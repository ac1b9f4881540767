// The text of the window's log box, kept to a bounded size: once it holds more than 32000
// characters, the next line first drops its oldest 5999. Code page 1252 has one byte per
// character, so the bytes here are the box's characters one for one (CR LF counts as two).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarn {

class BoundedLogText {
 public:
  static constexpr std::size_t kCutAbove = 32000;
  static constexpr std::size_t kCutCount = 5999;

  // Appends text, cutting first when may_cut is true and the text is over the limit.
  // Returns true when the front of the text was cut.
  bool Append(std::string_view text, bool may_cut);

  const std::string& Text() const { return text_; }
  void Clear() { text_.clear(); }

 private:
  std::string text_;
};

}  // namespace tarn
