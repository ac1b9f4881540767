#include "lsp/server.h"

#include <cstdio>

#include "log/front_end.h"
#include "lsp/file_uri.h"
#include "lsp/server_state.h"
#include "platform/ascii_case.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "report/known_findings.h"
#include "report/reported_finding.h"
#include "rules/rule_folder.h"
#include "rules/rule_tables.h"
#include "settings/settings.h"

namespace tarn {

using nlohmann::json;

namespace {

// JSON-RPC's and the protocol's error codes.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInternalError = -32603;
constexpr int kServerNotInitialized = -32002;

constexpr int kSeverityWarning = 2;
constexpr int kSeverityInformation = 3;

json Range(std::int32_t line, std::int32_t start, std::int32_t end) {
  return {{"start", {{"line", line}, {"character", start}}},
          {"end", {{"line", line}, {"character", end}}}};
}

// A diagnostic's words: what the log's warning line says, then what a report adds.
std::string MessageOf(const Finding& finding) {
  std::string text;
  if (finding.kind == Finding::Kind::kRepair) {
    text = finding.value;
  } else {
    text = WarningText(finding.number) + " !" + finding.key + "!" + finding.value + "!";
  }
  if (finding.kind == Finding::Kind::kUnknownName && !finding.target.empty()) {
    text += "; names " + finding.target;
  }
  if (finding.kind == Finding::Kind::kReference && !finding.reason.empty()) {
    text += "; " + finding.reason;
  }
  if (!finding.hint.empty()) text += "; did you mean `" + finding.hint + "`?";
  return Cp1252ToUtf8(text);
}

}  // namespace

std::string ServerState::GamePathOf(const std::string& path) const {
  if (!workspace.empty()) {
    if (const auto below = BelowFolder(path, workspace); below && !below->empty()) {
      return InGameCodePage(JoinPath(game, *below));
    }
  }
  if (const auto below = BelowFolder(path, game); below && !below->empty()) {
    return InGameCodePage(path);
  }
  return {};
}

std::string ServerState::EditorPathOf(const std::string& path) const {
  if (const auto mod_path = overlay->ModPath(path); mod_path && files->FileExists(*mod_path)) {
    return *mod_path;
  }
  return path;
}

LanguageServer::LanguageServer(ServerOptions options, FileSystemMaker files, Writer writer)
    : options_(std::move(options)), make_files_(std::move(files)), writer_(std::move(writer)) {}

LanguageServer::~LanguageServer() {
  cancel_.store(true);
  {
    const std::lock_guard<std::mutex> lock(queue_mutex_);
    stopping_ = true;
  }
  queued_.notify_one();
  if (checking_.joinable()) checking_.join();
  if (walk_.joinable()) walk_.join();
}

void LanguageServer::WaitForWalk() {
  if (walk_.joinable()) walk_.join();
}

void LanguageServer::Send(const json& message) {
  const std::string body = message.dump(-1, ' ', false, json::error_handler_t::replace);
  const std::lock_guard<std::mutex> lock(write_mutex_);
  writer_("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
}

void LanguageServer::Answer(const json& id, json result) {
  Send({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
}

void LanguageServer::AnswerError(const json& id, int code, const std::string& message) {
  Send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void LanguageServer::Notify(const std::string& method, json params) {
  Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

bool LanguageServer::Handle(const ReadMessage& message) {
  switch (message.kind) {
    case ReadMessage::Kind::kEnd:
      return false;
    case ReadMessage::Kind::kMalformed:
      AnswerError(nullptr, kParseError, message.what);
      return true;
    case ReadMessage::Kind::kTooLarge:
    case ReadMessage::Kind::kBadHeader:
      AnswerError(nullptr, kInvalidRequest, message.what);
      return true;
    case ReadMessage::Kind::kMessage:
      break;
  }
  const json& body = message.json;
  const json* id = nullptr;
  if (body.is_object() && body.contains("id") &&
      (body["id"].is_number_integer() || body["id"].is_string())) {
    id = &body["id"];
  }
  if (!body.is_object() || !body.contains("method") || !body["method"].is_string()) {
    // An answer to a request of ours (we send none) is no fault; anything else is.
    if (!(body.is_object() && (body.contains("result") || body.contains("error")))) {
      AnswerError(id != nullptr ? *id : json(nullptr), kInvalidRequest, "not a request");
    }
    return true;
  }
  const std::string method = body["method"].get<std::string>();
  if (method == "exit") return false;
  const json params = body.contains("params") ? body["params"] : json::object();
  // Texts are queued for the checking thread without waiting for a check that runs.
  if (initialized_ && !shutdown_ && id == nullptr && params.is_object() &&
      params.contains("textDocument")) {
    try {
      const json& document = params.at("textDocument");
      if (method == "textDocument/didOpen") {
        Queue(document, document.at("text").get<std::string>());
        return true;
      }
      const json& changes = params.value("contentChanges", json());
      // Whole-text sync: the last change holds the whole text.
      if (method == "textDocument/didChange" && changes.is_array() && !changes.empty()) {
        Queue(document, changes.back().at("text").get<std::string>());
        return true;
      }
    } catch (const std::exception&) {
      return true;  // a notification of the wrong shape has no one to answer
    }
  }
  const std::lock_guard<std::mutex> lock(mutex_);
  try {
    ApplyQueued();
    Dispatch(method, params, id);
  } catch (const TarnError& error) {
    if (id != nullptr) AnswerError(*id, kInternalError, error.Description());
  } catch (const std::exception& error) {
    // A parameter of the wrong shape or missing: the client's fault, answered as such.
    if (id != nullptr) AnswerError(*id, kInternalError, error.what());
  } catch (const ProgramEnd&) {
    if (id != nullptr) AnswerError(*id, kInternalError, "the check ended on an error");
  }
  return true;
}

void LanguageServer::Dispatch(const std::string& method, const json& params, const json* id) {
  if (method == "initialize") {
    if (id != nullptr) Initialize(params, *id);
    return;
  }
  if (!initialized_) {
    if (id != nullptr) AnswerError(*id, kServerNotInitialized, "initialize comes first");
    return;
  }
  if (shutdown_) {
    if (id != nullptr) AnswerError(*id, kInvalidRequest, "the server is shutting down");
    return;
  }
  if (method == "shutdown") {
    shutdown_ = true;
    cancel_.store(true);
    if (id != nullptr) Answer(*id, nullptr);
  } else if (method == "textDocument/didClose") {
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    const auto document = state_->documents.find(uri);
    if (document != state_->documents.end()) {
      if (!document->second.path.empty()) state_->overlay->Forget(document->second.path);
      state_->documents.erase(document);
    }
    Notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}});
  } else if (id == nullptr) {
    // Notifications the server has no use for (initialized, $/cancelRequest, saves, ...).
  } else if (method == "textDocument/hover") {
    Answer(*id, Hover(params));
  } else if (method == "textDocument/completion") {
    Answer(*id, Completion(params));
  } else if (method == "textDocument/definition") {
    Answer(*id, Definition(params));
  } else if (method == "textDocument/documentSymbol") {
    Answer(*id, Symbols(params));
  } else {
    AnswerError(*id, kMethodNotFound, "unknown method " + method);
  }
}

void LanguageServer::Initialize(const json& params, const json& id) {
  if (initialized_) {
    AnswerError(id, kInvalidRequest, "initialize came twice");
    return;
  }
  state_ = std::make_unique<ServerState>();
  ServerState& state = *state_;
  const json encodings = params.value("capabilities", json::object())
                             .value("general", json::object())
                             .value("positionEncodings", json::array());
  for (const json& encoding : encodings) {
    if (encoding == "utf-8") state.unit = PositionUnit::kUtf8;
  }
  std::string workspace;
  if (params.contains("workspaceFolders") && params["workspaceFolders"].is_array() &&
      !params["workspaceFolders"].empty()) {
    workspace = PathOfUri(params["workspaceFolders"][0].value("uri", "")).value_or("");
  } else if (params.contains("rootUri") && params["rootUri"].is_string()) {
    workspace = PathOfUri(params["rootUri"].get<std::string>()).value_or("");
  }
  workspace = WithoutTrailingSeparator(std::move(workspace));
  if (options_.game.empty()) {
    state.game = workspace;
  } else {
    state.game = options_.game;
    state.workspace = workspace;
  }
  state.game = WithoutTrailingSeparator(std::move(state.game));
  state.files = make_files_();
  state.overlay = std::make_unique<OverlayFileSystem>(*state.files, state.game, state.workspace);
  // Only now: an initialize that failed before this point leaves no half-made state for the
  // next message to meet, and the client may send initialize again.
  initialized_ = true;
  try {
    if (state.game.empty()) throw std::runtime_error("no game folder: open one, or give --game");
    std::optional<RuleSet> learned;
    if (!options_.rules.empty()) learned = ReadRuleFolder(*state.files, options_.rules);
    const std::string mdb = JoinPath(options_.home, kSettingsDBFile);
    state.settings_db = PrivateSettingsCopy(mdb, learned ? &*learned : nullptr);
    state.walk_db = PrivateSettingsCopy(mdb, learned ? &*learned : nullptr);
    state.rules = ReadRuleTables(state.settings_db);
    state.index = std::make_unique<RuleIndex>(state.rules);
    state.checker = std::make_unique<FileChecker>(state.settings_db, *state.index);
    for (std::string& known : ReadKnownFindings(state.settings_db)) {
      state.known.insert(std::move(known));
    }
    state.shipped_rules = !learned && HoldsShippedRules(state.settings_db);
  } catch (const TarnError& error) {
    state.failure = "TARN cannot check: " + error.Description();
  } catch (const std::exception& error) {
    state.failure = std::string("TARN cannot check: ") + error.what();
  }
  Answer(id, {{"capabilities",
               {{"positionEncoding", state.unit == PositionUnit::kUtf8 ? "utf-8" : "utf-16"},
                {"textDocumentSync", {{"openClose", true}, {"change", 1}}},
                {"hoverProvider", true},
                {"completionProvider", {{"triggerCharacters", {"=", ","}}}},
                {"definitionProvider", true},
                {"documentSymbolProvider", true}}},
              {"serverInfo", {{"name", "tarn"}}}});
  checking_ = std::thread([this] { CheckQueued(); });
  if (state.failure.empty()) StartWalk();
}

void LanguageServer::StartWalk() {
  ServerState& state = *state_;
  walk_ = std::thread([this, &state] {
    auto files = make_files_();
    OverlayFileSystem overlay(*files, state.game, state.workspace);
    auto walked = std::make_unique<WalkedGame>(
        WalkGame(state.walk_db, *state.index, overlay, state.game, options_.limits, cancel_));
    const std::lock_guard<std::mutex> lock(mutex_);
    state.walked = std::move(walked);
    OnWalkDone();
  });
}

void LanguageServer::OnWalkDone() {
  if (shutdown_) return;
  for (const auto& [uri, document] : state_->documents) Publish(uri);
}

void LanguageServer::Open(const std::string& uri, std::string text, const json& version) {
  ServerState& state = *state_;
  OpenDocument& document = state.documents[uri];
  document.version =
      version.is_number_integer() ? std::optional(version.get<std::int64_t>()) : std::nullopt;
  const auto path = PathOfUri(uri);
  document.path = path ? state.GamePathOf(*path) : std::string();
  if (!document.path.empty()) state.overlay->Hold(document.path, Utf8ToCp1252(text));
  document.text = DocumentText(std::move(text));
  Publish(uri);
}

void LanguageServer::Publish(const std::string& uri) {
  json params = {{"uri", uri}};
  if (const auto& version = state_->documents.at(uri).version) params["version"] = *version;
  params["diagnostics"] = Diagnostics(uri);
  Notify("textDocument/publishDiagnostics", std::move(params));
}

json LanguageServer::Diagnostics(const std::string& uri) {
  ServerState& state = *state_;
  const OpenDocument& document = state.documents.at(uri);
  json out = json::array();
  auto add = [&](std::int32_t line, int severity, const std::string& message,
                 std::optional<std::int32_t> code = std::nullopt) {
    line = std::clamp(line, 0, document.text.LineCount() - 1);
    json diagnostic = {{"range", Range(line, 0, document.text.LineLength(line, state.unit))},
                       {"severity", severity},
                       {"source", "tarn"},
                       {"message", message}};
    if (code) diagnostic["code"] = *code;
    out.push_back(std::move(diagnostic));
  };
  if (!state.failure.empty()) {
    add(0, kSeverityWarning, state.failure);
    return out;
  }
  if (document.path.empty()) {
    add(0, kSeverityInformation,
        "Not checked: the file lies outside the game folder " + state.game);
    return out;
  }
  if (state.shipped_rules) {
    add(0, kSeverityInformation,
        "Only the rule set TARN ships is in use: rules learned from the game (tarn rules learn, "
        "then rules import, or --rules DIR) know far more of its keys and names");
  }
  const std::string& text = document.text.Text();
  if (const std::size_t odd = FirstNonCp1252(text); odd != std::string::npos) {
    const auto [line, character] = document.text.PositionOf(odd, state.unit);
    json diagnostic = {
        {"range", Range(line, character, character + 1)},
        {"severity", kSeverityWarning},
        {"source", "tarn"},
        {"message", "A character outside code page 1252: the game reads it as \"?\""}};
    out.push_back(std::move(diagnostic));
  }
  if (text.starts_with("BINI")) {
    add(0, kSeverityInformation,
        "A binary INI file: TARN checks the text form the game decodes from it, not this "
        "editor's view of its bytes");
    return out;
  }
  std::string area;
  if (state.walked) {
    const auto walked = state.walked->files.find(PathKey(document.path));
    if (walked == state.walked->files.end()) {
      std::string why = !state.walked->failure.empty()
                            ? "the game could not be read: " + Cp1252ToUtf8(state.walked->failure)
                        : !state.walked->main_file_read ? "the game's main file could not be read"
                                                        : "no file the game reads names it";
      add(0, kSeverityInformation, "Not checked: the game does not read this file (" + why + ")");
      return out;
    }
    area = walked->second.area;
  }
  FileCheck check =
      state.checker->Check(*state.overlay, state.game, document.path, area, options_.limits);
  if (state.walked) {
    for (Finding& unknown : UnknownNames(check, state.walked->names, *state.index, document.path)) {
      check.findings.push_back(std::move(unknown));
    }
  }
  const std::vector<ReportedFinding> reported =
      ReportFindings(check.findings, ReportPlace{state.game, {}});
  for (std::size_t at = 0; at < check.findings.size(); ++at) {
    if (state.known.count(reported[at].fingerprint) != 0) continue;
    const Finding& finding = check.findings[at];
    add(finding.editor_line - 1, kSeverityWarning, MessageOf(finding),
        finding.number != 0 ? std::optional<std::int32_t>(finding.number) : std::nullopt);
  }
  if (!check.failure.empty()) add(0, kSeverityWarning, Cp1252ToUtf8(check.failure));
  return out;
}

int RunLanguageServer(MessageReader& reader, LanguageServer& server) {
  while (server.Handle(reader.Next())) {
  }
  return server.ExitStatus();
}

}  // namespace tarn
