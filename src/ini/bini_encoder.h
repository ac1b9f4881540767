// Writes files in the binary INI form (bini_format.h), record by record: the one writer of the
// form, behind tarn-mkbini, the tests' files, the bench worlds and the fuzz seeds.
//
//   BiniEncoder encoder;
//   encoder.Section("Ship").Entry("mass").Int(42).Entry("ids_name").Text("200100");
//   std::string bytes = encoder.Bytes();
//
// Counts are filled in as records come, so every file made here decodes; files that break
// the form are made by patching these bytes. Each distinct string is stored once.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarn {

// A record the form cannot hold: what() says which limit ("more than 255 values"). The
// encoder is unchanged by the call that raised it.
class BiniEncodeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where the string table puts each string.
enum class BiniStringOrder {
  // In the order the records first name them: the layout of the sample worlds' files.
  kAsMet,
  // Section and key names first, then the string values: names are 16-bit offsets, so with
  // long or many values only this order keeps them within reach.
  kNamesFirst,
};

class BiniEncoder {
 public:
  explicit BiniEncoder(BiniStringOrder order = BiniStringOrder::kAsMet) : order_(order) {}

  // Each raises BiniEncodeError, and records nothing, when the form cannot hold the record:
  // a name beyond the table's first 64 KiB, an entry before any section or past the 65,535th
  // of its section, a value before any entry or past the 255th of its entry.
  BiniEncoder& Section(std::string_view name);
  BiniEncoder& Entry(std::string_view key);
  BiniEncoder& Int(std::int32_t value);
  BiniEncoder& Float(float value);
  BiniEncoder& Text(std::string_view value);

  // The whole file: header, records, string table.
  std::string Bytes() const;

 private:
  // A string offset to fill in once the table's order is known.
  struct Fixup {
    std::size_t at;  // in records_
    std::uint32_t string;
    int width;
  };
  struct StoredString {
    std::string text;
    std::uint64_t met_offset = 0;   // its offset in kAsMet order
    std::uint64_t name_offset = 0;  // its offset in kNamesFirst order, when is_name
    bool is_name = false;
  };

  // The offset text would take as a name, known before any record is written.
  std::uint64_t NameOffset(std::string_view text) const;
  std::uint32_t Intern(std::string_view text, bool as_name);
  void Name(std::string_view text);
  void Value(std::uint8_t type, std::uint32_t payload, bool is_string);

  BiniStringOrder order_;
  std::string records_;
  std::vector<Fixup> fixups_;
  std::vector<StoredString> strings_;  // in the order first met
  std::map<std::string, std::uint32_t, std::less<>> index_;
  std::uint64_t met_bytes_ = 0;                 // table bytes of every string met so far
  std::uint64_t name_bytes_ = 0;                // table bytes of the names met so far
  std::size_t section_at_ = std::string::npos;  // the open section's record in records_
  std::size_t entry_at_ = std::string::npos;    // the open entry's record in records_
  std::uint32_t section_entries_ = 0;
  std::uint32_t entry_values_ = 0;
};

}  // namespace tarn
