// Reading a game INI file section by section and handing each section to its rule.
#pragma once

#include <string>

#include "ini/line_source.h"
#include "shell/section_buffer.h"

namespace tarn {

// Reads the next section of file into buffer: lines before a header are skipped, a header
// without "]" is warned about (10301) and read all the same, blank lines are not counted.
// Returns false when the file holds no further section. Raises 9 for a 2049th entry line of
// one section, and whatever the line source raises.
bool ReadSection(SectionBuffer& buffer, cFile& file);

// Hands one section to the rule library: looks up its rule section and each line's entry
// rule (letter case aside), checks the values, then stores the section and clears the rule
// for the next one. Every finding about the game's data becomes a warning and the section
// goes on; any other error is reported under "DoSection" and ends the program.
void DoSection(const std::string& area, SectionBuffer& buffer);

}  // namespace tarn
