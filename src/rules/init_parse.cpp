#include "rules/init_parse.h"

namespace tarn {

void InitParse() {
  // The rule library arrives with the model of sections, entries and values.
}

}  // namespace tarn
