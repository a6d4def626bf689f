#include "assess/json_text.h"

#include <cstddef>

namespace tarnwick {

namespace {

// The bytes that are not copied as they are: controls, the double quote and the backslash.
bool needs_care(char c) { return static_cast<unsigned char>(c) < 0x20 || c == '"' || c == '\\'; }

}  // namespace

void append_json_escaped(std::string& out, std::string_view text) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (!needs_care(c)) continue;
    out.append(text.substr(start, i - start));  // the unchanged run before this byte
    start = i + 1;
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default: break;  // every other control character is dropped
    }
  }
  out.append(text.substr(start));
}

void append_json_quoted(std::string& out, std::string_view text) {
  out.push_back('"');
  append_json_escaped(out, text);
  out.push_back('"');
}

std::string json_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  append_json_escaped(out, text);
  return out;
}

std::string json_quote(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 10);
  append_json_quoted(out, text);
  return out;
}

}  // namespace tarnwick
