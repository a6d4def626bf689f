#include "assess/json_members.h"

#include "assess/renderings.h"

namespace tarnwick {

void append_key(std::string& out, std::string_view key) {
  out += ",\"";
  out += key;
  out += "\":";
}

void append_text_member(std::string& out, std::string_view key, std::string_view value) {
  append_key(out, key);
  append_json_quoted(out, value);
}

void append_text_or_null(std::string& out, std::string_view key, std::string_view value) {
  append_key(out, key);
  if (value.empty()) {
    out += "null";
  } else {
    append_json_quoted(out, value);
  }
}

void append_bool_member(std::string& out, std::string_view key, bool value) {
  append_key(out, key);
  out += value ? "true" : "false";
}

namespace {

template <class Text>
void append_texts(std::string& out, const std::vector<Text>& texts) {
  out += '[';
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) out += ',';
    append_json_quoted(out, texts[i]);
  }
  out += ']';
}

}  // namespace

void append_text_list(std::string& out, const std::vector<std::string>& texts) {
  append_texts(out, texts);
}

void append_text_list(std::string& out, const std::vector<std::string_view>& texts) {
  append_texts(out, texts);
}

}  // namespace tarnwick
