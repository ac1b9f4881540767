#include "walk/main_walk.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "ini/ini_file.h"
#include "ini/line_source.h"
#include "ini/section_reader.h"
#include "shell/error.h"
#include "shell/front_end.h"
#include "shell/log.h"
#include "shell/version.h"
#include "walk/game_path.h"

namespace tarn {

namespace {

constexpr std::string_view kMainFile = "/EXE/kestrovar.ini";
constexpr std::string_view kDataFolder = "/DATA/";

// The [Data] keys whose files are read; letter case counts.
constexpr std::string_view kDataKeys[] = {
    "solar",     "universe", "constants", "fonts",   "sounds",   "voices",
    "explosions", "debris",  "asteroids", "equipment", "ships",  "goods",
    "loadouts",  "costumes", "PetalDB",   "effects", "effect_shapes", "fuses",
    "groups",    "stars",    "markets",   "WeaponModDB",
};

bool IsDataKey(std::string_view key) {
  return std::find(std::begin(kDataKeys), std::end(kDataKeys), key) != std::end(kDataKeys);
}

}  // namespace

void DoSectionData(const SectionBuffer& buffer) {
  FileReference reference;
  reference.RefFile = GamePath(kMainFile);
  reference.RefSection = "Data";
  std::int16_t index = 1;
  try {
    for (index = 1; index <= buffer.EntryCount; ++index) {
      const std::string& key = buffer.EntryNames[index];
      const std::string& value = buffer.EntryValues[index];
      // "bases" names no single file: an empty value is what the game expects there.
      if (value.empty() && key != "bases") {
        WarnSectionLine(buffer, kErrEntryWithNoValue, index);
        continue;
      }
      reference.RefLine = buffer.HeaderLine + index;
      reference.RefEntry = key;
      reference.RefValue = value;
      reference.RefIndex = index;
      if (IsDataKey(key)) {
        WriteLog("        Processing " + key + " " + value);
        ReadINIFile(key, GamePath(kDataFolder, value), reference);
      } else {
        WriteLog("        NOT Processing (in TARN v " + VersionText() + ") " + key + " " + value);
      }
    }
  } catch (const TarnError& error) {
    ReportError(error, "DoSectionData");
    WarnSectionLine(buffer, kErrSectionUnknownError, index);
    EndProgram();
  }
}

void ProcessMainINI() {
  const std::string path = GamePath(kMainFile);
  WriteLog("Processing " + path);
  cFile file;
  try {
    file.SetFileName(path);
  } catch (const TarnError& error) {
    ReportError(error, "Unable to open " + path);
    WriteLog("Done Processing " + path);
    return;
  }
  try {
    auto buffer = std::make_unique<SectionBuffer>();
    while (ReadSection(*buffer, file)) {
      if (buffer->Name == "Resources") {
        WriteLog("     NOT Processing (in TARN v " + VersionText() + ") section [Resources]");
      } else if (buffer->Name == "Data") {
        WriteLog("    Processing Section [Data]");
        DoSectionData(*buffer);
      } else {
        WriteLog("    NOT Processing (by design) section [" + buffer->Name + "]");
      }
    }
    WriteLog("Done Processing " + path);
  } catch (const TarnError& error) {
    WriteLog("ERR : File " + file.FileName() + " line " + std::to_string(file.LineNum()));
    WriteLog("      " + std::to_string(error.Number()) + " -- " + error.Description() + " -- " +
             error.Source());
  }
}

}  // namespace tarn
