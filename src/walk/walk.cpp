#include "walk/walk.h"

#ifdef _WIN32
#include "platform/codepage.h"
#endif

#include <algorithm>

#include "datadb/database.h"
#include "ini/line_source.h"
#include "ini/section_reader.h"
#include "log/front_end.h"
#include "log/log.h"
#include "log/run_stats.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/user_settings.h"
#include "platform/version.h"
#include "walk/run_watch.h"
#include "walk/section_handler.h"
#include "walk/stored_values.h"

namespace tarn {

namespace {

constexpr std::string_view kUniverseFolder = "/Data/Universe/";
// The star systems are named relative to the universe folder.
constexpr std::int16_t kSystemFileId = 74;

// The [Data] keys whose files are read; letter case counts.
constexpr std::string_view kDataKeys[] = {
    "solar",      "universe", "constants", "fonts",       "sounds",        "voices",
    "explosions", "debris",   "asteroids", "equipment",   "ships",         "goods",
    "loadouts",   "costumes", "PetalDB",   "effects",     "effect_shapes", "fuses",
    "groups",     "stars",    "markets",   "WeaponModDB",
};

bool IsDataKey(std::string_view key) {
  return std::find(std::begin(kDataKeys), std::end(kDataKeys), key) != std::end(kDataKeys);
}

std::int16_t ToInt16(std::int64_t value) {
  if (value < INT16_MIN || value > INT16_MAX) RaisePlatformError(kErrOverflow);
  return static_cast<std::int16_t>(value);
}

std::int32_t ToInt32(std::int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) RaisePlatformError(kErrOverflow);
  return static_cast<std::int32_t>(value);
}

// Reads the next section under the reading phase of the run's figures.
bool ReadNextSection(SectionBuffer& buffer, LineSource& file, Log& log, RunStats* stats) {
  StatsScope measure(stats, RunStats::kReading);
  return ReadSection(buffer, file, log);
}

}  // namespace

Walk::Walk(const WalkContext& context, SectionHandler& handler, StoredValues& values,
           Database& settings_db, ParsedFiles* parsed_files)
    : context_(context),
      handler_(handler),
      values_(values),
      settings_db_(settings_db),
      parsed_files_(parsed_files),
      buffer_(std::make_unique<SectionBuffer>()) {}

Walk::~Walk() = default;

std::string Walk::GamePath(std::string_view fixed, std::string_view relative) const {
#ifdef _WIN32
  // As Windows writes it, in the game's code page: the form tarn.log names files in, and the
  // one the file system takes game paths in.
  std::string path = Utf8ToCp1252(context_.settings.KVPath());
  path.append(fixed);
  path.append(relative);
  std::replace(path.begin(), path.end(), '/', '\\');
#else
  std::string path = context_.settings.KVPath();
  path.append(fixed);
  const std::size_t start = path.size();
  path.append(relative);
  std::replace(path.begin() + static_cast<std::ptrdiff_t>(start), path.end(), '\\', '/');
#endif
  return path;
}

void Walk::RunAll() {
  // Each run sees the game folder as it is now.
  context_.files.ForgetListings();
  ProcessMainINI();
  ReadOtherINIs();
  for (std::int16_t id : kReferenceEntryIds) ReadINIFromValues(id);
}

void Walk::ReadINIFile(const std::string& area, const std::string& path,
                       const FileReference& reference) {
  ReadFile(area, path, reference);
  // Between two files nothing is half read: a stop asked for meanwhile ends the run here.
  if (context_.watch != nullptr) context_.watch->FileDone(path);
}

void Walk::ReadFile(const std::string& area, const std::string& path,
                    const FileReference& reference) {
  Log& log = context_.log;
  try {
    log.WriteLog("    Processing " + path);
    // Before the first "Init DB" there is no list: the run ends here, at its first file.
    if (parsed_files_ == nullptr) RaisePlatformError(kErrObjectNotSet);
    // The path counts as read before the file is opened, so a missing file is named once.
    parsed_files_->Add(std::make_unique<std::string>(path), path);
    LineSource file(context_.files, log, context_.limits, &handler_);
    {
      StatsScope measure(context_.stats, RunStats::kReading);
      file.SetFileName(path);
    }
    handler_.BeginFile(area, path, file.IsBinary());
    if (context_.watch != nullptr) context_.watch->FileOpened(path);
    while (ReadNextSection(*buffer_, file, log, context_.stats)) {
      handler_.HandleSection(area, *buffer_);
      if (context_.watch != nullptr) context_.watch->SectionDone();
      context_.front_end.ProcessEvents();
    }
  } catch (const TarnError& error) {
    switch (error.Number()) {
      case kErrPathNotFound:
      case kErrFileNotFound: {
        // A file refused (outside the game folder, a FIFO, ...) says why after the text of a
        // missing one.
        const std::string plain = PlatformErrorText(error.Number());
        const std::string& said = error.Description();
        log.WarnReference(reference, kErrCouldNotOpenReferredFile, path,
                          said.size() > plain.size() + 2 ? said.substr(plain.size() + 2) : "");
        return;
      }
      case kErrFileTooLarge:
      case kErrLineTooLong:
        if (const auto* limit = dynamic_cast<const LimitError*>(&error)) {
          log.WarnFile(path, limit->Line(), limit->Number(), limit->Limit(), limit->Found());
          return;
        }
        break;
      case kErrDuplicateKey:
        log.WriteLog("Already parsed. Skipped.");
        return;
      default:
        break;
    }
    if (handler_.GoOnAfter(error, path)) return;
    log.ReportError(error, "ReadINIFile");
    EndProgram();
  }
}

void Walk::DoSectionData(const SectionBuffer& buffer) {
  Log& log = context_.log;
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
        log.WarnSectionLine(buffer, kErrEntryWithNoValue, index);
        continue;
      }
      reference.RefLine = buffer.HeaderLine + index;
      reference.RefEntry = key;
      reference.RefValue = value;
      reference.RefIndex = index;
      reference.RefDiskFile = buffer.DiskFile;
      reference.RefEditorLine = buffer.EntryLines[index];
      if (IsDataKey(key)) {
        log.WriteLog("        Processing " + key + " " + value);
        ReadINIFile(key, GamePath(kDataFolder, value), reference);
      } else {
        log.WriteLog("        NOT Processing (in TARN v " + VersionText() + ") " + key + " " +
                     value);
      }
    }
  } catch (const TarnError& error) {
    log.ReportError(error, "DoSectionData");
    log.WarnSectionLine(buffer, kErrSectionUnknownError, index);
    EndProgram();
  }
}

void Walk::ProcessMainINI() {
  Log& log = context_.log;
  const std::string path = GamePath(kMainFile);
  log.WriteLog("Processing " + path);
  // No rule checks the main file's sections, so none judges its flag lines either.
  LineSource file(context_.files, log, context_.limits);
  try {
    StatsScope measure(context_.stats, RunStats::kReading);
    file.SetFileName(path);
  } catch (const TarnError& error) {
    main_file_read_ = false;
    log.ReportError(error, "Unable to open " + path);
    log.WriteLog("Done Processing " + path);
    return;
  }
  try {
    // Its own buffer: the [Data] section stays in it while the files it names are read.
    auto buffer = std::make_unique<SectionBuffer>();
    while (ReadNextSection(*buffer, file, log, context_.stats)) {
      if (buffer->Name == "Resources") {
        log.WriteLog("     NOT Processing (in TARN v " + VersionText() + ") section [Resources]");
      } else if (buffer->Name == "Data") {
        log.WriteLog("    Processing Section [Data]");
        DoSectionData(*buffer);
      } else {
        log.WriteLog("    NOT Processing (by design) section [" + buffer->Name + "]");
      }
    }
    log.WriteLog("Done Processing " + path);
  } catch (const TarnError& error) {
    log.WriteLog("ERR : File " + file.FileName() + " line " + std::to_string(file.LineNum()));
    log.WriteLog("      " + std::to_string(error.Number()) + " -- " + error.Description() + " -- " +
                 error.Source());
  }
}

void Walk::ReadOtherINIs() {
  Log& log = context_.log;
  try {
    log.WriteLog("\r\n\r\nReading files for other INIs");
    Statement rows = settings_db_.Prepare("SELECT * FROM _bc_OtherINI");
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
    log.WriteLog("Done Reading files for other INIs");
  } catch (const TarnError& error) {
    log.ReportError(error, "ReadOtherINIs");
    EndProgram();
  }
}

void Walk::ReadINIFromValues(std::int16_t entry_id) {
  Log& log = context_.log;
  const std::string id = std::to_string(entry_id);
  try {
    log.WriteLog("\r\n\r\nReading files for value ID " + id);
    std::unique_ptr<StoredValues::Cursor> rows = values_.Query(entry_id);
    const std::string_view base = entry_id == kSystemFileId ? kUniverseFolder : kDataFolder;

    FileReference reference;
    std::string first_area;
    bool first = true;
    StoredValueRow row;
    while (rows->Next(row)) {
      if (first) {
        first = false;
        first_area = row.area;
        reference.RefSection = row.section;
        reference.RefEntry = row.entry;
        log.WriteLog("\r\n\r\nReading files for value ID " + id + " " + first_area + ", " +
                     reference.RefSection + ", " + reference.RefEntry);
      }
      // An entry stored without a value names no file.
      if (!row.value) continue;
      reference.RefFile = row.file;
      reference.RefLine = ToInt32(row.entry_line);
      reference.RefValue = *row.value;
      reference.RefIndex = ToInt16(row.entry_line - row.section_line);
      reference.RefDiskFile = row.disk_file;
      reference.RefEditorLine = row.editor_line;
      ReadINIFile(row.area, GamePath(base, reference.RefValue), reference);
    }
    log.WriteLog("Done Reading files for value ID " + id + " " + first_area + ", " +
                 reference.RefSection + ", " + reference.RefEntry);
  } catch (const TarnError& error) {
    log.ReportError(error, "ReadINIFromValues");
    EndProgram();
  }
}

}  // namespace tarn
