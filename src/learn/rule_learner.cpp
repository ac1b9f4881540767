#include "learn/rule_learner.h"

#include <utility>

#include "model/entry_line.h"
#include "platform/ascii_case.h"
#include "platform/codepage.h"
#include "platform/error.h"

namespace tarn {

namespace {

constexpr std::int32_t kErrCommentTooFar = kErrOverflow;

// What an error that ends "All" at a file means for the rules.
std::string Describe(const TarnError& error) {
  switch (error.Number()) {
    case kErrSubscriptOutOfRange:
      return "a section of more than 2,048 lines: checking this file ends the run here";
    case kErrConverterFailed:
      return "a binary file that cannot be decoded: checking it ends the run";
    case kErrCommentTooFar:
      return "a line whose \";\" stands beyond character 32,767: checking it ends the run";
    default:
      return "reading it fails (" + std::to_string(error.Number()) + " " + error.Description() +
             "): checking it ends the run";
  }
}

}  // namespace

RuleLearner::RuleLearner(std::vector<ReferenceRule> references, RecordedValues& values)
    : references_(std::move(references)), values_(values) {}

void RuleLearner::BeginFile(const std::string&, const std::string&, bool binary) {
  ++seen_.files;
  if (binary) ++seen_.binary_files;
}

bool RuleLearner::GoOnAfter(const TarnError& error, const std::string& path) {
  // Built member by member: GCC 12 at -O3 takes the nested braces for a read of an
  // uninitialised string when Describe may throw.
  Undescribable item;
  item.place.file = path;
  item.what = Describe(error);
  seen_.undescribable.push_back(std::move(item));
  return true;
}

void RuleLearner::Add(Finding finding) {
  const Place place{finding.file, finding.editor_line};
  switch (finding.kind) {
    case Finding::Kind::kRepair:
      seen_.undescribable.push_back({place, "a malformed line the reader repairs"});
      return;
    case Finding::Kind::kReference:
      seen_.missing_files.push_back({{finding.file, finding.line}, finding.value});
      return;
    case Finding::Kind::kFile:
      seen_.undescribable.push_back({place, WarningText(finding.number) + ": " + finding.value +
                                                " bytes, over the limit of " + finding.key +
                                                "; checking skips the file"});
      return;
    case Finding::Kind::kUnknownName:  // names are checked after a walk, not during one
    case Finding::Kind::kSectionLine:
      seen_.undescribable.push_back(
          {place, ErrorText(finding.number) + " !" + finding.key + "!" + finding.value + "!"});
      return;
  }
}

SectionStats& RuleLearner::SectionOf(const std::string& name, const std::string& area) {
  AsciiUpperInto(name, upper_);
  auto [at, added] = seen_.section_index.try_emplace(upper_, seen_.sections_seen.size());
  if (added) {
    seen_.sections_seen.emplace_back();
    seen_.sections_seen.back().area = area;
  }
  SectionStats& section = seen_.sections_seen[at->second];
  section.spelling.Add(name);
  return section;
}

const ReferenceRule* RuleLearner::ReferenceOf(const std::string& section,
                                              const std::string& key) const {
  for (const ReferenceRule& reference : references_) {
    if (EqualsIgnoringAsciiCase(reference.section, section) &&
        EqualsIgnoringAsciiCase(reference.key, key)) {
      return &reference;
    }
  }
  return nullptr;
}

void RuleLearner::HandleSection(const std::string& area, SectionBuffer& buffer) {
  if (buffer.Name.empty()) {
    seen_.undescribable.push_back({{buffer.SourceFile, buffer.HeaderLine},
                                   "a section without a name, which no rule can have"});
    return;
  }
  ++seen_.sections;
  if (seen_.section_files.empty() || seen_.section_files.back() != buffer.SourceFile) {
    seen_.section_files.push_back(buffer.SourceFile);
  }
  SectionStats& section = SectionOf(buffer.Name, area);
  ++section.count;
  for (std::int16_t index = 1; index <= buffer.EntryCount; ++index) {
    RecordLine(section, area, buffer, index);
  }
}

void RuleLearner::RecordLine(SectionStats& section, const std::string& area,
                             const SectionBuffer& buffer, std::int16_t index) {
  const std::string& name = buffer.EntryNames[index];
  const Place place{buffer.SourceFile, buffer.EntryLines[index]};
  ++seen_.lines;
  AsciiUpperInto(name, upper_);
  auto [at, added] = section.key_index.try_emplace(upper_, section.keys.size());
  if (added) section.keys.emplace_back();
  KeyStats& key = section.keys[at->second];
  key.spelling.Add(name);
  ++key.lines;
  if (buffer.EntryBare[index]) ++key.bare_lines;
  // Sections are numbered by the count of all sections handled so far.
  if (key.last_section == seen_.sections) {
    key.multi_line = true;
  } else {
    key.last_section = seen_.sections;
    ++key.sections_holding;
  }

  items_.clear();
  try {
    std::int16_t scan = 1;
    std::string_view item;
    while (GetNextValue(buffer.EntryValues[index], scan, item)) items_.push_back(item);
  } catch (const TarnError&) {
    seen_.undescribable.push_back(
        {place, "a value text longer than 32,766 characters: " + name + " = ..."});
    return;
  }
  key.min_values = std::min(key.min_values, items_.size());
  key.max_values = std::max(key.max_values, items_.size());
  if (key.positions.size() < items_.size()) {
    key.positions.resize(items_.size());
    key.names.resize(items_.size());
  }
  const auto file = static_cast<std::uint32_t>(seen_.section_files.size() - 1);
  for (std::size_t position = 0; position < items_.size(); ++position) {
    const std::string_view item = items_[position];
    PositionNames& names = key.names[position];
    if (!key.positions[position].Add(item, place)) {
      ++names.others;
    } else if (!item.empty()) {
      AsciiLowerInto(item, lower_);
      names.Add(seen_.names.Id(lower_), file, place.line);
    }
  }
  if (const ReferenceRule* reference = ReferenceOf(buffer.Name, name)) {
    for (std::string_view item : items_) {
      seen_.named_files.push_back({buffer.SourceFile, std::string(item)});
    }
    RecordReference(*reference, area, buffer, index, items_);
  }
}

// The rows the value query gives for a stored line: names as stored (lower case), texts in
// the data database's UTF-8, one row per value, or one without a value for a line with none.
void RuleLearner::RecordReference(const ReferenceRule& reference, const std::string& area,
                                  const SectionBuffer& buffer, std::int16_t index,
                                  const std::vector<std::string_view>& items) {
  const std::int16_t id = reference.id;
  StoredValueRow row;
  row.area = AsciiLowered(area);
  row.section = AsciiLowered(reference.section);
  row.file = Cp1252ToUtf8(buffer.SourceFile);
  row.section_line = buffer.HeaderLine;
  row.entry = AsciiLowered(reference.key);
  row.entry_line = buffer.HeaderLine + index;
  row.disk_file = buffer.DiskFile;
  row.editor_line = buffer.EntryLines[index];
  if (items.empty()) {
    values_.Record(id, row);
    return;
  }
  for (std::string_view item : items) {
    row.value = Cp1252ToUtf8(item);
    values_.Record(id, row);
  }
}

}  // namespace tarn
