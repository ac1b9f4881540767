// The file: URIs an editor names documents by, and the paths the walk names the same files by.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarn {

// The path of a file: URI, as a user gives folders (UTF-8; on Windows with "\\" and without
// the slash before the drive); nullopt for any other scheme.
std::optional<std::string> PathOfUri(std::string_view uri);

// The URI of a file the walk names by game_path (on Windows in the game's code page).
std::string UriOfPath(std::string_view game_path);

// A path a user gave (UTF-8) as the walk names files: on Windows in the game's code page, the
// form the file system takes paths in there; elsewhere the bytes as they are.
std::string InGameCodePage(std::string path);

}  // namespace tarn
