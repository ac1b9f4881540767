#include "shell/log.h"

#include <gtest/gtest.h>

#include "shell/file_system.h"
#include "shell/findings.h"
#include "support/core_fixture.h"
#include "support/world.h"

namespace tarn {
namespace {

using LogTest = testing::CoreTest;

std::string Failure(const std::string& file, const std::string& number, const std::string& text) {
  return "*******  Unable to log message in file " + file + "\r\n         Error numb:" + number +
         "\r\n         Error desc:" + text + "\r\n         Error src :TARN\r\n";
}

TEST_F(LogTest, BoxDropsItsOldest5999CharactersOnlyWhenOver32000AndTheFileKeepsAll) {
  for (auto [before, cut] : {std::pair<std::size_t, std::size_t>{32000, 0}, {32001, 5999}}) {
    std::string text;
    for (std::size_t i = 0; i < before; ++i) text += static_cast<char>('a' + i % 26);
    front_end.box.Clear();
    front_end.box.Append(text, false);
    log.WriteLog("z");
    EXPECT_EQ(front_end.box.Text(), text.substr(cut) + "z\r\n") << before;
  }
  EXPECT_EQ(files.File(kLogFile), "z\r\nz\r\n");
  EXPECT_FALSE(log.LostLines());
}

// Each line is tried again; the failure lines are not log lines, so they never cut the box.
TEST_F(LogTest, LineThatCannotBeWrittenLeavesFourFailureLinesInTheBoxOnly) {
  const std::string full(40000, 'x');
  front_end.box.Append(full, false);
  files.SetFile(kLogFile, "old\r\n");
  files.Lock(kLogFile);
  log.WriteLog("one");
  log.WriteLog("two");
  const std::string locked = Failure(kLogFile, "75", "Path/File access error");
  EXPECT_EQ(front_end.box.Text(), full + locked + locked);
  EXPECT_EQ(files.File(kLogFile), "old\r\n");
  EXPECT_TRUE(log.LostLines());

  testing::TempDir dir;
  RealFileSystem machine;
  for (FileSystem* tree : {static_cast<FileSystem*>(&files), static_cast<FileSystem*>(&machine)}) {
    front_end.box.Clear();
    settings.SetLogPath(dir.File("missing"));
    Log(tree, front_end, settings).WriteLog("lost");
    EXPECT_EQ(front_end.box.Text(), Failure(dir.File("missing/tarn.log"), "76", "Path not found"));
  }
}

class Sink : public FindingSink {
 public:
  void Add(Finding f) override {
    text += std::to_string(static_cast<int>(f.kind)) + "|" + std::to_string(f.number) + "|" +
            f.file + "|" + std::to_string(f.line) + "|" + f.section + "|" +
            std::to_string(f.index) + "|" + f.key + "|" + f.value + "\n";
  }
  std::string text;
};

TEST_F(LogTest, ErrorsWarningsAndRepairsInTheirFixedFormsAlsoAsFindings) {
  Sink sink;
  log.SetFindings(&sink);
  log.ReportError(TarnError(-2147220480, "BINI finished with error", "TARN.cFile"), "ReadINIFile");
  SectionBuffer buffer;
  buffer.SourceFile = "a.ini";
  buffer.Name = "S";
  buffer.HeaderLine = 115;
  for (int index : {1, 2048}) {
    buffer.EntryNames[index] = "k" + std::to_string(index);
    buffer.EntryValues[index] = "v";
  }
  log.WarnSectionLine(buffer, kErrUnknownEntry, 1);
  log.WarnSectionLine(buffer, kErrValueOverflow, 2048);
  buffer.HeaderLine = 2147483647;  // the line wraps as a 32-bit number would
  log.WarnSectionLine(buffer, 0, 1);
  log.WarnSectionLine(buffer, 10105, 0);  // no such line, no such number
  log.WarnReference({"/game/u.ini", 42, "system", "file", "systems\\kv01.ini", 2},
                    kErrCouldNotOpenReferredFile);
  log.WarnRepair("b.ini", 7, {"      first", "      second"});
  EXPECT_EQ(LogText(),
            "Error : BINI finished with error\nNumber: -2147220480\nSource: TARN.cFile\n"
            "ReadINIFile\n"
            "WARN: File a.ini line 116\n      Section [S] line 1\n"
            "      10302 - Unknown Entry !k1!v!\n\n"
            "WARN: File a.ini line 2163\n      Section [S] line 2048\n"
            "      10104 - Value Overflow !k2048!v!\n\n"
            "WARN: File a.ini line -2147483648\n      Section [S] line 1\n"
            "      Unknown Error !k1!v!\n\n"
            "WARN: File a.ini line 2147483647\n      Section [S] line 0\n"
            "      Unknown Error !!!\n\n"
            "WARN: File /game/u.ini line 42\n      Section [system] line 2\n"
            "      10306 - Could not open referred file !file!systems\\kv01.ini!\n\n"
            "WARN: File b.ini line 7\n      first\n      second\n");
  EXPECT_EQ(sink.text,
            "0|10302|a.ini|116|S|1|k1|v\n0|10104|a.ini|2163|S|2048|k2048|v\n"
            "0|0|a.ini|-2147483648|S|1|k1|v\n0|10105|a.ini|2147483647|S|0||\n"
            "1|10306|/game/u.ini|42|system|2|file|systems\\kv01.ini\n"
            "2|0|b.ini|7||0||      first\n      second\n");
}

TEST_F(LogTest, FatalErrorShowsItsBoxThenEndsTheProgram) {
  EXPECT_THROW(ShowFatalError(front_end, TarnError(14, "unable to open database file", "SQLite"),
                              "Unable to read settings"),
               ProgramEnd);
  EXPECT_EQ(front_end.messages,
            std::vector<std::string>{"Unable to read settings\r\n\r\nError: unable to open "
                                     "database file\r\nNumber: 14\r\nSource: SQLite\r\n"});
  EXPECT_EQ(LogText(), "");
}

}  // namespace
}  // namespace tarn
