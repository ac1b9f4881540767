#include "model/value_slot.h"

#include "model/conversions.h"
#include "platform/error.h"

namespace tarn {

namespace {

constexpr std::string_view kClassTag = "Value";

// A mismatch becomes the slot's own error; any other failure keeps its platform number and
// description and only takes the slot's source.
[[noreturn]] void RaiseConversionFailure(ConversionStatus status) {
  if (status == ConversionStatus::kTypeMismatch) RaiseError(kErrValueTypeMismatch, kClassTag);
  throw TarnError(kErrOverflow, PlatformErrorText(kErrOverflow), ErrorSource(kClassTag));
}

}  // namespace

std::unique_ptr<ValueSlot> ValueSlot::Clone(std::int16_t position) const {
  auto copy = std::make_unique<ValueSlot>();
  copy->ResetToCloneOf(*this, position);
  return copy;
}

void ValueSlot::ResetToCloneOf(const ValueSlot& rule, std::int16_t position) {
  if (this != &rule) name_.assign(rule.name_);
  type_ = rule.type_;
  position_ = position;
  is_multi_ = rule.is_multi_;
  whole_ = rule.whole_;
  long_value_ = 0;
  double_value_ = 0;
  text_value_.clear();
  boolean_value_ = false;
}

void ValueSlot::Init(std::string_view name, std::int32_t type, std::int16_t position,
                     bool is_multi) {
  if (IsInitialized()) RaiseError(kErrValueAlreadyInitialized, kClassTag);
  name_.assign(name);
  type_ = type;
  position_ = position;
  is_multi_ = is_multi;
}

void ValueSlot::SetValue(std::string_view text) {
  ConversionStatus status = ConversionStatus::kOk;
  switch (type_) {
    case kLongType: {
      std::int32_t value = 0;
      status = ParseLong(text, value);
      if (status == ConversionStatus::kOk && whole_ && !FormOf(text).long_literal) {
        RaiseError(kErrValueNotWhole, kClassTag);
      }
      if (status == ConversionStatus::kOk) long_value_ = value;
      break;
    }
    case kDoubleType:
      status = ParseDouble(text, double_value_);
      break;
    case kStringType:
      text_value_.assign(text);
      break;
    case kBooleanType:
      status = ParseBoolean(text, boolean_value_);
      break;
    default:
      RaiseError(kErrValueNotInitialized, kClassTag);
  }
  if (status != ConversionStatus::kOk) RaiseConversionFailure(status);
}

void ValueSlot::Hold(const ValueView& value) {
  switch (value.index()) {
    case 1:
      long_value_ = std::get<std::int32_t>(value);
      break;
    case 2:
      double_value_ = std::get<double>(value);
      break;
    case 3:
      text_value_.assign(std::get<std::string_view>(value));
      break;
    case 4:
      boolean_value_ = std::get<bool>(value);
      break;
    default:
      break;
  }
}

VarValue ValueSlot::Value() const {
  switch (type_) {
    case kLongType:
      return long_value_;
    case kDoubleType:
      return double_value_;
    case kStringType:
      return text_value_;
    case kBooleanType:
      return boolean_value_;
    case kNullType:
      return std::monostate{};
    default:
      RaiseError(kErrValueNotInitialized, kClassTag);
  }
}

ValueView ValueSlot::View() const {
  if (type_ == kStringType) return std::string_view(text_value_);
  return ViewOf(Value());
}

}  // namespace tarn
