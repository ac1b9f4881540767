// The log: the one routine that writes a line (to "tarn.log" in the log folder and to the
// front end's log box), and the fixed formats of error blocks, warnings and the fatal
// message box.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "shell/error.h"
#include "shell/section_buffer.h"

namespace tarn {

inline constexpr std::string_view kLogFileName = "tarn.log";

// The path of the log file: the log folder of gSettings and "tarn.log".
std::string LogFilePath();

// Appends message and CR LF to the log file and the log box. Never raises: when the file
// cannot be written, four failure lines go to the box instead and the message is lost.
// Needs gSettings and frmMain.
void WriteLog(std::string_view message);

// The four-line error block: description, number, source, and the procedure name (or a
// context message) whose error trap caught the error.
void ReportError(const TarnError& error, std::string_view procedure);

// Three-line warning about line `index` (1 to 2048) of a buffered section, then an empty
// line.
void WarnSectionLine(const SectionBuffer& buffer, std::int32_t number, std::int16_t index);

// Three-line warning about the line that named a file, then an empty line.
void WarnReference(const FileReference& reference, std::int32_t number);

// Shows the message box with the message and the error's details, then ends the program
// (EndProgram): it never returns.
[[noreturn]] void ShowFatalError(const TarnError& error, std::string_view message);

// The message box text of ShowFatalError.
std::string FatalErrorText(const TarnError& error, std::string_view message);

}  // namespace tarn
