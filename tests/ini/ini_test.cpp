// Reading the game's INI files line by line, text and binary; and the binary files of the
// sample worlds against their text sources in examples/sources/, with the encoder that makes
// them (tarn-mkbini, built beside tarn).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <limits>
#include <memory>

#include "ini/bini_decoder.h"
#include "ini/bini_encoder.h"
#include "ini/bini_format.h"
#include "ini/line_source.h"
#include "ini/section_reader.h"
#include "log/findings.h"
#include "support/core_fixture.h"
#include "support/program.h"
#include "support/world.h"

namespace tarn {
namespace {

using testing::ErrorOf;
using Lines = std::vector<std::string>;

class LineSourceTest : public testing::CoreTest {
 protected:
  void Open(const std::string& text) {
    files.AddFolder("game");
    files.SetFile("game/a.ini", text);
    file.SetFileName("game/a.ini");
  }
  // Opens text as the file "game/a.ini" and reads it to its end.
  Lines ReadAll(const std::string& text) {
    Open(text);
    Lines lines;
    while (!file.EndOfFile()) lines.push_back(file.ReadLine());
    return lines;
  }
  LineSource file{files, log};
};

TEST_F(LineSourceTest, CleansEveryLineAndEndsLinesAtCrLfLfAndCr) {
  EXPECT_EQ(ReadAll("\t key = 1 ;comment\r\n; only a comment\r\na\tb = c\t\r\n\r\n"
                    "  [Ship]  \r\nk = a;b;c\r\n"),
            (Lines{"key = 1", "", "a b = c", "", "[Ship]", "k = a"}));
  EXPECT_EQ(file.LineNum(), 6);
  EXPECT_EQ(ReadAll("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(ReadAll("a\r\n\r\n"), (Lines{"a", ""}));
  EXPECT_EQ(ReadAll("a\n\r"), (Lines{"a", ""}));
  EXPECT_EQ(ReadAll("\r\r\n\n"), (Lines{"", "", ""}));
  // A CR LF split between two blocks of the reader is still one line end.
  const std::string long_line(64 * 1024 - 1, 'x');
  EXPECT_EQ(ReadAll(long_line + "\r\nb"), (Lines{long_line, "b"}));
  EXPECT_EQ(ReadAll(long_line + "yz\r\n"), (Lines{long_line + "yz"}));
  EXPECT_EQ(LogText(), "");
}

TEST_F(LineSourceTest, PushedBackLineComesAgainWithoutCountingAndNothingPastTheEnd) {
  Open("");
  EXPECT_TRUE(file.EndOfFile());
  EXPECT_EQ(file.LineNum(), 0);
  EXPECT_EQ(ErrorOf([&] { file.ReadLine(); }), 62);
  Open("a\r\nb\r\n");
  file.ReadLine();
  file.Backline("x");
  file.Backline("  b ; again");  // replaces the first
  EXPECT_EQ(file.ReadLine(), "b");
  EXPECT_EQ(file.LineNum(), 1);
  EXPECT_EQ(file.ReadLine(), "b");
  EXPECT_TRUE(file.EndOfFile());
  EXPECT_EQ(file.LineNum(), 2);
  Open("x\r\n");  // a new file starts afresh
  EXPECT_EQ(file.ReadLine(), "x");
}

// A file another program still writes is read to the end first met: a line that arrives
// after it is not read into the file's last section.
TEST_F(LineSourceTest, TheEndOnceMetStaysTheEnd) {
  struct Growing : InputFile {
    std::size_t Read(char* buffer, std::size_t size) override {
      const std::string next = reads < chunks.size() ? chunks[reads] : "";
      ++reads;
      return next.copy(buffer, size);
    }
    std::vector<std::string> chunks{"a\n", "", "b\n"};
    std::size_t reads = 0;
  };
  struct GrowingFiles : testing::MemoryFileSystem {
    std::unique_ptr<InputFile> OpenForReading(const std::string&) override {
      return std::make_unique<Growing>();
    }
  } growing;
  growing.AddFolder("game");
  growing.SetFile("game/a.ini", "");
  LineSource source(growing, log);
  source.SetFileName("game/a.ini");
  EXPECT_EQ(source.ReadLine(), "a");
  EXPECT_TRUE(source.EndOfFile());
  EXPECT_TRUE(source.EndOfFile());
  EXPECT_EQ(ErrorOf([&] { source.ReadLine(); }), 62);
}

// The buffer is reused: a line without '=' has no value, whatever the last section held there.
TEST_F(LineSourceTest, SectionsReuseTheBufferWithoutTheLastSectionsValues) {
  Open("[A]\r\nj = 0\r\nk = 1\r\n[B]\r\nj\r\nk\r\n");
  SectionBuffer buffer;
  ASSERT_TRUE(ReadSection(buffer, file, log));
  ASSERT_TRUE(ReadSection(buffer, file, log));
  EXPECT_EQ(buffer.EntryNames[2] + "|" + buffer.EntryValues[2], "k|");
}

// Two malformed lines the game's own files hold are repaired: the key alone, and a second
// entry run into it.
TEST_F(LineSourceTest, RepairsOfSeparableAndOfferMissions) {
  const std::string warn = "WARN: File game/a.ini line 1\n      !";
  for (const auto& [line, read] : std::vector<std::pair<std::string, Lines>>{
           {"separable", {"separable = true"}},
           {"offer_missions", {"offer_missions = true"}},
           {"separable = true = a = 3", {"separable = true", "a = 3"}},
           {"separable = name = x", {"separable = true", "name = x"}},
           {"offer_missions = true = b = 1", {"offer_missions = true", "b = 1"}},
           {"offer_missions = x=y", {"offer_missions = true", "x=y"}},
           {"offer_missions = true", {"offer_missions = true"}},
           {"separable = false", {"separable = false"}},
           {"separable=true", {"separable=true"}},
           {"Separable", {"Separable"}}}) {
    files.SetFile(kLogFile, "");
    EXPECT_EQ(ReadAll(line + "\r\n"), read) << line;
    EXPECT_EQ(file.LineNum(), 1) << line;
    EXPECT_EQ(LogText(), read.size() == 2 ? warn + line +
                                                "! line found.\n      Splited in two "
                                                "lines: !" +
                                                read[0] + "!" + read[1] + "!\n"
                         : read[0] != line
                             ? warn + line + "! line found. Changed to !" + read[0] + "!\n"
                             : "")
        << line;
  }
}

// A repair's finding names the section it stands in and the key repaired, and describes the
// repair without the blanks that indent it in the log.
TEST_F(LineSourceTest, RepairFindingsCarryTheirSectionAndKey) {
  FindingList found;
  log.SetFindings(&found);
  Open("offer_missions\r\n[Ship]\r\nseparable\r\n[Base]\r\noffer_missions = true = b = 1\r\n");
  SectionBuffer buffer;
  while (ReadSection(buffer, file, log)) {
  }
  std::vector<std::string> seen;
  for (const Finding& f : found.All()) seen.push_back(f.section + "|" + f.key + "|" + f.value);
  EXPECT_EQ(seen, (Lines{"|offer_missions|!offer_missions! line found. Changed to "
                         "!offer_missions = true!",
                         "Ship|separable|!separable! line found. Changed to !separable = true!",
                         "Base|offer_missions|!offer_missions = true = b = 1! line found.\n"
                         "Splited in two lines: !offer_missions = true!b = 1!"}));
}

TEST_F(LineSourceTest, CommentBeyondPosition32767Overflows) {
  Open(std::string(32767, 'a') + ";\r\n" + std::string(32766, 'a') + ";\r\n");
  EXPECT_EQ(ErrorOf([&] { file.ReadLine(); }), kErrOverflow);
  EXPECT_EQ(file.ReadLine(), std::string(32766, 'a'));
}

TEST_F(LineSourceTest, AFileOfTheSizeLimitIsReadAndOneByteMoreIsNot) {
  LineSource limited(files, log, ReadLimits{.file_size = 4});
  Open("[A]\n");
  EXPECT_NO_THROW(limited.SetFileName("game/a.ini"));
  Open("[A]\n\n");
  EXPECT_THROW(limited.SetFileName("game/a.ini"), LimitError);
}

TEST_F(LineSourceTest, BinaryFilesAreDecodedInMemoryAndMissingOnesKeepTheirNumbers) {
  // Past the first block of the reader, so that the whole file is read.
  const std::string name(70000, 'n');
  Open(BiniEncoder().Section("Ship").Entry("mass").Int(42).Entry(name).Bytes());
  EXPECT_TRUE(file.IsBinary());
  EXPECT_EQ(file.ReadLine(), "[Ship]");
  EXPECT_EQ(file.ReadLine(), "mass = 42");
  EXPECT_EQ(file.ReadLine(), name + " =");
  EXPECT_TRUE(file.EndOfFile());
  EXPECT_EQ(file.FileName(), "game/a.ini");
  EXPECT_FALSE(files.HasFile("game/a.ini.txt"));

  for (const char* text : {"BINI", "BINI and then some text"}) {
    files.SetFile("game/b.ini", text);
    try {
      file.SetFileName("game/b.ini");
      ADD_FAILURE() << text;
    } catch (const TarnError& e) {
      EXPECT_EQ(e.Number(), -2147220480);
      EXPECT_EQ(e.Description(), "BINI finished with error");
      EXPECT_EQ(e.Source(), "TARN.cFile");
    }
    EXPECT_EQ(file.FileName(), "");
    EXPECT_FALSE(file.IsBinary());
  }
  EXPECT_EQ(ReadAll("bini\r\nBIN"), (Lines{"bini", "BIN"}));
  EXPECT_FALSE(file.IsBinary());
  EXPECT_EQ(ErrorOf([&] { file.SetFileName("game/none.ini"); }), kErrFileNotFound);
  EXPECT_EQ(ErrorOf([&] { file.SetFileName("nowhere/a.ini"); }), kErrPathNotFound);
}

// The text form, or "refused: " and the reason; a refusal leaves no text. The bytes are in a
// heap block of exactly their size, so that the sanitizer build sees any read past the end.
std::string Decode(std::string_view bytes) {
  auto copy = std::make_unique<char[]>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), copy.get());
  std::string text = "stale", why;
  if (DecodeBini(std::string_view(copy.get(), bytes.size()), text, why)) return text;
  EXPECT_EQ(text, "") << why;
  return "refused: " + why;
}

std::string Patched(std::string bytes, std::size_t at, std::uint32_t value, int width) {
  std::string field;
  for (int i = 0; i < width; ++i) field += static_cast<char>(value >> (8 * i) & 0xFF);
  return bytes.replace(at, field.size(), field);
}

// Sections, entries with and without values, every value type, an empty section.
std::string FullFile() {
  // clang-format off
  return BiniEncoder()
      .Section("General")
          .Entry("name").Text("Kestrovar")
          .Entry("counts").Int(3).Int(-7).Int(std::numeric_limits<std::int32_t>::max())
          .Entry("scale").Float(0.5f).Float(2.0f)
          .Entry("flags")
      .Section("Empty")
      .Section("Ship")
          .Entry("mix").Int(1).Float(1.1f).Text("Caf\xe9")
      .Bytes();
  // clang-format on
}

TEST(BiniDecoderTest, WritesEachSectionAndEntryAsALineAndEachValueInItsTextForm) {
  EXPECT_EQ(Decode(FullFile()),
            "[General]\r\nname = Kestrovar\r\ncounts = 3, -7, 2147483647\r\n"
            "scale = 0.5, 2.0\r\nflags =\r\n[Empty]\r\n[Ship]\r\nmix = 1, 1.1, Caf\xe9\r\n");
  EXPECT_EQ(Decode(BiniEncoder().Bytes()), "");
  for (const auto& [value, text] : std::vector<std::pair<float, std::string>>{
           {1e20f, "1e+20"},
           {-0.0f, "-0.0"},
           {16777216.0f, "16777216.0"},
           {-1.17549435e-38f, "-1.1754944e-38"},
           {1e-45f, "1e-45"},
           {-std::numeric_limits<float>::infinity(), "-inf"}}) {
    EXPECT_EQ(Decode(BiniEncoder().Section("s").Entry("k").Float(value).Bytes()),
              "[s]\r\nk = " + text + "\r\n");
  }
  EXPECT_EQ(Decode(BiniEncoder().Section("s").Entry("k").Int(INT32_MIN).Bytes()),
            "[s]\r\nk = -2147483648\r\n");
}

TEST(BiniDecoderTest, RefusesBrokenFilesWithTheReason) {
  // Section at 12, entry at 16, value at 19, string table "s\0k\0" at 24.
  const std::string good = BiniEncoder().Section("s").Entry("k").Int(5).Bytes();
  ASSERT_EQ(good.size(), 28u);
  const std::string past = " is past the end of the 4-byte string table";
  for (const auto& [bytes, why] : std::vector<std::pair<std::string, std::string>>{
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
           {Patched(good, 12, 4, 2), "string offset 4 at offset 12" + past},
           {Patched(good, 16, 4, 2), "string offset 4 at offset 16" + past},
           {Patched(Patched(good, 19, bini::kStringValue, 1), 20, 0xFFFFFFFF, 4),
            "string offset 4294967295 at offset 20" + past},
           {good.substr(0, 27), "string at offset 26 is not terminated"},
           {Patched(good, 19, 7, 1), "unknown value type 7 at offset 19"}}) {
    EXPECT_EQ(Decode(bytes), "refused: " + why);
  }
  for (const char* other : {"", "BIN", "bini", " BINI"}) EXPECT_FALSE(LooksLikeBini(other));
  EXPECT_TRUE(LooksLikeBini("BINI"));
}

TEST(BiniEncoderTest, StoresEachStringOnceWhereTheOrderSaysAndDecodesToWhatWasWritten) {
  const auto file = [](BiniStringOrder order) {
    BiniEncoder encoder(order);
    encoder.Section("S").Entry("k").Text("v").Text("k").Entry("n").Text("v");
    return encoder.Bytes();
  };
  const std::size_t table = bini::kHeaderSize + 25;  // 1 section, 2 entries, 3 values
  EXPECT_EQ(file(BiniStringOrder::kAsMet).substr(table), std::string("S\0k\0v\0n\0", 8));
  EXPECT_EQ(file(BiniStringOrder::kNamesFirst).substr(table), std::string("S\0k\0n\0v\0", 8));
  for (auto order : {BiniStringOrder::kAsMet, BiniStringOrder::kNamesFirst}) {
    EXPECT_EQ(Decode(file(order)), "[S]\r\nk = v, k\r\nn = v\r\n");
  }
  // A long value before a name: out of a name's reach unless names come first.
  const std::string long_value(65534, 'x');
  BiniEncoder names_first(BiniStringOrder::kNamesFirst);
  names_first.Section("s").Entry("k").Text(long_value).Entry("late");
  EXPECT_EQ(Decode(names_first.Bytes()), "[s]\r\nk = " + long_value + "\r\nlate =\r\n");
  BiniEncoder as_met;
  as_met.Section("s").Entry("k").Text(long_value).Entry("k");  // k is stored already
  EXPECT_THROW(as_met.Entry("late"), BiniEncodeError);
}

TEST(BiniEncoderTest, RefusesWhatTheFormCannotHoldAndKeepsTheFileWhole) {
  const auto why = [](const std::function<void()>& add) {
    try {
      add();
    } catch (const BiniEncodeError& error) {
      return std::string(error.what());
    }
    return std::string("taken");
  };
  BiniEncoder encoder;
  EXPECT_EQ(why([&] { encoder.Entry("k"); }), "entry before any section");
  encoder.Section("s");
  EXPECT_EQ(why([&] { encoder.Int(1); }), "value before any entry");
  EXPECT_EQ(why([&] { encoder.Text("v"); }), "value before any entry");
  encoder.Entry("k");
  for (int i = 0; i < 255; ++i) encoder.Int(i);
  const std::string full = encoder.Bytes();
  EXPECT_EQ(why([&] { encoder.Float(1.0f); }), "more than 255 values");
  EXPECT_EQ(why([&] { encoder.Text("v"); }), "more than 255 values");
  EXPECT_EQ(encoder.Bytes(), full);
  for (int i = 1; i < 65535; ++i) encoder.Entry("k");
  EXPECT_EQ(why([&] { encoder.Entry("k"); }), "more than 65535 entries");
  EXPECT_EQ(why([&] { encoder.Section("t").Entry("k"); }), "taken");
}

// Every byte of the table ends a string that some record uses: no cut leaves a whole file.
TEST(BiniDecoderTest, EveryTruncationFailsForItsPart) {
  const std::string file = FullFile();
  const std::size_t table = bini::kHeaderSize + 72;  // 3 sections, 5 entries, 9 values
  for (std::size_t size = 0; size < file.size(); ++size) {
    const std::string why = Decode(file.substr(0, size)), n = std::to_string(size);
    if (size < bini::kHeaderSize) {
      EXPECT_EQ(why, "refused: file is " + n + " bytes, shorter than the 12-byte header");
    } else if (size < table) {
      EXPECT_EQ(why,
                "refused: string table offset 84 is past the end of the file (" + n + " bytes)");
    } else {
      EXPECT_TRUE(why.starts_with("refused: string ")) << size << why;
    }
  }
}

namespace fs = std::filesystem;
using testing::ReadFile;

class MkbiniTest : public ::testing::Test {
 protected:
  // Encodes source; the bytes written go into the result's out.
  testing::Result Encode(const std::string& source, const std::string& flags = "") {
    testing::WriteFile(dir_.File("in.txt"), source);
    fs::remove(dir_.File("out"));
    testing::Result result =
        testing::RunCommand((fs::path(TARN_CLI).parent_path() / "tarn-mkbini").string() + " " +
                            flags + dir_.File("in.txt") + " " + dir_.File("out"));
    result.out = ReadFile(dir_.File("out"));
    return result;
  }
  testing::TempDir dir_;
};

// The text form has no blank lines, a source may. The broken world takes a source of its own
// where its file differs.
TEST_F(MkbiniTest, SampleBinariesDecodeToTheirSourcesAndAreRemadeByteForByte) {
  struct World {
    const char* name;
    const char* own_sources;  // checked before examples/sources
  };
  int count = 0;
  for (const World world :
       {World{"kestrovar", "sources"}, World{"kestrovar-broken", "broken-sources"}}) {
    const std::string shared = TARN_EXAMPLES "/sources";
    for (const auto& entry : fs::recursive_directory_iterator(shared)) {
      if (!entry.is_regular_file()) continue;
      ++count;
      const std::string name = fs::relative(entry.path(), shared).generic_string();
      fs::path path = fs::path(TARN_EXAMPLES) / world.own_sources / name;
      if (!fs::exists(path)) path = entry.path();
      std::string source = testing::ToCrLf(testing::FromCrLf(ReadFile(path.string())));
      while (source.find("\r\n\r\n") != std::string::npos)
        testing::ReplaceAll(source, "\r\n\r\n", "\r\n");
      const std::string binary = TARN_EXAMPLES "/" + std::string(world.name) + "/" + name;
      EXPECT_EQ(Decode(ReadFile(binary)), source) << binary;
      const testing::Result made = Encode(ReadFile(path.string()));
      EXPECT_EQ(made.status, 0) << made.err;
      EXPECT_EQ(made.out, ReadFile(binary)) << binary;
    }
  }
  EXPECT_GE(count, 6);
}

TEST_F(MkbiniTest, TypesEachValueByItsTextAndRefusesWhatTheFormCannotHold) {
  EXPECT_EQ(Decode(Encode("[S]\nk = 12, -3, 0.5, 1e3, -1.25E-2, kv_fighter, ships\\x.ini, 12abc, "
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

// Typed JSON is for generators whose strings may look like numbers: the bytes are exactly
// what the encoder makes of the same calls.
TEST_F(MkbiniTest, TakesTypedJsonInEitherStringOrder) {
  const std::string source =
      R"([["Good", [["ids", ["12", 12, 0.5, "caf\u00e9"]], ["none", []]]], ["Empty", []]])";
  for (const auto order : {BiniStringOrder::kAsMet, BiniStringOrder::kNamesFirst}) {
    const bool first = order == BiniStringOrder::kNamesFirst;
    const testing::Result made = Encode(source, first ? "--json --names-first " : "--json ");
    EXPECT_EQ(made.status, 0) << made.err;
    BiniEncoder expected(order);
    expected.Section("Good").Entry("ids").Text("12").Int(12).Float(0.5f).Text("caf\xe9");
    expected.Entry("none").Section("Empty");
    EXPECT_EQ(made.out, expected.Bytes());
  }
  for (const auto& [json, why] : std::vector<std::pair<std::string, std::string>>{
           {R"([["s", [["k", [3000000000]]]]])", "3000000000 is not a value the form holds"},
           {R"([["s", [["k", [true]]]]])", "true is not a value the form holds"},
           {R"([["s", [["k", [1e39]]]]])", "does not fit a float"},
           {R"([["s", [["k", ["\u4e00"]]]]])", "outside code page 1252"},
           {R"([["s", [["k", [1]]]])", "parse_error"}}) {
    const testing::Result made = Encode(json, "--json ");
    EXPECT_EQ(made.status, 1) << json;
    EXPECT_NE(made.err.find(why), std::string::npos) << json << made.err;
  }
}

}  // namespace
}  // namespace tarn
