#include "ini/bini_file.h"

#include "ini/bini_decoder.h"
#include "platform/error.h"

namespace tarn {

namespace {

std::string OverLimit(std::int64_t limit) {
  return "more than the limit of " + std::to_string(limit) + " bytes (--max-file-size)";
}

}  // namespace

BiniConversion ConvertBiniFile(FileSystem& files, const std::string& path, std::int64_t max_bytes,
                               std::string& why) {
  std::string bytes;
  try {
    bytes = files.ReadWholeInput(path, max_bytes);
  } catch (const LimitError& error) {
    why = "is " + OverLimit(error.Limit());
    return BiniConversion::kInputRefused;
  } catch (const TarnError& error) {
    why = error.Description();
    return BiniConversion::kInputRefused;
  }
  std::string text;
  std::size_t text_size = 0;
  switch (DecodeBiniWithin(bytes, max_bytes, text, text_size, why)) {
    case BiniDecoding::kDecoded:
      break;
    case BiniDecoding::kTooLarge:
      why =
          "its text form would be " + std::to_string(text_size) + " bytes, " + OverLimit(max_bytes);
      return BiniConversion::kInputRefused;
    case BiniDecoding::kMalformed:
      return BiniConversion::kInputRefused;
  }
  bytes = std::string();  // the input's memory goes before the output is written
  try {
    files.WriteWholeFile(path + ".txt", text);
  } catch (const TarnError& error) {
    why = path + ".txt cannot be written: " + error.Description();
    return BiniConversion::kOutputNotWritten;
  }
  return BiniConversion::kConverted;
}

}  // namespace tarn
