// The line source (INI reading's cFile): one game INI file, handed out one cleaned line at a
// time.
//
// A file that begins with "BINI" is decoded in memory into its text form first and read like
// any text file; nothing is written beside it. Every line comes back with tabs turned into
// blanks, everything from the first ";" on cut off and blanks removed at both ends; two
// malformed entry lines the game's own files are known to hold ("separable" and
// "offer_missions" without a proper value, or with a second entry run into them) are
// repaired, each repair reported in the log. One line can be pushed back; LineNum counts
// the physical lines read.
//
// Physical lines end at CR LF, at a lone LF and at a lone CR. Text files are read through
// a buffer, never held whole in memory.
//
// A flag key alone on a line in a section whose rule says how the key is written (FlagRules)
// is returned as "key = true" without a repair report: the rule, not the reader, judges it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "model/flag_lines.h"
#include "platform/file_system.h"

namespace tarn {

class Log;

// How much of a file the line source takes: far above anything a game file needs, low enough
// that a hostile file cannot exhaust the machine.
struct ReadLimits {
  std::int64_t file_size = std::int64_t{256} << 20;   // bytes of a file, or of a binary's text
  std::int64_t line_length = std::int64_t{16} << 20;  // bytes of one physical line
};

class LineSource {
 public:
  // Files are opened through files; repairs are reported to log; flags, when given, is asked
  // about the flag lines of each section. All must outlive the source.
  LineSource(FileSystem& files, Log& log, ReadLimits limits = {}, const FlagRules* flags = nullptr)
      : files_(files), log_(log), limits_(limits), flags_(flags) {}
  LineSource(const LineSource&) = delete;
  LineSource& operator=(const LineSource&) = delete;

  // Closes any open file, then opens path (the empty text opens nothing).
  // Raises 53 or 76 when the file cannot be opened, -2147220480 "BINI finished with error"
  // (source "TARN.cFile") when a binary file cannot be decoded, and LimitError 10404 for a
  // file (or a binary file's text form) over the size limit; no file is open then.
  void SetFileName(std::string path);
  const std::string& FileName() const { return file_name_; }
  // True when the open file is in the binary form and is read as its text form.
  bool IsBinary() const { return binary_; }
  // The open file's path as found on disk (see InputFile::DiskPath), or FileName when the
  // file system cannot tell.
  const std::string& DiskPath() const { return disk_path_; }

  // Counts a section of this name met in the file; returns how many of the name came before.
  // The name is also the section a repaired line after it is reported in, and whose rule
  // judges a flag line after it.
  std::int32_t CountSection(const std::string& name);

  std::int32_t LineNum() const { return line_num_; }

  // True when no line is pending and the file holds no further line.
  bool EndOfFile();

  // The next cleaned line (empty for a blank or comment-only line). Raises 62 past the end
  // of the file, 6 when the first ";" of a line lies beyond position 32767, and LimitError
  // 10405 for a physical line over the length limit.
  std::string ReadLine();

  // Makes line the one the next ReadLine returns; a second call replaces the first.
  void Backline(const std::string& line);

  // True when the line ReadLine last returned stood as a flag key alone ("separable") and
  // comes back as "key = true".
  bool LastLineBare() const { return last_bare_; }

 private:
  bool FillBuffer();
  std::string ReadPhysicalLine();
  void Clean(std::string& line);
  void Repair(std::string& line);
  void CloseFile();

  FileSystem& files_;
  Log& log_;
  const ReadLimits limits_;
  const FlagRules* flags_;
  std::string file_name_;
  std::string disk_path_;
  bool binary_ = false;
  std::unordered_map<std::string, std::int32_t> sections_seen_;
  // The last counted; empty (no rule's name) before the first header.
  std::string current_section_;
  bool last_bare_ = false;
  std::unique_ptr<InputFile> input_;
  // Text still to be cut into lines: a block of a text file, or a whole decoded binary file.
  std::string buffer_;
  std::size_t at_ = 0;
  bool input_done_ = true;
  // The last line ended at a CR: an LF right after it belongs to the same line end.
  bool skip_lf_ = false;
  std::int32_t line_num_ = 0;
  std::string pending_;
  bool has_pending_ = false;
};

}  // namespace tarn
