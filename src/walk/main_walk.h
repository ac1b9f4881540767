// The walk over the game's main configuration file.
#pragma once

namespace tarn {

// Reads EXE/kestrovar.ini under the game folder and every data file its [Data] names.
void ProcessMainINI();

}  // namespace tarn
