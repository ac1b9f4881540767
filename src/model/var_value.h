// The tagged value a value slot gives back: Null, a 32-bit integer, a double, a text or a
// Boolean.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace tarn {

using VarValue = std::variant<std::monostate, std::int32_t, double, std::string, bool>;

inline bool IsNull(const VarValue& value) { return value.index() == 0; }

}  // namespace tarn
