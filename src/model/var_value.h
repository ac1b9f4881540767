// The tagged value a value slot gives back: Null, a 32-bit integer, a double, a text or a
// Boolean.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace tarn {

using VarValue = std::variant<std::monostate, std::int32_t, double, std::string, bool>;

inline bool IsNull(const VarValue& value) { return value.index() == 0; }

// The same value without a copy of its text: what storing a value needs, millions of times
// in a run. The text it refers to belongs to the value it was taken from.
using ValueView = std::variant<std::monostate, std::int32_t, double, std::string_view, bool>;

inline ValueView ViewOf(const VarValue& value) {
  return std::visit(
      [](const auto& held) -> ValueView {
        if constexpr (std::is_same_v<std::decay_t<decltype(held)>, std::string>) {
          return std::string_view(held);
        } else {
          return held;
        }
      },
      value);
}

}  // namespace tarn
