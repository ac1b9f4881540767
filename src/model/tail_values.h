// The values of an entry line's variable tail beyond its first, held compactly: a line may
// hold tens of thousands of them, and a value slot for each would take a hundred bytes and
// more a value. Every value of one tail has the type of the tail's rule.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/var_value.h"

namespace tarn {

class TailValues {
 public:
  // Forgets the values; their storage is kept for the next line.
  void Clear();
  std::size_t Size() const { return size_; }

  // Adds a value as a slot holds it (not Null: no tail takes one).
  void Push(const ValueView& value);
  // The value at index (0-based); a text views storage that lives until the next Clear.
  ValueView At(std::size_t index) const;

 private:
  std::size_t kind_ = 0;  // the ValueView alternative of the values held
  std::size_t size_ = 0;
  std::vector<std::uint64_t> numbers_;  // integers, doubles' bits, Booleans
  std::string texts_;                   // texts one after the other
  std::vector<std::uint32_t> ends_;     // where each text ends in texts_
};

}  // namespace tarn
