// `tarn rules diff OLD NEW`: what changed between two rule folders, as `rules learn` writes
// them; no database is opened and no lock taken.
#pragma once

#include <string>

namespace tarn {

// Prints one line per change (see DiffRuleSets) to standard output, then a count. Exit
// status: 0 the folders agree, 1 they differ, 3 a folder cannot be read, holds no rule file,
// or holds a rule file with a fault (the reason on standard error).
int DiffRuleFolders(const std::string& older, const std::string& newer);

}  // namespace tarn
