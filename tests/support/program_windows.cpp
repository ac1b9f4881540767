// Windows: programs are started with CreateProcessW, standard output and error into files,
// without a shell; the command is one command line, split as Windows programs split theirs.
#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/windows_text.h"
#include "support/program.h"
#include "support/world.h"

namespace tarn::testing {

namespace {

HANDLE Inheritable(const std::string& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return ::CreateFileW(WidenUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

Result RunCommand(const std::string& command, const std::string& folder) {
  const TempDir scratch;
  HANDLE out = Inheritable(scratch.File("out"));
  HANDLE err = Inheritable(scratch.File("err"));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  std::wstring line = WidenUtf8(command);
  int status = -1;
  const std::wstring working = WidenUtf8(folder);
  auto start = [&] {
    return ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                            folder.empty() ? nullptr : working.c_str(), &startup, &process);
  };
  // Wine on a loaded machine now and then fails a start that succeeds a moment later; a
  // second failure is the test's, and says why.
  BOOL started = start();
  if (!started) {
    ::Sleep(200);
    started = start();
  }
  std::string why;
  if (!started) why = "CreateProcessW failed: error " + std::to_string(::GetLastError()) + "\n";
  if (started) {
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(process.hProcess, &code)) status = static_cast<int>(code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  ::CloseHandle(out);
  ::CloseHandle(err);
  return {status, ReadFile(scratch.File("out")), why + ReadFile(scratch.File("err")), ""};
}

}  // namespace tarn::testing
