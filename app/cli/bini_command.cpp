#include "bini_command.h"

#include <algorithm>
#include <cstdio>

#include "ini/bini_file.h"
#include "platform/file_system.h"

namespace tarn {

namespace {

constexpr int kDone = 0;
constexpr int kInputRefused = 1;
constexpr int kOutputNotWritten = 3;

}  // namespace

int ConvertBiniFiles(const std::vector<std::string>& files, std::int64_t max_bytes) {
  RealFileSystem file_system;
  int status = kDone;
  for (const std::string& file : files) {
    std::string why;
    const BiniConversion result = ConvertBiniFile(file_system, file, max_bytes, why);
    if (result == BiniConversion::kConverted) continue;
    std::fprintf(stderr, "tarn: bini: %s: %s\n", file.c_str(), why.c_str());
    status = std::max(status,
                      result == BiniConversion::kInputRefused ? kInputRefused : kOutputNotWritten);
  }
  return status;
}

}  // namespace tarn
