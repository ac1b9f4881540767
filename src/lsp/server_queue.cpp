// The language server's queue of texts to check, and the thread that checks them.
#include "lsp/server.h"

namespace tarn {

using nlohmann::json;

void LanguageServer::Settle() {
  const std::lock_guard<std::mutex> lock(mutex_);
  ApplyQueued();
}

void LanguageServer::Queue(const json& document, std::string text) {
  {
    const std::lock_guard<std::mutex> lock(queue_mutex_);
    queue_[document.at("uri").get<std::string>()] =
        QueuedText{std::move(text), document.value("version", json())};
  }
  queued_.notify_one();
}

void LanguageServer::CheckQueued() {
  std::unique_lock<std::mutex> wait(queue_mutex_);
  while (true) {
    queued_.wait(wait, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    wait.unlock();
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ApplyQueued();
    }
    wait.lock();
  }
}

void LanguageServer::ApplyQueued() {
  std::map<std::string, QueuedText> queue;
  {
    const std::lock_guard<std::mutex> lock(queue_mutex_);
    queue.swap(queue_);
  }
  if (shutdown_) return;
  for (auto& [uri, queued] : queue) {
    try {
      Open(uri, std::move(queued.text), queued.version);
    } catch (...) {
      // Nothing may leave the checking thread. A text that cannot be checked keeps its last
      // diagnostics; the next change checks again.
    }
  }
}

}  // namespace tarn
