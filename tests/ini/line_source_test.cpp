#include "ini/line_source.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "shell/error.h"
#include "support/core_fixture.h"

namespace tarn {
namespace {

using ::testing::ElementsAre;

class LineSourceTest : public testing::CoreTest {
 protected:
  // Opens text as the file "game/a.ini" and reads it to its end.
  std::vector<std::string> ReadAll(const std::string& text) {
    Open(text);
    std::vector<std::string> lines;
    while (!file.EndOfFile()) lines.push_back(file.ReadLine());
    return lines;
  }

  void Open(const std::string& text) {
    files.AddFolder("game");
    files.SetFile("game/a.ini", text);
    file.SetFileName("game/a.ini");
  }

  LineSource file{files, log};
};

TEST_F(LineSourceTest, CleansEveryLine) {
  EXPECT_THAT(ReadAll("\t key = 1 ;comment\r\n"
                      "; only a comment\r\n"
                      "a\tb = c\t\r\n"
                      "\r\n"
                      "  [Ship]  \r\n"
                      "k = a;b;c\r\n"),
              ElementsAre("key = 1", "", "a b = c", "", "[Ship]", "k = a"));
  EXPECT_EQ(file.LineNum(), 6);
}

TEST_F(LineSourceTest, LinesEndAtCrLfLfAndCr) {
  EXPECT_THAT(ReadAll("a\r\nb\nc\rd"), ElementsAre("a", "b", "c", "d"));
  EXPECT_THAT(ReadAll("a\r\n\r\n"), ElementsAre("a", ""));
  EXPECT_THAT(ReadAll("a\n\r"), ElementsAre("a", ""));
  // A CR LF split between two blocks of the reader is still one line end.
  std::string long_line(64 * 1024 - 1, 'x');
  EXPECT_THAT(ReadAll(long_line + "\r\nb"), ElementsAre(long_line, "b"));
}

TEST_F(LineSourceTest, EmptyFileIsAtItsEndAtOnce) {
  Open("");
  EXPECT_TRUE(file.EndOfFile());
  EXPECT_EQ(file.LineNum(), 0);
  EXPECT_THROW(file.ReadLine(), TarnError);
}

TEST_F(LineSourceTest, PushedBackLineComesAgainWithoutCounting) {
  Open("a\r\nb\r\nc\r\n");
  file.ReadLine();
  file.ReadLine();
  EXPECT_EQ(file.ReadLine(), "c");
  EXPECT_TRUE(file.EndOfFile());
  file.Backline("  c ; again");
  EXPECT_FALSE(file.EndOfFile());
  EXPECT_EQ(file.ReadLine(), "c");  // cleaned again
  EXPECT_EQ(file.LineNum(), 3);
  EXPECT_TRUE(file.EndOfFile());
}

TEST_F(LineSourceTest, RepairsOfSeparableAndOfferMissions) {
  struct Case {
    std::string line;
    std::vector<std::string> read;  // this line and, when split, the next
    std::vector<std::string> log;
  } cases[] = {
      {"separable",
       {"separable = true"},
       {"WARN: File game/a.ini line 1",
        "      !separable! line found. Changed to !separable = true!"}},
      {"offer_missions",
       {"offer_missions = true"},
       {"WARN: File game/a.ini line 1",
        "      !offer_missions! line found. Changed to !offer_missions = true!"}},
      {"separable = true = a = 3",
       {"separable = true", "a = 3"},
       {"WARN: File game/a.ini line 1", "      !separable = true = a = 3! line found.",
        "      Splited in two lines: !separable = true!a = 3!"}},
      {"separable = name = x",
       {"separable = true", "name = x"},
       {"WARN: File game/a.ini line 1", "      !separable = name = x! line found.",
        "      Splited in two lines: !separable = true!name = x!"}},
      {"offer_missions = true = b = 1",
       {"offer_missions = true", "b = 1"},
       {"WARN: File game/a.ini line 1", "      !offer_missions = true = b = 1! line found.",
        "      Splited in two lines: !offer_missions = true!b = 1!"}},
      {"offer_missions = x=y",
       {"offer_missions = true", "x=y"},
       {"WARN: File game/a.ini line 1", "      !offer_missions = x=y! line found.",
        "      Splited in two lines: !offer_missions = true!x=y!"}},
      {"offer_missions = true", {"offer_missions = true"}, {}},
      {"offer_missions = false", {"offer_missions = false"}, {}},
      {"separable = false", {"separable = false"}, {}},
      {"separable=true", {"separable=true"}, {}},
      {"Separable", {"Separable"}, {}},
  };
  for (const Case& c : cases) {
    files.SetFile(kLogFile, "");
    EXPECT_EQ(ReadAll(c.line + "\r\n"), c.read) << c.line;
    EXPECT_EQ(LogLines(), c.log) << c.line;
    EXPECT_EQ(file.LineNum(), 1) << c.line;
  }
}

TEST_F(LineSourceTest, CommentBeyondPosition32767Overflows) {
  Open(std::string(32767, 'a') + ";\r\n" + std::string(32766, 'a') + ";\r\n");
  EXPECT_THROW(file.ReadLine(), TarnError);
  EXPECT_EQ(file.ReadLine(), std::string(32766, 'a'));
}

TEST_F(LineSourceTest, BinaryFilesAreDecodedInMemory) {
  // [Ship] with mass = 42: header, one section record, one entry record with one integer.
  const char bytes[] =
      "BINI\x01\x00\x00\x00\x18\x00\x00\x00"
      "\x00\x00\x01\x00"
      "\x05\x00\x01"
      "\x01\x2a\x00\x00\x00"
      "Ship\0mass";
  Open(std::string(bytes, sizeof bytes));
  EXPECT_EQ(file.ReadLine(), "[Ship]");
  EXPECT_EQ(file.ReadLine(), "mass = 42");
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
  }
  EXPECT_THAT(ReadAll("bini\r\nBIN"), ElementsAre("bini", "BIN"));
}

TEST_F(LineSourceTest, MissingFileOrFolder) {
  files.AddFolder("game");
  for (auto [path, number] : {std::pair{"game/none.ini", 53}, std::pair{"nowhere/a.ini", 76}}) {
    try {
      file.SetFileName(path);
      ADD_FAILURE() << path;
    } catch (const TarnError& e) {
      EXPECT_EQ(e.Number(), number);
    }
  }
}

}  // namespace
}  // namespace tarn
