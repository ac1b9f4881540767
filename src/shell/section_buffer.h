// The two records that warnings print: one section as read from a file, and the place from
// which a file to be read was named.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tarn {

struct SectionBuffer {
  static constexpr int kMaxLines = 2048;

  std::string Name;
  std::int16_t EntryCount = 0;
  // 1-based as the warnings count them: index 0 stays unused.
  std::array<std::string, kMaxLines + 1> EntryNames;
  std::array<std::string, kMaxLines + 1> EntryValues;
  std::string SourceFile;
  std::int32_t HeaderLine = 0;
  // Where each line stands in the file as an editor counts lines (blank and comment lines
  // included; for a binary file, in its text form), where the warnings count only the lines
  // of the section. Slot 1 holds the header's line until the first entry line is read.
  std::array<std::int32_t, kMaxLines + 1> EntryLines{};
};

struct FileReference {
  std::string RefFile;
  std::int32_t RefLine = 0;
  std::string RefSection;
  std::string RefEntry;
  std::string RefValue;
  std::int16_t RefIndex = 0;
};

}  // namespace tarn
