#include "ini/bini_decoder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "ini/bini_format.h"

namespace tarn {
namespace {

using ::testing::AllOf;
using ::testing::AnyOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;

void Put(std::string& out, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

// Writes a binary INI file record by record. Every string goes to the end of the table when it
// is named, so each byte of the table belongs to a string that some record uses.
class BiniWriter {
 public:
  BiniWriter& Section(std::string_view name, std::uint16_t entries) {
    return Record(String(name), 2, entries, 2);
  }
  BiniWriter& Entry(std::string_view name, std::uint8_t values) {
    return Record(String(name), 2, values, 1);
  }
  BiniWriter& Value(std::uint8_t type, std::uint32_t payload) {
    return Record(type, 1, payload, 4);
  }
  BiniWriter& Int(std::int32_t v) { return Value(bini::kIntValue, static_cast<std::uint32_t>(v)); }
  BiniWriter& Float(float v) { return Value(bini::kFloatValue, std::bit_cast<std::uint32_t>(v)); }
  BiniWriter& Text(std::string_view s) { return Value(bini::kStringValue, String(s)); }

  std::string Bytes() const {
    std::string out(bini::kMagic);
    Put(out, bini::kVersion, 4);
    Put(out, static_cast<std::uint32_t>(bini::kHeaderSize + records_.size()), 4);
    return out + records_ + table_;
  }

 private:
  BiniWriter& Record(std::uint32_t a, int a_width, std::uint32_t b, int b_width) {
    Put(records_, a, a_width);
    Put(records_, b, b_width);
    return *this;
  }
  std::uint32_t String(std::string_view s) {
    auto offset = static_cast<std::uint32_t>(table_.size());
    table_.append(s).push_back('\0');
    return offset;
  }

  std::string records_;
  std::string table_;
};

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
  Put(field, value, width);
  return bytes.replace(at, field.size(), field);
}

// Sections, entries with and without values, every value type, an empty section.
std::string FullFile() {
  // clang-format off
  return BiniWriter()
      .Section("General", 4)
          .Entry("name", 1).Text("Kestrovar")
          .Entry("counts", 3).Int(3).Int(-7).Int(std::numeric_limits<std::int32_t>::max())
          .Entry("scale", 2).Float(0.5f).Float(2.0f)
          .Entry("flags", 0)
      .Section("Empty", 0)
      .Section("Ship", 1)
          .Entry("mix", 3).Int(1).Float(1.1f).Text("Caf\xe9")
      .Bytes();
  // clang-format on
}

TEST(BiniDecoderTest, WritesEachSectionAndEntryAsALine) {
  Decoded d = Decode(FullFile());
  ASSERT_TRUE(d.ok) << d.why;
  EXPECT_EQ(d.text,
            "[General]\r\nname = Kestrovar\r\ncounts = 3, -7, 2147483647\r\n"
            "scale = 0.5, 2.0\r\nflags =\r\n[Empty]\r\n[Ship]\r\nmix = 1, 1.1, Caf\xe9\r\n");

  Decoded header_only = Decode(BiniWriter().Bytes());
  EXPECT_TRUE(header_only.ok) << header_only.why;
  EXPECT_EQ(header_only.text, "");
}

TEST(BiniDecoderTest, WritesValuesInTheirTextForm) {
  auto f = [](float v) { return std::bit_cast<std::uint32_t>(v); };
  struct Case {
    std::uint8_t type;
    std::uint32_t payload;
    const char* text;
  } cases[] = {
      {bini::kFloatValue, f(0.5f), "0.5"},
      {bini::kFloatValue, f(2.0f), "2.0"},
      {bini::kFloatValue, f(1e20f), "1e+20"},
      {bini::kFloatValue, f(-0.0f), "-0.0"},
      {bini::kFloatValue, f(1.1f), "1.1"},
      {bini::kFloatValue, f(16777216.0f), "16777216.0"},
      {bini::kFloatValue, f(1e-45f), "1e-45"},
      {bini::kFloatValue, f(-std::numeric_limits<float>::infinity()), "-inf"},
      {bini::kIntValue, 0x80000000u, "-2147483648"},
      {bini::kIntValue, 0, "0"},
  };
  for (const Case& c : cases) {
    Decoded d = Decode(BiniWriter().Section("s", 1).Entry("k", 1).Value(c.type, c.payload).Bytes());
    EXPECT_EQ(d.text, std::string("[s]\r\nk = ") + c.text + "\r\n") << d.why;
  }
}

TEST(BiniDecoderTest, RefusesBrokenFilesWithTheReason) {
  // Section at 12, entry at 16, value at 19, string table "s\0k\0" at 24.
  const std::string good = BiniWriter().Section("s", 1).Entry("k", 1).Int(5).Bytes();
  ASSERT_EQ(good.size(), 28u);
  struct Case {
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
      {Patched(Patched(good, 19, bini::kStringValue, 1), 20, 0xFFFFFFFF, 4),
       "string offset 4294967295 at offset 20 is past the end of the 4-byte string table"},
      {good.substr(0, 27), "string at offset 26 is not terminated"},
      {Patched(good, 19, 7, 1), "unknown value type 7 at offset 19"},
  };
  for (const Case& c : cases) {
    Decoded d = Decode(c.bytes);
    EXPECT_FALSE(d.ok) << c.why;
    EXPECT_EQ(d.why, c.why);
    EXPECT_EQ(d.text, "") << c.why;
  }
}

TEST(BiniDecoderTest, EveryTruncationFailsForItsPart) {
  // Every byte of the table ends a string that some record uses: no cut leaves a whole file.
  const std::string file = FullFile();
  const std::size_t table = bini::kHeaderSize + 72;  // 3 sections, 5 entries, 9 values
  for (std::size_t size = 0; size < file.size(); ++size) {
    Decoded d = Decode(file.substr(0, size));
    ASSERT_FALSE(d.ok) << size;
    if (size < bini::kHeaderSize) {
      EXPECT_THAT(d.why, HasSubstr("shorter than the 12-byte header")) << size;
    } else if (size < table) {
      EXPECT_EQ(d.why, "string table offset 84 is past the end of the file (" +
                           std::to_string(size) + " bytes)");
    } else {
      EXPECT_THAT(d.why, AllOf(StartsWith("string "), AnyOf(HasSubstr("is not terminated"),
                                                            HasSubstr("-byte string table"))))
          << size;
    }
  }
}

TEST(BiniDecoderTest, SurvivesEverySingleByteChange) {
  // clang-format off
  const std::string good = BiniWriter()
      .Section("a", 2).Entry("k", 2).Int(-1).Text("v").Entry("f", 1).Float(0.5f)
      .Section("b", 0)
      .Bytes();
  // clang-format on
  int decoded = 0, refused = 0;
  for (std::size_t at = 0; at < good.size(); ++at) {
    const auto byte = static_cast<std::uint8_t>(good[at]);
    std::vector<std::uint8_t> changes = {0x00, 0xFF, static_cast<std::uint8_t>(byte + 1)};
    for (int bit = 0; bit < 8; ++bit) changes.push_back(static_cast<std::uint8_t>(byte ^ 1 << bit));
    for (std::uint8_t change : changes) {
      std::string bytes = good;
      bytes[at] = static_cast<char>(change);
      Decoded d = Decode(bytes);
      if (d.ok) {
        ++decoded;
        EXPECT_TRUE(d.text.empty() || d.text.ends_with("\r\n")) << at;
      } else {
        ++refused;
        EXPECT_FALSE(d.why.empty()) << at;
        EXPECT_EQ(d.text, "") << at;
      }
    }
  }
  EXPECT_GT(decoded, 0);
  EXPECT_GT(refused, 0);
}

TEST(BiniDecoderTest, LooksLikeBiniWantsTheFourBytesFirst) {
  EXPECT_TRUE(LooksLikeBini(std::string("BINI\1\0\0\0", 8)));
  for (const char* other : {"", "BIN", "bini", " BINI"})
    EXPECT_FALSE(LooksLikeBini(other)) << other;
}

}  // namespace
}  // namespace tarn
