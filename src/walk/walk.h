// The game data walk of "All": which files are read, in which order, with which area and
// reference. ProcessMainINI and DoSectionData walk the main configuration file; ReadOtherINIs
// and ReadINIFromValues discover the further files; ReadINIFile reads one file and hands each
// of its sections to the section handler.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "ini/line_source.h"
#include "log/section_buffer.h"
#include "model/keyed_collection.h"

namespace tarn {

class Database;
class FileSystem;
class FrontEnd;
class Log;
class RunStats;
class RunWatch;
class SectionHandler;
class StoredValues;
class UserSettings;

// The identifiers of the entry rules whose stored values name further files, in the order
// "All" follows them.
inline constexpr std::int16_t kReferenceEntryIds[] = {74,   101,  871,  877,  879,  64, 824,
                                                      1034, 1040, 1055, 1107, 1169, 872};

// The main configuration file and the data folder, below the game folder.
inline constexpr std::string_view kMainFile = "/EXE/kestrovar.ini";
inline constexpr std::string_view kDataFolder = "/DATA/";

// The paths of the files handed to ReadINIFile, keyed by path in any letter case.
using ParsedFiles = KeyedCollection<std::string>;

// What a walk reads with and reports to; every part must outlive the walk.
struct WalkContext {
  const UserSettings& settings;  // the game folder, read when a path is made
  FileSystem& files;
  Log& log;
  FrontEnd& front_end;  // its events are processed after every section
  RunStats* stats = nullptr;
  ReadLimits limits = {};     // how large a file and a line may be
  RunWatch* watch = nullptr;  // told of every file and section; may end the run between files
};

class Walk {
 public:
  // handler gets every section read; values answers the value queries; settings_db holds
  // _bc_OtherINI; parsed_files is the list of files already read, which lives from one rule
  // loading to the next (null before the first: the walk then ends at its first data file).
  Walk(const WalkContext& context, SectionHandler& handler, StoredValues& values,
       Database& settings_db, ParsedFiles* parsed_files);
  ~Walk();
  Walk(const Walk&) = delete;
  Walk& operator=(const Walk&) = delete;

  // The walk of "All": the main configuration file, the files of _bc_OtherINI, then the
  // files named by the stored values of each reference entry rule in kReferenceEntryIds.
  void RunAll();

  // Walks the main configuration file. A main file that cannot be opened is reported and the
  // run goes on; an error while walking it ends the walk (two "ERR : File" lines) but not the
  // run.
  void ProcessMainINI();

  // Reads the data file of every known key of one [Data] section. An error no file reader
  // handled is reported under "DoSectionData" and ends the program.
  void DoSectionData(const SectionBuffer& buffer);

  // Reads the files listed in the settings database's _bc_OtherINI ("ReadOtherINIs" ends the
  // program on an error).
  void ReadOtherINIs();

  // Reads the files named by the stored values of the entry rule entry_id
  // ("ReadINIFromValues" ends the program on an error).
  void ReadINIFromValues(std::int16_t entry_id);

  // Logs the path, adds it to the list of files already read and reads the file section by
  // section, letting the front end process its events after each. A file that cannot be
  // opened is warned about at the place that named it (reference, 10306); a file read before
  // (letter case aside) is skipped with "Already parsed. Skipped."; any other error is
  // reported under "ReadINIFile" and ends the program. When a stop has been asked for, the
  // watch ends the run once the file is done with (RunCancelled).
  void ReadINIFile(const std::string& area, const std::string& path,
                   const FileReference& reference);

  // False once the main configuration file could not be opened: the run then read none of
  // the files it names.
  bool MainFileRead() const { return main_file_read_; }

  // The game folder, then fixed (for example "/DATA/"), then relative with every "\" turned
  // into "/".
  std::string GamePath(std::string_view fixed, std::string_view relative = {}) const;

 private:
  // ReadINIFile without the watch's last word.
  void ReadFile(const std::string& area, const std::string& path, const FileReference& reference);

  WalkContext context_;
  SectionHandler& handler_;
  StoredValues& values_;
  Database& settings_db_;
  ParsedFiles* parsed_files_;
  bool main_file_read_ = true;
  // One buffer of 2048 lines serves every section of every file.
  std::unique_ptr<SectionBuffer> buffer_;
};

}  // namespace tarn
