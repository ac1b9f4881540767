// Any bytes as a baseline: the reader must give fingerprints or a BaselineError saying what is
// wrong, whatever JSON (or not) it is handed, never anything else.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "report/baseline.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    tarn::ParseBaseline(text);
  } catch (const tarn::BaselineError& error) {
    if (std::string_view(error.what()).empty()) std::abort();
  }
  return 0;
}
