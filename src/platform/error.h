// Errors as TARN raises and reports them: one exception type carrying a number, a
// description and a source, the program's own error numbers with their texts, and the
// platform error numbers the error traps test for.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace tarn {

// The executable's base name; every source text starts with it.
inline constexpr std::string_view kAppName = "TARN";

// The program's own numbers are plain: no offset is added.
enum ErrorNumber : std::int32_t {
  kErrValueTypeMismatch = 10101,
  kErrValueNotInitialized = 10102,
  kErrValueAlreadyInitialized = 10103,
  kErrValueOverflow = 10104,
  kErrEntryAlreadyInitialized = 10201,
  kErrEntryNotInitialized = 10202,
  kErrEntryNameMismatch = 10203,
  kErrValuePositionMismatch = 10204,
  kErrTooManyValues = 10205,
  kErrMultiValueInFixedPosition = 10206,
  kErrFixedValueInMultiPosition = 10207,
  kErrValueTypesNotSet = 10208,
  kErrEntryNotMultiline = 10209,
  kErrMultiValueMustBeLast = 10210,
  kErrEntryDoesNotAcceptMulti = 10211,
  kErrTooFewValues = 10212,
  kErrNoClosingBracket = 10301,
  kErrUnknownEntry = 10302,
  kErrSectionUnknownError = 10303,
  kErrEntryWithNoValue = 10304,
  kErrUnknownSection = 10305,
  kErrCouldNotOpenReferredFile = 10306,
};

// The text of a warning number in a warning block: ErrorText, or for the warnings TARN adds
// ("10402 - Value Not Whole") their own texts.
std::string WarningText(std::int32_t number);

// Warnings TARN adds beside the original ones, with texts of their own: ErrorText keeps its
// list and gives "Unknown Error" for these.
enum AddedWarning : std::int32_t {
  kErrUnknownReference = 10401,  // a name no object of the kinds its position names has
  kErrValueNotWhole = 10402,     // a decimal where the rule wants a whole number
  kErrFileTooLarge = 10404,      // a file (or a binary file's text form) over the size limit
  kErrLineTooLong = 10405,       // a physical line over the length limit
  kErrDuplicateName = 10406,     // a name its kind's identity defines once already
  kErrFlagFormMismatch = 10407,  // a flag key written bare, or with a value, against its rule
};

// Platform error numbers, with the meaning the error traps rely on.
enum PlatformError : std::int32_t {
  kErrInvalidArgument = 5,  // also: a key missing from a keyed collection
  kErrOverflow = 6,
  kErrSubscriptOutOfRange = 9,
  kErrTypeMismatch = 13,
  kErrFileNotFound = 53,
  kErrPathNotFound = 76,
  kErrObjectNotSet = 91,
  kErrInvalidUseOfNull = 94,
  kErrDuplicateKey = 457,
};

// Errors defined by an object are numbered from this base (0x80040000).
inline constexpr std::int32_t kObjectErrorBase = static_cast<std::int32_t>(0x80040000u);
inline constexpr std::int32_t kErrConverterFailed = kObjectErrorBase + 1024;
inline constexpr std::int32_t kErrLibraryLoadFailed = kObjectErrorBase + 1049;

class TarnError : public std::exception {
 public:
  TarnError(std::int32_t number, std::string description, std::string source)
      : number_(number), description_(std::move(description)), source_(std::move(source)) {}

  std::int32_t Number() const { return number_; }
  const std::string& Description() const { return description_; }
  const std::string& Source() const { return source_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::int32_t number_;
  std::string description_;
  std::string source_;
};

// A file refused for its size or a line's length: what was found against the limit.
class LimitError : public TarnError {
 public:
  LimitError(std::int32_t number, std::int64_t limit, std::int64_t found, std::int32_t line)
      : TarnError(number, WarningText(number), std::string(kAppName) + ".cFile"),
        limit_(limit),
        found_(found),
        line_(line) {}
  std::int64_t Limit() const { return limit_; }
  std::int64_t Found() const { return found_; }
  std::int32_t Line() const { return line_; }  // 0 for the file as a whole

 private:
  std::int64_t limit_;
  std::int64_t found_;
  std::int32_t line_;
};

// "10103 - Value object is already initialized" for a number of the program's own table,
// "Unknown Error" alone for any other number.
std::string ErrorText(std::int32_t number);

// The description of a platform error number ("Overflow" for 6), or "Application-defined or
// object-defined error" for a number the table does not hold.
std::string PlatformErrorText(std::int32_t number);

// The source text of the program's own errors: "TARN." followed by the class tag.
std::string ErrorSource(std::string_view class_tag);

// Raises one of the program's own numbers with ErrorText as description.
[[noreturn]] void RaiseError(std::int32_t number, std::string_view class_tag);

// Raises a platform error with its table description and the source "TARN".
[[noreturn]] void RaisePlatformError(std::int32_t number);

// The C library's message for a system error code; empty when it has none.
std::string SystemErrorText(std::int32_t code);

}  // namespace tarn
