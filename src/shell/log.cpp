#include "shell/log.h"

#include "shell/file_system.h"
#include "shell/front_end.h"
#include "shell/globals.h"
#include "shell/run_stats.h"
#include "shell/settings.h"

namespace tarn {

namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string LogFolder() { return gSettings ? gSettings->LogPath() : std::string(); }

}  // namespace

std::string LogFilePath() { return JoinPath(LogFolder(), kLogFileName); }

void WriteLog(std::string_view message) {
  StatsScope measure(RunStats::kLogging);
  std::string line;
  line.reserve(message.size() + 2);
  line.append(message).append(kCrLf);
  try {
    gFiles->AppendToFile(LogFilePath(), line);
  } catch (const TarnError& error) {
    // The box is not cut first: these lines report on the log, they are not log lines.
    std::string failure = "*******  Unable to log message in file " + LogFilePath() + "\r\n";
    failure += "         Error numb:" + std::to_string(error.Number()) + "\r\n";
    failure += "         Error desc:" + error.Description() + "\r\n";
    failure += "         Error src :" + error.Source() + "\r\n";
    frmMain->AppendToLogBox(failure, false);
    return;
  }
  frmMain->AppendToLogBox(line, true);
}

void ReportError(const TarnError& error, std::string_view procedure) {
  std::string text = "Error : " + error.Description() + "\r\n";
  text += "Number: " + std::to_string(error.Number()) + "\r\n";
  text += "Source: " + error.Source() + "\r\n";
  text.append(procedure);
  WriteLog(text);
}

namespace {

// The block shared by both warnings; the trailing CR LF plus the one WriteLog adds leave an
// empty line after each warning.
void WriteWarning(std::string_view file, std::int32_t file_line, std::string_view section,
                  std::int32_t index, std::int32_t number, std::string_view key,
                  std::string_view value) {
  std::string text;
  text.append("WARN: File ").append(file).append(" line ");
  text.append(std::to_string(file_line)).append(kCrLf);
  text.append("      Section [").append(section).append("] line ");
  text.append(std::to_string(index)).append(kCrLf);
  text.append("      ").append(ErrorText(number)).append(" !");
  text.append(key).append("!").append(value).append("!").append(kCrLf);
  WriteLog(text);
}

}  // namespace

void WarnSectionLine(const SectionBuffer& buffer, std::int32_t number, std::int16_t index) {
  // The sum wraps as a 32-bit signed number would, without overflowing in C++.
  auto line = static_cast<std::int32_t>(static_cast<std::uint32_t>(buffer.HeaderLine) +
                                        static_cast<std::uint32_t>(index));
  const bool in_range = index >= 1 && index <= SectionBuffer::kMaxLines;
  static const std::string kNone;
  WriteWarning(buffer.SourceFile, line, buffer.Name, index, number,
               in_range ? buffer.EntryNames[index] : kNone,
               in_range ? buffer.EntryValues[index] : kNone);
}

void WarnReference(const FileReference& reference, std::int32_t number) {
  WriteWarning(reference.RefFile, reference.RefLine, reference.RefSection, reference.RefIndex,
               number, reference.RefEntry, reference.RefValue);
}

std::string FatalErrorText(const TarnError& error, std::string_view message) {
  std::string text(message);
  text += "\r\n\r\nError: " + error.Description() + "\r\n";
  text += "Number: " + std::to_string(error.Number()) + "\r\n";
  text += "Source: " + error.Source() + "\r\n";
  return text;
}

void ShowFatalError(const TarnError& error, std::string_view message) {
  frmMain->ShowMessageBox(FatalErrorText(error, message));
  EndProgram();
}

}  // namespace tarn
