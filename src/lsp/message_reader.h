// The framing of the language server's input: messages of "Content-Length: N" headers, a blank
// line and N bytes of JSON, read one at a time from a byte stream (the editor's pipe).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

namespace tarn {

// What one call of MessageReader::Next found.
struct ReadMessage {
  enum class Kind {
    kMessage,    // json holds the message
    kMalformed,  // the body was not JSON: what says why; the stream goes on after it
    kTooLarge,   // the body was over the limit and was skipped unread
    kBadHeader,  // headers without a usable Content-Length; the stream goes on after them
    kEnd,        // the stream ended (between or inside messages)
  };
  Kind kind = Kind::kEnd;
  nlohmann::json json;
  std::string what;
};

class MessageReader {
 public:
  // read fills up to size bytes and returns how many, 0 at the end of the stream; it may block.
  using ReadFunction = std::function<std::size_t(char* buffer, std::size_t size)>;

  // An editor sends whole documents in one message, so the limit bounds what a client can make
  // the server hold; headers are bounded separately, far below it.
  static constexpr std::int64_t kDefaultLimit = std::int64_t{64} << 20;
  static constexpr std::size_t kMaxHeaderBytes = 8192;

  explicit MessageReader(ReadFunction read, std::int64_t limit = kDefaultLimit)
      : read_(std::move(read)), limit_(limit) {}

  // The next message. Never raises for what the stream holds: every fault of the input is a
  // kind of result, so that one bad message costs one error answer and no more.
  ReadMessage Next();

 private:
  // False at the end of the stream.
  bool Fill();
  // One header line without its CR LF; false at the end of the stream. Overlong lines are
  // cut at kMaxHeaderBytes and flagged.
  bool HeaderLine(std::string& line, bool& overlong);

  ReadFunction read_;
  const std::int64_t limit_;
  std::string buffer_;
  std::string block_;
  std::size_t at_ = 0;
};

}  // namespace tarn
