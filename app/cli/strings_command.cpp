#include "strings_command.h"

#include <cerrno>
#include <cstdio>

#include "dll/library.h"
#include "platform/error.h"
#include "platform/file_system.h"

namespace tarn {

namespace {

constexpr int kNotLoaded = 1;
constexpr int kNotWritten = 3;

int Fail(const std::string& file, const std::string& why, int status) {
  std::fprintf(stderr, "tarn: strings: %s: %s\n", file.c_str(), why.c_str());
  return status;
}

}  // namespace

int ListStrings(const std::string& file) {
  RealFileSystem files;
  LoadedLibrary library(files);
  try {
    library.SetFileName(file);
  } catch (const TarnError& error) {
    return Fail(file, error.Description(), kNotLoaded);
  }
  for (const auto& [id, text] : library.Strings()) {
    std::printf("%u\t", static_cast<unsigned>(id));
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::putchar('\n');
  }
  // A full disk or a closed pipe shows only here, once the buffered lines go out.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    return Fail(file, "the list cannot be written: " + SystemErrorText(errno), kNotWritten);
  }
  return 0;
}

}  // namespace tarn
