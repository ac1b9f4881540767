#include "walk/main_walk.h"

namespace tarn {

void ProcessMainINI() {
  // The walk arrives with the INI reader.
}

}  // namespace tarn
