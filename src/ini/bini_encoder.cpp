#include "ini/bini_encoder.h"

#include <bit>

#include "ini/bini_format.h"

namespace tarn {
namespace {

void Put(std::string& out, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

void PutAt(std::string& out, std::size_t at, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

}  // namespace

std::uint64_t BiniEncoder::NameOffset(std::string_view text) const {
  const auto found = index_.find(text);
  if (order_ == BiniStringOrder::kAsMet) {
    return found == index_.end() ? met_bytes_ : strings_[found->second].met_offset;
  }
  if (found != index_.end() && strings_[found->second].is_name) {
    return strings_[found->second].name_offset;
  }
  return name_bytes_;
}

std::uint32_t BiniEncoder::Intern(std::string_view text, bool as_name) {
  auto found = index_.find(text);
  if (found == index_.end()) {
    found = index_.emplace(std::string(text), static_cast<std::uint32_t>(strings_.size())).first;
    strings_.push_back(StoredString{std::string(text), met_bytes_});
    met_bytes_ += text.size() + 1;
  }
  StoredString& stored = strings_[found->second];
  if (as_name && !stored.is_name) {
    stored.is_name = true;
    stored.name_offset = name_bytes_;
    name_bytes_ += text.size() + 1;
  }
  return found->second;
}

void BiniEncoder::Name(std::string_view text) {
  if (NameOffset(text) > UINT16_MAX) {
    throw BiniEncodeError("string table too large for the name");
  }
  fixups_.push_back(Fixup{records_.size(), Intern(text, true), 2});
  Put(records_, 0, 2);
}

BiniEncoder& BiniEncoder::Section(std::string_view name) {
  const std::size_t at = records_.size();
  Name(name);
  Put(records_, 0, 2);  // the entry count, filled in as entries come
  section_at_ = at;
  section_entries_ = 0;
  entry_at_ = std::string::npos;
  return *this;
}

BiniEncoder& BiniEncoder::Entry(std::string_view key) {
  if (section_at_ == std::string::npos) throw BiniEncodeError("entry before any section");
  if (section_entries_ == UINT16_MAX) throw BiniEncodeError("more than 65535 entries");
  const std::size_t at = records_.size();
  Name(key);
  Put(records_, 0, 1);  // the value count, filled in as values come
  PutAt(records_, section_at_ + bini::kSectionEntryCountOffset, ++section_entries_, 2);
  entry_at_ = at;
  entry_values_ = 0;
  return *this;
}

void BiniEncoder::Value(std::uint8_t type, std::uint32_t payload, bool is_string) {
  if (entry_at_ == std::string::npos) throw BiniEncodeError("value before any entry");
  if (entry_values_ == UINT8_MAX) throw BiniEncodeError("more than 255 values");
  Put(records_, type, 1);
  if (is_string) fixups_.push_back(Fixup{records_.size(), payload, 4});
  Put(records_, is_string ? 0 : payload, 4);
  PutAt(records_, entry_at_ + bini::kEntryValueCountOffset, ++entry_values_, 1);
}

BiniEncoder& BiniEncoder::Int(std::int32_t value) {
  Value(bini::kIntValue, static_cast<std::uint32_t>(value), false);
  return *this;
}

BiniEncoder& BiniEncoder::Float(float value) {
  Value(bini::kFloatValue, std::bit_cast<std::uint32_t>(value), false);
  return *this;
}

BiniEncoder& BiniEncoder::Text(std::string_view value) {
  if (entry_at_ == std::string::npos) throw BiniEncodeError("value before any entry");
  if (entry_values_ == UINT8_MAX) throw BiniEncodeError("more than 255 values");
  Value(bini::kStringValue, Intern(value, false), true);
  return *this;
}

std::string BiniEncoder::Bytes() const {
  // Offsets of every string in the table's order, and the table itself.
  std::vector<std::uint64_t> offsets(strings_.size());
  std::string table;
  const bool names_first = order_ == BiniStringOrder::kNamesFirst;
  if (names_first) {
    table.resize(name_bytes_);
    for (std::size_t i = 0; i < strings_.size(); ++i) {
      if (!strings_[i].is_name) continue;
      offsets[i] = strings_[i].name_offset;
      table.replace(offsets[i], strings_[i].text.size() + 1, strings_[i].text + '\0');
    }
  }
  for (std::size_t i = 0; i < strings_.size(); ++i) {
    if (names_first && strings_[i].is_name) continue;
    offsets[i] = table.size();
    table.append(strings_[i].text).push_back('\0');
  }
  std::string records = records_;
  for (const Fixup& fixup : fixups_) PutAt(records, fixup.at, offsets[fixup.string], fixup.width);

  std::string out(bini::kMagic);
  Put(out, bini::kVersion, 4);
  Put(out, bini::kHeaderSize + records.size(), 4);
  return out + records + table;
}

}  // namespace tarn
