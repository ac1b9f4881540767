// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes.
#pragma once

#include <filesystem>
#include <string>

namespace tarn::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace tarn::testing
