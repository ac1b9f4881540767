// The text form of rule sources: one file per game area, readable, diffable and editable
// by a modder.
//
//   ; ships.rules: the ship archetypes
//   [Ship]
//   nickname   #2001 mandatory = nickname:String
//   mass       #2003           = mass:Double
//   shape_name #2005 multiline = *String
//
// A section header names the section rule; each line below it is one entry rule:
// the key, its identifier after "#", optional flags (`multiline`, `mandatory`), then "="
// and the value positions in order, each `[*][name:]Type`, where Type is Long, Double,
// String, Boolean or Null and `*` marks the rule of the variable tail. A position without a
// name is unnamed. Flags `idx:N` (the entry's index number, by default its place in the
// section), `fixed:N` and `varargs` override what the value list implies; export writes
// them only where they differ. A ";" starts a comment.
//
// The flag `bare` or `valued`, allowed only on the keys the reader repairs ("separable",
// "offer_missions"), says how the game writes that key in that section: alone on its line,
// or always with "=" and a value (`separable #2040 bare = Boolean`).
//
// A String position whose values name objects defined elsewhere says which after "->": the
// sections and keys whose first value defines such a name, any of them, as in
// `equip #2267 multiline = item:String -> [Gun]nickname | [Munition]nickname, *String`.
//
// A key, a section name or a value name that a bare word cannot carry (blanks, "=", ";",
// '"', blanks at either end of a section name) is written in double quotes, a '"' in it
// doubled: `"max speed" #2010 = Double`, `[" Ship "]`. Export quotes exactly those.
#pragma once

#include <string>
#include <string_view>

#include <vector>

#include "platform/file_system.h"  // FolderFile
#include "rules/rule_set.h"

namespace tarn {

// Appends the sections of one rule file to rules. Raises RuleSourceError with the file and
// line of the first fault.
void ParseRuleText(std::string_view text, const std::string& file, RuleSet& rules);

// The text of the sections of rules whose file is file.
std::string FormatRuleText(const RuleSet& rules, const std::string& file);

// The text of every source file named in rules, in the order of their first sections: what
// FormatRuleText gives for each, in time that grows with the sections alone.
std::vector<FolderFile> RuleFolderFiles(const RuleSet& rules);

}  // namespace tarn
