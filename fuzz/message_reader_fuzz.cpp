// Feeds arbitrary bytes to the language server's message reader as an editor's stream, in
// pieces of sizes the input itself chooses, with a small limit so that skipping oversized
// messages is reached. Every result is a kind of message; a crash, a hang or a sanitizer
// report is a fault.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "lsp/message_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] % 64;
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::size_t at = 0;
  tarn::MessageReader reader(
      [&](char* buffer, std::size_t want) {
        const std::size_t n = std::min({want, piece, input.size() - at});
        input.copy(buffer, n, at);
        at += n;
        return n;
      },
      4096);
  // Each message takes at least one byte of input, so this ends.
  for (std::size_t messages = 0; messages <= input.size(); ++messages) {
    if (reader.Next().kind == tarn::ReadMessage::Kind::kEnd) break;
  }
  return 0;
}
