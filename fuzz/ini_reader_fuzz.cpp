// Feeds arbitrary bytes to the line source and the section reader as the content of one
// game file: text or binary, any line ends, any length. Findings about the data are
// warnings or TarnErrors; anything else (a crash, a sanitizer report) is a fault.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "ini/line_source.h"
#include "ini/section_reader.h"
#include "log/front_end.h"
#include "log/log.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/user_settings.h"

namespace {

// Every path names the fuzzer's input; the log goes nowhere.
class InputOnly : public tarn::FileSystem {
 public:
  class Reader : public tarn::InputFile {
   public:
    explicit Reader(const std::string& data) : data_(data) {}
    std::size_t Read(char* buffer, std::size_t size) override {
      std::size_t n = data_.copy(buffer, size, at_);
      at_ += n;
      return n;
    }

   private:
    const std::string& data_;
    std::size_t at_ = 0;
  };

  std::unique_ptr<tarn::InputFile> OpenForReading(const std::string&) override {
    return std::make_unique<Reader>(data);
  }
  void AppendToFile(const std::string&, std::string_view) override {}
  void RemoveFile(const std::string&) override {}
  bool FileExists(const std::string&) override { return false; }
  void WriteWholeFile(const std::string&, std::string_view) override {}
  void ReplaceFolder(const std::string&, const std::vector<tarn::FolderFile>&) override {}
  std::optional<tarn::FileIdentity> IdentityOf(const std::string&) override { return {}; }
  bool FolderExists(const std::string&) override { return false; }
  std::vector<std::string> ListFolder(const std::string&) override { return {}; }
  std::string ReadWholeInput(const std::string&, std::int64_t) override { return data; }
  void MakeFolder(const std::string&) override {}

  std::string data;
};

class Silent : public tarn::FrontEnd {
 public:
  void AppendToLogBox(std::string_view, bool) override {}
  void ShowMessageBox(std::string_view) override {}
  void ProcessEvents() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static InputOnly files;
  static Silent front_end;
  static const tarn::UserSettings settings;
  static tarn::Log log(&files, front_end, settings);
  files.data.assign(reinterpret_cast<const char*>(data), size);
  try {
    tarn::LineSource file(files, log);
    file.SetFileName("fuzz.ini");
    // One buffer for every input, as one serves every section of a file.
    static auto buffer = std::make_unique<tarn::SectionBuffer>();
    while (tarn::ReadSection(*buffer, file, log)) {
    }
  } catch (const tarn::TarnError&) {
    // A file the reader refuses: that is an answer, not a fault.
  }
  return 0;
}
