// The program-wide objects. Each is set up by the Part of the program that owns it and
// read by the others; nothing else in the program is global.
#pragma once

#include <memory>
#include <string>

#include "model/keyed_collection.h"

namespace tarn {

class cSection;
class cSettings;
class DataDB;
class EntriesCursor;
class FileSystem;
class FrontEnd;
class SectionsCursor;
class ValuesCursor;

// The one settings object; created by the front end at start-up.
extern std::unique_ptr<cSettings> gSettings;

// The front end's view of the main window: its log box, message box and event pump.
extern FrontEnd* frmMain;

// The file access of the log writer and the readers; the machine's own by default.
extern FileSystem* gFiles;

// The open data database, from a successful "Init DB" until the next one or the end of the
// program; empty before and after a failed one.
extern std::unique_ptr<DataDB> dbData;

// The write cursors on the data database's three tables, opened when the rules are loaded.
// Storing while they are empty fails with error 91.
extern std::unique_ptr<SectionsCursor> rstSections;
extern std::unique_ptr<EntriesCursor> rstEntries;
extern std::unique_ptr<ValuesCursor> rstValues;

// The rule library: one section rule per known section, keyed by its name in any letter
// case. Empty before the first "Init DB"; rebuilt by every one.
extern std::unique_ptr<KeyedCollection<cSection>> colRules;

// The paths of the INI files read since the last "Init DB", keyed by path in any letter
// case.
extern std::unique_ptr<KeyedCollection<std::string>> colParsedFiles;

}  // namespace tarn
