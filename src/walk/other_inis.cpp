#include "walk/other_inis.h"

#include <string>

#include "datadb/data_tables.h"
#include "datadb/database.h"
#include "ini/ini_file.h"
#include "shell/error.h"
#include "shell/front_end.h"
#include "shell/globals.h"
#include "shell/log.h"
#include "shell/section_buffer.h"
#include "shell/settings.h"
#include "walk/game_path.h"

namespace tarn {

namespace {

constexpr std::string_view kDataFolder = "/DATA/";
constexpr std::string_view kUniverseFolder = "/Data/Universe/";
// The star systems are named relative to the universe folder.
constexpr std::int16_t kSystemFileId = 74;

// Every stored value of every stored entry of one rule, entries in the order they were
// stored. The data tables are seen through their links in the settings database.
std::string ValueQuery(std::int16_t entry_id) {
  return "SELECT Entries.DB_ID AS \"Entries.DB_ID\", Sections.Area AS Area, "
         "Sections.Section AS Section, Sections.File AS File, "
         "Sections.Line AS \"Sections.Line\", Entries.Entry AS Entry, "
         "Entries.Line AS \"Entries.Line\", [Values].Value AS Value "
         "FROM (Sections LEFT JOIN Entries ON Sections.DB_ID = Entries.Link) "
         "LEFT JOIN [Values] ON Entries.DB_ID = [Values].Link "
         "WHERE Entries.EntryID = " +
         std::to_string(entry_id) + " ORDER BY Entries.DB_ID, [Values].DB_ID";
}

std::int16_t ToInt16(std::int64_t value) {
  if (value < INT16_MIN || value > INT16_MAX) RaisePlatformError(kErrOverflow);
  return static_cast<std::int16_t>(value);
}

std::int32_t ToInt32(std::int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) RaisePlatformError(kErrOverflow);
  return static_cast<std::int32_t>(value);
}

}  // namespace

void ReadOtherINIs() {
  try {
    WriteLog("\r\n\r\nReading files for other INIs");
    Statement rows = gSettings->SettingsDB().Prepare("SELECT * FROM _bc_OtherINI");
    const int value = rows.ColumnIndex("Value");
    FileReference reference;
    reference.RefSection = "N/A";
    reference.RefEntry = "N/A";
    while (rows.Step()) {
      // A row without a file name names nothing to read.
      if (rows.IsNull(value)) continue;
      reference.RefFile = "N/A";
      reference.RefLine = 0;
      reference.RefValue = rows.Text(value);
      reference.RefIndex = 0;
      ReadINIFile("Hardcoded", GamePath(kDataFolder, reference.RefValue), reference);
    }
    WriteLog("Done Reading files for other INIs");
  } catch (const TarnError& error) {
    ReportError(error, "ReadOtherINIs");
    EndProgram();
  }
}

void ReadINIFromValues(std::int16_t entry_id) {
  const std::string id = std::to_string(entry_id);
  try {
    WriteLog("\r\n\r\nReading files for value ID " + id);
    // The query runs on the settings side, which sees only committed rows.
    if (dbData) dbData->Commit();
    Statement rows = gSettings->SettingsDB().Prepare(ValueQuery(entry_id));
    const int area = rows.ColumnIndex("Area");
    const int section = rows.ColumnIndex("Section");
    const int file = rows.ColumnIndex("File");
    const int entry = rows.ColumnIndex("Entry");
    const int value = rows.ColumnIndex("Value");
    const int entry_line = rows.ColumnIndex("Entries.Line");
    const int section_line = rows.ColumnIndex("Sections.Line");
    const std::string_view base = entry_id == kSystemFileId ? kUniverseFolder : kDataFolder;

    FileReference reference;
    std::string first_area;
    bool first = true;
    // The rows are a snapshot taken when the walk starts: files read on the way add rows
    // that this walk does not see, so it ends.
    while (rows.Step()) {
      if (first) {
        first = false;
        first_area = rows.Text(area);
        reference.RefSection = rows.Text(section);
        reference.RefEntry = rows.Text(entry);
        WriteLog("\r\n\r\nReading files for value ID " + id + " " + first_area + ", " +
                 reference.RefSection + ", " + reference.RefEntry);
      }
      // An entry stored without a value names no file.
      if (rows.IsNull(value)) continue;
      reference.RefFile = rows.Text(file);
      reference.RefLine = ToInt32(rows.Int(entry_line));
      reference.RefValue = rows.Text(value);
      reference.RefIndex = ToInt16(rows.Int(entry_line) - rows.Int(section_line));
      ReadINIFile(rows.Text(area), GamePath(base, reference.RefValue), reference);
    }
    WriteLog("Done Reading files for value ID " + id + " " + first_area + ", " +
             reference.RefSection + ", " + reference.RefEntry);
  } catch (const TarnError& error) {
    ReportError(error, "ReadINIFromValues");
    EndProgram();
  }
}

}  // namespace tarn
