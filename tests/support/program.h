// Runs the real programs: any command through the shell, and the command line `tarn` in
// folders of its own.
#pragma once

#include <string>

#include "support/world.h"

namespace tarn::testing {

struct Result {
  int status;  // the exit status; -1 when the program did not exit
  std::string out;
  std::string err;
  std::string log;  // tarn.log of the log folder, for Tarn::Run
};

// Runs command through the shell (on Windows, as one command line without a shell), standard
// output and error into the result; in folder, when one is given, as its working folder.
Result RunCommand(const std::string& command, const std::string& folder = "");

// `tarn` (TARN_CLI) with a home holding a copy of the shipped TARN.MDB (TARN_SHIPPED_MDB),
// an empty game folder and an empty log folder, each a temporary folder of its own.
class Tarn {
 public:
  Tarn();

  // Runs `tarn --home <home> args`. In args, "<game>", "<home>" and "<log>" stand for the
  // folders; in the result's texts the folders are shown that way again, and the log's CR LF
  // line ends as "\n".
  Result Run(const std::string& args) const;

  // text with the placeholders replaced by the folders.
  std::string Path(std::string text) const;

  TempDir home, game, log;
};

}  // namespace tarn::testing
