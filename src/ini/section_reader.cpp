#include "ini/section_reader.h"

#include "log/log.h"
#include "platform/ascii_case.h"
#include "platform/error.h"

namespace tarn {

bool ReadSection(SectionBuffer& buffer, LineSource& file, Log& log) {
  std::string line;
  do {
    if (file.EndOfFile()) return false;
    line = file.ReadLine();
  } while (line.empty() || line.front() != '[');

  buffer.SourceFile = file.FileName();
  buffer.DiskFile = file.DiskPath();
  buffer.Binary = file.IsBinary();
  buffer.HeaderLine = file.LineNum();
  buffer.Name = line;
  buffer.EntryNames[1] = line;
  buffer.EntryValues[1].clear();
  buffer.EntryLines[1] = buffer.HeaderLine;
  // No line of this section is read yet; the warning's finding looks at none of the last's.
  buffer.EntryCount = 0;
  const bool bracket = line.back() == ']';
  // Not trimmed: "[ Ship ]" names the section " Ship ".
  const std::string name = bracket ? line.substr(1, line.size() - 2) : line.substr(1);
  buffer.SameNameBefore = file.CountSection(name);
  if (!bracket) log.WarnSectionLine(buffer, kErrNoClosingBracket, 1);
  buffer.Name = name;

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
    buffer.EntryLines[index] = file.LineNum();
    buffer.EntryBare[index] = file.LastLineBare();
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

}  // namespace tarn
