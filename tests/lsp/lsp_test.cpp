#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "lsp/document_text.h"
#include "lsp/file_uri.h"
#include "lsp/game_check.h"
#include "lsp/message_reader.h"
#include "lsp/overlay_file_system.h"
#include "lsp/server.h"
#include "platform/file_system.h"
#include "rules/rule_history.h"
#include "support/memory_file_system.h"
#include "support/program.h"
#include "support/settings_db.h"
#include "support/stepping_files.h"
#include "support/world.h"

namespace tarn {
namespace {

MessageReader ReaderOf(const std::string& input, std::int64_t limit, std::size_t chunk) {
  auto at = std::make_shared<std::size_t>(0);
  return MessageReader(
      [input, at, chunk](char* buffer, std::size_t size) {
        const std::size_t n = std::min({size, chunk, input.size() - *at});
        input.copy(buffer, n, *at);
        *at += n;
        return n;
      },
      limit);
}

std::string Framed(const std::string& body) {
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

using Kind = ReadMessage::Kind;

// What the reader makes of each input, message by message: M a message, X a malformed one,
// L one too large, H a bad header, E the end.
TEST(MessageReaderTest, FramesAndFaults) {
  const Kind kinds[] = {Kind::kMessage, Kind::kMalformed, Kind::kTooLarge, Kind::kBadHeader,
                        Kind::kEnd};
  const std::string overlong(MessageReader::kMaxHeaderBytes + 10, 'h');
  const struct {
    const char* name;
    std::string input;
    std::string kinds;
  } cases[] = {
      {"two messages", Framed("{\"a\":1}") + Framed("[2]"), "MME"},
      {"header case and extra header", "content-length:  3\r\nContent-Type: x\r\n\r\n[1]", "ME"},
      {"LF alone ends headers", "Content-Length: 2\n\n{}", "ME"},
      {"malformed, then a good one", Framed("{\"a\":") + Framed("{}"), "XME"},
      {"over the limit is skipped", Framed(std::string(40, ' ')) + Framed("{}"), "LME"},
      {"no length", "X: 1\r\n\r\n" + Framed("{}"), "HME"},
      {"negative length", "Content-Length: -1\r\n\r\n", "HE"},
      {"length with junk", "Content-Length: 2x\r\n\r\n", "HE"},
      {"overlong header", overlong + "\r\n\r\n", "HE"},
      {"body cut short", "Content-Length: 10\r\n\r\n{}", "E"},
      {"empty input", "", "E"},
  };
  for (const auto& c : cases) {
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{1} << 20}) {
      MessageReader reader = ReaderOf(c.input, 32, chunk);
      for (const char kind : c.kinds) {
        EXPECT_EQ(reader.Next().kind, kinds[std::string_view("MXLHE").find(kind)])
            << c.name << ", chunks of " << chunk;
      }
    }
  }
}

TEST(DocumentTextTest, LinesAndUnits) {
  // "é" is two bytes and one UTF-16 unit; "😀" four bytes and two units.
  const DocumentText text("[A]\r\nk = é😀\rx\n\nlast");
  ASSERT_EQ(text.LineCount(), 5);
  EXPECT_EQ(text.Line(1), "k = é😀");
  EXPECT_EQ(text.LineLength(1, PositionUnit::kUtf16), 7);
  EXPECT_EQ(text.LineLength(1, PositionUnit::kUtf8), 10);
  EXPECT_EQ(text.ByteOffset(1, 5, PositionUnit::kUtf16), 6u);
  EXPECT_EQ(text.ByteOffset(1, 99, PositionUnit::kUtf16), 10u);
  const auto [line, character] = text.PositionOf(text.Text().find('x'), PositionUnit::kUtf16);
  EXPECT_EQ(line, 2);
  EXPECT_EQ(character, 0);
  EXPECT_EQ(text.Line(4), "last");
  // A stray byte (as "ø" of code page 1252 left unconverted) is one unit, whatever it looks
  // like the start of; a file may start with its line break.
  EXPECT_EQ(UnitsOf("\xF8xyz\xFFz", PositionUnit::kUtf16), 6);
  EXPECT_EQ(DocumentText("\r\nk").LineCount(), 2);
}

// A path as the system writes it: "/" between folders, "\\" on Windows.
std::string Native(std::string path) {
#ifdef _WIN32
  std::replace(path.begin(), path.end(), '/', '\\');
#endif
  return path;
}

TEST(UriTest, PathsBothWays) {
  struct Case {
    std::string uri;
    std::optional<std::string> path;
  };
  const std::vector<Case> cases = {
      {"file:///g/DATA/a%20b.ini", Native("/g/DATA/a b.ini")},
      {"FILE://localhost/g/x.ini", Native("/g/x.ini")},
      {"file:///g/%C3%A9.ini", Native("/g/\xC3\xA9.ini")},
      {"untitled:Untitled-1", std::nullopt},
      {"file://", std::nullopt},
#ifdef _WIN32
      {"file:///c%3A/Games/K/DATA/a.ini", "c:\\Games\\K\\DATA\\a.ini"},
      {"file:///c:", "c:"},  // the drive alone
#endif
  };
  for (const Case& c : cases) EXPECT_EQ(PathOfUri(c.uri), c.path) << c.uri;
  EXPECT_EQ(PathOfUri(UriOfPath(Native("/g/a b#%.ini"))), Native("/g/a b#%.ini"));
#ifdef _WIN32
  EXPECT_EQ(UriOfPath("C:\\K\\DATA\\\xE9.ini"), "file:///C%3A/K/DATA/%C3%A9.ini");
#endif
}

// A file open in the editor exists for the checks, saved or not, until the editor closes it,
// under any name of it: letter case aside and, on Windows, either separator.
TEST(OverlayFileSystemTest, HeldTextIsAFileUntilForgotten) {
  testing::MemoryFileSystem disk;
  OverlayFileSystem files(disk, Native("/g"), "");
  files.Hold(Native("/g/DATA/New.ini"), "[A]\n");
  EXPECT_TRUE(files.FileExists(Native("/g/data/new.ini")));
#ifdef _WIN32
  EXPECT_TRUE(files.FileExists("/G/data/NEW.ini"));
  EXPECT_EQ(BelowFolder("c:/g/DATA/x.ini", "C:\\G\\"), "DATA/x.ini");
  EXPECT_EQ(BelowFolder("c:\\x.ini", "C:\\"), "x.ini");
#endif
  EXPECT_EQ(BelowFolder(Native("/G/x.ini"), Native("/g/")), "x.ini");
  EXPECT_EQ(BelowFolder(Native("/gx/x.ini"), Native("/g")), std::nullopt);
  files.Forget(Native("/g/DATA/New.ini"));
  EXPECT_FALSE(files.FileExists(Native("/g/DATA/New.ini")));
}

// The server says only the shipped rule set is in use until an import puts it aside.
TEST(GameCheckTest, RulesAreTheShippedOnesUntilAnImportKeepsThemAside) {
  testing::TempDir home;
  testing::MakeSettingsDB(home.File("TARN.MDB"));
  Database db = Database::Open(home.File("TARN.MDB"), Database::Mode::kReadWrite);
  EXPECT_TRUE(HoldsShippedRules(db));
  KeepRuleObjects(db);
  EXPECT_FALSE(HoldsShippedRules(db));
}

// A check that the program's end cut short within a section leaves none of it to the next.
TEST(FileCheckerTest, ACheckCutShortLeavesNothingToTheNext) {
  testing::TempDir home;
  // p has a tail of further values but no rule for them: a fault of the rules themselves.
  testing::MakeSettingsDB(home.File("TARN.MDB"),
                          {.query_rows = testing::Rows{"S|n|1|1|0|0|0|1|n|3|String|1|0",
                                                       "S|p|2|1|0|1|0|2|x|1|Long|1|0"}});
  Database db = PrivateSettingsCopy(home.File("TARN.MDB"), nullptr);
  const RuleSet none;
  const RuleIndex index(none);
  FileChecker checker(db, index);
  testing::MemoryFileSystem files;
  testing::WriteWorld(files, "/g",
                      {{"a.ini", "[S]\nn = a\np = 1, 2\n"}, {"b.ini", "[S]\nn = b\n"}});
  EXPECT_NE(checker.Check(files, "/g", "/g/a.ini", "", {}).failure, "");
  EXPECT_TRUE(checker.Check(files, "/g", "/g/b.ini", "", {}).findings.empty());
}

// The log of a server's checks is kept only as far as it tells why a check ended: a session
// that runs for days must not keep every line it ever logged.
TEST(QuietFrontEndTest, KeepsTheLastWordsOnly) {
  QuietFrontEnd front_end;
  std::string all;
  for (int i = 0; i < 1000; ++i) all += "line " + std::to_string(i) + "\n";
  front_end.AppendToLogBox(all, true);
  front_end.ShowMessageBox("the end");
  EXPECT_EQ(front_end.Tail(), (all + "the end").substr(all.size() + 7 - 4096));
}

// The server's answers to what any client may send, with no game to read.
class ServerTest : public ::testing::Test {
 protected:
  ServerTest()
      : server_(
            {home_.Path(), "", "", {}},
            [this] {
              return files_fail_ ? throw TarnError(75, "Path/File access error", "FileSystem")
                                 : std::make_unique<testing::MemoryFileSystem>();
            },
            [this](const std::string& message) {
              out_.push_back(nlohmann::json::parse(message.substr(message.find("\r\n\r\n") + 4)));
            }) {}
  bool Send(nlohmann::json message) {
    message["jsonrpc"] = "2.0";
    return server_.Handle({Kind::kMessage, std::move(message), {}});
  }
  testing::TempDir home_;  // TARN.MDB is there only when a test puts it there
  std::vector<nlohmann::json> out_;
  bool files_fail_ = false;
  LanguageServer server_;
};

// In an open file, a character the game cannot read is marked where it stands, one unit
// wide, and a key tells its rule.
TEST_F(ServerTest, AnOpenFileIsCheckedAndExplained) {
  testing::MakeSettingsDB(home_.File("TARN.MDB"), {.rules = "[A]\nk #1 = String\n"});
  Send({{"id", 1}, {"method", "initialize"}, {"params", {{"rootUri", "file:///game"}}}});
  server_.WaitForWalk();
  const nlohmann::json document = {{"uri", "file:///game/a.ini"}, {"text", "[A]\nk = \u03A9\n"}};
  Send({{"method", "textDocument/didOpen"}, {"params", {{"textDocument", document}}}});
  server_.Settle();
  EXPECT_EQ(out_.back()["params"]["diagnostics"][1]["range"],
            nlohmann::json::parse(
                R"({"start":{"line":1,"character":4},"end":{"line":1,"character":5}})"));
  // Just before the "=" the cursor is still on the key.
  const nlohmann::json at = {{"textDocument", document},
                             {"position", {{"line", 1}, {"character", 2}}}};
  Send({{"id", 2}, {"method", "textDocument/hover"}, {"params", at}});
  EXPECT_EQ(out_.back()["result"]["contents"]["value"],
            "**k** in [A]\n\nOptional, once per section; 1 fixed value\n\n- 1. String");
  Send({{"id", 3}, {"method", "textDocument/completion"}, {"params", at}});
  EXPECT_EQ(out_.back()["result"], nlohmann::json::parse(R"([{"label": "k", "kind": 5}])"));
}

// A fault of the machine while a request is handled is that request's error answer; the
// server goes on answering the next.
TEST_F(ServerTest, AFaultWhileAnsweringAnswersTheRequestAndTheServerGoesOn) {
  files_fail_ = true;
  Send({{"id", 1}, {"method", "initialize"}, {"params", nlohmann::json::object()}});
  ASSERT_EQ(out_.size(), 1u);
  EXPECT_EQ(out_[0]["error"]["code"], -32603);
  // The server was not initialized: what would use its files is refused, not run.
  Send({{"method", "textDocument/didOpen"},
        {"params", {{"textDocument", {{"uri", "file:///game/DATA/a.ini"}, {"text", "[A]\n"}}}}}});
  Send({{"id", 2}, {"method", "shutdown"}});
  EXPECT_EQ(out_.back()["error"]["code"], -32002);
}

TEST_F(ServerTest, LifecycleAndErrors) {
  EXPECT_TRUE(
      Send({{"id", 1}, {"method", "textDocument/hover"}, {"params", nlohmann::json::object()}}));
  EXPECT_EQ(out_.back()["error"]["code"], -32002);
  Send({{"id", 2},
        {"method", "initialize"},
        {"params",
         {{"rootUri", "file:///game"},
          {"capabilities", {{"general", {{"positionEncodings", {"utf-8", "utf-16"}}}}}}}}});
  EXPECT_EQ(out_.back()["result"]["capabilities"]["positionEncoding"], "utf-8");
  Send({{"id", 3}, {"method", "initialize"}, {"params", nlohmann::json::object()}});
  EXPECT_EQ(out_.back()["error"]["code"], -32600);
  Send({{"id", 4}, {"method", "no/such"}});
  EXPECT_EQ(out_.back()["error"]["code"], -32601);
  Send({{"id", 8}, {"result", 1}});  // an answer, not a request: nothing to say to it
  EXPECT_EQ(out_.back()["error"]["code"], -32601);
  Send({{"id", 5}, {"method", "textDocument/hover"}, {"params", {{"position", 1}}}});
  EXPECT_EQ(out_.back()["error"]["code"], -32603);
  server_.Handle({Kind::kMalformed, nullptr, "bad"});
  EXPECT_EQ(out_.back()["error"]["code"], -32700);
  server_.Handle({Kind::kTooLarge, nullptr, "big"});
  EXPECT_EQ(out_.back()["error"]["code"], -32600);
  // Without TARN.MDB an open file says why nothing is checked.
  Send({{"method", "textDocument/didOpen"},
        {"params", {{"textDocument", {{"uri", "file:///game/DATA/a.ini"}, {"text", "[A]\n"}}}}}});
  server_.Settle();
  EXPECT_EQ(out_.back()["method"], "textDocument/publishDiagnostics");
  EXPECT_EQ(out_.back()["params"]["diagnostics"].size(), 1u);
  // and has nothing to tell of what lies under the cursor.
  Send({{"id", 55},
        {"method", "textDocument/hover"},
        {"params",
         {{"textDocument", {{"uri", "file:///game/DATA/a.ini"}}},
          {"position", {{"line", 0}, {"character", 1}}}}}});
  EXPECT_TRUE(out_.back()["result"].is_null());
  Send({{"id", 6}, {"method", "shutdown"}});
  EXPECT_TRUE(out_.back()["result"].is_null());
  Send({{"id", 7}, {"method", "textDocument/hover"}});
  EXPECT_EQ(out_.back()["error"]["code"], -32600);
  EXPECT_FALSE(Send({{"method", "exit"}}));
  EXPECT_EQ(server_.ExitStatus(), 0);
}

// The file an editor opens is the file the walk read, whatever letter case and separators its
// URI gives it: once the game is read its names are checked, not refused as a stranger's. The
// text another URI of it held is gone once that one is closed.
TEST(ServerOnDiskTest, OpenFileIsTheWalkedOneWhateverItsUriWrites) {
  testing::Tarn tarn;
  std::filesystem::copy(TARN_EXAMPLES "/kestrovar-broken", tarn.game.Path(),
                        std::filesystem::copy_options::recursive);
  std::mutex mutex;
  std::vector<nlohmann::json> out;
  std::promise<void> go;
  LanguageServer server(
      {tarn.home.Path(), "", "", {}},
      [&, made = 0]() mutable -> std::unique_ptr<FileSystem> {
        auto files = std::make_unique<testing::SteppingFiles>();
        // The walk's files wait at the first file until the test lets the walk go on.
        if (++made == 2) files->step = [held = go.get_future().share()] { held.wait(); };
        return files;
      },
      [&](const std::string& message) {
        const std::lock_guard<std::mutex> lock(mutex);
        out.push_back(nlohmann::json::parse(message.substr(message.find("\r\n\r\n") + 4)));
      });
  auto send = [&](nlohmann::json message) {
    message["jsonrpc"] = "2.0";
    server.Handle({Kind::kMessage, std::move(message), {}});
  };
  std::string uri = UriOfPath(Native(tarn.game.Path() + "/data/Equipment/MARKET_MISC.ini"));
#ifdef _WIN32
  uri[8] = static_cast<char>(std::tolower(static_cast<unsigned char>(uri[8])));  // the drive
#endif
  send({{"id", 1},
        {"method", "initialize"},
        {"params",
         {{"rootUri", UriOfPath(tarn.game.Path())}, {"capabilities", nlohmann::json::object()}}}});
  send({{"method", "textDocument/didOpen"},
        {"params",
         {{"textDocument",
           {{"uri", uri},
            {"text", testing::ReadFile(tarn.game.File("DATA/EQUIPMENT/market_misc.ini"))}}}}}});
  server.Settle();  // the opened texts are held in the order they are checked
  const std::string other = UriOfPath(Native(tarn.game.Path() + "/DATA/EQUIPMENT/market_misc.ini"));
  send({{"method", "textDocument/didOpen"},
        {"params", {{"textDocument", {{"uri", other}, {"text", "[Good]\n"}}}}}});
  server.Settle();
  send({{"method", "textDocument/didClose"}, {"params", {{"textDocument", {{"uri", other}}}}}});
  go.set_value();
  server.WaitForWalk();
  server.Settle();
  const std::lock_guard<std::mutex> lock(mutex);
  const nlohmann::json& published = out.back();
  ASSERT_EQ(published["method"], "textDocument/publishDiagnostics");
  // The shipped rule set's notice, then the unknown name of that file's line 8.
  const nlohmann::json& said = published["params"]["diagnostics"];
  ASSERT_EQ(said.size(), 2u) << published.dump();
  EXPECT_THAT(said[1]["message"].get<std::string>(),
              ::testing::AllOf(::testing::StartsWith("10401"),
                               ::testing::HasSubstr("did you mean `commodity_ice_ore`")));
  EXPECT_EQ(said[0]["range"]["start"]["line"], 0);
  EXPECT_EQ(said[1]["range"]["start"]["line"], 7);
}

}  // namespace
}  // namespace tarn
