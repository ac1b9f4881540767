// How a run treats a game folder it cannot trust. A header of its own: the learner and the
// front ends pass the options on without taking in the whole analysis.
#pragma once

#include "ini/line_source.h"

namespace tarn {

struct AnalysisOptions {
  bool follow_links = false;  // read files that links inside the game folder lead out to
  ReadLimits limits;          // how large a file and a line may be
};

}  // namespace tarn
