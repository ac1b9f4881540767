#include "walk/game_path.h"

#include "shell/globals.h"
#include "shell/settings.h"

namespace tarn {

std::string GamePath(std::string_view fixed, std::string_view relative) {
  std::string path = gSettings->KVPath();
  path.append(fixed);
  const std::size_t start = path.size();
  path.append(relative);
  for (std::size_t i = start; i < path.size(); ++i) {
    if (path[i] == '\\') path[i] = '/';
  }
  return path;
}

}  // namespace tarn
