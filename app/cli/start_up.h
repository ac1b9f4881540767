// How tarn.exe meets a user who starts it from Explorer rather than from a console. The
// console Explorer makes for a program closes the moment the program ends, so a double click
// with no command gets a guide and a wait for a key instead of a usage error nobody can read,
// and a folder dropped on the program is checked as the game folder, in a home of the user's
// own: the program's folder may be one the user cannot write (Program Files, a zip opened
// in place). Decided here, on every system, from what a StartConsole answers;
// windows_entry.cpp answers with Windows' calls.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace tarn {

// What the start asks of the console the program runs in.
class StartConsole {
 public:
  virtual ~StartConsole() = default;
  // True when no other process shares the console: whoever started the program (Explorer)
  // made the console for it, and it closes when the program ends.
  virtual bool OwnConsole() = 0;
  // True when standard input is the console's keyboard, not a pipe, a file or NUL: only then
  // is a key waited for, so that nothing started by a script or an editor ever waits.
  virtual bool InputIsConsole() = 0;
  // Shows text (UTF-8, lines ending "\n") where notes go: standard error.
  virtual void Note(std::string_view text) = 0;
  // Returns once a key is pressed.
  virtual void WaitForKey() = 0;
};

// The folders a dropped folder's check keeps its files in.
struct StartFolders {
  std::string program;    // the program's own, which holds the TARN.MDB shipped with it
  std::string user_data;  // the user's local application data (%LOCALAPPDATA%); "" if unset
};

// The command line proper: runs args (the program's name first), returns the exit status.
using CommandLine = std::function<int(std::vector<std::string>& args)>;

// The home of a dropped folder's check: the folder TARN in user_data.
std::string DropHome(const std::string& user_data);

// Starts the program for its whole command line, args (the program's name first):
// - no argument, in a console of its own: the guide, exit status 2;
// - one argument that is an absolute path (as Explorer hands a dropped item over) of an
//   existing folder: run("--home H --game FOLDER --log H --overwrite init-db all refs"),
//   H being DropHome(folders.user_data), made when missing and given a copy of the
//   program's TARN.MDB when it holds none (so that rules imported there stay); exit status
//   3 when user_data is unset or H cannot be made or filled;
// - one absolute path that is no folder, in a console of its own: a hint, exit status 2;
// - anything else: run(args) as given.
// In the first three cases, in a console of its own whose input is the keyboard, a key is
// waited for before returning. Errors of the file system are reported, never raised.
int StartProgram(std::vector<std::string> args, const StartFolders& folders, StartConsole& console,
                 FileSystem& files, const CommandLine& run);

}  // namespace tarn
