// The program-wide objects. Each is set up by the Part of the program that owns it and
// read by the others; nothing else in the program is global.
#pragma once

#include <memory>

namespace tarn {

class cSettings;
class FileSystem;
class FrontEnd;

// The one settings object; created by the front end at start-up.
extern std::unique_ptr<cSettings> gSettings;

// The front end's view of the main window: its log box, message box and event pump.
extern FrontEnd* frmMain;

// The file access of the log writer and the readers; the machine's own by default.
extern FileSystem* gFiles;

}  // namespace tarn
