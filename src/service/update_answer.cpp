#include "service/update_answer.h"

#include <cstdio>

#include "common/json_reader.h"
#include "common/text.h"
#include "service/version_number.h"

namespace tarnwick {
namespace {

// `text` as a JSON string: the double quote and the backslash escaped, control characters as
// \b \f \n \r \t or \u00xx, every other byte as it is.
void append_string(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
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

// The manifest's release: the texts of "version" and "page" in its member "tarnwick", each empty
// when absent or not a text.
struct Release {
  std::string_view version;
  std::string_view page;
};

Release read_release(JsonValue& release) {
  Release found;
  for_each_member(release, [&](std::string_view key, JsonValue& value) {
    if (key == "version") found.version = text_or_empty(value);
    if (key == "page") found.page = text_or_empty(value);
  });
  return found;
}

}  // namespace

std::string not_available_answer() {
  std::string answer = R"({"available":false,"current":)";
  append_string(answer, current_version);
  return answer + "}";
}

std::string update_answer(std::string_view manifest_bytes) {
  if (!is_valid_utf8(manifest_bytes)) return not_available_answer();
  JsonReader reader;
  Release release;
  reader.read_members(manifest_bytes, [&](std::string_view key, JsonValue& value) {
    if (key == "tarnwick") release = read_release(value);
  });

  const bool page_on_site = release.page.starts_with(download_site_prefix);
  const auto offered = parse_version(release.version);
  const auto current = parse_version(current_version);
  if (!page_on_site || !offered || !current || compare_versions(*offered, *current) <= 0) {
    return not_available_answer();
  }
  // Keys in sorted order, no spaces.
  std::string answer = R"({"available":true,"current":)";
  append_string(answer, current_version);
  answer += R"(,"page":)";
  append_string(answer, release.page);
  answer += R"(,"version":)";
  append_string(answer, release.version);
  return answer + "}";
}

}  // namespace tarnwick
