// `tarn [--home DIR] rules export DIR` and `tarn [--home DIR] rules import DIR`: the rule set
// of a settings database as editable text sources, and back.
#pragma once

#include <string>

namespace tarn {

// Exit status: 0 done, 1 the source was refused or the database could not be read or
// written (the reason on standard error).
int ExportRules(const std::string& home, const std::string& folder);
int ImportRules(const std::string& home, const std::string& folder);

}  // namespace tarn
