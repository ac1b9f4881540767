// A folder of rule sources, as `tarn rules import` reads it and `rules export` writes it: one
// text file per game area (rule_text.h), through the file-system interface.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "rules/rule_set.h"

namespace tarn {

// Reads every rule file of folder, in name order: each entry whose name ends in ".rules",
// letter case aside. A file that starts with a UTF-8 byte order mark is converted to the
// game's code page. Raises RuleFolderError when the folder or a file cannot be read (a
// folder, FIFO or device of such a name included: it is refused, never waited on), and
// RuleSourceError with the file and line of the first fault in the text.
RuleSet ReadRuleFolder(FileSystem& files, const std::string& folder);

// Makes folder when missing and writes, whole, one file per source file named in rules into
// it; other files there are left as they are. Raises RuleFolderError when the folder cannot
// be made or a file cannot be written (the files before it are then written already).
void WriteRuleFolder(FileSystem& files, const RuleSet& rules, const std::string& folder);

}  // namespace tarn
