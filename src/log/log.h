// The log (the log file and error reporting of the application shell): the one writer of a
// line (WriteLog: to "tarn.log" in the log folder and to the front end's log box), and the
// fixed formats of error blocks (ReportError), warnings (WarnSectionLine, WarnReference) and
// the fatal message box (ShowFatalError).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "log/findings.h"
#include "log/section_buffer.h"
#include "platform/error.h"

namespace tarn {

class FileSystem;
class FrontEnd;
class RunStats;
class UserSettings;

inline constexpr std::string_view kLogFileName = "tarn.log";

class Log {
 public:
  // files writes the log file (null: lines reach only the box); settings gives the log
  // folder, read anew for every line. All four must outlive the log; stats may be null.
  Log(FileSystem* files, FrontEnd& front_end, const UserSettings& settings,
      RunStats* stats = nullptr);
  Log(const Log&) = delete;
  Log& operator=(const Log&) = delete;

  // The log file: the log folder and "tarn.log".
  std::string FilePath() const;

  // Appends message and CR LF to the log file and the log box. Never raises: when the file
  // cannot be written, four failure lines go to the box instead and the message is lost.
  void WriteLog(std::string_view message);

  // The four-line error block: description, number, source, and the procedure name (or a
  // context message) whose error trap caught the error.
  void ReportError(const TarnError& error, std::string_view procedure);

  // Three-line warning about line `index` (1 to 2048) of a buffered section, then an empty
  // line; also a finding when a sink is set, with hint (a near known name) when given. The
  // finding of an unknown section points at its header line, where the log counts the line
  // after it.
  void WarnSectionLine(const SectionBuffer& buffer, std::int32_t number, std::int16_t index,
                       std::string_view hint = {});

  // Three-line warning about the line that named a file, then an empty line; also a finding,
  // which keeps target, the path that could not be read, and why when there is more to say.
  void WarnReference(const FileReference& reference, std::int32_t number,
                     std::string_view target = {}, std::string_view reason = {});

  // Three-line warning about a file as a whole (line 0) or one of its lines, in the section
  // form with no section: "!limit!found!" say what was over which limit; also a finding.
  void WarnFile(std::string_view file, std::int32_t line, std::int32_t number, std::int64_t limit,
                std::int64_t found);

  // The warning of a repaired line: "WARN: File " with the file and line, then each line
  // that describes the repair, each its own log line; also a finding, which keeps where the
  // file is on disk, whether it is binary, the section and key of the line, and the
  // description without the log's leading blanks.
  void WarnRepair(std::string_view file, std::string_view disk_file, bool binary, std::int32_t line,
                  std::initializer_list<std::string_view> details, std::string_view section = {},
                  std::string_view key = {});

  // Three-line warning about a value that the data database holds, in the section form with
  // the finding's file, line, section, index, key and value, then an empty line; the finding
  // (of kind kUnknownName, number kErrUnknownReference) goes on to the sink.
  void WarnUnknownName(Finding finding);

  // Where findings go from now on; null for nowhere. The sink must outlive its use here.
  void SetFindings(FindingSink* findings) { findings_ = findings; }

  // True once a line could not be written to the log file; the first failure's number and
  // description.
  bool LostLines() const { return lost_lines_; }
  const std::string& FirstLossReason() const { return first_loss_; }
  // Forgets the lines lost so far: LostLines then speaks of the lines written from now on.
  void ForgetLosses() {
    lost_lines_ = false;
    first_loss_.clear();
  }

 private:
  void WriteWarning(std::string_view file, std::int32_t file_line, std::string_view section,
                    std::int32_t index, std::int32_t number, std::string_view key,
                    std::string_view value);

  FileSystem* files_;
  FrontEnd& front_end_;
  const UserSettings& settings_;
  RunStats* stats_;
  FindingSink* findings_ = nullptr;
  bool lost_lines_ = false;
  std::string first_loss_;
};

// The message box text of ShowFatalError.
std::string FatalErrorText(const TarnError& error, std::string_view message);

// Shows the message box with the message and the error's details, then ends the program
// (EndProgram): it never returns.
[[noreturn]] void ShowFatalError(FrontEnd& front_end, const TarnError& error,
                                 std::string_view message);

}  // namespace tarn
