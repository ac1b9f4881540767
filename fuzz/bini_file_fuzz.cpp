// Any bytes as a file given to `tarn bini`, read from disk through the machine's file system
// with the run's bounds, decoded and written: it is converted or refused with a reason, and
// what is written never exceeds the bound, however few bytes ask for how much text.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "ini/bini_file.h"
#include "platform/file_system.h"

namespace {

// The bound, low enough that small inputs naming long strings often reach it.
constexpr std::int64_t kLimit = 64 * 1024;

// Reads for real; keeps what would be written instead of flushing it to disk every time.
class Reads : public tarn::RealFileSystem {
 public:
  void WriteWholeFile(const std::string&, std::string_view data) override { written = data.size(); }
  std::size_t written = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // In memory where the machine has such a folder: rewriting a file on disk for every input
  // makes the file system flush it each time.
  static const std::string path =
      std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/tarn-bini-fuzz-" +
      std::to_string(::getpid()) + ".bin";
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  Reads files;
  std::string why;
  switch (tarn::ConvertBiniFile(files, path, kLimit, why)) {
    case tarn::BiniConversion::kConverted:
      if (files.written > static_cast<std::size_t>(kLimit)) std::abort();
      break;
    case tarn::BiniConversion::kInputRefused:
      if (why.empty() || files.written != 0) std::abort();
      break;
    case tarn::BiniConversion::kOutputNotWritten:
      std::abort();  // nothing here can fail to be written
  }
  return 0;
}
