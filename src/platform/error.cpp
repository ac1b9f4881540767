#include "platform/error.h"

#include <cstring>

namespace tarn {

namespace {

struct NumberText {
  std::int32_t number;
  const char* text;
};

constexpr NumberText kProgramTexts[] = {
    {10101, "Value Type Mismatch"},
    {10102, "Value object is not initialized"},
    {10103, "Value object is already initialized"},
    {10104, "Value Overflow"},
    {10201, "Entry object is already initialized"},
    {10202, "Entry object is not initialized"},
    {10203, "Entry Name Mismatch"},
    {10204, "Value Position Mismatch"},
    {10205, "Too Many Values"},
    {10206, "Multi Value in Fixed Position"},
    {10207, "Fixed Value in Multi Position"},
    {10208, "Value Types Not Set"},
    {10209, "Entry is Not Multiline"},
    {10210, "Multi Value Must Be Last"},
    {10211, "Entry does not accept Multi Value"},
    {10212, "Too Few Values"},
    {10301, "Section has no closing bracket"},
    {10302, "Unknown Entry"},
    {10303, "Section Unknown Error"},
    {10304, "Entry With no Value"},
    {10305, "Unknown Section"},
    {10306, "Could not open referred file"},
};

constexpr NumberText kAddedTexts[] = {
    {10401, "Unknown Reference"}, {10402, "Value Not Whole"}, {10404, "File Too Large"},
    {10405, "Line Too Long"},     {10406, "Duplicate Name"},  {10407, "Flag Form Mismatch"},
};

constexpr NumberText kPlatformTexts[] = {
    {5, "Invalid procedure call or argument"},
    {6, "Overflow"},
    {9, "Subscript out of range"},
    {13, "Type mismatch"},
    {53, "File not found"},
    {76, "Path not found"},
    {91, "Object variable or With block variable not set"},
    {94, "Invalid use of Null"},
    {457, "This key is already associated with an element of this collection"},
};

template <std::size_t N>
const char* Lookup(const NumberText (&table)[N], std::int32_t number) {
  for (const NumberText& row : table) {
    if (row.number == number) return row.text;
  }
  return nullptr;
}

}  // namespace

std::string ErrorText(std::int32_t number) {
  const char* text = Lookup(kProgramTexts, number);
  if (text == nullptr) return "Unknown Error";
  return std::to_string(number) + " - " + text;
}

std::string WarningText(std::int32_t number) {
  const char* text = Lookup(kAddedTexts, number);
  if (text == nullptr) return ErrorText(number);
  return std::to_string(number) + " - " + text;
}

std::string PlatformErrorText(std::int32_t number) {
  const char* text = Lookup(kPlatformTexts, number);
  return text != nullptr ? text : "Application-defined or object-defined error";
}

std::string ErrorSource(std::string_view class_tag) {
  std::string source(kAppName);
  source += '.';
  source += class_tag;
  return source;
}

void RaiseError(std::int32_t number, std::string_view class_tag) {
  throw TarnError(number, ErrorText(number), ErrorSource(class_tag));
}

void RaisePlatformError(std::int32_t number) {
  throw TarnError(number, PlatformErrorText(number), std::string(kAppName));
}

std::string SystemErrorText(std::int32_t code) {
  // strerrordesc_np answers null for codes the C library has no message for, where
  // strerror would invent "Unknown error N".
#ifdef _WIN32
  // Windows' C library has no strerrordesc_np; its strerror says "Unknown error" instead.
  const char* text = std::strerror(code);
  return text != nullptr && std::string_view(text) != "Unknown error" ? text : std::string();
#else
  const char* text = strerrordesc_np(code);
  return text != nullptr ? text : std::string();
#endif
}

}  // namespace tarn
