// Discovery of the INI files that the main configuration does not name.
#pragma once

#include <cstdint>

namespace tarn {

// Reads the files listed in the settings database's _bc_OtherINI.
void ReadOtherINIs();

// Reads the files named by the stored values of the entry rule entry_id.
void ReadINIFromValues(std::int16_t entry_id);

}  // namespace tarn
