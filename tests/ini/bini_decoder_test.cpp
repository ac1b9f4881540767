#include "ini/bini_decoder.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

#include "support/bini_writer.h"

namespace tarn {
namespace {

using testing::BiniWriter;

struct Decoded {
  bool ok;
  std::string text;
  std::string why;
};

Decoded Decode(std::string_view bytes) {
  // An exactly sized heap copy, so that the sanitizer build sees any read past the end.
  auto copy = std::make_unique<char[]>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), copy.get());
  Decoded d{false, "stale", ""};
  d.ok = DecodeBini(std::string_view(copy.get(), bytes.size()), d.text, d.why);
  return d;
}

std::string Patched(std::string bytes, std::size_t at, std::uint32_t value, int width) {
  std::string field;
  testing::Put(field, value, width);
  return bytes.replace(at, field.size(), field);
}

// Sections, entries with and without values, every value type, an empty section.
std::string FullFile() {
  return BiniWriter()
      .Section("General", 4)
      .Entry("name", 1)
      .Text("Kestrovar")
      .Entry("counts", 3)
      .Int(3)
      .Int(-7)
      .Int(std::numeric_limits<std::int32_t>::max())
      .Entry("scale", 2)
      .Float(0.5f)
      .Float(2.0f)
      .Entry("flags", 0)
      .Section("Empty", 0)
      .Section("Ship", 1)
      .Entry("mix", 3)
      .Int(1)
      .Float(1.1f)
      .Text("Caf\xe9")
      .Bytes();
}

TEST(BiniDecoderTest, WritesEachSectionAndEntryAsALineAndEachValueInItsTextForm) {
  Decoded d = Decode(FullFile());
  ASSERT_TRUE(d.ok) << d.why;
  EXPECT_EQ(d.text,
            "[General]\r\nname = Kestrovar\r\ncounts = 3, -7, 2147483647\r\n"
            "scale = 0.5, 2.0\r\nflags =\r\n[Empty]\r\n[Ship]\r\nmix = 1, 1.1, Caf\xe9\r\n");
  EXPECT_EQ(Decode(BiniWriter().Bytes()).text, "");
  const auto f = [](float v) { return std::bit_cast<std::uint32_t>(v); };
  const struct {
    std::uint8_t type;
    std::uint32_t payload;
    const char* text;
  } cases[] = {
      {bini::kFloatValue, f(1e20f), "1e+20"},
      {bini::kFloatValue, f(-0.0f), "-0.0"},
      {bini::kFloatValue, f(16777216.0f), "16777216.0"},
      {bini::kFloatValue, f(-1.17549435e-38f), "-1.1754944e-38"},
      {bini::kFloatValue, f(1e-45f), "1e-45"},
      {bini::kFloatValue, f(-std::numeric_limits<float>::infinity()), "-inf"},
      {bini::kIntValue, 0x80000000u, "-2147483648"},
  };
  for (const auto& c : cases) {
    d = Decode(BiniWriter().Section("s", 1).Entry("k", 1).Value(c.type, c.payload).Bytes());
    EXPECT_EQ(d.text, std::string("[s]\r\nk = ") + c.text + "\r\n") << d.why;
  }
}

TEST(BiniDecoderTest, RefusesBrokenFilesWithTheReason) {
  // Section at 12, entry at 16, value at 19, string table "s\0k\0" at 24.
  const std::string good = BiniWriter().Section("s", 1).Entry("k", 1).Int(5).Bytes();
  ASSERT_EQ(good.size(), 28u);
  const struct {
    std::string bytes;
    const char* why;
  } cases[] = {
      {good.substr(0, 11), "file is 11 bytes, shorter than the 12-byte header"},
      {"bini" + good.substr(4), "does not start with BINI"},
      {Patched(good, 4, 2, 4), "version 2, expected 1"},
      {Patched(good, 8, 11, 4), "string table offset 11 is inside the 12-byte header"},
      {Patched(good, 8, 0xFFFFFFFF, 4),
       "string table offset 4294967295 is past the end of the file (28 bytes)"},
      {Patched(good, 8, 14, 4),
       "section record at offset 12 runs past the string table at offset 14"},
      {Patched(good, 14, 2, 2),  // two entries, one written
       "entry record at offset 24 runs past the string table at offset 24"},
      {Patched(good, 18, 2, 1),  // two values, one written
       "value record at offset 24 runs past the string table at offset 24"},
      {Patched(good, 12, 4, 2),
       "string offset 4 at offset 12 is past the end of the 4-byte string table"},
      {Patched(good, 16, 4, 2),
       "string offset 4 at offset 16 is past the end of the 4-byte string table"},
      {Patched(Patched(good, 19, bini::kStringValue, 1), 20, 0xFFFFFFFF, 4),
       "string offset 4294967295 at offset 20 is past the end of the 4-byte string table"},
      {good.substr(0, 27), "string at offset 26 is not terminated"},
      {Patched(good, 19, 7, 1), "unknown value type 7 at offset 19"},
  };
  for (const auto& c : cases) {
    const Decoded d = Decode(c.bytes);
    EXPECT_FALSE(d.ok) << c.why;
    EXPECT_EQ(d.why, c.why);
    EXPECT_EQ(d.text, "") << c.why;
  }
  for (const char* other : {"", "BIN", "bini", " BINI"}) EXPECT_FALSE(LooksLikeBini(other));
  EXPECT_TRUE(LooksLikeBini("BINI"));
}

// Every byte of the table ends a string that some record uses: no cut leaves a whole file.
TEST(BiniDecoderTest, EveryTruncationFailsForItsPart) {
  const std::string file = FullFile();
  const std::size_t table = bini::kHeaderSize + 72;  // 3 sections, 5 entries, 9 values
  for (std::size_t size = 0; size < file.size(); ++size) {
    const Decoded d = Decode(file.substr(0, size));
    ASSERT_FALSE(d.ok) << size;
    if (size < bini::kHeaderSize) {
      EXPECT_EQ(d.why,
                "file is " + std::to_string(size) + " bytes, shorter than the 12-byte header");
    } else if (size < table) {
      EXPECT_EQ(d.why, "string table offset 84 is past the end of the file (" +
                           std::to_string(size) + " bytes)");
    } else {
      EXPECT_TRUE(d.why.starts_with("string ")) << size << d.why;
    }
  }
}

}  // namespace
}  // namespace tarn
