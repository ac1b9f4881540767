#include "lsp/message_reader.h"

#include <charconv>

#include "platform/ascii_case.h"

namespace tarn {

namespace {

constexpr std::size_t kBlock = std::size_t{64} * 1024;
constexpr std::string_view kLengthHeader = "content-length:";

}  // namespace

bool MessageReader::Fill() {
  if (at_ > 0) {
    buffer_.erase(0, at_);
    at_ = 0;
  }
  // Read into a block of its own: growing the buffer by a block for every read would clear
  // that block each time, however little a read brings.
  block_.resize(kBlock);
  const std::size_t got = read_(block_.data(), kBlock);
  buffer_.append(block_.data(), got);
  return got > 0;
}

bool MessageReader::HeaderLine(std::string& line, bool& overlong) {
  line.clear();
  overlong = false;
  for (;;) {
    const std::size_t end = buffer_.find('\n', at_);
    const std::size_t stop = end == std::string::npos ? buffer_.size() : end;
    const std::size_t room = kMaxHeaderBytes - std::min(line.size(), kMaxHeaderBytes);
    line.append(buffer_, at_, std::min(stop - at_, room));
    if (stop - at_ > room) overlong = true;
    if (end != std::string::npos) {
      at_ = end + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return true;
    }
    at_ = buffer_.size();
    if (!Fill()) return false;
  }
}

ReadMessage MessageReader::Next() {
  std::int64_t length = -1;
  bool bad = false;
  std::string line;
  bool overlong = false;
  // Headers up to the blank line; blank lines before any header are noise between messages.
  bool any = false;
  for (;;) {
    if (!HeaderLine(line, overlong)) return {};
    if (line.empty()) {
      if (any) break;
      continue;
    }
    any = true;
    if (overlong) bad = true;
    if (line.size() >= kLengthHeader.size() &&
        EqualsIgnoringAsciiCase(std::string_view(line).substr(0, kLengthHeader.size()),
                                kLengthHeader)) {
      std::string_view number = std::string_view(line).substr(kLengthHeader.size());
      while (!number.empty() && number.front() == ' ') number.remove_prefix(1);
      while (!number.empty() && number.back() == ' ') number.remove_suffix(1);
      std::int64_t value = -1;
      const auto [end, error] =
          std::from_chars(number.data(), number.data() + number.size(), value);
      if (error != std::errc() || end != number.data() + number.size() || value < 0) {
        bad = true;
      } else {
        length = value;
      }
    }
  }
  if (bad || length < 0) {
    return {ReadMessage::Kind::kBadHeader, {}, "a message without a valid Content-Length header"};
  }
  if (length > limit_) {
    // Skipped as it comes, never held: a client that sends a huge buffer costs time, not memory.
    std::int64_t left = length;
    for (;;) {
      const auto have = static_cast<std::int64_t>(buffer_.size() - at_);
      if (have >= left) {
        at_ += static_cast<std::size_t>(left);
        break;
      }
      left -= have;
      buffer_.clear();
      at_ = 0;
      if (!Fill()) return {};
    }
    return {ReadMessage::Kind::kTooLarge,
            {},
            "a message of " + std::to_string(length) + " bytes, over the limit of " +
                std::to_string(limit_)};
  }
  const auto size = static_cast<std::size_t>(length);
  while (buffer_.size() - at_ < size) {
    if (!Fill()) return {};
  }
  const char* begin = buffer_.data() + at_;
  at_ += size;
  ReadMessage message;
  message.json = nlohmann::json::parse(begin, begin + size, nullptr, false);
  if (message.json.is_discarded()) {
    message.json = nullptr;
    message.kind = ReadMessage::Kind::kMalformed;
    message.what = "the message is not JSON";
  } else {
    message.kind = ReadMessage::Kind::kMessage;
  }
  return message;
}

}  // namespace tarn
