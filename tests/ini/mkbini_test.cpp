// The binary files of the sample worlds against their text sources in examples/sources/, and
// the encoder that makes them (tarn-mkbini, built beside tarn).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ini/bini_decoder.h"
#include "ini/bini_format.h"
#include "support/shell_run.h"
#include "support/temp_dir.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing::ReadAll;
using testing::TempDir;

constexpr const char* kSources = TARN_EXAMPLES "/sources";
const char* const kWorlds[] = {"kestrovar", "kestrovar-broken"};

void WriteAll(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// The lines of a text, blank lines dropped: the text form has none, a source may.
std::vector<std::string> Lines(std::string text) {
  std::erase(text, '\r');
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// Every text source, as a path relative to examples/sources/ and so to each world.
std::vector<std::string> Sources() {
  std::vector<std::string> sources;
  for (const auto& entry : fs::recursive_directory_iterator(kSources)) {
    if (entry.is_regular_file()) {
      sources.push_back(fs::relative(entry.path(), kSources).generic_string());
    }
  }
  return sources;
}

TEST(SampleBinaries, EachDecodesToItsTextSource) {
  const std::vector<std::string> sources = Sources();
  ASSERT_GE(sources.size(), 2u);
  for (const std::string& source : sources) {
    for (const char* world : kWorlds) {
      const std::string binary = std::string(TARN_EXAMPLES) + "/" + world + "/" + source;
      std::string text, why;
      ASSERT_TRUE(DecodeBini(ReadAll(binary), text, why)) << binary << ": " << why;
      EXPECT_EQ(Lines(text), Lines(ReadAll(std::string(kSources) + "/" + source))) << binary;
    }
  }
}

class MkbiniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tool_ = (fs::path(TARN_CLI).parent_path() / "tarn-mkbini").string();
    if (!fs::exists(tool_)) GTEST_SKIP() << "tarn-mkbini is not built";
  }

  // Encodes source; returns the exit status, the bytes written and what went to stderr.
  int Encode(const std::string& source, std::string& bytes, std::string& err) {
    const std::string in = scratch_.File("in.txt"), out = scratch_.File("out");
    WriteAll(in, source);
    std::filesystem::remove(out);
    std::string command = tool_ + " " + in + " " + out + " 2>" + scratch_.File("err");
    const int status = testing::RunShell(command);
    bytes = ReadAll(out);
    err = ReadAll(scratch_.File("err"));
    return status;
  }

  std::string tool_;
  TempDir scratch_;
};

TEST_F(MkbiniTest, RemakesTheCommittedBinariesByteForByte) {
  for (const std::string& source : Sources()) {
    std::string bytes, err;
    ASSERT_EQ(Encode(ReadAll(std::string(kSources) + "/" + source), bytes, err), 0) << err;
    EXPECT_EQ(bytes, ReadAll(std::string(TARN_EXAMPLES) + "/kestrovar/" + source)) << source;
  }
}

TEST_F(MkbiniTest, TypesEachValueByItsText) {
  struct Case {
    const char* text;
    std::uint8_t type;
  };
  const Case cases[] = {
      {"12", bini::kIntValue},
      {"-3", bini::kIntValue},
      {"0.5", bini::kFloatValue},
      {"1e3", bini::kFloatValue},
      {"-1.25E-2", bini::kFloatValue},
      {"kv_fighter", bini::kStringValue},
      {"ships\\x.ini", bini::kStringValue},
      {"12abc", bini::kStringValue},
      {"e3", bini::kStringValue},
      {"1.2.3", bini::kStringValue},
      {"true", bini::kStringValue},
      {"+5", bini::kStringValue},
  };
  std::string line = "k =";
  for (const Case& c : cases) line += std::string(line.back() == '=' ? " " : ", ") + c.text;
  std::string bytes, err;
  ASSERT_EQ(Encode("[S]\n" + line + "\n", bytes, err), 0) << err;
  // One section record, one entry record, then the value records back to back.
  const std::size_t first = bini::kHeaderSize + bini::kSectionRecordSize + bini::kEntryRecordSize;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::size_t at = first + i * bini::kValueRecordSize + bini::kValueTypeOffset;
    ASSERT_LT(at, bytes.size());
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[at]), cases[i].type) << cases[i].text;
  }
  std::string text, why;
  ASSERT_TRUE(DecodeBini(bytes, text, why)) << why;
  EXPECT_EQ(text,
            "[S]\r\nk = 12, -3, 0.5, 1000.0, -0.0125, kv_fighter, ships\\x.ini, 12abc, e3, "
            "1.2.3, true, +5\r\n");
}

TEST_F(MkbiniTest, KeepsSectionsEntriesAndEmptyEntries) {
  std::string bytes, err;
  ASSERT_EQ(Encode("[A]\r\nx = 1\r\n\r\ny =\r\n[B]\n[A]\nx = 2, x\n", bytes, err), 0) << err;
  std::string text, why;
  ASSERT_TRUE(DecodeBini(bytes, text, why)) << why;
  EXPECT_EQ(text, "[A]\r\nx = 1\r\ny =\r\n[B]\r\n[A]\r\nx = 2, x\r\n");
}

TEST_F(MkbiniTest, RefusesWhatTheBinaryFormCannotHold) {
  const struct {
    const char* source;
    const char* why;
  } cases[] = {
      {"k = 1\n", "line 1: entry before any section"},
      {"[S]\n[T\n", "line 2: unclosed header"},
      {"[S]\n; a comment\n", "line 2: neither"},
      {"[S]\n= 1\n", "line 2: neither"},
      {"[S]\nk = 3000000000\n", "line 2: integer 3000000000 does not fit 32 bits"},
      {"[S]\nk = 1e39\n", "line 2: number 1e39 does not fit a float"},
  };
  for (const auto& c : cases) {
    std::string bytes, err;
    EXPECT_EQ(Encode(c.source, bytes, err), 1) << c.source;
    EXPECT_THAT(err, HasSubstr(c.why)) << c.source;
  }
  std::string many = "[S]\nk = 0";
  for (int i = 1; i < 256; ++i) many += ", " + std::to_string(i);
  std::string bytes, err;
  EXPECT_EQ(Encode(many + "\n", bytes, err), 1);
  EXPECT_THAT(err, HasSubstr("line 2: more than 255 values"));
}

}  // namespace
}  // namespace tarn
