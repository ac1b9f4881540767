// The entry of tarn.exe: Windows hands a program its arguments as UTF-16 (GetCommandLineW);
// they become UTF-8 here, the form every path has inside TARN, so that folders with names
// outside the system's ANSI code page work.
#include "windows_entry.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <vector>

#include "platform/windows_text.h"

int main() {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return 3;
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back(tarn::NarrowToUtf8(wide[i]));
  ::LocalFree(wide);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  // Standard output and error carry the same bytes as on other systems: the log's lines
  // already end in CR LF, and reports are written as they are.
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
  return tarn::CliMain(count, argv.data());
}
