#include "service/update_answer.h"

#include <nlohmann/json.hpp>

#include "chain/json_parse.h"
#include "common/text.h"
#include "service/version_number.h"

namespace tarnwick {
namespace {

using nlohmann::json;

// The string member `key` of `object`, or the empty text when absent or not a string.
std::string text_member(const json& object, const char* key) {
  if (!object.is_object()) return {};
  const auto found = object.find(key);
  if (found == object.end() || !found->is_string()) return {};
  return found->get<std::string>();
}

std::string write_answer(const json& answer) {
  // Keys come out sorted (available, current, page, version); the texts are valid UTF-8, and the
  // replacing handler keeps dump() from throwing even if one were not.
  return answer.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace

std::string not_available_answer() {
  return write_answer(json{{"available", false}, {"current", current_version}});
}

std::string update_answer(std::string_view manifest_bytes) {
  if (!is_valid_utf8(manifest_bytes)) return not_available_answer();
  const json manifest = parse_json(manifest_bytes);
  if (manifest.is_discarded() || !manifest.is_object()) return not_available_answer();
  const auto release = manifest.find("tarnwick");
  if (release == manifest.end()) return not_available_answer();

  const std::string version = text_member(*release, "version");
  const std::string page = text_member(*release, "page");
  const bool page_on_site = page.starts_with(download_site_prefix);
  const auto offered = parse_version(version);
  const auto current = parse_version(current_version);
  if (!page_on_site || !offered || !current || compare_versions(*offered, *current) <= 0) {
    return not_available_answer();
  }
  return write_answer(json{
      {"available", true}, {"current", current_version}, {"page", page}, {"version", version}});
}

}  // namespace tarnwick
