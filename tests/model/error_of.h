// The number of the TarnError a call raises, 0 when it raises none: lets a table of cases
// state the outcome of each call as one number.
#pragma once

#include <cstdint>

#include "shell/error.h"

namespace tarn::testing {

template <typename Call>
std::int32_t ErrorOf(Call&& call) {
  try {
    call();
  } catch (const TarnError& error) {
    return error.Number();
  }
  return 0;
}

}  // namespace tarn::testing
