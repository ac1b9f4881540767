// Temporary folders and the files of tests: small game worlds are given as texts with "\n"
// and written with CR LF, as the game's files end their lines.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tarn::testing {

class MemoryFileSystem;

// A fresh folder under the system's temporary folder, removed with all it holds at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  // name inside the folder, joined with "/", which the in-memory file system understands
  // on every system; what TARN itself joins, JoinPath gives.
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Path (relative to the world's folder) to text.
using Files = std::map<std::string, std::string>;

std::string ToCrLf(std::string text);
std::string FromCrLf(std::string text);
// The lines of text (a log, a program's output), CR LF or LF, without their ends.
std::vector<std::string> TextLines(const std::string& text);
void ReplaceAll(std::string& text, const std::string& from, const std::string& to);

// Replaces folder with mark (such as "<game>") in text. Expected texts are written with "/":
// on Windows, whose paths hold backslashes, the rest of each path after the mark is turned to
// "/" as well, up to a space, quote or line end, so that a value holding a backslash keeps it.
void MarkFolder(std::string& text, const std::string& folder, const std::string& mark);

// Writes each file under folder with CR LF line ends, making the folders on the way; into an
// in-memory tree, every folder on the way becomes known to it.
void WriteWorld(const std::string& folder, const Files& files);
void WriteWorld(MemoryFileSystem& tree, const std::string& folder, const Files& files);

// A file's bytes as they are; ReadFile gives "" for a file that cannot be read.
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

}  // namespace tarn::testing
