#include "rules/dump_rules.h"

namespace tarn {

void DumpRules() {
  // The outline arrives with the rule library.
}

}  // namespace tarn
