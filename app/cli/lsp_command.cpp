#include "lsp_command.h"

#include <cerrno>
#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include "lsp/message_reader.h"
#include "lsp/server.h"
#include "platform/file_system.h"

namespace tarn {

int ServeLanguage(const std::string& home, const std::string& game, const std::string& rules,
                  const ReadLimits& limits) {
#ifdef _WIN32
  // The protocol counts bytes: no CR may be added before an LF, none taken away.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  LanguageServer server(
      ServerOptions{home, game, rules, limits}, [] { return std::make_unique<RealFileSystem>(); },
      [](const std::string& message) {
        std::fwrite(message.data(), 1, message.size(), stdout);
        std::fflush(stdout);
      });
  // Read as it comes: fread would wait for a whole block that an editor never sends.
  MessageReader reader([](char* buffer, std::size_t size) -> std::size_t {
#ifdef _WIN32
    const int got = _read(0, buffer, static_cast<unsigned>(size));
#else
    ssize_t got = -1;
    do {
      got = ::read(0, buffer, size);
    } while (got < 0 && errno == EINTR);
#endif
    return got > 0 ? static_cast<std::size_t>(got) : 0;
  });
  return RunLanguageServer(reader, server);
}

}  // namespace tarn
