#include "ini/bini_decoder.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "ini/bini_format.h"

namespace tarn {

namespace {

// Walks the records from the end of the header to the string table. Every read goes through
// Claim or the string table checks first, so whatever a field says, positions stay within
// bytes: pos_ never passes table_, and table_ never passes the end of the file.
class Decoder {
 public:
  // text null: only measure how long the text form is (Size()).
  Decoder(std::string_view bytes, std::string* text, std::string& why)
      : bytes_(bytes), text_(text), why_(why) {}

  bool Run();
  std::size_t Size() const { return size_; }

 private:
  std::uint8_t U8(std::size_t at) const { return static_cast<std::uint8_t>(bytes_[at]); }
  std::uint16_t U16(std::size_t at) const {
    return static_cast<std::uint16_t>(U8(at) | U8(at + 1) << 8);
  }
  std::uint32_t U32(std::size_t at) const {
    return static_cast<std::uint32_t>(U8(at)) | static_cast<std::uint32_t>(U8(at + 1)) << 8 |
           static_cast<std::uint32_t>(U8(at + 2)) << 16 |
           static_cast<std::uint32_t>(U8(at + 3)) << 24;
  }

  // True when a record of size bytes starting at pos_ ends at or before the string table.
  bool Claim(const char* kind, std::size_t size);
  // Appends the string at offset into the table; field_at is where the offset was read.
  bool AppendString(std::uint32_t offset, std::size_t field_at);
  bool AppendValue();
  void AppendFloat(float value);
  bool Fail(std::string reason);
  void Append(std::string_view text) {
    size_ += text.size();
    if (text_ != nullptr) text_->append(text);
  }

  std::string_view bytes_;
  std::string* text_;
  std::string& why_;
  std::size_t size_ = 0;
  // The length of each string met so far, by offset: values that all name one long string
  // are measured once, not once each.
  std::unordered_map<std::uint32_t, std::size_t> lengths_;
  std::size_t table_ = 0;  // where the string table starts
  std::size_t pos_ = 0;    // the next record
};

std::string Number(std::size_t n) { return std::to_string(n); }

bool Decoder::Fail(std::string reason) {
  if (text_ != nullptr) text_->clear();
  why_ = std::move(reason);
  return false;
}

bool Decoder::Claim(const char* kind, std::size_t size) {
  if (table_ - pos_ >= size) return true;
  return Fail(std::string(kind) + " record at offset " + Number(pos_) +
              " runs past the string table at offset " + Number(table_));
}

bool Decoder::AppendString(std::uint32_t offset, std::size_t field_at) {
  const std::size_t table_size = bytes_.size() - table_;
  if (offset >= table_size) {
    return Fail("string offset " + Number(offset) + " at offset " + Number(field_at) +
                " is past the end of the " + Number(table_size) + "-byte string table");
  }
  const char* start = bytes_.data() + table_ + offset;
  auto [known, added] = lengths_.try_emplace(offset, 0);
  if (added) {
    const void* nul = std::memchr(start, '\0', table_size - offset);
    if (nul == nullptr) {
      return Fail("string at offset " + Number(table_ + offset) + " is not terminated");
    }
    known->second = static_cast<std::size_t>(static_cast<const char*>(nul) - start);
  }
  Append(std::string_view(start, known->second));
  return true;
}

void Decoder::AppendFloat(float value) {
  // The shortest round-trip form of a float is at most 15 characters ("-1.17549435e-38").
  char buffer[32];
  char* end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  Append(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
  // A whole number must still read as a float: "2" becomes "2.0". Infinities and NaN have no
  // such form and stay as they are.
  if (std::isfinite(value) &&
      std::none_of(buffer, end, [](char c) { return c == '.' || c == 'e'; })) {
    Append(".0");
  }
}

bool Decoder::AppendValue() {
  if (!Claim("value", bini::kValueRecordSize)) return false;
  const std::uint8_t type = U8(pos_ + bini::kValueTypeOffset);
  const std::uint32_t payload = U32(pos_ + bini::kValuePayloadOffset);
  switch (type) {
    case bini::kIntValue: {
      char buffer[16];
      char* end =
          std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::int32_t>(payload)).ptr;
      Append(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
      break;
    }
    case bini::kFloatValue:
      AppendFloat(std::bit_cast<float>(payload));
      break;
    case bini::kStringValue:
      if (!AppendString(payload, pos_ + bini::kValuePayloadOffset)) return false;
      break;
    default:
      return Fail("unknown value type " + Number(type) + " at offset " + Number(pos_));
  }
  pos_ += bini::kValueRecordSize;
  return true;
}

bool Decoder::Run() {
  if (text_ != nullptr) text_->clear();
  size_ = 0;
  if (bytes_.size() < bini::kHeaderSize) {
    return Fail("file is " + Number(bytes_.size()) + " bytes, shorter than the " +
                Number(bini::kHeaderSize) + "-byte header");
  }
  if (!LooksLikeBini(bytes_)) return Fail("does not start with BINI");
  const std::uint32_t version = U32(bini::kVersionOffset);
  if (version != bini::kVersion) {
    return Fail("version " + Number(version) + ", expected " + Number(bini::kVersion));
  }
  const std::uint32_t table = U32(bini::kStringTableOffsetOffset);
  if (table < bini::kHeaderSize) {
    return Fail("string table offset " + Number(table) + " is inside the " +
                Number(bini::kHeaderSize) + "-byte header");
  }
  if (table > bytes_.size()) {
    return Fail("string table offset " + Number(table) + " is past the end of the file (" +
                Number(bytes_.size()) + " bytes)");
  }
  table_ = table;
  pos_ = bini::kHeaderSize;

  while (pos_ < table_) {
    if (!Claim("section", bini::kSectionRecordSize)) return false;
    const std::size_t section = pos_;
    const std::uint16_t entries = U16(section + bini::kSectionEntryCountOffset);
    Append("[");
    if (!AppendString(U16(section + bini::kSectionNameOffset),
                      section + bini::kSectionNameOffset)) {
      return false;
    }
    Append("]\r\n");
    pos_ += bini::kSectionRecordSize;

    for (std::uint16_t e = 0; e < entries; ++e) {
      if (!Claim("entry", bini::kEntryRecordSize)) return false;
      const std::size_t entry = pos_;
      const std::uint8_t values = U8(entry + bini::kEntryValueCountOffset);
      if (!AppendString(U16(entry + bini::kEntryNameOffset), entry + bini::kEntryNameOffset)) {
        return false;
      }
      Append(" =");
      pos_ += bini::kEntryRecordSize;
      for (unsigned v = 0; v < values; ++v) {
        Append(v == 0 ? " " : ", ");
        if (!AppendValue()) return false;
      }
      Append("\r\n");
    }
  }
  return true;
}

}  // namespace

bool LooksLikeBini(std::string_view first_bytes) {
  return first_bytes.substr(bini::kMagicOffset, bini::kMagic.size()) == bini::kMagic;
}

bool DecodeBini(std::string_view bytes, std::string& text, std::string& why) {
  std::size_t size = 0;
  if (!BiniTextSize(bytes, size, why)) {
    text.clear();
    return false;
  }
  text.reserve(size);
  return Decoder(bytes, &text, why).Run();
}

BiniDecoding DecodeBiniWithin(std::string_view bytes, std::int64_t max_text, std::string& text,
                              std::size_t& text_size, std::string& why) {
  text.clear();
  text_size = 0;
  if (!BiniTextSize(bytes, text_size, why)) return BiniDecoding::kMalformed;
  if (static_cast<std::int64_t>(text_size) > max_text) return BiniDecoding::kTooLarge;
  text.reserve(text_size);
  return Decoder(bytes, &text, why).Run() ? BiniDecoding::kDecoded : BiniDecoding::kMalformed;
}

bool BiniTextSize(std::string_view bytes, std::size_t& size, std::string& why) {
  Decoder measure(bytes, nullptr, why);
  if (!measure.Run()) return false;
  size = measure.Size();
  return true;
}

}  // namespace tarn
