#include "ini/line_source.h"

#include "ini/bini_decoder.h"
#include "log/log.h"
#include "platform/ascii_case.h"
#include "platform/error.h"

namespace tarn {

namespace {

constexpr std::size_t kBlockSize = 64 * 1024;
constexpr std::int32_t kErrInputPastEnd = 62;

// "separable" and "offer_missions" are the two keys whose malformed lines are repaired; the
// positions are those of the line "key = true = ...".
struct RepairedKey {
  std::string_view key;       // "separable"
  std::string_view prefix;    // "separable = "
  std::string_view repaired;  // "separable = true"
};

constexpr RepairedKey kRepairedKeys[] = {
    {"separable", "separable = ", "separable = true"},
    {"offer_missions", "offer_missions = ", "offer_missions = true"},
};

}  // namespace

void LineSource::CloseFile() {
  input_.reset();
  binary_ = false;
  disk_path_.clear();
  sections_seen_.clear();
  current_section_.clear();
  last_bare_ = false;
  buffer_.clear();
  at_ = 0;
  input_done_ = true;
  skip_lf_ = false;
  file_name_.clear();
  line_num_ = 0;
  pending_.clear();
  has_pending_ = false;
}

void LineSource::SetFileName(std::string path) {
  CloseFile();
  file_name_ = std::move(path);
  if (file_name_.empty()) return;
  std::unique_ptr<InputFile> input = files_.OpenForReading(file_name_);
  if (input->Size() > limits_.file_size) {
    throw LimitError(kErrFileTooLarge, limits_.file_size, input->Size(), 0);
  }
  disk_path_ = input->DiskPath();
  if (disk_path_.empty()) disk_path_ = file_name_;
  buffer_.resize(kBlockSize);
  buffer_.resize(input->Read(buffer_.data(), buffer_.size()));
  if (!LooksLikeBini(buffer_)) {
    input_ = std::move(input);
    input_done_ = buffer_.empty();
    return;
  }
  // A binary file is decoded whole; it is small next to the text files of a game.
  std::string bytes = std::move(buffer_);
  std::size_t old_size = bytes.size();
  do {
    old_size = bytes.size();
    bytes.resize(old_size + kBlockSize);
    bytes.resize(old_size + input->Read(bytes.data() + old_size, kBlockSize));
    // A file system that cannot tell the size is held to the limit as it is read.
    if (static_cast<std::int64_t>(bytes.size()) > limits_.file_size) {
      CloseFile();
      throw LimitError(kErrFileTooLarge, limits_.file_size, static_cast<std::int64_t>(bytes.size()),
                       0);
    }
  } while (bytes.size() != old_size);
  std::string text, why;
  std::size_t text_size = 0;
  switch (DecodeBiniWithin(bytes, limits_.file_size, text, text_size, why)) {
    case BiniDecoding::kDecoded:
      break;
    case BiniDecoding::kTooLarge:
      CloseFile();
      throw LimitError(kErrFileTooLarge, limits_.file_size, static_cast<std::int64_t>(text_size),
                       0);
    case BiniDecoding::kMalformed:
      CloseFile();
      throw TarnError(kErrConverterFailed, "BINI finished with error", ErrorSource("cFile"));
  }
  buffer_ = std::move(text);
  at_ = 0;
  input_done_ = true;
  binary_ = true;
}

bool LineSource::FillBuffer() {
  if (input_done_) return false;
  buffer_.resize(kBlockSize);
  buffer_.resize(input_->Read(buffer_.data(), buffer_.size()));
  at_ = 0;
  if (buffer_.empty()) input_done_ = true;
  return !buffer_.empty();
}

bool LineSource::EndOfFile() {
  if (has_pending_) return false;
  while (true) {
    if (at_ == buffer_.size() && !FillBuffer()) return true;
    if (!skip_lf_) return false;
    // The LF of a CR LF split across two blocks is still part of the last line's end.
    skip_lf_ = false;
    if (buffer_[at_] == '\n') ++at_;
  }
}

std::string LineSource::ReadPhysicalLine() {
  if (EndOfFile()) RaisePlatformError(kErrInputPastEnd);
  std::string line;
  while (true) {
    const char* begin = buffer_.data() + at_;
    const char* end = buffer_.data() + buffer_.size();
    const char* stop = begin;
    while (stop != end && *stop != '\n' && *stop != '\r') ++stop;
    line.append(begin, stop);
    if (static_cast<std::int64_t>(line.size()) > limits_.line_length) {
      throw LimitError(kErrLineTooLong, limits_.line_length, static_cast<std::int64_t>(line.size()),
                       line_num_ + 1);
    }
    at_ = static_cast<std::size_t>(stop - buffer_.data());
    if (stop != end) {
      ++at_;
      skip_lf_ = *stop == '\r';
      break;
    }
    if (!FillBuffer()) break;
  }
  ++line_num_;
  return line;
}

std::string LineSource::ReadLine() {
  std::string line;
  if (has_pending_) {
    line = std::move(pending_);
    pending_.clear();
    has_pending_ = false;
  } else {
    line = ReadPhysicalLine();
  }
  Clean(line);
  Repair(line);
  return line;
}

std::int32_t LineSource::CountSection(const std::string& name) {
  current_section_ = name;
  return sections_seen_[name]++;
}

void LineSource::Backline(const std::string& line) {
  pending_ = line;
  has_pending_ = true;
}

void LineSource::Clean(std::string& line) {
  for (char& c : line) {
    if (c == '\t') c = ' ';
  }
  std::size_t comment = line.find(';');
  if (comment != std::string::npos) {
    // The position is a 16-bit number: a first ";" beyond 32767 overflows it.
    if (comment + 1 > 32767) RaisePlatformError(kErrOverflow);
    line.resize(comment);
  }
  std::string_view trimmed = TrimSpaces(line);
  if (trimmed.size() != line.size()) line = std::string(trimmed);
}

void LineSource::Repair(std::string& line) {
  last_bare_ = false;
  for (const RepairedKey& repaired : kRepairedKeys) {
    if (line == repaired.key) {
      last_bare_ = true;
      // A rule that says how the key is written judges the line instead (the section checker
      // warns when it is written the other way).
      const bool judged = flags_ != nullptr &&
                          flags_->FlagFormOf(current_section_, repaired.key) != FlagForm::kUnsaid;
      if (judged) {
        line += " = true";
        return;
      }
      log_.WarnRepair(file_name_, disk_path_, binary_, line_num_,
                      {"      !" + line + "! line found. Changed to !" + line + " = true!"},
                      current_section_, repaired.key);
      line += " = true";
      return;
    }
  }
  for (const RepairedKey& repaired : kRepairedKeys) {
    if (!std::string_view(line).starts_with(repaired.prefix)) continue;
    const std::size_t value_at = repaired.prefix.size();  // 0-based: character 13 or 18
    std::string rest;
    if (line.compare(value_at, 7, "true = ") == 0) {
      rest = line.substr(value_at + 7);
    } else if (line.find('=', value_at) != std::string::npos) {
      rest = line.substr(value_at);
    } else {
      return;
    }
    const std::string old_line = line;
    line = std::string(repaired.repaired);
    pending_ = rest;
    has_pending_ = true;
    log_.WarnRepair(file_name_, disk_path_, binary_, line_num_,
                    {"      !" + old_line + "! line found.",
                     "      Splited in two lines: !" + line + "!" + pending_ + "!"},
                    current_section_, repaired.key);
    return;
  }
}

}  // namespace tarn
