// Any bytes at all through the binary INI decoder: it must answer true or false with a reason,
// and never read outside the input (AddressSanitizer) nor compute out of range (UBSan).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ini/bini_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text, why;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const bool decoded = tarn::DecodeBini(bytes, text, why);
  // A refusal always says why and leaves no half-written text; a success ends its last line.
  if (decoded ? !(text.empty() || text.ends_with("\r\n")) : (why.empty() || !text.empty())) {
    std::abort();
  }
  return 0;
}
