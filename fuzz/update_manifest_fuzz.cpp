// Fuzz target: parse_version on arbitrary text and update_answer on arbitrary manifest bytes.
// Checked on every input:
//   - a version is 1 to 4 numbers, and reading it again from its own decimal form gives it back;
//   - the answer is always one compact JSON object, keys "available" and "current" (and "page"
//     and "version" exactly when available is true), current always this release;
//   - an available answer names a page on the download site and a version newer than this one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "common/text.h"
#include "service/update_notice.h"

namespace {

using namespace tarnwick;
using nlohmann::json;

void require(bool condition) {
  if (!condition) std::abort();
}

void check_version(std::string_view text) {
  if (!is_valid_utf8(text)) return;  // parse_version's precondition
  const auto version = parse_version(text);
  if (!version) return;
  require(!version->empty() && version->size() <= 4);
  std::string again;
  for (const std::uint64_t piece : *version) again += std::to_string(piece) + ".";
  again.pop_back();
  const auto reread = parse_version(again);
  require(reread && *reread == *version && compare_versions(*reread, *version) == 0);
}

void check_answer(std::string_view manifest) {
  const std::string answer = update_answer(manifest);
  const json parsed = json::parse(answer, nullptr, false);
  require(!parsed.is_discarded() && parsed.is_object());
  require(parsed.dump() == answer);  // compact, keys in sorted order
  const auto available = parsed.find("available");
  const auto current = parsed.find("current");
  require(available != parsed.end() && available->is_boolean());
  require(current != parsed.end() && *current == std::string(current_version));
  if (!available->get<bool>()) {
    require(parsed.size() == 2 && answer == not_available_answer());
    return;
  }
  require(parsed.size() == 4);
  const auto page = parsed.find("page");
  const auto version = parsed.find("version");
  require(page != parsed.end() && page->is_string());
  require(version != parsed.end() && version->is_string());
  require(page->get<std::string>().starts_with(download_site_prefix));
  const auto offered = parse_version(version->get<std::string>());
  const auto ours = parse_version(current_version);
  require(offered && ours && compare_versions(*offered, *ours) > 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  check_version(bytes);
  check_answer(bytes);
  // The same bytes as the manifest's version text, so the comparison path sees them too.
  const std::string manifest =
      json{{"tarnwick", {{"version", std::string(bytes)}, {"page", "https://get.tarnwick.app/d"}}}}
          .dump(-1, ' ', false, json::error_handler_t::replace);
  check_answer(manifest);
  return 0;
}
