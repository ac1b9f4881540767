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
    // The expected texts are written with "/"; Windows writes its paths with backslashes.
    // Only the paths in the run's folders are turned, so that a value holding one keeps it.
    for (const TempDir* dir : {&game, &home, &log}) {
      const std::string mark = dir == &game ? "<game>" : dir == &home ? "<home>" : "<log>";
      ReplaceAll(*text, dir->Path(), mark);
      for (auto at = text->find(mark); at != std::string::npos; at = text->find(mark, at + 1)) {
        for (std::size_t i = at + mark.size();
             i < text->size() && std::string_view(" \r\n!\"'").find((*text)[i]) ==
                                     std::string_view::npos;
             ++i) {
          if ((*text)[i] == '\\') (*text)[i] = '/';
        }
      }
    }
#endif
    ReplaceAll(*text, game.Path(), "<game>");
    ReplaceAll(*text, home.Path(), "<home>");
    ReplaceAll(*text, log.Path(), "<log>");
  }
  return result;
}

}  // namespace tarn::testing
