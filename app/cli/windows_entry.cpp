// The entry of tarn.exe: Windows hands a program its arguments as UTF-16 (GetCommandLineW);
// they become UTF-8 here, the form every path has inside TARN, so that folders with names
// outside the system's ANSI code page work. How the program was started (from Explorer, a
// folder dropped on it) is then told apart by start_up.h, with the console's answers below.
#include "windows_entry.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/file_system.h"
#include "platform/windows_text.h"
#include "start_up.h"

namespace {

// The console as Windows tells it.
class WindowsConsole final : public tarn::StartConsole {
 public:
  bool OwnConsole() override {
    DWORD ids[2];
    return ::GetConsoleProcessList(ids, 2) == 1;
  }
  bool InputIsConsole() override {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
  }
  void Note(std::string_view text) override {
    // A console shows UTF-16; bytes written to it would be read in its OEM code page, and a
    // folder name in a note is the user's own.
    HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (::GetConsoleMode(error, &mode) != 0) {
      const std::wstring wide = tarn::WidenUtf8(text);
      DWORD written = 0;
      ::WriteConsoleW(error, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
      std::fwrite(text.data(), 1, text.size(), stderr);
    }
  }
  void WaitForKey() override {
    // Keys pressed while the check ran are not the answer to the question just asked.
    HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    ::FlushConsoleInputBuffer(input);
    INPUT_RECORD record;
    DWORD read = 0;
    while (::ReadConsoleInputW(input, &record, 1, &read) != 0 && read == 1) {
      if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) return;
    }
  }
};

}  // namespace

int main() {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return 3;
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back(tarn::NarrowToUtf8(wide[i]));
  ::LocalFree(wide);
  // Standard output and error carry the same bytes as on other systems: the log's lines
  // already end in CR LF, and reports are written as they are.
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
  tarn::RealFileSystem files;
  const wchar_t* local_data = ::_wgetenv(L"LOCALAPPDATA");
  const tarn::StartFolders folders{files.ExecutableFolder(),
                                   local_data != nullptr ? tarn::NarrowToUtf8(local_data) : ""};
  WindowsConsole console;
  return tarn::StartProgram(std::move(args), folders, console, files,
                            [](std::vector<std::string>& run_args) {
                              std::vector<char*> argv;
                              for (std::string& arg : run_args) argv.push_back(arg.data());
                              argv.push_back(nullptr);
                              return tarn::CliMain(static_cast<int>(run_args.size()), argv.data());
                            });
}
