#include "log/log.h"

#include "log/findings.h"
#include "log/front_end.h"
#include "log/run_stats.h"
#include "platform/ascii_case.h"
#include "platform/file_system.h"
#include "platform/user_settings.h"

namespace tarn {

namespace {

constexpr std::string_view kCrLf = "\r\n";

}  // namespace

Log::Log(FileSystem* files, FrontEnd& front_end, const UserSettings& settings, RunStats* stats)
    : files_(files), front_end_(front_end), settings_(settings), stats_(stats) {}

std::string Log::FilePath() const { return JoinPath(settings_.LogPath(), kLogFileName); }

void Log::WriteLog(std::string_view message) {
  StatsScope measure(stats_, RunStats::kLogging);
  std::string line;
  line.reserve(message.size() + 2);
  line.append(message).append(kCrLf);
  if (files_ != nullptr) {
    try {
      files_->AppendToFile(FilePath(), line);
    } catch (const TarnError& error) {
      if (!lost_lines_) {
        first_loss_ = std::to_string(error.Number()) + " " + error.Description();
      }
      lost_lines_ = true;
      // The box is not cut first: these lines report on the log, they are not log lines.
      std::string failure = "*******  Unable to log message in file " + FilePath() + "\r\n";
      failure += "         Error numb:" + std::to_string(error.Number()) + "\r\n";
      failure += "         Error desc:" + error.Description() + "\r\n";
      failure += "         Error src :" + error.Source() + "\r\n";
      front_end_.AppendToLogBox(failure, false);
      return;
    }
  }
  front_end_.AppendToLogBox(line, true);
}

void Log::ReportError(const TarnError& error, std::string_view procedure) {
  std::string text = "Error : " + error.Description() + "\r\n";
  text += "Number: " + std::to_string(error.Number()) + "\r\n";
  text += "Source: " + error.Source() + "\r\n";
  text.append(procedure);
  WriteLog(text);
}

// The block shared by both warnings; the trailing CR LF plus the one WriteLog adds leave an
// empty line after each warning.
void Log::WriteWarning(std::string_view file, std::int32_t file_line, std::string_view section,
                       std::int32_t index, std::int32_t number, std::string_view key,
                       std::string_view value) {
  std::string text;
  text.append("WARN: File ").append(file).append(" line ");
  text.append(std::to_string(file_line)).append(kCrLf);
  text.append("      Section [").append(section).append("] line ");
  text.append(std::to_string(index)).append(kCrLf);
  text.append("      ").append(WarningText(number)).append(" !");
  text.append(key).append("!").append(value).append("!").append(kCrLf);
  WriteLog(text);
}

void Log::WarnSectionLine(const SectionBuffer& buffer, std::int32_t number, std::int16_t index,
                          std::string_view hint) {
  // The sum wraps as a 32-bit signed number would, without overflowing in C++.
  const auto line = static_cast<std::int32_t>(static_cast<std::uint32_t>(buffer.HeaderLine) +
                                              static_cast<std::uint32_t>(index));
  const bool in_range = index >= 1 && index <= SectionBuffer::kMaxLines;
  const std::string_view key = in_range ? std::string_view(buffer.EntryNames[index]) : "";
  const std::string_view value = in_range ? std::string_view(buffer.EntryValues[index]) : "";
  WriteWarning(buffer.SourceFile, line, buffer.Name, index, number, key, value);
  if (findings_ != nullptr) {
    Finding finding{.kind = Finding::Kind::kSectionLine,
                    .number = number,
                    .file = buffer.SourceFile,
                    .line = line,
                    .section = buffer.Name,
                    .index = index,
                    .key = std::string(key),
                    .value = std::string(value),
                    .disk_file = buffer.DiskFile,
                    .editor_line = number == kErrUnknownSection ? buffer.HeaderLine
                                   : in_range                   ? buffer.EntryLines[index]
                                                                : 0,
                    .binary = buffer.Binary,
                    .section_line = buffer.HeaderLine,
                    .same_name_before = buffer.SameNameBefore,
                    .hint = std::string(hint)};
    for (std::int16_t i = 1; i <= buffer.EntryCount; ++i) {
      if (EqualsIgnoringAsciiCase(buffer.EntryNames[i], "nickname")) {
        finding.nickname = buffer.EntryValues[i];
        break;
      }
    }
    findings_->Add(std::move(finding));
  }
}

void Log::WarnReference(const FileReference& reference, std::int32_t number,
                        std::string_view target, std::string_view reason) {
  WriteWarning(reference.RefFile, reference.RefLine, reference.RefSection, reference.RefIndex,
               number, reference.RefEntry, reference.RefValue);
  if (findings_ != nullptr) {
    findings_->Add(Finding{.kind = Finding::Kind::kReference,
                           .number = number,
                           .file = reference.RefFile,
                           .line = reference.RefLine,
                           .section = reference.RefSection,
                           .index = reference.RefIndex,
                           .key = reference.RefEntry,
                           .value = reference.RefValue,
                           .disk_file = reference.RefDiskFile,
                           .editor_line = reference.RefEditorLine,
                           .target = std::string(target),
                           .reason = std::string(reason)});
  }
}

void Log::WarnUnknownName(Finding finding) {
  WriteWarning(finding.file, finding.line, finding.section, finding.index, finding.number,
               finding.key, finding.value);
  if (findings_ != nullptr) findings_->Add(std::move(finding));
}

void Log::WarnRepair(std::string_view file, std::string_view disk_file, bool binary,
                     std::int32_t line, std::initializer_list<std::string_view> details,
                     std::string_view section, std::string_view key) {
  WriteLog("WARN: File " + std::string(file) + " line " + std::to_string(line));
  std::string described;
  for (std::string_view detail : details) {
    WriteLog(detail);
    if (!described.empty()) described += "\n";
    described += TrimSpaces(detail);
  }
  if (findings_ != nullptr) {
    findings_->Add(Finding{.kind = Finding::Kind::kRepair,
                           .file = std::string(file),
                           .line = line,
                           .section = std::string(section),
                           .key = std::string(key),
                           .value = std::move(described),
                           .disk_file = std::string(disk_file),
                           .editor_line = line,
                           .binary = binary});
  }
}

void Log::WarnFile(std::string_view file, std::int32_t line, std::int32_t number,
                   std::int64_t limit, std::int64_t found) {
  const std::string limit_text = std::to_string(limit), found_text = std::to_string(found);
  WriteWarning(file, line, "", 0, number, limit_text, found_text);
  if (findings_ != nullptr) {
    findings_->Add(Finding{.kind = Finding::Kind::kFile,
                           .number = number,
                           .file = std::string(file),
                           .line = line,
                           .key = limit_text,
                           .value = found_text,
                           .editor_line = line,
                           .target = std::string(file)});
  }
}

std::string FatalErrorText(const TarnError& error, std::string_view message) {
  std::string text(message);
  text += "\r\n\r\nError: " + error.Description() + "\r\n";
  text += "Number: " + std::to_string(error.Number()) + "\r\n";
  text += "Source: " + error.Source() + "\r\n";
  return text;
}

void ShowFatalError(FrontEnd& front_end, const TarnError& error, std::string_view message) {
  front_end.ShowMessageBox(FatalErrorText(error, message));
  EndProgram();
}

}  // namespace tarn
