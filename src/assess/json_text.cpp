#include "assess/json_text.h"

namespace tarnwick {

void append_json_escaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20) out.push_back(c);
        break;
    }
  }
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
