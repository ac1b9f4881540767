#include "bini_command.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "ini/bini_decoder.h"
#include "shell/error.h"

namespace tarn {

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

std::string SystemReason(const char* what) {
  std::string reason = SystemErrorText(errno);
  return std::string(what) + (reason.empty() ? "" : ": " + reason);
}

bool ReadWhole(const std::string& path, std::string& bytes, std::string& why) {
  bytes.clear();
  File file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) {
    why = SystemReason("cannot be opened");
    return false;
  }
  char buffer[1 << 16];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, got);
  if (std::ferror(file.get())) {
    why = SystemReason("cannot be read");
    return false;
  }
  return true;
}

bool WriteWhole(const std::string& path, const std::string& text, std::string& why) {
  File file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file || std::fwrite(text.data(), 1, text.size(), file.get()) != text.size() ||
      std::fclose(file.release()) != 0) {
    why = path + " " + SystemReason("cannot be written");
    return false;
  }
  return true;
}

}  // namespace

int ConvertBiniFiles(const std::vector<std::string>& files) {
  int status = kDone;
  std::string bytes, text, why;  // reused: one buffer each for the whole run
  for (const std::string& file : files) {
    if (!ReadWhole(file, bytes, why) || !DecodeBini(bytes, text, why) ||
        !WriteWhole(file + ".txt", text, why)) {
      std::fprintf(stderr, "tarn: bini: %s: %s\n", file.c_str(), why.c_str());
      status = kFailed;
    }
  }
  return status;
}

}  // namespace tarn
