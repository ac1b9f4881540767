#include "lsp/overlay_file_system.h"

#include <algorithm>
#include <cstring>

#include "platform/ascii_case.h"
#include "platform/error.h"

namespace tarn {

namespace {

class BufferFile : public InputFile {
 public:
  BufferFile(std::shared_ptr<const std::string> text, std::string path)
      : text_(std::move(text)), path_(std::move(path)) {}
  std::size_t Read(char* buffer, std::size_t size) override {
    const std::size_t n = std::min(size, text_->size() - at_);
    std::memcpy(buffer, text_->data() + at_, n);
    at_ += n;
    return n;
  }
  std::string DiskPath() const override { return path_; }
  std::int64_t Size() const override { return static_cast<std::int64_t>(text_->size()); }

 private:
  // Shared, so that an edit while a check reads leaves the check its own text.
  std::shared_ptr<const std::string> text_;
  std::string path_;
  std::size_t at_ = 0;
};

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '/' || c == '\\';
#else
  return c == '/';
#endif
}

}  // namespace

std::string WithoutTrailingSeparator(std::string path) {
  // "c:\" names the drive's root; "c:" would name its current folder.
  while (path.size() > 1 && IsSeparator(path.back()) && path[path.size() - 2] != ':') {
    path.pop_back();
  }
  return path;
}

std::string PathKey(std::string_view path) {
  std::string key = AsciiLowered(path);
#ifdef _WIN32
  std::replace(key.begin(), key.end(), '/', '\\');
#endif
  return key;
}

std::optional<std::string> BelowFolder(const std::string& path, const std::string& folder) {
  const std::string base = WithoutTrailingSeparator(folder);
  if (base.empty() || path.size() < base.size()) return std::nullopt;
  if (PathKey(std::string_view(path).substr(0, base.size())) != PathKey(base)) return std::nullopt;
  if (path.size() == base.size()) return std::string();
  const bool root = IsSeparator(base.back());
  if (!root && !IsSeparator(path[base.size()])) return std::nullopt;
  return path.substr(root ? base.size() : base.size() + 1);
}

OverlayFileSystem::OverlayFileSystem(FileSystem& base, std::string game, std::string workspace)
    : base_(base),
      game_(WithoutTrailingSeparator(std::move(game))),
      workspace_(WithoutTrailingSeparator(std::move(workspace))) {}

void OverlayFileSystem::Hold(const std::string& path, std::string text) {
  buffers_[PathKey(path)] = std::make_shared<const std::string>(std::move(text));
}

void OverlayFileSystem::Forget(const std::string& path) { buffers_.erase(PathKey(path)); }

std::optional<std::string> OverlayFileSystem::ModPath(const std::string& path) const {
  if (workspace_.empty() || PathKey(workspace_) == PathKey(game_)) return std::nullopt;
  const auto below = BelowFolder(path, game_);
  if (!below || below->empty()) return std::nullopt;
  return JoinPath(workspace_, *below);
}

std::unique_ptr<InputFile> OverlayFileSystem::OpenForReading(const std::string& path) {
  const auto buffer = buffers_.find(PathKey(path));
  if (buffer != buffers_.end()) return std::make_unique<BufferFile>(buffer->second, path);
  if (const auto mod_path = ModPath(path)) {
    try {
      // Opened, not asked about first: the base resolves letter case only as it opens.
      return base_.OpenForReading(*mod_path);
    } catch (const TarnError&) {
      // The mod does not change this file: the game's own stands.
    }
  }
  return base_.OpenForReading(path);
}

void OverlayFileSystem::Confine(const std::string& folder, bool follow_links) {
  // The workspace lies outside the game folder by design; confining to the game would refuse
  // every file the mod shadows.
  if (!workspace_.empty() && !folder.empty()) return;
  base_.Confine(folder, follow_links);
}

bool OverlayFileSystem::FileExists(const std::string& path) {
  if (buffers_.count(PathKey(path)) != 0) return true;
  const auto mod_path = ModPath(path);
  return (mod_path && base_.FileExists(*mod_path)) || base_.FileExists(path);
}

}  // namespace tarn
