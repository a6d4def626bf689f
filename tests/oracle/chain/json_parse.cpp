#include "chain/json_parse.h"

namespace tarnwick {
namespace {

// True when the brackets outside strings open more than `limit` levels at some point. Only a
// guard: malformed text is left for the parser to refuse.
bool nests_deeper_than(std::string_view text, std::size_t limit) {
  std::size_t depth = 0;
  bool in_string = false;
  bool escaped = false;
  for (const char c : text) {
    if (in_string) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return true;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return false;
}

}  // namespace

nlohmann::json parse_json(std::string_view text) {
  if (text.find('\0') != std::string_view::npos || nests_deeper_than(text, max_json_depth)) {
    return nlohmann::json(nlohmann::json::value_t::discarded);
  }
  return nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
}

}  // namespace tarnwick
