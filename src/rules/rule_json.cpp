#include "rules/rule_json.h"

#include <nlohmann/json.hpp>

#include "platform/codepage.h"

namespace tarn {
namespace {

using Json = nlohmann::ordered_json;

Json Text(const std::string& text) { return Cp1252ToUtf8(text); }

Json Flag(FlagForm flag) {
  switch (flag) {
    case FlagForm::kBare:
      return "bare";
    case FlagForm::kValued:
      return "valued";
    case FlagForm::kUnsaid:
      break;
  }
  return nullptr;
}

Json Value(const ValueRule& value) {
  Json targets = Json::array();
  for (const NameTarget& target : value.refers_to) {
    targets.push_back(
        {{"section", Text(target.section)}, {"key", Text(target.key)}, {"local", target.local}});
  }
  return {{"name", value.name ? Text(*value.name) : Json(nullptr)},
          {"type", PositionTypeName(value)},
          {"tail", value.is_multi},
          {"refers_to", std::move(targets)}};
}

Json Entry(const EntryRule& entry) {
  Json values = Json::array();
  for (const ValueRule& value : entry.values) values.push_back(Value(value));
  return {
      {"key", Text(entry.name)},      {"id", entry.db_id},         {"idx", entry.idx},
      {"fixed", entry.fixed},         {"varargs", entry.var_args}, {"multiline", entry.multi_line},
      {"mandatory", entry.mandatory}, {"flag", Flag(entry.flag)},  {"line", entry.line},
      {"values", std::move(values)}};
}

}  // namespace

std::string RuleSetJson(const RuleSet& rules) {
  // One section per line: small enough to read, and a diff of two exports shows which
  // sections changed.
  std::string out = "{\"sections\": [";
  bool first = true;
  for (const SectionRule& section : rules.sections) {
    Json entries = Json::array();
    for (const EntryRule& entry : section.entries) entries.push_back(Entry(entry));
    const Json object = {{"name", Text(section.name)},
                         {"file", Text(section.file)},
                         {"line", section.line},
                         {"entries", std::move(entries)}};
    out += first ? "\n" : ",\n";
    out += object.dump();
    first = false;
  }
  return out + "\n]}\n";
}

}  // namespace tarn
