// The binary files of the sample worlds against their text sources in examples/sources/, and
// the encoder that makes them (tarn-mkbini, built beside tarn).
#include <gtest/gtest.h>

#include <filesystem>

#include "ini/bini_decoder.h"
#include "support/program.h"
#include "support/world.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;

class MkbiniTest : public ::testing::Test {
 protected:
  // Encodes source; the bytes written go into the result's out.
  testing::Result Encode(const std::string& source) {
    testing::WriteFile(dir_.File("in.txt"), source);
    fs::remove(dir_.File("out"));
    testing::Result result =
        testing::RunCommand((fs::path(TARN_CLI).parent_path() / "tarn-mkbini").string() + " " +
                            dir_.File("in.txt") + " " + dir_.File("out"));
    result.out = ReadFile(dir_.File("out"));
    return result;
  }
  static std::string Decoded(const std::string& bytes) {
    std::string text, why;
    EXPECT_TRUE(DecodeBini(bytes, text, why)) << why;
    return text;
  }
  testing::TempDir dir_;
};

// The text form has no blank lines, a source may.
TEST_F(MkbiniTest, SampleBinariesDecodeToTheirSourcesAndAreRemadeByteForByte) {
  const std::string sources = TARN_EXAMPLES "/sources";
  int count = 0;
  for (const auto& entry : fs::recursive_directory_iterator(sources)) {
    if (!entry.is_regular_file()) continue;
    ++count;
    std::string source = testing::ToCrLf(testing::FromCrLf(ReadFile(entry.path())));
    while (source.find("\r\n\r\n") != std::string::npos)
      testing::ReplaceAll(source, "\r\n\r\n", "\r\n");
    const std::string name = fs::relative(entry.path(), sources).generic_string();
    for (const char* world : {"/kestrovar/", "/kestrovar-broken/"}) {
      EXPECT_EQ(Decoded(ReadFile(TARN_EXAMPLES + std::string(world) + name)), source)
          << world << name;
    }
    const testing::Result made = Encode(ReadFile(entry.path()));
    EXPECT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(made.out, ReadFile(TARN_EXAMPLES "/kestrovar/" + name)) << name;
  }
  EXPECT_GE(count, 2);
}

TEST_F(MkbiniTest, TypesEachValueByItsTextAndRefusesWhatTheFormCannotHold) {
  EXPECT_EQ(Decoded(Encode("[S]\nk = 12, -3, 0.5, 1e3, -1.25E-2, kv_fighter, ships\\x.ini, 12abc, "
                           "e3, 1.2.3, true, +5\n\n[A]\r\ny =\n[S]\n")
                        .out),
            "[S]\r\nk = 12, -3, 0.5, 1000.0, -0.0125, kv_fighter, ships\\x.ini, 12abc, e3, "
            "1.2.3, true, +5\r\n[A]\r\ny =\r\n[S]\r\n");
  std::string many = "[S]\nk = 0";
  for (int i = 1; i < 256; ++i) many += ", " + std::to_string(i);
  for (const auto& [source, why] : std::vector<std::pair<std::string, std::string>>{
           {"k = 1\n", "line 1: entry before any section"},
           {"[S]\n[T\n", "line 2: unclosed header"},
           {"[S]\n; a comment\n", "line 2: neither"},
           {"[S]\nk = 3000000000\n", "line 2: integer 3000000000 does not fit 32 bits"},
           {"[S]\nk = 1e39\n", "line 2: number 1e39 does not fit a float"},
           {many + "\n", "line 2: more than 255 values"}}) {
    const testing::Result made = Encode(source);
    EXPECT_EQ(made.status, 1) << source;
    EXPECT_NE(made.err.find(why), std::string::npos) << source << made.err;
  }
}

}  // namespace
}  // namespace tarn
