#include "model/section.h"

#include "datadb/data_tables.h"
#include "model/ascii_case.h"
#include "shell/error.h"
#include "shell/globals.h"

namespace tarn {

void cSection::SetArea(std::string_view vData) { area_.assign(vData); }

void cSection::SetFile(std::string_view vData) { file_.assign(vData); }

void cSection::SetSectionName(std::string_view vData) {
  section_name_.assign(vData);
  AsciiLowerInto(section_name_, stored_section_name_);
}

void cSection::Store() {
  if (!rstSections) RaisePlatformError(kErrObjectNotSet);
  AsciiLowerInto(area_, stored_area_);
  section_row_id_ = rstSections->Append(stored_area_, stored_section_name_, file_, line_);
  for (const cEntry& entry : entries_) entry.Store(section_row_id_);
}

cEntry& cSection::Add(std::string_view EntryName, std::int16_t FixedValuesNo, bool IsMultiLine,
                      bool HasVariableValues, bool IsMandatory, std::int32_t lEntryID,
                      std::string_view sKey) {
  auto entry = std::make_unique<cEntry>();
  entry->Init(section_name_, EntryName, FixedValuesNo, IsMultiLine, HasVariableValues, IsMandatory,
              lEntryID);
  return entries_.Add(std::move(entry), sKey);
}

void cSection::Clear() {
  for (cEntry& entry : entries_) entry.Clear();
}

}  // namespace tarn
