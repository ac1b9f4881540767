// A value slot (the model's value object): the rule for one value position of an entry line
// (name, type, position, the multi flag of the variable tail) and the value last assigned to
// it.
//
// Every value read from a game file is assigned as text; the assignment converts it to the
// slot's type, and that is where a value's type is checked. Errors carry the source
// "TARN.Value":
//   kErrValueNotInitialized (10102)       assignment with a type code other than 1 to 4, or
//                                         a read with a code other than 1 to 5;
//   kErrValueAlreadyInitialized (10103)   a second Init of an initialised slot;
//   kErrValueTypeMismatch (10101)         a text that does not convert to the slot's type;
//   kErrOverflow (6)                      a number outside the slot type's range (the
//                                         platform's number and description);
//   kErrValueNotWhole (10402)             a Long slot marked whole given a number that is
//                                         not written as a whole number ("12.5").
// A failed assignment leaves the held value as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "model/var_value.h"

namespace tarn {

// The type codes of the value rules; 0 is a slot not yet initialised.
enum ValueType : std::int32_t {
  kLongType = 1,
  kDoubleType = 2,
  kStringType = 3,
  kBooleanType = 4,
  kNullType = 5,
};

class ValueSlot {
 public:
  ValueSlot() = default;
  ValueSlot(const ValueSlot&) = delete;
  ValueSlot& operator=(const ValueSlot&) = delete;

  // A new slot with this slot's name, type code and multi flag at position, holding no value.
  std::unique_ptr<ValueSlot> Clone(std::int16_t position) const;

  // Makes this slot what Clone(position) of rule would be, reusing this slot's storage: the
  // entry line's variable tail is rebuilt this way for many lines of a run.
  void ResetToCloneOf(const ValueSlot& rule, std::int16_t position);

  // Sets the rule once; raises 10103 when the type code is already non-zero. A code of 0
  // leaves the slot uninitialised, so a later Init is accepted. Codes are not range-checked.
  void Init(std::string_view name, std::int32_t type, std::int16_t position, bool is_multi);

  bool IsInitialized() const { return type_ != 0; }
  const std::string& ValueName() const { return name_; }
  std::int32_t Type() const { return type_; }
  std::int16_t Position() const { return position_; }
  bool IsMulti() const { return is_multi_; }

  // A whole slot of type Long takes only numbers written as whole numbers ("12", "&H1F"):
  // the Long conversion alone rounds "12.5" to 12 without a word. Rule sets mark positions so
  // beside the rule query (rules/rule_library.h); Clone keeps the mark.
  void SetWhole(bool whole) { whole_ = whole; }
  bool IsWhole() const { return whole_; }

  // Converts text to the slot's type and holds it (see the errors above).
  void SetValue(std::string_view text);
  // Holds value, of the slot's type, as it is: a value converted before by a slot of the same
  // rule.
  void Hold(const ValueView& value);
  // The held value in the form of the type code: Null for kNullType; raises 10102 for a code
  // outside 1 to 5.
  VarValue Value() const;
  // The held value as Value gives it, without copying the text; valid until the next
  // assignment. Raises as Value does.
  ValueView View() const;

 private:
  std::string name_;
  std::int32_t type_ = 0;
  std::int16_t position_ = 0;
  bool is_multi_ = false;
  bool whole_ = false;

  std::int32_t long_value_ = 0;
  double double_value_ = 0;
  std::string text_value_;
  bool boolean_value_ = false;
};

}  // namespace tarn
