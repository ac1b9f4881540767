#include "rules/init_parse.h"

#include "datadb/data_tables.h"
#include "shell/error.h"
#include "shell/front_end.h"
#include "shell/globals.h"
#include "shell/log.h"

namespace tarn {

void InitParse() {
  try {
    // Without a data database there is nothing to write into: the same error a cursor
    // on a missing database gives.
    if (!dbData) RaisePlatformError(kErrObjectNotSet);
    rstSections = std::make_unique<SectionsCursor>(*dbData);
    rstEntries = std::make_unique<EntriesCursor>(*dbData);
    rstValues = std::make_unique<ValuesCursor>(*dbData);
  } catch (const TarnError& error) {
    ReportError(error, "InitParse");
    EndProgram();
  }
}

}  // namespace tarn
