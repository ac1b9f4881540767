#include "support/world.h"

#include <stdlib.h>
#ifdef _WIN32
#include <process.h>

#include <atomic>
#endif

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "support/memory_file_system.h"

namespace tarn::testing {

TempDir::TempDir() {
#ifdef _WIN32
  // No mkdtemp here: a name of our own, taken when the folder can be made under it.
  static std::atomic<unsigned> counter{0};
  const auto base = std::filesystem::temp_directory_path();
  for (unsigned tries = 0; tries < 1000; ++tries) {
    const auto path =
        base / ("tarn-test-" + std::to_string(_getpid()) + "-" + std::to_string(counter++));
    std::error_code ec;
    if (std::filesystem::create_directory(path, ec)) {
      path_ = path.string();
      return;
    }
  }
  throw std::runtime_error("no temporary folder could be made");
#else
  std::string pattern = (std::filesystem::temp_directory_path() / "tarn-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
#endif
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

void MarkFolder(std::string& text, const std::string& folder, const std::string& mark) {
  ReplaceAll(text, folder, mark);
#ifdef _WIN32
  for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark, at + 1)) {
    for (std::size_t i = at + mark.size();
         i < text.size() && std::string_view(" \r\n!\"'|").find(text[i]) == std::string_view::npos;
         ++i) {
      if (text[i] == '\\') text[i] = '/';
    }
  }
#endif
}

std::string ToCrLf(std::string text) {
  ReplaceAll(text, "\n", "\r\n");
  return text;
}

std::string FromCrLf(std::string text) {
  ReplaceAll(text, "\r\n", "\n");
  return text;
}

std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(FromCrLf(text));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void WriteWorld(const std::string& folder, const Files& files) {
  for (const auto& [path, text] : files) {
    const std::filesystem::path full = std::filesystem::path(folder) / path;
    std::filesystem::create_directories(full.parent_path());
    WriteFile(full.string(), ToCrLf(text));
  }
}

void WriteWorld(MemoryFileSystem& tree, const std::string& folder, const Files& files) {
  for (const auto& [path, text] : files) {
    const std::string full = folder + "/" + path;
    for (auto at = full.find('/', 1); at != std::string::npos; at = full.find('/', at + 1)) {
      tree.AddFolder(full.substr(0, at));
    }
    tree.SetFile(full, ToCrLf(text));
  }
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace tarn::testing
