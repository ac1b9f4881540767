#include "support/program.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "support/world.h"

namespace tarn::testing {

Result RunCommand(const std::string& command) {
  const TempDir scratch;
  const int raw =
      std::system((command + " >" + scratch.File("out") + " 2>" + scratch.File("err")).c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(scratch.File("out")),
          ReadFile(scratch.File("err")), ""};
}

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
    ReplaceAll(*text, game.Path(), "<game>");
    ReplaceAll(*text, home.Path(), "<home>");
    ReplaceAll(*text, log.Path(), "<log>");
  }
  return result;
}

}  // namespace tarn::testing
