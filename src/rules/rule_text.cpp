#include "rules/rule_text.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>
#include <vector>

#include "platform/ascii_case.h"

namespace tarn {

namespace {

constexpr std::string_view kBlanks = " \t\r";

// The words of the entry flags that say how a flag key is written.
constexpr std::string_view kBareWord = "bare";
constexpr std::string_view kValuedWord = "valued";

std::string_view Trim(std::string_view text) {
  std::size_t start = text.find_first_not_of(kBlanks);
  if (start == std::string_view::npos) return {};
  std::size_t end = text.find_last_not_of(kBlanks);
  return text.substr(start, end - start + 1);
}

// The position of the first c outside double quotes, or npos.
std::size_t FindOutsideQuotes(std::string_view text, char c) {
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (!quoted && text[i] == c) return i;
  }
  return std::string_view::npos;
}

std::vector<std::string_view> SplitOutsideQuotes(std::string_view text, char c) {
  std::vector<std::string_view> parts;
  while (true) {
    std::size_t at = FindOutsideQuotes(text, c);
    parts.push_back(Trim(text.substr(0, at)));
    if (at == std::string_view::npos) break;
    text.remove_prefix(at + 1);
  }
  return parts;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  while (true) {
    std::size_t start = text.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) break;
    text.remove_prefix(start);
    std::size_t end = text.find_first_of(kBlanks);
    words.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end);
  }
  return words;
}

std::optional<std::int32_t> Number(std::string_view text) {
  std::int32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool IsPlainName(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '-' ||
           static_cast<unsigned char>(c) >= 0x80;
  });
}

class LineParser {
 public:
  LineParser(const std::string& file, int line) : file_(file), line_(line) {}

  [[noreturn]] void Fail(const std::string& message) const {
    throw RuleSourceError(file_, line_, message);
  }

  ValueRule ParseValue(std::string_view text) const {
    ValueRule value;
    if (text.empty()) Fail("empty value position");
    const std::size_t arrow = FindOutsideQuotes(text, '>');
    if (arrow != std::string_view::npos) {
      if (arrow == 0 || text[arrow - 1] != '-') Fail("expected \"->\" before what a value names");
      for (std::string_view target : SplitOutsideQuotes(text.substr(arrow + 1), '|')) {
        value.refers_to.push_back(ParseTarget(target));
      }
      text = Trim(text.substr(0, arrow - 1));
      if (text.empty()) Fail("empty value position");
    }
    if (text.front() == '*') {
      value.is_multi = true;
      text = Trim(text.substr(1));
    }
    std::size_t colon = FindOutsideQuotes(text, ':');
    std::string_view type = text;
    if (colon != std::string_view::npos) {
      value.name = Unquote(Trim(text.substr(0, colon)));
      type = Trim(text.substr(colon + 1));
    }
    if (EqualsIgnoringAsciiCase(type, kWholeTypeName)) {
      value.type = 1;
      value.whole = true;
      return value;
    }
    auto code = TypeCode(std::string(type));
    if (!code) Fail("unknown value type \"" + std::string(type) + "\"");
    value.type = *code;
    return value;
  }

  // "[Section]key", either name bare or quoted, after the word "local" for names that live
  // in groups of files.
  NameTarget ParseTarget(std::string_view text) const {
    bool local = false;
    if (text.size() > 5 && EqualsIgnoringAsciiCase(text.substr(0, 5), "local") &&
        (text[5] == ' ' || text[5] == '\t' || text[5] == '[')) {
      local = true;
      text = Trim(text.substr(5));
    }
    if (text.empty() || text.front() != '[') {
      Fail("expected a section in brackets and a key, as in [Gun]nickname");
    }
    text.remove_prefix(1);
    const std::size_t close = FindOutsideQuotes(text, ']');
    if (close == std::string_view::npos) Fail("a named section without its closing \"]\"");
    NameTarget target;
    target.section = Unquote(Trim(text.substr(0, close)));
    const std::string_view key = Trim(text.substr(close + 1));
    if (key.empty()) Fail("no key after [" + target.section + "]");
    target.key = Unquote(key);
    target.local = local;
    return target;
  }

  std::string Unquote(std::string_view name) const {
    if (!name.empty() && name.front() == '"') {
      std::string_view rest;
      std::string unquoted = Quoted(name, rest);
      if (!Trim(rest).empty()) Fail("text after the quoted name \"" + unquoted + "\"");
      return unquoted;
    }
    if (!IsPlainName(name)) Fail("name \"" + std::string(name) + "\" needs double quotes");
    return std::string(name);
  }

  // The name quoted at the start of text ("" stands for one "), and in rest what follows it.
  std::string Quoted(std::string_view text, std::string_view& rest) const {
    std::string name;
    for (std::size_t i = 1; i < text.size(); ++i) {
      if (text[i] != '"') {
        name += text[i];
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        name += '"';
        ++i;
      } else {
        rest = text.substr(i + 1);
        return name;
      }
    }
    Fail("a quoted name without its closing '\"'");
  }

  EntryRule ParseEntry(std::string_view text, int place) const {
    std::size_t equals = FindOutsideQuotes(text, '=');
    if (equals == std::string_view::npos) Fail("expected \"=\" and the value positions");
    std::string_view head = text.substr(0, equals);
    EntryRule entry;
    entry.line = line_;
    entry.idx = place;
    std::vector<std::string_view> words;
    if (!head.empty() && head.front() == '"') {
      std::string_view rest;
      entry.name = Quoted(head, rest);
      if (entry.name.empty()) Fail("entry rule with an empty key");
      words = Words(rest);
      words.insert(words.begin(), std::string_view(entry.name));
    } else {
      words = Words(head);
      if (words.empty()) Fail("entry rule without a key");
      entry.name = std::string(words[0]);
    }
    if (words.size() < 2 || words[1].front() != '#' || !Number(words[1].substr(1))) {
      Fail("entry rule \"" + entry.name + "\" needs its identifier, as in #1234");
    }
    entry.db_id = *Number(words[1].substr(1));
    std::optional<std::int32_t> fixed;
    bool var_args = false;
    for (std::size_t i = 2; i < words.size(); ++i) {
      std::string_view word = words[i];
      if (word == "multiline") {
        entry.multi_line = true;
      } else if (word == "mandatory") {
        entry.mandatory = true;
      } else if (word == kBareWord || word == kValuedWord) {
        if (!IsFlagKey(entry.name)) {
          Fail("\"" + std::string(word) +
               "\" is only for the keys the reader repairs when they "
               "stand alone: separable, offer_missions");
        }
        const FlagForm form = word == kBareWord ? FlagForm::kBare : FlagForm::kValued;
        if (entry.flag != FlagForm::kUnsaid && entry.flag != form) {
          Fail("entry rule \"" + entry.name + "\" cannot be both bare and valued");
        }
        entry.flag = form;
      } else if (word == "varargs") {
        var_args = true;
      } else if (word.starts_with("idx:") && Number(word.substr(4))) {
        entry.idx = *Number(word.substr(4));
      } else if (word.starts_with("fixed:") && Number(word.substr(6))) {
        fixed = Number(word.substr(6));
      } else {
        Fail("unknown flag \"" + std::string(word) + "\"");
      }
    }
    for (std::string_view value : SplitOutsideQuotes(text.substr(equals + 1), ',')) {
      entry.values.push_back(ParseValue(value));
    }
    std::int32_t fixed_values = 0;
    for (const ValueRule& value : entry.values) {
      if (value.is_multi) {
        var_args = true;
      } else {
        ++fixed_values;
      }
    }
    entry.fixed = fixed.value_or(fixed_values);
    entry.var_args = var_args;
    return entry;
  }

 private:
  const std::string& file_;
  int line_;
};

std::string Quote(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string QuotedIfNeeded(const std::string& name) {
  return IsPlainName(name) ? name : Quote(name);
}

// Keys are written bare unless a blank, "=", ";" or '"' would end, cut or hide them.
std::string KeyText(const std::string& key) {
  const bool bare = !key.empty() && key.find_first_of(" \t\r=;\"") == std::string::npos;
  return bare ? key : Quote(key);
}

// Section names are written bare unless blanks (a tab too) at either end, '"' or ";" would be
// lost.
std::string SectionText(const std::string& name) {
  const bool bare = !name.empty() && kBlanks.find(name.front()) == std::string_view::npos &&
                    kBlanks.find(name.back()) == std::string_view::npos &&
                    name.find_first_of(";\"") == std::string::npos;
  return bare ? name : Quote(name);
}

std::string FormatValue(const ValueRule& value) {
  std::string text = value.is_multi ? "*" : "";
  if (value.name) text += QuotedIfNeeded(*value.name) + ":";
  text += PositionTypeName(value);
  for (std::size_t i = 0; i < value.refers_to.size(); ++i) {
    const NameTarget& target = value.refers_to[i];
    text += i == 0 ? " -> " : " | ";
    if (target.local) text += "local ";
    text += "[" + QuotedIfNeeded(target.section) + "]" + QuotedIfNeeded(target.key);
  }
  return text;
}

std::string FormatEntry(const EntryRule& entry, int place) {
  std::string line = KeyText(entry.name) + " #" + std::to_string(entry.db_id);
  if (entry.multi_line) line += " multiline";
  if (entry.mandatory) line += " mandatory";
  if (entry.flag == FlagForm::kBare) line += " " + std::string(kBareWord);
  if (entry.flag == FlagForm::kValued) line += " " + std::string(kValuedWord);
  if (entry.idx != place) line += " idx:" + std::to_string(entry.idx);
  std::int32_t fixed_values = 0;
  bool has_multi = false;
  for (const ValueRule& value : entry.values) {
    if (value.is_multi) {
      has_multi = true;
    } else {
      ++fixed_values;
    }
  }
  if (entry.fixed != fixed_values) line += " fixed:" + std::to_string(entry.fixed);
  if (entry.var_args && !has_multi) line += " varargs";
  line += " =";
  for (std::size_t i = 0; i < entry.values.size(); ++i) {
    line += (i == 0 ? " " : ", ") + FormatValue(entry.values[i]);
  }
  return line;
}

}  // namespace

std::string TypeName(std::int32_t type) {
  static const char* const kNames[] = {"Long", "Double", "String", "Boolean", "Null"};
  if (type >= 1 && type <= 5) return kNames[type - 1];
  return std::to_string(type);
}

std::string PositionTypeName(const ValueRule& value) {
  return value.whole && value.type == 1 ? kWholeTypeName : TypeName(value.type);
}

std::optional<std::int32_t> TypeCode(const std::string& name) {
  for (std::int32_t code = 1; code <= 5; ++code) {
    std::string known = TypeName(code);
    if (known.size() == name.size() &&
        std::equal(known.begin(), known.end(), name.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) ==
                 std::tolower(static_cast<unsigned char>(b));
        })) {
      return code;
    }
  }
  return Number(name);
}

void ParseRuleText(std::string_view text, const std::string& file, RuleSet& rules) {
  int line_number = 0;
  SectionRule* section = nullptr;
  while (!text.empty()) {
    ++line_number;
    std::size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    std::string_view line = Trim(raw.substr(0, FindOutsideQuotes(raw, ';')));
    if (line.empty()) continue;
    LineParser parser(file, line_number);
    if (line.front() == '[') {
      if (line.back() != ']') parser.Fail("section header without \"]\"");
      std::string_view inside = Trim(line.substr(1, line.size() - 2));
      const std::string name =
          inside.starts_with('"') ? parser.Unquote(inside) : std::string(inside);
      if (name.empty()) parser.Fail("section header without a name");
      rules.sections.push_back(SectionRule{name, file, {}, line_number});
      section = &rules.sections.back();
      continue;
    }
    if (section == nullptr) parser.Fail("entry rule before the first section header");
    section->entries.push_back(
        parser.ParseEntry(line, static_cast<int>(section->entries.size()) + 1));
  }
}

namespace {

std::string FileHeader(const std::string& file) {
  return "; " + file + ": rule source of TARN.MDB (see data/README.md)\n";
}

void AppendSection(std::string& text, const SectionRule& section) {
  text += "\n[";
  text += SectionText(section.name);
  text += "]\n";
  int place = 0;
  for (const EntryRule& entry : section.entries) {
    text += FormatEntry(entry, ++place);
    text += '\n';
  }
}

}  // namespace

std::string FormatRuleText(const RuleSet& rules, const std::string& file) {
  std::string text = FileHeader(file);
  for (const SectionRule& section : rules.sections) {
    if (section.file == file) AppendSection(text, section);
  }
  return text;
}

std::vector<FolderFile> RuleFolderFiles(const RuleSet& rules) {
  // Files in the order their first section comes; sections are put into their file in one
  // pass, so that the time grows with the sections alone, however many files hold them.
  std::vector<FolderFile> files;
  std::unordered_map<std::string_view, std::size_t> file_of;
  for (const SectionRule& section : rules.sections) {
    auto [at, added] = file_of.emplace(section.file, files.size());
    if (added) files.push_back({section.file, FileHeader(section.file)});
    AppendSection(files[at->second].data, section);
  }
  return files;
}

}  // namespace tarn
