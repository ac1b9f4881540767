// `tarn lsp`: a language server (the Language Server Protocol, 3.17) over the core. It reads
// the game in the background as "All" does, keeping what it learns in memory, and checks every
// open INI file of the game as the editor changes it: the rules at once, the names once the
// game has been read. It takes no lock and writes no data database and no log, so an open
// editor never stands in the way of a `tarn` run.
//
// Messages are handled one at a time by Handle; answers and notifications go out through the
// writer, whole messages with their headers, from Handle's thread, from the checking thread
// or, once the game has been read, from the walk's. Every fault of a message is an error
// answer, never an exception.
//
// Opened and changed texts are checked on a thread of their own, so that reading messages
// never waits for a check: texts that come while a check runs wait, and of a file only its
// latest text is checked (a burst of typing costs one check, not one per key). A request on
// a document first checks what waits, so that it is answered on the latest text.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "ini/line_source.h"
#include "lsp/document_text.h"
#include "lsp/message_reader.h"

namespace tarn {

class FileSystem;
struct ServerState;

struct ServerOptions {
  std::string home;   // where TARN.MDB is
  std::string game;   // the game folder; empty: the client's workspace folder
  std::string rules;  // a learned rules folder to use instead of TARN.MDB's rule set
  ReadLimits limits;
};

class LanguageServer {
 public:
  using Writer = std::function<void(const std::string& message)>;
  // Makes a file system of the machine's for a thread of its own.
  using FileSystemMaker = std::function<std::unique_ptr<FileSystem>()>;

  LanguageServer(ServerOptions options, FileSystemMaker files, Writer writer);
  ~LanguageServer();  // stops the walk between two files and waits for it
  LanguageServer(const LanguageServer&) = delete;
  LanguageServer& operator=(const LanguageServer&) = delete;

  // Handles one message the reader gave (a fault of framing included). Returns false once the
  // client said exit.
  bool Handle(const ReadMessage& message);

  // The process's exit status after exit: 0 when shutdown came first, 1 otherwise.
  int ExitStatus() const { return shutdown_ ? 0 : 1; }

  // Waits until the background walk has ended (for tests and benchmarks).
  void WaitForWalk();
  // Checks every text that waits and publishes its diagnostics, on the calling thread.
  void Settle();

 private:
  void Dispatch(const std::string& method, const nlohmann::json& params, const nlohmann::json* id);
  void Answer(const nlohmann::json& id, nlohmann::json result);
  void AnswerError(const nlohmann::json& id, int code, const std::string& message);
  void Notify(const std::string& method, nlohmann::json params);
  void Send(const nlohmann::json& message);

  void Initialize(const nlohmann::json& params, const nlohmann::json& id);
  void StartWalk();
  void OnWalkDone();
  void Open(const std::string& uri, std::string text, const nlohmann::json& version);
  void Queue(const nlohmann::json& document, std::string text);
  void CheckQueued();  // the checking thread
  void ApplyQueued();  // mutex_ held
  void Publish(const std::string& uri);
  nlohmann::json Diagnostics(const std::string& uri);

  nlohmann::json Hover(const nlohmann::json& params);
  nlohmann::json Completion(const nlohmann::json& params);
  nlohmann::json Definition(const nlohmann::json& params);
  nlohmann::json Symbols(const nlohmann::json& params);

  const ServerOptions options_;
  FileSystemMaker make_files_;
  Writer writer_;
  std::mutex mutex_;  // held while a message or the walk's end is handled
  std::mutex write_mutex_;
  std::unique_ptr<ServerState> state_;
  bool initialized_ = false;
  bool shutdown_ = false;
  std::atomic<bool> cancel_{false};
  std::thread walk_;

  struct QueuedText {
    std::string text;
    nlohmann::json version;
  };
  // Taken after mutex_ where both are held.
  std::mutex queue_mutex_;
  std::condition_variable queued_;
  std::map<std::string, QueuedText> queue_;  // by URI: the latest text not yet checked
  bool stopping_ = false;
  std::thread checking_;
};

// Runs the server over reader until exit or the end of input; returns the exit status.
int RunLanguageServer(MessageReader& reader, LanguageServer& server);

}  // namespace tarn
