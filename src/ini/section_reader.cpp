#include "ini/section_reader.h"

#include "model/ascii_case.h"
#include "model/entry.h"
#include "model/section.h"
#include "shell/error.h"
#include "shell/front_end.h"
#include "shell/globals.h"
#include "shell/log.h"
#include "shell/run_stats.h"

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

bool ReadSection(SectionBuffer& buffer, cFile& file) {
  StatsScope measure(RunStats::kReading);
  std::string line;
  do {
    if (file.EndOfFile()) return false;
    line = file.ReadLine();
  } while (line.empty() || line.front() != '[');

  buffer.SourceFile = file.FileName();
  buffer.HeaderLine = file.LineNum();
  buffer.Name = line;
  buffer.EntryNames[1] = line;
  buffer.EntryValues[1].clear();
  if (line.back() != ']') {
    WarnSectionLine(buffer, kErrNoClosingBracket, 1);
    buffer.Name = line.substr(1);
  } else {
    // Not trimmed: "[ Ship ]" names the section " Ship ".
    buffer.Name = line.substr(1, line.size() - 2);
  }

  buffer.EntryCount = 0;
  while (true) {
    if (file.EndOfFile()) return true;
    line = file.ReadLine();
    if (line.empty()) continue;
    if (line.front() == '[') {
      file.Backline(line);
      return true;
    }
    if (buffer.EntryCount == SectionBuffer::kMaxLines) RaisePlatformError(kErrSubscriptOutOfRange);
    const int index = ++buffer.EntryCount;
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || equals == 0) {
      buffer.EntryNames[index] = line;
      buffer.EntryValues[index].clear();
    } else {
      std::string_view text = line;
      buffer.EntryNames[index] = TrimSpaces(text.substr(0, equals));
      buffer.EntryValues[index] = TrimSpaces(text.substr(equals + 1));
    }
  }
}

void DoSection(const std::string& area, SectionBuffer& buffer) {
  StatsScope measure(RunStats::kChecking);
  bool looking_up_section = true;
  std::int16_t index = 1;
  cSection* section = nullptr;
  try {
    if (!colRules) RaisePlatformError(kErrObjectNotSet);
    section = &colRules->Item(AsciiUppered(buffer.Name));
    looking_up_section = false;
    std::string key;
    for (index = 1; index <= buffer.EntryCount; ++index) {
      const std::string& name = buffer.EntryNames[index];
      key.assign(name);
      for (char& c : key) c = AsciiUpper(c);
      try {
        section->Item(key).SetValues(name, buffer.EntryValues[index],
                                     buffer.HeaderLine + index);
      } catch (const TarnError& error) {
        if (!IsDataFinding(error)) throw;
        WarnSectionLine(buffer, WarningNumber(error), index);
      }
    }
    section->SetFile(buffer.SourceFile);
    section->SetLineNo(buffer.HeaderLine);
    section->SetArea(area);
    // A finding raised while storing ends this section after its warning: the lines are
    // not handed over a second time.
    try {
      StatsScope storing(RunStats::kStoring);
      section->Store();
    } catch (const TarnError& error) {
      if (!IsDataFinding(error)) throw;
      section->Clear();
      WarnSectionLine(buffer, WarningNumber(error), 1);
      return;
    }
    section->Clear();
  } catch (const TarnError& error) {
    if (looking_up_section && error.Number() == kErrInvalidArgument) {
      WarnSectionLine(buffer, kErrUnknownSection, 1);
      return;
    }
    ReportError(error, "DoSection");
    EndProgram();
  }
}

}  // namespace tarn
