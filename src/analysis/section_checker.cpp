#include "analysis/section_checker.h"

#include "analysis/reference_recorder.h"
#include "log/front_end.h"
#include "log/log.h"
#include "log/run_stats.h"
#include "model/row_sink.h"
#include "platform/ascii_case.h"
#include "platform/error.h"

namespace tarn {

namespace {

// Errors that describe the game's data: a missing key (5), a value out of range (6) and
// the model's own numbered findings.
bool IsDataFinding(const TarnError& error) {
  return error.Number() == kErrInvalidArgument || error.Number() == kErrOverflow ||
         error.Number() > 10000;
}

std::int32_t WarningNumber(const TarnError& error) {
  if (error.Number() == kErrInvalidArgument) return kErrUnknownEntry;
  if (error.Number() == kErrOverflow) return kErrValueOverflow;
  return error.Number();
}

}  // namespace

std::string_view SectionChecker::KeyHint(const Section& section, const std::string& key) {
  auto [hints, added] = key_hints_.try_emplace(&section);
  if (added) {
    for (const Entry& entry : section) {
      try {
        hints->second.Add(entry.EntryName());
      } catch (const TarnError&) {
        // An entry rule without its first line has no name to offer.
      }
    }
  }
  return hints->second.Nearest(key);
}

std::string_view SectionChecker::SectionHint(const std::string& name) {
  if (rules_ == nullptr) return {};
  if (section_hints_ == nullptr) {
    section_hints_ = std::make_unique<NearNames>();
    for (const Section& section : *rules_) section_hints_->Add(section.SectionName());
  }
  return section_hints_->Nearest(name);
}

void SectionChecker::BeginFile(const std::string&, const std::string&, bool) { ++files_; }

FlagForm SectionChecker::FlagFormOf(const std::string& section, std::string_view key) const {
  if (rules_ == nullptr) return FlagForm::kUnsaid;
  const Section* rule = rules_->Find(section);
  const Entry* entry = rule == nullptr ? nullptr : rule->Find(key);
  return entry == nullptr ? FlagForm::kUnsaid : entry->FlagForm();
}

void SectionChecker::HandleSection(const std::string& area, SectionBuffer& buffer) {
  StatsScope measure(stats_, RunStats::kChecking);
  ++sections_;
  bool looking_up_section = true;
  try {
    if (rules_ == nullptr) RaisePlatformError(kErrObjectNotSet);
    Section& section = rules_->Item(AsciiUppered(buffer.Name));
    looking_up_section = false;
    for (std::int16_t index = 1; index <= buffer.EntryCount; ++index) {
      const std::string& name = buffer.EntryNames[index];
      key_.assign(name);
      for (char& c : key_) c = AsciiUpper(c);
      try {
        Entry& entry = section.Item(key_);
        const FlagForm form = entry.FlagForm();
        if (form != FlagForm::kUnsaid && IsFlagKey(name) &&
            buffer.EntryBare[index] != (form == FlagForm::kBare)) {
          log_.WarnSectionLine(buffer, kErrFlagFormMismatch, index);
        }
        entry.SetValues(name, buffer.EntryValues[index], buffer.HeaderLine + index);
      } catch (const TarnError& error) {
        if (!IsDataFinding(error)) throw;
        const bool unknown_key = error.Number() == kErrInvalidArgument;
        log_.WarnSectionLine(buffer, WarningNumber(error), index,
                             unknown_key ? KeyHint(section, name) : std::string_view());
      }
    }
    section.SetFile(buffer.SourceFile);
    section.SetLineNo(buffer.HeaderLine);
    section.SetArea(area);
    // A finding raised while storing ends this section after its warning: the lines are
    // not handed over a second time.
    try {
      StatsScope storing(stats_, RunStats::kStoring);
      if (rows_ == nullptr) RaisePlatformError(kErrObjectNotSet);
      if (recorder_ != nullptr) recorder_->SetSection(buffer);
      section.Store(*rows_);
    } catch (const TarnError& error) {
      if (!IsDataFinding(error)) throw;
      section.Clear();
      log_.WarnSectionLine(buffer, WarningNumber(error), 1);
      return;
    }
    section.Clear();
  } catch (const TarnError& error) {
    if (looking_up_section && error.Number() == kErrInvalidArgument) {
      log_.WarnSectionLine(buffer, kErrUnknownSection, 1, SectionHint(buffer.Name));
      return;
    }
    log_.ReportError(error, "DoSection");
    EndProgram();
  }
}

}  // namespace tarn
