// Reading a game INI file section by section (the INI parser's ReadSection).
#pragma once

#include "ini/line_source.h"
#include "log/section_buffer.h"

namespace tarn {

class Log;

// Reads the next section of file into buffer: lines before a header are skipped, a header
// without "]" is warned about (10301, through log) and read all the same, blank lines are not
// counted. Returns false when the file holds no further section. Raises 9 for a 2049th entry
// line of one section, and whatever the line source raises.
bool ReadSection(SectionBuffer& buffer, LineSource& file, Log& log);

}  // namespace tarn
