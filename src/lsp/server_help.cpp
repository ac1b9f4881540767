// Help while typing: hover, completion, go to definition and the outline, from the rules and
// the names the walk learned. Each reads the line under the cursor as the game's reader
// would: a ";" starts a comment, "[Name]" a section, "key = value, value" an entry.
#include <algorithm>

#include "lsp/file_uri.h"
#include "lsp/server.h"
#include "lsp/server_state.h"
#include "platform/ascii_case.h"
#include "platform/codepage.h"

namespace tarn {

using nlohmann::json;

namespace {

constexpr std::size_t kMaxCompletions = 2000;
constexpr int kCompletionField = 5;
constexpr int kCompletionValue = 12;
constexpr int kSymbolStruct = 23;

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string_view WithoutComment(std::string_view line) {
  return line.substr(0, std::min(line.size(), line.find(';')));
}

// The section name of a header line, or nullopt for any other line.
std::optional<std::string_view> HeaderName(std::string_view line) {
  line = Trimmed(WithoutComment(line));
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  return Trimmed(line.substr(0, std::min(line.size(), line.find(']'))));
}

// Where the cursor stands on an entry line: the section above it, the key, and which value
// (from 1; 0 on the key) with its text.
struct Spot {
  std::string section;
  std::string key;
  std::int32_t position = 0;
  std::string value;
  bool header = false;
};

std::optional<Spot> SpotAt(const DocumentText& text, std::int32_t line, std::size_t byte) {
  const std::string_view here = WithoutComment(text.Line(line));
  Spot spot;
  if (const auto name = HeaderName(here)) {
    spot.section = std::string(*name);
    spot.header = true;
    return spot;
  }
  for (std::int32_t above = line - 1; above >= 0; --above) {
    if (const auto name = HeaderName(text.Line(above))) {
      spot.section = std::string(*name);
      break;
    }
  }
  const std::size_t equals = here.find('=');
  spot.key = std::string(Trimmed(here.substr(0, std::min(equals, here.size()))));
  if (equals == std::string_view::npos || byte <= equals) return spot;
  spot.position = 1;
  std::size_t start = equals + 1;
  for (std::size_t at = start; at < std::min(byte, here.size()); ++at) {
    if (here[at] == ',') {
      ++spot.position;
      start = at + 1;
    }
  }
  const std::size_t end = std::min(here.find(',', start), here.size());
  spot.value = std::string(Trimmed(here.substr(start, end - start)));
  return spot;
}

std::string RuleMarkdown(const SectionRule& section, const EntryRule& entry) {
  std::string text = "**" + entry.name + "** in [" + section.name + "]\n\n";
  text += entry.mandatory ? "Required" : "Optional";
  text += entry.multi_line ? ", may stand on several lines" : ", once per section";
  text += "; " + std::to_string(entry.fixed) + " fixed value" + (entry.fixed == 1 ? "" : "s");
  if (entry.var_args) text += ", then any number more";
  text += "\n";
  for (std::size_t at = 0; at < entry.values.size(); ++at) {
    const ValueRule& value = entry.values[at];
    text += "\n- " + (value.is_multi ? std::string("…") : std::to_string(at + 1)) + ". ";
    if (value.name) text += "`" + *value.name + "` ";
    text += TypeName(value.type);
    if (value.whole) text += " (whole)";
    if (!value.refers_to.empty()) {
      text += ", names";
      for (std::size_t t = 0; t < value.refers_to.size(); ++t) {
        text += (t == 0 ? " " : " or ") + std::string("[") + value.refers_to[t].section + "]" +
                value.refers_to[t].key;
      }
    }
  }
  return text;
}

}  // namespace

json LanguageServer::Hover(const json& params) {
  ServerState& state = *state_;
  const auto document =
      state.documents.find(params.at("textDocument").at("uri").get<std::string>());
  if (document == state.documents.end() || !state.index) return nullptr;
  const DocumentText& text = document->second.text;
  const auto line = params.at("position").at("line").get<std::int32_t>();
  const auto character = params.at("position").at("character").get<std::int32_t>();
  const auto spot = SpotAt(text, line, text.ByteOffset(line, character, state.unit));
  if (!spot) return nullptr;
  std::string markdown;
  if (spot->header) {
    const SectionRule* section = state.index->FindSection(Utf8ToCp1252(spot->section));
    if (section == nullptr) return nullptr;
    markdown = "**[" + section->name + "]**: " + std::to_string(section->entries.size()) + " keys";
  } else {
    const SectionRule* section = state.index->FindSection(Utf8ToCp1252(spot->section));
    const EntryRule* entry =
        state.index->FindEntry(Utf8ToCp1252(spot->section), Utf8ToCp1252(spot->key));
    if (section == nullptr || entry == nullptr) return nullptr;
    markdown = RuleMarkdown(*section, *entry);
  }
  return {{"contents", {{"kind", "markdown"}, {"value", Cp1252ToUtf8(markdown)}}}};
}

json LanguageServer::Completion(const json& params) {
  ServerState& state = *state_;
  json items = json::array();
  const auto document =
      state.documents.find(params.at("textDocument").at("uri").get<std::string>());
  if (document == state.documents.end() || !state.index) return items;
  const DocumentText& text = document->second.text;
  const auto line = params.at("position").at("line").get<std::int32_t>();
  const auto character = params.at("position").at("character").get<std::int32_t>();
  const auto spot = SpotAt(text, line, text.ByteOffset(line, character, state.unit));
  if (!spot || spot->header) return items;
  const std::string section = Utf8ToCp1252(spot->section);
  if (spot->position == 0) {
    const SectionRule* rule = state.index->FindSection(section);
    if (rule == nullptr) return items;
    for (const EntryRule& entry : rule->entries) {
      items.push_back({{"label", Cp1252ToUtf8(entry.name)}, {"kind", kCompletionField}});
    }
    return items;
  }
  const EntryRule* entry = state.index->FindEntry(section, Utf8ToCp1252(spot->key));
  const ValueRule* value = entry == nullptr ? nullptr : RuleIndex::Position(*entry, spot->position);
  if (value == nullptr || value->refers_to.empty() || !state.walked) return items;
  std::unordered_set<std::string> offered;
  for (const NameTarget& target : value->refers_to) {
    const auto names = state.walked->names.find(TargetKey(target.section, target.key));
    if (names == state.walked->names.end()) continue;
    for (const auto& [lowered, places] : names->second) {
      if (items.size() >= kMaxCompletions) break;
      if (places.empty() || !offered.insert(lowered).second) continue;
      items.push_back({{"label", Cp1252ToUtf8(places.front().spelling)},
                       {"kind", kCompletionValue},
                       {"detail", "[" + target.section + "]" + target.key}});
    }
  }
  return items;
}

json LanguageServer::Definition(const json& params) {
  ServerState& state = *state_;
  const auto document =
      state.documents.find(params.at("textDocument").at("uri").get<std::string>());
  if (document == state.documents.end() || !state.index || !state.walked) return nullptr;
  const DocumentText& text = document->second.text;
  const auto line = params.at("position").at("line").get<std::int32_t>();
  const auto character = params.at("position").at("character").get<std::int32_t>();
  const auto spot = SpotAt(text, line, text.ByteOffset(line, character, state.unit));
  if (!spot || spot->position == 0 || spot->value.empty()) return nullptr;
  const EntryRule* entry =
      state.index->FindEntry(Utf8ToCp1252(spot->section), Utf8ToCp1252(spot->key));
  const ValueRule* value = entry == nullptr ? nullptr : RuleIndex::Position(*entry, spot->position);
  if (value == nullptr) return nullptr;
  json locations = json::array();
  const std::string name = AsciiLowered(Utf8ToCp1252(spot->value));
  for (const NameTarget& target : value->refers_to) {
    const auto names = state.walked->names.find(TargetKey(target.section, target.key));
    if (names == state.walked->names.end()) continue;
    const auto places = names->second.find(name);
    if (places == names->second.end()) continue;
    for (const NamePlace& place : places->second) {
      const std::int32_t at = std::max(place.editor_line - 1, 0);
      locations.push_back(
          {{"uri",
            UriOfPath(place.disk_file.empty() ? state.EditorPathOf(place.file) : place.disk_file)},
           {"range",
            {{"start", {{"line", at}, {"character", 0}}},
             {"end", {{"line", at}, {"character", 0}}}}}});
    }
  }
  return locations;
}

json LanguageServer::Symbols(const json& params) {
  ServerState& state = *state_;
  json symbols = json::array();
  const auto document =
      state.documents.find(params.at("textDocument").at("uri").get<std::string>());
  if (document == state.documents.end()) return symbols;
  const DocumentText& text = document->second.text;
  auto close = [&](std::int32_t last) {
    if (symbols.empty()) return;
    json& range = symbols.back()["range"]["end"];
    range["line"] = last;
    range["character"] = text.LineLength(last, state.unit);
  };
  for (std::int32_t line = 0; line < text.LineCount(); ++line) {
    const auto name = HeaderName(text.Line(line));
    if (!name) continue;
    close(std::max(line - 1, 0));
    const json header = {
        {"start", {{"line", line}, {"character", 0}}},
        {"end", {{"line", line}, {"character", text.LineLength(line, state.unit)}}}};
    symbols.push_back({{"name", name->empty() ? std::string("(unnamed)") : std::string(*name)},
                       {"kind", kSymbolStruct},
                       {"range", header},
                       {"selectionRange", header}});
  }
  close(text.LineCount() - 1);
  return symbols;
}

}  // namespace tarn
