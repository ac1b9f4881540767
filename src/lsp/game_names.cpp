#include "lsp/game_names.h"

#include <variant>

#include "analysis/line_places.h"
#include "platform/ascii_case.h"

namespace tarn {

std::string TargetKey(std::string_view section, std::string_view key) {
  std::string text = AsciiLowered(section);
  text += '\n';
  text += AsciiLowered(key);
  return text;
}

RuleIndex::RuleIndex(const RuleSet& rules) : rules_(rules) {
  for (const SectionRule& section : rules.sections) {
    sections_.emplace(AsciiLowered(section.name), &section);
    for (const EntryRule& entry : section.entries) {
      entries_.emplace(TargetKey(section.name, entry.name), &entry);
      for (const ValueRule& value : entry.values) {
        for (const NameTarget& target : value.refers_to) {
          targets_[TargetKey(target.section, target.key)] = true;
        }
      }
    }
  }
}

const SectionRule* RuleIndex::FindSection(std::string_view section) const {
  const auto found = sections_.find(AsciiLowered(section));
  return found == sections_.end() ? nullptr : found->second;
}

const EntryRule* RuleIndex::FindEntry(std::string_view section, std::string_view key) const {
  const auto found = entries_.find(TargetKey(section, key));
  return found == entries_.end() ? nullptr : found->second;
}

const ValueRule* RuleIndex::Position(const EntryRule& entry, std::int32_t position) {
  if (position >= 1 && static_cast<std::size_t>(position) <= entry.values.size() &&
      !entry.values[static_cast<std::size_t>(position - 1)].is_multi) {
    return &entry.values[static_cast<std::size_t>(position - 1)];
  }
  for (const ValueRule& value : entry.values) {
    if (value.is_multi) return &value;
  }
  return nullptr;
}

bool RuleIndex::Defines(std::string_view section, std::string_view key) const {
  return targets_.count(TargetKey(section, key)) != 0;
}

std::int32_t NameSink::AddSection(std::string_view, std::string_view section, std::string_view file,
                                  std::int32_t line) {
  section_.assign(section);
  file_.assign(file);
  section_line_ = line;
  section_row_ = ++section_rows_;
  return section_row_;
}

std::int32_t NameSink::AddEntry(std::string_view entry, std::int32_t, std::int32_t,
                                std::int32_t line) {
  key_.assign(entry);
  line_ = line;
  entry_row_ = ++entry_rows_;
  position_ = 0;
  entry_ = index_.FindEntry(section_, key_);
  defines_ = entry_ != nullptr && index_.Defines(section_, key_);
  return entry_row_;
}

std::int32_t NameSink::AddValue(std::int32_t, const ValueView& value) {
  ++position_;
  const auto* text = std::get_if<std::string_view>(&value);
  if (text == nullptr || text->empty() || entry_ == nullptr) return ++value_rows_;
  if (defines_ && position_ == 1) {
    names_[TargetKey(section_, key_)][AsciiLowered(*text)].push_back(
        NamePlace{file_, {}, 0, std::string(*text), section_row_, entry_row_});
  }
  if (keep_uses_) {
    const ValueRule* rule = RuleIndex::Position(*entry_, position_);
    if (rule != nullptr && !rule->refers_to.empty()) {
      uses_.push_back(NameUse{section_, key_, std::string(*text), file_, line_, section_line_, 0,
                              rule, section_row_, entry_row_});
    }
  }
  return ++value_rows_;
}

void NameSink::Resolve(const LinePlaces& places) {
  LinePlaces::Place place;
  for (auto& [target, names] : names_) {
    for (auto& [name, defined] : names) {
      for (NamePlace& at : defined) {
        if (places.Find(at.section_row, at.entry_row, place)) {
          at.editor_line = place.editor_line;
          at.disk_file = place.disk_file;
        }
      }
    }
  }
  for (NameUse& use : uses_) {
    if (places.Find(use.section_row, use.entry_row, place)) use.editor_line = place.editor_line;
  }
}

}  // namespace tarn
