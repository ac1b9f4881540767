#include "rules/rule_folder.h"

#include <algorithm>
#include <memory>

#include "platform/ascii_case.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "rules/rule_text.h"

namespace tarn {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool IsRuleFileName(std::string_view name) {
  constexpr std::string_view kExtension = ".rules";
  return name.size() > kExtension.size() &&
         EqualsIgnoringAsciiCase(name.substr(name.size() - kExtension.size()), kExtension);
}

// The text of a rule file as the parser takes it: in the game's code page. A file that starts
// with a UTF-8 byte order mark is UTF-8 (as editors save it); any other is the code page.
std::string InCodePage(std::string text, const std::string& file) {
  if (!text.starts_with(kUtf8Mark)) return text;
  const std::string_view utf8 = std::string_view(text).substr(kUtf8Mark.size());
  const std::size_t bad = FirstNonCp1252(utf8);
  if (bad != std::string_view::npos) {
    const auto line = 1 + std::count(utf8.begin(), utf8.begin() + static_cast<long>(bad), '\n');
    throw RuleSourceError(file, static_cast<int>(line),
                          "a character the game's code page 1252 does not hold, or text that "
                          "is not UTF-8 (the file starts with a UTF-8 byte order mark)");
  }
  return Utf8ToCp1252(utf8);
}

// What went wrong, without the game's words for a file it cannot find when the file system
// says more ("it is a FIFO").
std::string Reason(const TarnError& error) {
  const std::string& text = error.Description();
  const std::string prefix = PlatformErrorText(kErrFileNotFound) + ": ";
  return text.starts_with(prefix) ? text.substr(prefix.size()) : text;
}

std::string ReadWhole(FileSystem& files, const std::string& path, const std::string& name) {
  std::string text;
  try {
    const std::unique_ptr<InputFile> in = files.OpenForReading(path);
    char buffer[1 << 16];
    while (const std::size_t n = in->Read(buffer, sizeof buffer)) text.append(buffer, n);
  } catch (const TarnError& error) {
    throw RuleFolderError(name, 0, "cannot be read: " + Reason(error));
  }
  return text;
}

}  // namespace

RuleSet ReadRuleFolder(FileSystem& files, const std::string& folder) {
  std::vector<std::string> names;
  try {
    names = files.ListFolder(folder);
  } catch (const TarnError& error) {
    throw RuleFolderError("", 0, "cannot read the folder: " + error.Description());
  }
  RuleSet rules;
  for (const std::string& name : names) {
    if (!IsRuleFileName(name)) continue;
    ParseRuleText(InCodePage(ReadWhole(files, JoinPath(folder, name), name), name), name, rules);
  }
  return rules;
}

void WriteRuleFolder(FileSystem& files, const RuleSet& rules, const std::string& folder) {
  try {
    files.MakeFolder(folder);
  } catch (const TarnError& error) {
    throw RuleFolderError("", 0, "cannot make the folder: " + error.Description());
  }
  for (const FolderFile& file : RuleFolderFiles(rules)) {
    try {
      files.WriteWholeFile(JoinPath(folder, file.name), file.data);
    } catch (const TarnError& error) {
      throw RuleFolderError(file.name, 0, "cannot be written: " + error.Description());
    }
  }
}

}  // namespace tarn
