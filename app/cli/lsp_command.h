// `tarn lsp`: the language server over standard input and output.
#pragma once

#include <string>

#include "ini/line_source.h"

namespace tarn {

// Serves one editor until it says exit; returns 0 when it said shutdown first, 1 otherwise.
int ServeLanguage(const std::string& home, const std::string& game, const std::string& rules,
                  const ReadLimits& limits);

}  // namespace tarn
