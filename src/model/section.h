// A section (the model's section object): one section rule with its entries, and the facts (area,
// file, line) of the section of that name currently being read from a file.
//
// Rule loading sets SectionName and adds the entries in rule order, keyed by the upper-cased
// entry name. The parser looks the entry of each line up with Item or Find, sets File, LineNo
// and Area, then calls Store and Clear. The same object serves every section of its name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/entry.h"
#include "model/keyed_collection.h"

namespace tarn {

class RowSink;

class Section {
 public:
  using Entries = KeyedCollection<Entry>;

  Section() = default;
  Section(const Section&) = delete;
  Section& operator=(const Section&) = delete;

  // The text setters are out of line: inlined with a short literal, string::assign draws a
  // false -Wrestrict warning from GCC 12.
  void SetArea(std::string_view value);
  const std::string& Area() const { return area_; }
  void SetLineNo(std::int32_t value) { line_ = value; }
  std::int32_t LineNo() const { return line_; }
  void SetFile(std::string_view value);
  const std::string& File() const { return file_; }
  void SetSectionName(std::string_view value);
  const std::string& SectionName() const { return section_name_; }

  // Writes one row of Sections (area and section name in lower case, file as given, line),
  // then each entry's lines in the order the entries were added, linked to that row, all into
  // rows. A row is written even when no entry has a line. The sink's errors and the entries'
  // pass through; rows written before stay.
  void Store(RowSink& rows);
  // The DB_ID of the Sections row the last Store wrote; 0 before.
  std::int32_t SectionDB_ID() const { return section_row_id_; }

  // Creates an entry for this section's rule (Entry::Init with SectionName), files it under
  // key, or without a key when key is empty, and returns it. Raises kErrDuplicateKey (457)
  // for a key present already; the entry is then dropped.
  Entry& Add(std::string_view entry_name, std::int16_t fixed_count, bool is_multi_line,
             bool has_var_values, bool is_mandatory, std::int32_t entry_id,
             std::string_view key = {});

  // Clears every entry, in collection order; area, file, line and name stay.
  void Clear();

  // The entry under a key (letter case aside; kErrInvalidArgument (5) when unknown) or at a
  // 1-based place (kErrSubscriptOutOfRange (9) outside 1 to Count).
  Entry& Item(std::string_view key) { return entries_.Item(key); }
  Entry& Item(std::int32_t place) { return entries_.Item(place); }
  const Entry& Item(std::string_view key) const { return entries_.Item(key); }
  const Entry& Item(std::int32_t place) const { return entries_.Item(place); }
  // The entry under key, or null.
  Entry* Find(std::string_view key) { return entries_.Find(key); }
  const Entry* Find(std::string_view key) const { return entries_.Find(key); }
  std::int32_t Count() const { return entries_.Count(); }
  // Removes the entry under a key or at a place; errors as Item.
  void Remove(std::string_view key) { entries_.Remove(key); }
  void Remove(std::int32_t place) { entries_.Remove(place); }

  // The entries in the order they were added.
  Entries::iterator begin() { return entries_.begin(); }
  Entries::iterator end() { return entries_.end(); }
  Entries::const_iterator begin() const { return entries_.begin(); }
  Entries::const_iterator end() const { return entries_.end(); }

 private:
  Entries entries_;
  std::string area_;
  std::string section_name_;
  std::string stored_section_name_;  // lower case, as Store writes it
  std::string stored_area_;          // the same for the area, kept to reuse its storage
  std::string file_;
  std::int32_t line_ = 0;
  std::int32_t section_row_id_ = 0;
};

}  // namespace tarn
