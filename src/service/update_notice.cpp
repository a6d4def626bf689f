#include "service/update_notice.h"

#include <sys/stat.h>
#include <algorithm>
#include <cassert>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <variant>

#include "common/data_folder.h"
#include "common/json_reader.h"
#include "common/text.h"
#include "common/trusted_roots.h"

namespace tarnwick {
namespace {

constexpr std::size_t max_pieces = 4;

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

constexpr std::chrono::milliseconds manifest_connect_limit{6'000};
constexpr std::chrono::milliseconds manifest_deadline{15'000};

// A metadata query for an entry of any kind named no-update-check. Only a query that says the
// entry does not exist (ENOENT, ENOTDIR) counts as no marker: when the folder cannot be searched
// (EACCES, ELOOP, ...), the user's opt-out may be there, so the check stays off.
bool update_check_switched_off(const std::optional<std::filesystem::path>& folder) {
  if (!folder) return false;
  const std::filesystem::path marker = *folder / "no-update-check";
  struct stat info {};
  if (::lstat(marker.c_str(), &info) == 0) return true;
  return errno != ENOENT && errno != ENOTDIR;
}

}  // namespace

std::optional<VersionNumber> parse_version(std::string_view text) {
  assert(is_valid_utf8(text));
  text = trim_white_space(text);
  while (!text.empty() && text.front() == 'v') text.remove_prefix(1);
  text = text.substr(0, text.find_first_of("-+"));

  VersionNumber pieces;
  while (true) {
    const std::size_t dot = text.find('.');
    const auto piece = parse_uint64(text.substr(0, dot));
    if (!piece || pieces.size() == max_pieces) return std::nullopt;
    pieces.push_back(*piece);
    if (dot == std::string_view::npos) break;
    text.remove_prefix(dot + 1);
  }
  return pieces;
}

int compare_versions(const VersionNumber& a, const VersionNumber& b) {
  const std::size_t length = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint64_t x = i < a.size() ? a[i] : 0;
    const std::uint64_t y = i < b.size() ? b[i] : 0;
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

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

ClientSettings manifest_client_settings(ClientSettings site) {
  site.connect_limit = manifest_connect_limit;
  site.overall_deadline = manifest_deadline;
  site.body_limit = manifest_read_limit;
  site.beyond_limit = BodyOverflow::truncate;
  return site;
}

UpdateCheck production_update_check() {
  return UpdateCheck{
      data_folder(std::getenv("HOME")), std::string(update_manifest_url),
      manifest_client_settings(ClientSettings{
          std::string(download_site_prefix.substr(0, download_site_prefix.size() - 1)),
          {},
          {},
          std::string(trusted_roots_pem())})};
}

std::string run_update_check(const UpdateCheck& check) {
  if (update_check_switched_off(check.data_folder)) return not_available_answer();
  const HttpsClient manifest_client(check.manifest_client);
  const ReadOutcome reply = manifest_client.get_bytes(check.manifest_url);
  const auto* bytes = std::get_if<std::string>(&reply);
  if (bytes == nullptr) return not_available_answer();
  return update_answer(*bytes);
}

}  // namespace tarnwick
