// One of the game's resource DLLs, opened for reading its resources and never for running its
// code: the file is mapped read-only and read as a PE file (layout in dll/pe_format.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tarn {

class FileSystem;
class MappedFile;

// The strings of an image's string tables: id and text (UTF-8), in ascending id order.
using ResourceStrings = std::vector<std::pair<std::uint32_t, std::string>>;

// Owns the read-only mapping of one DLL file. The mapping lasts from a successful SetFileName
// to the next SetFileName or the object's end, and is unmapped exactly once; the object can be
// neither copied nor moved, so no second owner of it can arise.
//
// A file changed by someone else while it is mapped is seen as changed: the reader checks
// every field again on each call, so changed bytes only change the answer. A file cut shorter
// while mapped cannot be guarded against (reading the lost pages stops the program); the
// game's DLLs are not written while TARN runs.
class LoadedLibrary {
 public:
  // files maps the DLLs; it must outlive the object.
  explicit LoadedLibrary(FileSystem& files);
  ~LoadedLibrary();
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  // Releases whatever is held, stores the name and, unless it is empty, maps the file and
  // checks that it starts with the headers of a PE file. The path's bytes go to the system
  // as they are.
  //
  // Raises kErrLibraryLoadFailed with the source "TARN.cLibrary" when the file cannot be
  // used; the description is the system's message for the cause: that of the failed open,
  // status or mapping ("No such file or directory", "Permission denied", "Is a directory"),
  // or "Exec format error" for a file that is not a PE file. After a failure the name stays
  // set and ModuleHandle() is 0.
  void SetFileName(std::string file_name);
  // The path last assigned; empty before the first and after the empty text.
  const std::string& FileName() const { return file_name_; }

  // The address of the mapping while a file is loaded, 0 otherwise. It only tells loaded from
  // not loaded (and one load from another while both exist); it is not a Windows module handle.
  std::uintptr_t ModuleHandle() const;

  // Every string of the loaded file's string tables (see pe::ImageStrings). Raises 91 when
  // nothing is loaded.
  ResourceStrings Strings() const;

 private:
  // Unmaps the file if one is mapped; empties the name and the handle.
  void ReleaseModule();

  FileSystem& files_;
  std::string file_name_;
  std::unique_ptr<MappedFile> mapping_;  // null when nothing is loaded
};

// The reader over the bytes of a whole file, for LoadedLibrary and for fuzzing. Whatever the bytes
// say, it reads nothing outside image and never fails: a part that points outside the image
// or outside its section is skipped.
namespace pe {

// True when image starts with the headers of a PE file: the DOS header with "MZ", the
// signature "PE\0\0" where that header points, a COFF file header, an optional header whose
// magic is PE32 or PE32+, and a section table, all within image.
bool IsImage(std::span<const std::uint8_t> image);

// The strings of the image's string tables (resource type 6), each block read from the first
// language stored for it. Strings of length 0 are ids the block does not define and are left
// out; invalid UTF-16 (an unpaired surrogate) becomes U+FFFD. Blocks 0 and above 4096 (no
// 16-bit id reaches them) and every block stored a second time under the same id are
// skipped. Each byte of the image is read as (part of) one string at most: a string any byte
// of which a string of a lower id was read from is left out, so that blocks sharing their
// data, whole or in part, cannot make more text than the image holds (at most 2.5 bytes of
// "id<TAB>text<LF>" per byte). A block whose data ends inside a string yields the strings
// before it. Empty when image is not a PE file or has no string tables.
ResourceStrings ImageStrings(std::span<const std::uint8_t> image);

}  // namespace pe

}  // namespace tarn
