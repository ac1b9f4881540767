#include "model/tail_values.h"

#include <bit>

namespace tarn {

void TailValues::Clear() {
  size_ = 0;
  numbers_.clear();
  texts_.clear();
  ends_.clear();
}

void TailValues::Push(const ValueView& value) {
  kind_ = value.index();
  switch (kind_) {
    case 1:
      numbers_.push_back(static_cast<std::uint32_t>(std::get<std::int32_t>(value)));
      break;
    case 2:
      numbers_.push_back(std::bit_cast<std::uint64_t>(std::get<double>(value)));
      break;
    case 3:
      texts_.append(std::get<std::string_view>(value));
      ends_.push_back(static_cast<std::uint32_t>(texts_.size()));
      break;
    case 4:
      numbers_.push_back(std::get<bool>(value) ? 1 : 0);
      break;
    default:
      numbers_.push_back(0);
      break;
  }
  ++size_;
}

ValueView TailValues::At(std::size_t index) const {
  switch (kind_) {
    case 1:
      return static_cast<std::int32_t>(static_cast<std::uint32_t>(numbers_[index]));
    case 2:
      return std::bit_cast<double>(numbers_[index]);
    case 3: {
      const std::size_t start = index == 0 ? 0 : ends_[index - 1];
      return std::string_view(texts_).substr(start, ends_[index] - start);
    }
    case 4:
      return numbers_[index] != 0;
    default:
      return std::monostate{};
  }
}

}  // namespace tarn
