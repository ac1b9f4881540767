#include "shell/log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "shell/front_end.h"
#include "support/core_fixture.h"

namespace tarn {
namespace {

using testing::CoreTest;
using ::testing::ElementsAre;

class LogTest : public CoreTest {};

TEST_F(LogTest, WriteLogAppendsToFileAndBox) {
  log.WriteLog("first");
  log.WriteLog("second");
  EXPECT_EQ(files.File(kLogFile), "first\r\nsecond\r\n");
  EXPECT_EQ(front_end.box.Text(), "first\r\nsecond\r\n");
}

TEST_F(LogTest, MissingLogFolderPutsFailureLinesInTheBoxOnly) {
  settings.SetLogPath("nowhere");
  log.WriteLog("lost message");
  EXPECT_FALSE(files.HasFile("nowhere/tarn.log"));
  EXPECT_EQ(front_end.box.Text(),
            "*******  Unable to log message in file nowhere/tarn.log\r\n"
            "         Error numb:76\r\n"
            "         Error desc:Path not found\r\n"
            "         Error src :TARN\r\n");
}

TEST_F(LogTest, LockedLogFileIsTriedAgainOnEveryCall) {
  files.Lock(kLogFile);
  log.WriteLog("one");
  log.WriteLog("two");
  EXPECT_EQ(testing::SplitCrLf(front_end.box.Text()).size(), 8u);
}

TEST_F(LogTest, BoxIsCutOnlyWhenOverTheLimit) {
  struct Case {
    std::size_t before;
    std::size_t after;  // length after one more 8-character line
  } cases[] = {
      {31990, 31998},
      {32000, 32008},             // exactly at the limit: no cut
      {32001, 32001 - 5999 + 8},  // one over: the oldest 5999 go first
  };
  for (const Case& c : cases) {
    front_end.box.Clear();
    front_end.box.Append(std::string(c.before, 'x'), false);
    log.WriteLog("abcdef");
    EXPECT_EQ(front_end.box.Text().size(), c.after) << c.before;
  }
}

TEST_F(LogTest, CutKeepsTheTextFromThe6000thCharacterOn) {
  std::string text;
  for (int i = 0; i < 32001; ++i) text += static_cast<char>('a' + i % 26);
  front_end.box.Append(text, false);
  log.WriteLog("z");
  EXPECT_EQ(front_end.box.Text(), text.substr(5999) + "z\r\n");
  // The file keeps everything.
  EXPECT_EQ(files.File(kLogFile), "z\r\n");
}

TEST_F(LogTest, FailureLinesAreNeverCut) {
  front_end.box.Append(std::string(40000, 'x'), false);
  settings.SetLogPath("nowhere");
  log.WriteLog("m");
  EXPECT_EQ(front_end.box.Text().substr(0, 40000), std::string(40000, 'x'));
}

TEST_F(LogTest, ReportErrorWritesFourLines) {
  log.ReportError(TarnError(-2147220480, "BINI finished with error", "TARN.cFile"), "ReadINIFile");
  EXPECT_THAT(LogLines(), ElementsAre("Error : BINI finished with error", "Number: -2147220480",
                                      "Source: TARN.cFile", "ReadINIFile"));
}

TEST_F(LogTest, WarnSectionLineAddsHeaderLineAndIndex) {
  SectionBuffer buffer;
  buffer.SourceFile = "a.ini";
  buffer.HeaderLine = 115;
  buffer.Name = "S";
  buffer.EntryNames[3] = "k";
  buffer.EntryValues[3] = "v";
  log.WarnSectionLine(buffer, kErrUnknownEntry, 3);
  buffer.HeaderLine = 100;
  log.WarnSectionLine(buffer, kErrValueOverflow, 3);
  EXPECT_THAT(LogLines(),
              ElementsAre("WARN: File a.ini line 118", "      Section [S] line 3",
                          "      10302 - Unknown Entry !k!v!", "", "WARN: File a.ini line 103",
                          "      Section [S] line 3", "      10104 - Value Overflow !k!v!", ""));
}

TEST_F(LogTest, WarnSectionLineSumWrapsAs32Bits) {
  SectionBuffer buffer;
  buffer.HeaderLine = 2147483647;
  log.WarnSectionLine(buffer, 0, 1);
  EXPECT_EQ(LogLines()[0], "WARN: File  line -2147483648");
  EXPECT_EQ(LogLines()[2], "      Unknown Error !!!");
}

TEST_F(LogTest, WarnReferenceUsesTheReferringLine) {
  FileReference ref;
  ref.RefFile = "/game/DATA/UNIVERSE/universe.ini";
  ref.RefLine = 42;
  ref.RefSection = "system";
  ref.RefEntry = "file";
  ref.RefValue = "systems\\kv01\\kv01.ini";
  ref.RefIndex = 2;
  log.WarnReference(ref, kErrCouldNotOpenReferredFile);
  EXPECT_THAT(LogLines(), ElementsAre("WARN: File /game/DATA/UNIVERSE/universe.ini line 42",
                                      "      Section [system] line 2",
                                      "      10306 - Could not open referred file !file!"
                                      "systems\\kv01\\kv01.ini!",
                                      ""));
}

TEST_F(LogTest, ShowFatalErrorShowsTheBoxThenEnds) {
  TarnError error(14, "unable to open database file", "SQLite");
  EXPECT_THROW(ShowFatalError(front_end, error, "Unable to read settings"), ProgramEnd);
  ASSERT_EQ(front_end.messages.size(), 1u);
  EXPECT_EQ(front_end.messages[0],
            "Unable to read settings\r\n\r\nError: unable to open database file\r\n"
            "Number: 14\r\nSource: SQLite\r\n");
  EXPECT_FALSE(files.HasFile(kLogFile));
}

}  // namespace
}  // namespace tarn
