#include "log/log_box.h"

namespace tarn {

bool BoundedLogText::Append(std::string_view text, bool may_cut) {
  bool cut = false;
  if (may_cut && text_.size() > kCutAbove) {
    text_.erase(0, kCutCount);
    cut = true;
  }
  text_.append(text);
  return cut;
}

}  // namespace tarn
