// File access of the core, behind a small interface so that tests run the log, the reader
// and the walk over an in-memory tree with injected faults.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tarn {

// What a file is, whatever path leads to it: two paths name the same file exactly when
// their identities are equal (the device and the inode on POSIX systems).
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// One file of a folder written whole by FileSystem::ReplaceFolder: a plain name, no '/'.
struct FolderFile {
  std::string name;
  std::string data;
};

// A file open for reading, read front to back in blocks.
class InputFile {
 public:
  virtual ~InputFile() = default;
  // Reads up to size bytes into buffer; returns how many, 0 at the end of the file. Raises
  // TarnError 75 when the file cannot be read.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;

  // The file's path as found on disk, in its own letter case (the path asked for differs
  // from it only in letter case); empty when the file system cannot tell.
  virtual std::string DiskPath() const { return {}; }

  // The file's size in bytes when it was opened; -1 when the file system cannot tell.
  virtual std::int64_t Size() const { return -1; }

  // The identity of the file actually opened (not of whatever its path names now);
  // nullopt when the file system cannot tell.
  virtual std::optional<FileIdentity> Identity() const { return std::nullopt; }
};

// A whole file mapped read-only into memory, for readers that jump about in it (the DLL
// reader); the bytes stay valid while the object lives and are released with it. Someone
// else may change the file meanwhile: readers check what they read on every use.
class MappedFile {
 public:
  virtual ~MappedFile() = default;
  virtual std::span<const std::uint8_t> Bytes() const = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens a game file for reading. The game names its files without regard to letter case;
  // a path that does not exist as written is resolved folder by folder, letter case
  // ignored. Raises TarnError 76 when a folder on the way is missing, 53 when the file is
  // (or cannot be read as a file: a folder, a FIFO, a device, or a file outside the folder
  // the file system is confined to; the description then says which).
  virtual std::unique_ptr<InputFile> OpenForReading(const std::string& path) = 0;

  // From now on, game files must lie inside folder (after "..", "." and links are resolved):
  // others are refused, and so are files reached through a link that leads out of it unless
  // follow_links. An empty folder lifts the confinement.
  virtual void Confine(const std::string& folder, bool follow_links) {
    (void)folder;
    (void)follow_links;
  }

  // Forgets what it learnt about folders while resolving letter case; called at the start
  // of every analysis run, so that a run sees the game folder as it is then.
  virtual void ForgetListings() {}

  // Appends data to the file at path, creating the file when it is missing. Raises
  // TarnError 76 when the folder does not exist, 75 when the file cannot be opened or
  // written (locked, read-only, a folder of that name, a link: the log is never written
  // through one).
  virtual void AppendToFile(const std::string& path, std::string_view data) = 0;

  // Deletes the file at path. Raises TarnError 53 when there is none, 75 when it cannot
  // be deleted.
  virtual void RemoveFile(const std::string& path) = 0;

  // True when path names an existing regular file.
  virtual bool FileExists(const std::string& path) = 0;

  // Makes data the whole content of the file at path, or leaves the file as it was: a
  // regular (or missing) file is replaced by writing beside it (".NAME.tarn-PID.tmp"),
  // flushing that to disk and renaming it over path, so that a kill at any moment leaves
  // the previous file intact or the new one complete. A link is followed and its target
  // replaced; a FIFO or a device is written directly. Temporary files that runs which are
  // gone left in that folder are removed first (see IsLeftover). Raises TarnError 76 when
  // the folder is missing, 75 when the file cannot be written (a folder of that name, no
  // room, no permission; the system's reason appended).
  virtual void WriteWholeFile(const std::string& path, std::string_view data) = 0;

  // Makes the folder at path hold exactly files, or leaves it as it was: a new folder is
  // filled beside it (".NAME.tarn-PID.new"), flushed, and exchanged with the old one, which
  // is then removed; where the system cannot exchange two folders in one step, the old one
  // is first moved aside (".NAME.tarn-PID.old"). A missing path is created; its parent must
  // exist. Leftover folders of runs that are gone are removed first. Callers decide whether
  // path may be replaced at all. Raises 76 when the parent is missing, 75 otherwise.
  virtual void ReplaceFolder(const std::string& path, const std::vector<FolderFile>& files) = 0;

  // The identity of what path names, a link followed; nullopt when nothing is there.
  virtual std::optional<FileIdentity> IdentityOf(const std::string& path) = 0;

  // True when path names a folder (a link to one included).
  virtual bool FolderExists(const std::string& path) = 0;

  // The names in the folder at path (not "." and ".."), in byte order. Raises 76 when it is
  // missing or cannot be read.
  virtual std::vector<std::string> ListFolder(const std::string& path) = 0;

  // The whole content of an input the user named (a file to convert, a baseline), never
  // waiting on what no process writes: a regular file, or a pipe or FIFO read until its last
  // writer closes it (one that no process holds open gives "" at once). A folder, a device or
  // a socket is refused without being read. Raises LimitError kErrFileTooLarge (found: the
  // size, or max_bytes + 1 for a pipe) when there are more than max_bytes; TarnError 53
  // (description "cannot be opened: " and the system's reason) when it is missing, 75 when it
  // is refused ("is a folder, not a file"; "a device", "a socket" likewise) or cannot be read.
  virtual std::string ReadWholeInput(const std::string& path, std::int64_t max_bytes) = 0;

  // Makes the folder at path and the folders above it that are missing; nothing when it
  // exists. Raises 75 when one cannot be made (something else of that name, no permission;
  // the system's reason appended).
  virtual void MakeFolder(const std::string& path) = 0;

  // A new, empty folder of the caller's own in the system's temporary folder, for work the
  // user never sees (a home to check in); the caller removes it with RemoveScratchFolder.
  // Raises 75 when none can be made (also where the file system has no such place).
  virtual std::string MakeScratchFolder();
  // Removes a folder MakeScratchFolder made, with everything in it; never raises.
  virtual void RemoveScratchFolder(const std::string& /*path*/) {}

  // Maps the regular file at path whole and read-only (an empty file gives no bytes); the
  // path's bytes go to the system as they are. Raises TarnError 75 whose description is the
  // system's message for the cause alone: that of the failed open or mapping ("No such file
  // or directory", "Permission denied"), "Is a directory" for a folder, and "Exec format
  // error" for what holds no file's bytes (a FIFO, a device); "Function not implemented"
  // where the file system has no mapping.
  virtual std::unique_ptr<MappedFile> MapForReading(const std::string& path);

  // The folder of the running program, which stands for TARN's home unless the user names
  // another; "." when the system does not tell (and in file systems without programs).
  virtual std::string ExecutableFolder() { return "."; }

  // A path the user gave (UTF-8, as folders are given) made absolute against the current
  // folder, "." and ".." taken out by their text alone (links are not followed), "/" between
  // folders and a trailing "/" kept: what reports name a folder by. Reads no file and never
  // raises; where the current folder cannot be told, the path is taken against the root, as
  // file systems without a current folder (the in-memory one) always take it.
  virtual std::string AbsolutePath(const std::string& path);
};

// The machine's own file system.
class RealFileSystem : public FileSystem {
 public:
  std::unique_ptr<InputFile> OpenForReading(const std::string& path) override;
  void Confine(const std::string& folder, bool follow_links) override;
  void ForgetListings() override { listings_.clear(); }
  void AppendToFile(const std::string& path, std::string_view data) override;
  void RemoveFile(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  void WriteWholeFile(const std::string& path, std::string_view data) override;
  void ReplaceFolder(const std::string& path, const std::vector<FolderFile>& files) override;
  std::optional<FileIdentity> IdentityOf(const std::string& path) override;
  bool FolderExists(const std::string& path) override;
  std::vector<std::string> ListFolder(const std::string& path) override;
  std::string ReadWholeInput(const std::string& path, std::int64_t max_bytes) override;
  void MakeFolder(const std::string& path) override;
  std::string MakeScratchFolder() override;
  void RemoveScratchFolder(const std::string& path) override;
  std::unique_ptr<MappedFile> MapForReading(const std::string& path) override;
  std::string ExecutableFolder() override;
  std::string AbsolutePath(const std::string& path) override;

  // The steps of a whole-file write, for tests that end a writer between any two of them.
  enum class WriteStep { kTemporaryMade, kPartWritten, kAllWritten, kFlushed, kRenamed };
  // hook (empty: none) is called at each step of WriteWholeFile and ReplaceFolder's files;
  // kPartWritten after each block of at most 1 MiB.
  void SetWriteStepHook(std::function<void(WriteStep)> hook) { write_step_ = std::move(hook); }

  // The path as it exists on disk: each component that does not exist as written is
  // replaced by the first entry of its folder, in byte order, that matches it with ASCII
  // letter case ignored. Raises 76 for a missing folder, 53 for a missing last component.
  std::string ResolveLetterCase(const std::string& path);

 private:
  // The sorted entry names of a folder, read once per run.
  const std::vector<std::string>& Listing(const std::string& folder);

  // Refuses (raises 53 with the reason) a file that a link leads out of the confining folder.
  void CheckConfined(const std::string& disk_path) const;
  // The same for the file open at fd (opened as disk_path, with the identity opened), on
  // where the descriptor leads rather than on where the path leads now.
  void CheckOpenedConfined(int fd, const std::string& disk_path, FileIdentity opened) const;

  void Step(WriteStep step) const {
    if (write_step_) write_step_(step);
  }
  // Writes data into a new file at path (which must not exist) and flushes it to disk.
  void WriteNewFile(const std::string& path, std::string_view data) const;

  std::unordered_map<std::string, std::vector<std::string>> listings_;
  std::function<void(WriteStep)> write_step_;
  std::string confined_as_given_;  // the folder as given, "." and ".." taken out
  std::string confined_real_;      // the same with every link resolved
  bool follow_links_ = false;
};

// The folder of path and its last component: ".", path when it names no folder; "/" for a
// name in the root.
std::pair<std::string, std::string> FolderAndName(const std::string& path);

// Joins a folder and a name with "/"; an empty folder gives the name alone, so that an
// unset folder means the current one rather than the root.
std::string JoinPath(std::string_view folder, std::string_view name);

// True when name (an entry of a folder) is a temporary file or folder that WriteWholeFile or
// ReplaceFolder made, for a process that is no longer alive or more than a day before now
// (modified at modified_seconds, seconds since the epoch): what the next write there removes.
bool IsLeftover(std::string_view name, std::int64_t modified_seconds);

// Whether the process pid has ended (never for this one): the one question of IsLeftover that
// each system answers in its own way.
bool ProcessHasEnded(std::uint64_t pid);

// How a file system answers the questions of letter-case resolution about one of its paths.
struct LetterCaseLookup {
  std::function<bool(const std::string&)> exists;
  std::function<const std::vector<std::string>&(const std::string&)> sorted_listing;
  std::function<bool(const std::string&)> is_folder;
};

// path ("/" between folders) as it exists: each component that does not exist as written is
// replaced by the first name of its folder's sorted listing that matches it with ASCII letter
// case ignored; "." and ".." are kept as written. Raises 76 for a missing folder on the way,
// 53 for a missing last component. The one rule the machine's file system and the in-memory
// one of the tests both follow.
std::string ResolveLetterCaseWith(const std::string& path, const LetterCaseLookup& lookup);

// The temporary name beside path's last component for this process: ".NAME.tarn-PID.KIND".
std::string TemporaryBeside(const std::string& path, std::string_view kind);

// Error 75, "Path/File access error", with the system's reason appended.
inline constexpr int kErrPathFileAccess = 75;

}  // namespace tarn
