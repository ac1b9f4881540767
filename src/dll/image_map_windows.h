// Windows only: the read-only mapping of a resource DLL (a file mapping and its view), in
// place of mmap. Only dll/library.cpp includes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn {

struct Mapping {
  const std::uint8_t* image = nullptr;
  std::size_t size = 0;
  int error = 0;  // an errno value, for the same message as elsewhere, when image is null
};

// Maps the whole file at path (UTF-8) read-only and checks its headers; a folder, a device,
// a pipe or a file too short or not a PE image is refused with the error Linux gives it.
Mapping MapImage(const std::string& path);

// Releases what MapImage mapped.
void UnmapImage(const std::uint8_t* image, std::size_t size);

}  // namespace tarn
