#include "report/json_text.h"

#include <algorithm>
#include <cstdio>

#include "platform/codepage.h"

namespace tarn {

void AppendJsonUtf8(std::string& out, std::string_view utf8_text) {
  out += '"';
  // Runs of characters that need no escape go in at once: most texts have none.
  std::size_t run = 0;
  for (std::size_t i = 0; i < utf8_text.size(); ++i) {
    const char c = utf8_text[i];
    const bool plain = static_cast<unsigned char>(c) >= 0x20 && c != '"' && c != '\\';
    if (plain) continue;
    out.append(utf8_text.substr(run, i - run));
    run = i + 1;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default: {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
        out += escaped;
      }
    }
  }
  out.append(utf8_text.substr(run));
  out += '"';
}

void AppendJsonString(std::string& out, std::string_view cp1252_text) {
  // ASCII, most texts, is UTF-8 as it stands.
  const bool ascii = std::all_of(cp1252_text.begin(), cp1252_text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  AppendJsonUtf8(out, ascii ? cp1252_text : std::string_view(Cp1252ToUtf8(cp1252_text)));
}

std::string UriPath(std::string_view cp1252_path) {
  std::string uri;
  AppendUriPath(uri, cp1252_path);
  return uri;
}

void AppendUriPath(std::string& uri, std::string_view cp1252_path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string utf8;
  std::string_view text = cp1252_path;
  for (char c : cp1252_path) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      utf8 = Cp1252ToUtf8(cp1252_path);
      text = utf8;
      break;
    }
  }
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                       (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' ||
                       c == '~' || c == '/';
    if (plain) {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 0x0F];
    }
  }
}

}  // namespace tarn
