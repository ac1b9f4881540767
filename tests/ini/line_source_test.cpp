#include "ini/line_source.h"

#include <gtest/gtest.h>

#include "support/bini_writer.h"
#include "support/core_fixture.h"

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

TEST_F(LineSourceTest, RepairsOfSeparableAndOfferMissions) {
  const struct {
    std::string line;
    Lines read;  // this line and, when split, the next
    std::string log;
  } cases[] = {
      {"separable",
       {"separable = true"},
       "WARN: File game/a.ini line 1\n      !separable! line found. Changed to !separable = "
       "true!\n"},
      {"offer_missions",
       {"offer_missions = true"},
       "WARN: File game/a.ini line 1\n"
       "      !offer_missions! line found. Changed to !offer_missions = true!\n"},
      {"separable = true = a = 3",
       {"separable = true", "a = 3"},
       "WARN: File game/a.ini line 1\n      !separable = true = a = 3! line found.\n"
       "      Splited in two lines: !separable = true!a = 3!\n"},
      {"separable = name = x",
       {"separable = true", "name = x"},
       "WARN: File game/a.ini line 1\n      !separable = name = x! line found.\n"
       "      Splited in two lines: !separable = true!name = x!\n"},
      {"offer_missions = true = b = 1",
       {"offer_missions = true", "b = 1"},
       "WARN: File game/a.ini line 1\n      !offer_missions = true = b = 1! line found.\n"
       "      Splited in two lines: !offer_missions = true!b = 1!\n"},
      {"offer_missions = x=y",
       {"offer_missions = true", "x=y"},
       "WARN: File game/a.ini line 1\n      !offer_missions = x=y! line found.\n"
       "      Splited in two lines: !offer_missions = true!x=y!\n"},
      {"offer_missions = true", {"offer_missions = true"}, ""},
      {"separable = false", {"separable = false"}, ""},
      {"separable=true", {"separable=true"}, ""},
      {"Separable", {"Separable"}, ""},
  };
  for (const auto& c : cases) {
    files.SetFile(kLogFile, "");
    EXPECT_EQ(ReadAll(c.line + "\r\n"), c.read) << c.line;
    EXPECT_EQ(LogText(), c.log) << c.line;
    EXPECT_EQ(file.LineNum(), 1) << c.line;
  }
}

TEST_F(LineSourceTest, CommentBeyondPosition32767Overflows) {
  Open(std::string(32767, 'a') + ";\r\n" + std::string(32766, 'a') + ";\r\n");
  EXPECT_EQ(ErrorOf([&] { file.ReadLine(); }), kErrOverflow);
  EXPECT_EQ(file.ReadLine(), std::string(32766, 'a'));
}

TEST_F(LineSourceTest, BinaryFilesAreDecodedInMemoryAndMissingOnesKeepTheirNumbers) {
  // Past the first block of the reader, so that the whole file is read.
  const std::string name(70000, 'n');
  Open(testing::BiniWriter().Section("Ship", 2).Entry("mass", 1).Int(42).Entry(name, 0).Bytes());
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

}  // namespace
}  // namespace tarn
