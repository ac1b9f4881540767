#include "report/json_text.h"

#include <cstdio>

#include "shell/codepage.h"

namespace tarn {

void AppendJsonUtf8(std::string& out, std::string_view utf8_text) {
  out += '"';
  for (char c : utf8_text) {
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
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void AppendJsonString(std::string& out, std::string_view cp1252_text) {
  for (char c : cp1252_text) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      AppendJsonUtf8(out, Cp1252ToUtf8(cp1252_text));
      return;
    }
  }
  AppendJsonUtf8(out, cp1252_text);
}

std::string UriPath(std::string_view cp1252_path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri;
  for (char c : Cp1252ToUtf8(cp1252_path)) {
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
  return uri;
}

}  // namespace tarn
