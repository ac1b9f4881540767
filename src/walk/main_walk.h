// The walk over the game's main configuration file, EXE/kestrovar.ini: every data file its
// [Data] sections name is read with the key as its area. The main file itself is walked,
// not checked against rules and not stored.
#pragma once

#include "shell/section_buffer.h"

namespace tarn {

// Walks the main configuration file. A main file that cannot be opened is reported and the
// run goes on; an error while walking it ends the walk (two "ERR : File" lines) but not the
// run.
void ProcessMainINI();

// Reads the data file of every known key of one [Data] section. An error no file reader
// handled is reported under "DoSectionData" and ends the program.
void DoSectionData(const SectionBuffer& buffer);

}  // namespace tarn
