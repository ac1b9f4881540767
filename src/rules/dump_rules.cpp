#include "rules/dump_rules.h"

#include "rules/rule_query.h"
#include "shell/error.h"
#include "shell/front_end.h"
#include "shell/globals.h"
#include "shell/log.h"
#include "shell/settings.h"

namespace tarn {

namespace {

void WriteEntryLine(RuleQuery& rules) {
  std::string line = "    Entry: " + rules.Text("EntryName");
  line += ", IDX: " + rules.Field("_bc_entries.IDX");
  line += rules.IsTrue("IsMultiLine") ? ", MULTILine" : ", SINGLELine";
  line += rules.IsTrue("HasVarArgs") ? ", VARArgs" : ", NOVarArgs";
  line += ", FixedArgs: " + rules.Field("FixedArgsNo");
  WriteLog(line);
}

void WriteValueLine(RuleQuery& rules) {
  std::string line = "        Value: ";
  line += rules.IsNull("ValueName") ? "< >" : rules.Field("ValueName");
  line += ", IDX: " + rules.Field("_bc_values.IDX");
  line += rules.IsTrue("IsMulti") ? ", VARArg" : ", FIXEDArg";
  line += ", " + rules.Field("TypeName");
  WriteLog(line);
}

}  // namespace

void DumpRules() {
  try {
    RuleQuery rules(gSettings->SettingsDB());
    // Rows are grouped exactly as the rule loader groups them, but nothing is checked: the
    // dump shows the rules as the query gives them.
    while (!rules.AtEnd()) {
      const std::string section = rules.Text("SectionName");
      WriteLog("Section: " + section);
      while (!rules.AtEnd()) {
        if (rules.Text("SectionName") != section) break;
        const std::string entry = rules.Text("EntryName");
        WriteEntryLine(rules);
        while (!rules.AtEnd()) {
          if (rules.Text("EntryName") != entry || rules.Text("SectionName") != section) break;
          WriteValueLine(rules);
          rules.MoveNext();
        }
      }
    }
  } catch (const TarnError& error) {
    ReportError(error, "DumpRules");
    EndProgram();
  }
}

}  // namespace tarn
