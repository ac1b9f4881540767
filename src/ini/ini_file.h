// Reading one game INI file: every section checked against the rules and stored.
#pragma once

#include <string>

#include "shell/section_buffer.h"

namespace tarn {

// Logs the path, adds it to the list of files already read and reads the file section by
// section, letting the front end process its events after each. A file that cannot be
// opened is warned about at the place that named it (reference, 10306); a file read before
// (letter case aside) is skipped with "Already parsed. Skipped."; any other error is
// reported under "ReadINIFile" and ends the program.
void ReadINIFile(const std::string& area, const std::string& path,
                 const FileReference& reference);

}  // namespace tarn
