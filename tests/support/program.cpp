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
Result RunCommand(const std::string& command, const std::string& folder) {
  const TempDir scratch;
  const std::string in = folder.empty() ? "" : "cd " + folder + " && ";
  const int raw = std::system(
      (in + command + " >" + scratch.File("out") + " 2>" + scratch.File("err")).c_str());
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
    MarkFolder(*text, game.Path(), "<game>");
    MarkFolder(*text, home.Path(), "<home>");
    MarkFolder(*text, log.Path(), "<log>");
  }
  return result;
}

}  // namespace tarn::testing
