#include "platform/user_settings.h"

#include <charconv>
#include <cmath>

#include "platform/ascii_case.h"
#include "platform/error.h"

namespace tarn {

std::uint8_t ToOverwriteFlag(double value) {
  // Rounds half to even, as the platform's conversion to a byte does.
  const double rounded = std::nearbyint(value);
  if (!(rounded >= 0 && rounded <= 255)) RaisePlatformError(kErrOverflow);
  return static_cast<std::uint8_t>(rounded);
}

std::uint8_t ToOverwriteFlag(std::string_view text) {
  const std::string_view t = TrimSpaces(text);
  double value = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (t.empty() || end != t.data() + t.size()) RaisePlatformError(kErrTypeMismatch);
  if (ec == std::errc::result_out_of_range) RaisePlatformError(kErrOverflow);
  return ToOverwriteFlag(value);
}

void UserSettings::SetOverwriteLog(std::string_view text) {
  overwrite_log_ = ToOverwriteFlag(text);
}

}  // namespace tarn
