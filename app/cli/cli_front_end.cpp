#include "cli_front_end.h"

#include <cstdio>
#include <string>

namespace tarn {

namespace {

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

void CliFrontEnd::AppendToLogBox(std::string_view text, bool may_cut) {
  if (may_cut && text.starts_with("Error : ")) {
    last_error_block_.clear();
    for (char c : text.substr(0, text.size() - 2)) {
      if (c != '\r') last_error_block_ += c;
    }
  }
  if (!quiet_) WriteLines(stdout, text);
}

void CliFrontEnd::ShowMessageBox(std::string_view text) {
  std::fflush(stdout);
  WriteLines(stderr, text);
  std::fflush(stderr);
}

}  // namespace tarn
