#include "rules/dump_rules.h"

#include "log/front_end.h"
#include "log/log.h"
#include "platform/error.h"
#include "rules/rule_query.h"

namespace tarn {

namespace {

void WriteEntryLine(Log& log, RuleQuery& rules) {
  std::string line = "    Entry: " + rules.Text("EntryName");
  line += ", IDX: " + rules.Field("_bc_entries.IDX");
  line += rules.IsTrue("IsMultiLine") ? ", MULTILine" : ", SINGLELine";
  line += rules.IsTrue("HasVarArgs") ? ", VARArgs" : ", NOVarArgs";
  line += ", FixedArgs: " + rules.Field("FixedArgsNo");
  log.WriteLog(line);
}

void WriteValueLine(Log& log, RuleQuery& rules) {
  std::string line = "        Value: ";
  line += rules.IsNull("ValueName") ? "< >" : rules.Field("ValueName");
  line += ", IDX: " + rules.Field("_bc_values.IDX");
  line += rules.IsTrue("IsMulti") ? ", VARArg" : ", FIXEDArg";
  line += ", " + rules.Field("TypeName");
  log.WriteLog(line);
}

}  // namespace

bool DumpRules(Log& log, Database& settings_db, const std::atomic<bool>* cancel) {
  try {
    RuleQuery rules(settings_db);
    // Rows are grouped exactly as the rule loader groups them, but nothing is checked: the
    // dump shows the rules as the query gives them.
    while (!rules.AtEnd()) {
      if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) return false;
      const std::string section = rules.Text("SectionName");
      log.WriteLog("Section: " + section);
      while (!rules.AtEnd()) {
        if (rules.Text("SectionName") != section) break;
        const std::string entry = rules.Text("EntryName");
        WriteEntryLine(log, rules);
        while (!rules.AtEnd()) {
          if (rules.Text("EntryName") != entry || rules.Text("SectionName") != section) break;
          WriteValueLine(log, rules);
          rules.MoveNext();
        }
      }
    }
  } catch (const TarnError& error) {
    log.ReportError(error, "DumpRules");
    EndProgram();
  }
  return true;
}

}  // namespace tarn
