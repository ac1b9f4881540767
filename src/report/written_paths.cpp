#include "report/written_paths.h"

#include <utility>

#include "datadb/init_data_db.h"
#include "log/log.h"
#include "platform/ascii_case.h"
#include "platform/file_system.h"
#include "settings/settings.h"

namespace tarn {

namespace {

// What a path names: the file itself where it exists, else the folder it would be made in
// and the name it would get there. Two paths name one place exactly when these agree.
struct Place {
  std::optional<FileIdentity> file;
  std::optional<FileIdentity> folder;
  std::string name;
  bool operator==(const Place& other) const {
    if (file || other.file) return file == other.file;
    return folder && folder == other.folder && name == other.name;
  }
};

Place PlaceOf(FileSystem& files, const std::string& path) {
  auto [folder, name] = FolderAndName(path);
  return {files.IdentityOf(path), files.IdentityOf(folder), name};
}

// True when folder is inside, or is, the folder whose identity is outer: its own identity or
// that of a folder above it, found by climbing with "..".
bool IsWithin(FileSystem& files, const std::string& folder, const FileIdentity& outer) {
  std::string at = folder.empty() ? "." : folder;
  std::optional<FileIdentity> previous;
  // A file system deeper than this is no game's; the bound keeps a looping one from hanging.
  for (int depth = 0; depth < 256; ++depth) {
    const std::optional<FileIdentity> here = files.IdentityOf(at);
    if (!here || here == previous) return false;  // gone, or the root reached
    if (*here == outer) return true;
    previous = here;
    at += "/..";
  }
  return false;
}

bool IsGameFileKind(const std::string& name) {
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string::npos) return false;
  const std::string ext = AsciiLowered(std::string_view(name).substr(dot + 1));
  return ext == "ini" || ext == "dll";
}

}  // namespace

std::string WhyNotWritable(FileSystem& files, const OwnedPlaces& places, const std::string& path) {
  if (path == "-") return {};
  if (files.FolderExists(path)) return "it is a folder";
  const Place place = PlaceOf(files, path);
  const std::string settings(kSettingsDBFile), data(kDataDBFile), log(kLogFileName);
  const std::pair<std::string, std::string> owned[] = {
      {JoinPath(places.home, settings), "the settings database " + settings},
      {JoinPath(places.home, settings + "-journal"), "the journal of " + settings},
      {JoinPath(places.home, data), "the data database " + data},
      {JoinPath(places.home, data + "-journal"), "a journal of " + data},
      {JoinPath(places.home, data + "-wal"), "a journal of " + data},
      {JoinPath(places.home, data + "-shm"), "a journal of " + data},
      {JoinPath(places.home, ".tarn-home.lock"), "the home folder's lock"},
  };
  for (const auto& [file, what] : owned) {
    if (PlaceOf(files, file) == place) return "it is " + what;
  }
  if (!places.log.empty()) {
    if (PlaceOf(files, JoinPath(places.log, log)) == place) return "it is the run's log " + log;
    if (PlaceOf(files, JoinPath(places.log, ".tarn-log.lock")) == place) {
      return "it is the log folder's lock";
    }
  }
  if (places.baseline && PlaceOf(files, *places.baseline) == place) {
    return "it is the baseline this run reads";
  }
  if (!places.game.empty()) {
    const std::optional<FileIdentity> game = files.IdentityOf(places.game);
    const auto [folder, name] = FolderAndName(path);
    if (game && IsGameFileKind(name) && IsWithin(files, folder, *game)) {
      return "it is in the game folder, where such files are the game's own";
    }
  }
  return {};
}

std::string CheckWrittenPaths(FileSystem& files, const OwnedPlaces& places,
                              const std::vector<std::string>& paths) {
  std::vector<Place> seen;
  bool standard_output = false;
  for (const std::string& path : paths) {
    if (path == "-") {
      if (standard_output) return "-: two reports cannot both go to standard output";
      standard_output = true;
      continue;
    }
    const std::string why = WhyNotWritable(files, places, path);
    if (!why.empty()) return path + ": " + why;
    Place place = PlaceOf(files, path);
    for (const Place& other : seen) {
      if (other == place) return path + ": another report is written to the same file";
    }
    seen.push_back(std::move(place));
  }
  return {};
}

std::string WhyNotReplaceable(FileSystem& files, const OwnedPlaces& places,
                              const std::string& folder) {
  const std::pair<const std::string*, const char*> kept[] = {{&places.game, "the game folder"},
                                                             {&places.home, "the home folder"},
                                                             {&places.log, "the log folder"}};
  const std::optional<FileIdentity> target = files.IdentityOf(folder);
  if (!target) return {};
  for (const auto& [path, what] : kept) {
    if (path->empty() && path != &places.home) continue;
    if (IsWithin(files, *path, *target)) {
      const std::optional<FileIdentity> own = files.IdentityOf(path->empty() ? "." : *path);
      return own == target ? std::string("it is ") + what : std::string("it contains ") + what;
    }
  }
  return {};
}

}  // namespace tarn
