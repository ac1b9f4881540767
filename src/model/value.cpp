#include "model/value.h"

#include "model/conversions.h"
#include "shell/error.h"

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

std::unique_ptr<cValue> cValue::Clone(std::int16_t iPoz) const {
  auto copy = std::make_unique<cValue>();
  copy->ResetToCloneOf(*this, iPoz);
  return copy;
}

void cValue::ResetToCloneOf(const cValue& rule, std::int16_t iPoz) {
  if (this != &rule) name_.assign(rule.name_);
  type_ = rule.type_;
  position_ = iPoz;
  is_multi_ = rule.is_multi_;
  long_value_ = 0;
  double_value_ = 0;
  text_value_.clear();
  boolean_value_ = false;
}

void cValue::Init(std::string_view sValueName, std::int32_t cseType, std::int16_t iPoz,
                  bool bIsMulti) {
  if (IsInitialized()) RaiseError(kErrValueAlreadyInitialized, kClassTag);
  name_.assign(sValueName);
  type_ = cseType;
  position_ = iPoz;
  is_multi_ = bIsMulti;
}

void cValue::SetValue(std::string_view vData) {
  ConversionStatus status = ConversionStatus::kOk;
  switch (type_) {
    case cseLong:
      status = ParseLong(vData, long_value_);
      break;
    case cseDouble:
      status = ParseDouble(vData, double_value_);
      break;
    case cseString:
      text_value_.assign(vData);
      break;
    case cseBoolean:
      status = ParseBoolean(vData, boolean_value_);
      break;
    default:
      RaiseError(kErrValueNotInitialized, kClassTag);
  }
  if (status != ConversionStatus::kOk) RaiseConversionFailure(status);
}

VarValue cValue::Value() const {
  switch (type_) {
    case cseLong:
      return long_value_;
    case cseDouble:
      return double_value_;
    case cseString:
      return text_value_;
    case cseBoolean:
      return boolean_value_;
    case cseNull:
      return std::monostate{};
    default:
      RaiseError(kErrValueNotInitialized, kClassTag);
  }
}

ValueView cValue::View() const {
  if (type_ == cseString) return std::string_view(text_value_);
  return ViewOf(Value());
}

}  // namespace tarn
