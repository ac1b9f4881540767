#include "start_up.h"

#include <cctype>

#include "platform/error.h"
#include "run_command.h"

namespace tarn {
namespace {

constexpr int kExitNotDone = 3;

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// The shipped TARN.MDB is a few megabytes; anything far larger beside the program is not it.
constexpr std::int64_t kMdbLimit = std::int64_t{256} << 20;

// Lines under 80 characters: the width of the smallest console.
constexpr std::string_view kGuide =
    "TARN checks the data files of Kestrovar. It works in a console; started on its\n"
    "own it can only tell you this.\n"
    "\n"
    "To check your game, drag the game folder (the one holding EXE and DATA) onto\n"
    "tarn.exe. The log, tarn.log, goes to %LOCALAPPDATA%\\TARN.\n"
    "\n"
    "For everything else, open a console in this folder (in Explorer, click the\n"
    "address bar, type cmd and press Enter) and type: tarn --help\n"
    "README-Windows.txt, beside tarn.exe, tells more.\n";

constexpr std::string_view kPressAKey = "\nPress any key to close this window.\n";

// As Explorer hands a dropped item over: "C:\...", "\\server\...", or "/..." elsewhere. A
// relative name is never taken for a drop, so that a folder called "all" beside the user
// leaves the command "all" as it is.
bool IsAbsolute(const std::string& path) {
  if (path.starts_with('/') || path.starts_with('\\')) return true;
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) != 0 &&
         path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

// Makes home and puts the shipped TARN.MDB in it unless it holds one; "" when done, else why
// not.
std::string PrepareHome(const std::string& home, const std::string& program, FileSystem& files) {
  try {
    files.MakeFolder(home);
    const std::string mdb = home + kSeparator + "TARN.MDB";
    if (!files.FileExists(mdb)) {
      files.WriteWholeFile(mdb, files.ReadWholeInput(JoinPath(program, "TARN.MDB"), kMdbLimit));
    }
    return {};
  } catch (const TarnError& error) {
    return error.Description();
  }
}

// The check of a dropped folder; its exit status.
int CheckDroppedFolder(const std::string& program_name, const std::string& folder,
                       const StartFolders& folders, StartConsole& console, FileSystem& files,
                       const CommandLine& run) {
  if (folders.user_data.empty()) {
    console.Note(
        "tarn: LOCALAPPDATA is not set, so a dropped folder has no home to be "
        "checked in; give --home and --game in a console (tarn --help)\n");
    return kExitNotDone;
  }
  const std::string home = DropHome(folders.user_data);
  if (std::string why = PrepareHome(home, folders.program, files); !why.empty()) {
    console.Note("tarn: " + home + " cannot be made the home of the check, with a copy of " +
                 "TARN.MDB: " + why + "\n");
    return kExitNotDone;
  }
  console.Note("Checking " + folder + " as the game folder; tarn.log and KV.MDB go to " + home +
               "\n\n");
  std::vector<std::string> args = {program_name,  "--home",  home,  "--game", folder, "--log", home,
                                   "--overwrite", "init-db", "all", "refs"};
  return run(args);
}

}  // namespace

std::string DropHome(const std::string& user_data) {
  const bool ends_in_separator = user_data.ends_with('/') || user_data.ends_with('\\');
  return user_data + (ends_in_separator ? "" : std::string(1, kSeparator)) + "TARN";
}

int StartProgram(std::vector<std::string> args, const StartFolders& folders, StartConsole& console,
                 FileSystem& files, const CommandLine& run) {
  const bool own_console = console.OwnConsole();
  int status = kExitUsage;  // the guide's and the hint's
  if (args.size() <= 1 && own_console) {
    console.Note(kGuide);
  } else if (args.size() == 2 && IsAbsolute(args[1]) && files.FolderExists(args[1])) {
    status = CheckDroppedFolder(args[0], args[1], folders, console, files, run);
  } else if (args.size() == 2 && IsAbsolute(args[1]) && own_console) {
    console.Note("tarn: " + args[1] + " is not a folder. Drag the game folder (the one " +
                 "holding EXE and DATA) onto tarn.exe; README-Windows.txt tells more.\n");
  } else {
    return run(args);
  }
  if (own_console && console.InputIsConsole()) {
    console.Note(kPressAKey);
    console.WaitForKey();
  }
  return status;
}

}  // namespace tarn
