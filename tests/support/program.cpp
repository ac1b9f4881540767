#include "support/program.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>

#include "support/world.h"

namespace tarn::testing {

#ifndef _WIN32
// Windows: support/program_windows.cpp.
Result RunCommand(const std::string& command) {
  const TempDir scratch;
  const int raw =
      std::system((command + " >" + scratch.File("out") + " 2>" + scratch.File("err")).c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(scratch.File("out")),
          ReadFile(scratch.File("err")), ""};
}
#endif

Tarn::Tarn() { std::filesystem::copy_file(TARN_SHIPPED_MDB, home.File("TARN.MDB")); }

std::string Tarn::Path(std::string text) const {
  ReplaceAll(text, "<game>", game.Path());
  ReplaceAll(text, "<home>", home.Path());
  ReplaceAll(text, "<log>", log.Path());
  return text;
}

Result Tarn::Run(const std::string& args) const {
  Result result = RunCommand(std::string(TARN_CLI) + " --home " + home.Path() + " " + Path(args));
  result.log = FromCrLf(ReadFile(log.File("tarn.log")));
  for (std::string* text : {&result.out, &result.err, &result.log}) {
#ifdef _WIN32
    // The expected texts are written with "/", as reports write paths; Windows' own
    // paths, in the log and in messages, use "\\".
    ReplaceAll(*text, "\\", "/");
    for (const TempDir* dir : {&game, &home, &log}) {
      std::string slashed = dir->Path();
      ReplaceAll(slashed, "\\", "/");
      ReplaceAll(*text, slashed, dir == &game ? "<game>" : dir == &home ? "<home>" : "<log>");
    }
#endif
    ReplaceAll(*text, game.Path(), "<game>");
    ReplaceAll(*text, home.Path(), "<home>");
    ReplaceAll(*text, log.Path(), "<log>");
  }
  return result;
}

}  // namespace tarn::testing
