#include "cli_front_end.h"

#include <cstdio>
#include <string>

namespace tarn {

namespace {

constexpr std::string_view kWarningStart = "WARN: File ";

// Terminals and pipes on this system end lines with LF; the log file keeps CR LF.
void WriteLines(std::FILE* out, std::string_view text) {
  std::string lines;
  lines.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lines += text[i];
  }
  std::fwrite(lines.data(), 1, lines.size(), out);
}

}  // namespace

bool HasWarningLine(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    if (text.substr(start).starts_with(kWarningStart)) return true;
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return false;
}

void CliFrontEnd::AppendToLogBox(std::string_view text, bool may_cut) {
  // The failure lines of the log writer arrive with may_cut false: they never reached
  // the log file, so they do not count as the log receiving a warning.
  if (may_cut && !saw_warning_ && HasWarningLine(text)) saw_warning_ = true;
  if (!quiet_) WriteLines(stdout, text);
}

void CliFrontEnd::ShowMessageBox(std::string_view text) {
  std::fflush(stdout);
  WriteLines(stderr, text);
  std::fflush(stderr);
}

}  // namespace tarn
