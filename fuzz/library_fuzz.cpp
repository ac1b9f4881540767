// Any bytes at all as the content of a resource DLL: the reader must tell whether they are a
// PE file and list their strings without reading outside them (AddressSanitizer) or computing
// out of range (UBSan). It runs on the bytes directly, through the functions LoadedLibrary calls on
// its mapping, so that no input has to pass through a file.
//
// The seeds in corpus/library/ come from the tests' image builder:
//   TARN_LIBRARY_SEEDS=fuzz/corpus/library tarn_tests --gtest_also_run_disabled_tests \
//       --gtest_filter='LibrarySeeds.*'
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "dll/library.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> image(data, size);
  const bool is_image = tarn::pe::IsImage(image);
  const tarn::ResourceStrings strings = tarn::pe::ImageStrings(image);
  // Only a PE file has strings; they come in ascending id order, each id once, none empty,
  // within the 16-bit ids.
  if (!is_image && !strings.empty()) std::abort();
  for (std::size_t i = 0; i < strings.size(); ++i) {
    if (strings[i].second.empty() || strings[i].first > 0xFFFF) std::abort();
    if (i > 0 && strings[i - 1].first >= strings[i].first) std::abort();
  }
  return 0;
}
