// Paths into the game folder. The game names its files with "\" between folders; on this
// system every composed path uses "/", in the fixed parts and in the values alike.
#pragma once

#include <string>
#include <string_view>

namespace tarn {

// The game folder of gSettings, then fixed (for example "/DATA/"), then relative with every
// "\" turned into "/".
std::string GamePath(std::string_view fixed, std::string_view relative = {});

}  // namespace tarn
