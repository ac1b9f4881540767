#include "support/core_fixture.h"

namespace tarn::testing {

std::vector<std::string> CoreTest::LogLines() const {
  return files.HasFile(kLogFile) ? SplitCrLf(files.File(kLogFile)) : std::vector<std::string>{};
}

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace tarn::testing
