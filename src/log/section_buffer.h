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
  // Which lines stood as a flag key alone ("separable"), read as "key = true".
  std::array<bool, kMaxLines + 1> EntryBare{};
  // The file as found on disk (the path in its own letter case), and whether it is read
  // through its text form (a binary file).
  std::string DiskFile;
  bool Binary = false;
  // How many sections of this name the file held before this one (0 for the first).
  std::int32_t SameNameBefore = 0;
};

struct FileReference {
  std::string RefFile;
  std::int32_t RefLine = 0;
  std::string RefSection;
  std::string RefEntry;
  std::string RefValue;
  std::int16_t RefIndex = 0;
  // Where the referring line stands on disk and in an editor; empty and 0 when no line of a
  // game file names the file (the files of _bc_OtherINI).
  std::string RefDiskFile{};
  std::int32_t RefEditorLine = 0;
};

}  // namespace tarn
