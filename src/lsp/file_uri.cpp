#include "lsp/file_uri.h"

#include <algorithm>

#include "platform/ascii_case.h"
#include "platform/codepage.h"

namespace tarn {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string InGameCodePage(std::string path) {
#ifdef _WIN32
  return Utf8ToCp1252(path);
#else
  return path;
#endif
}

std::optional<std::string> PathOfUri(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (uri.size() < kScheme.size() || !EqualsIgnoringAsciiCase(uri.substr(0, 7), kScheme)) {
    return std::nullopt;
  }
  uri.remove_prefix(kScheme.size());
  // An authority other than none or localhost names another machine's file.
  const std::size_t slash = uri.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  uri.remove_prefix(slash);
  std::string path;
  for (std::size_t at = 0; at < uri.size(); ++at) {
    if (uri[at] == '%' && at + 2 < uri.size() && HexValue(uri[at + 1]) >= 0 &&
        HexValue(uri[at + 2]) >= 0) {
      path += static_cast<char>(HexValue(uri[at + 1]) * 16 + HexValue(uri[at + 2]));
      at += 2;
    } else {
      path += uri[at];
    }
  }
#ifdef _WIN32
  // "/c:/Games" is "c:\\Games" there.
  if (path.size() >= 3 && path[0] == '/' && path[2] == ':') path.erase(0, 1);
  std::replace(path.begin(), path.end(), '/', '\\');
#endif
  return path;
}

std::string UriOfPath(std::string_view game_path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
#ifdef _WIN32
  std::string path = Cp1252ToUtf8(game_path);
  std::replace(path.begin(), path.end(), '\\', '/');
#else
  const std::string_view path = game_path;
#endif
  std::string uri = "file://";
  if (path.empty() || path.front() != '/') uri += '/';
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
        (byte >= '0' && byte <= '9') ||
        std::string_view("/-._~").find(c) != std::string_view::npos) {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 15];
    }
  }
  return uri;
}

}  // namespace tarn
