// The machine's file system with a step run once, when a file whose path holds `at` is first
// opened: where a test stops or holds a command as it reads, as a user's "Cancel" would come.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "platform/file_system.h"

namespace tarn::testing {

class SteppingFiles : public RealFileSystem {
 public:
  std::unique_ptr<InputFile> OpenForReading(const std::string& path) override {
    if (step && path.find(at) != std::string::npos) std::exchange(step, nullptr)();
    return RealFileSystem::OpenForReading(path);
  }
  std::string at;  // empty: the first file opened
  std::function<void()> step;
};

}  // namespace tarn::testing
