#include "walk/other_inis.h"

namespace tarn {

void ReadOtherINIs() {
  // The discovery of further files arrives with the walk.
}

void ReadINIFromValues(std::int16_t /*entry_id*/) {}

}  // namespace tarn
