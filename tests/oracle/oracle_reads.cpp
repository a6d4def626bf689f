#include "oracle_reads.h"

#include <nlohmann/json.hpp>

#include "chain/account_reply.h"
#include "chain/history_reply.h"
#include "chain/json_lookup.h"
#include "chain/json_parse.h"
#include "chain/market_reply.h"
#include "chain/reputation_reply.h"
#include "chain/scan_values.h"
#include "common/calendar.h"
#include "common/text.h"
#include "service/update_notice.h"

namespace tarnwick::oracle {
namespace {

bool authority_privileged(const Json& authority) {
  for (const Json& entry : elements(member(&authority, "accounts"))) {
    const std::string_view actor = text_or_empty(member(member(&entry, "permission"), "actor"));
    if (actor.empty()) continue;
    if (actor != "eosio.prods") return true;
  }
  return !elements(member(&authority, "keys")).empty();
}

RawReputation raw_reputation(const Json& value) {
  if (value.is_number_unsigned()) return value.get<std::uint64_t>();
  if (value.is_number_integer()) return value.get<std::int64_t>();
  if (value.is_number_float()) return value.get<double>();
  if (value.is_string()) return value.get<std::string>();
  return std::monostate{};
}

std::string text_member(const Json& object, const char* key) {
  if (!object.is_object()) return {};
  const auto found = object.find(key);
  if (found == object.end() || !found->is_string()) return {};
  return found->get<std::string>();
}

std::string write_answer(const Json& answer) {
  return answer.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string not_available() {
  return write_answer(Json{{"available", false}, {"current", current_version}});
}

}  // namespace

bool owner_privileged(std::string_view account_reply) {
  const Json reply = parse_json(account_reply);
  if (reply.is_discarded()) return false;
  for (const Json& permission : elements(member(&reply, "permissions"))) {
    const std::string_view name = text_or_empty(member(&permission, "perm_name"));
    if (name != "owner" && name != "active") continue;
    const Json* authority = member(&permission, "required_auth");
    if (authority == nullptr) continue;
    if (authority_privileged(*authority)) return true;
  }
  return false;
}

std::uint16_t liquidity_depth(std::string_view markets_reply, std::string_view token) {
  const Json reply = parse_json(markets_reply);
  if (reply.is_discarded()) return 0;
  for (const Json& row : elements(member(&reply, "rows"))) {
    const std::string_view bid = text_or_empty(member(member(&row, "bid_token"), "contract"));
    const std::string_view ask = text_or_empty(member(member(&row, "ask_token"), "contract"));
    if (bid != token && ask != token) continue;
    return whole_number(member(&row, "status_code")) == 1U ? active_market_depth : 0;
  }
  return 0;
}

std::optional<std::string> created_text(std::string_view account_reply) {
  const Json reply = parse_json(account_reply);
  if (reply.is_discarded()) return std::nullopt;
  const std::optional<std::string_view> created = text(member(&reply, "created"));
  if (!created) return std::nullopt;
  return std::string(*created);
}

std::optional<RawReputation> reputation_value(std::string_view reputation_reply) {
  const Json reply = parse_json(reputation_reply);
  if (reply.is_discarded()) return std::nullopt;
  const auto rows = elements(member(&reply, "rows"));
  if (rows.empty()) return std::nullopt;
  const Json* score = member(&rows.front(), "avg_score");
  if (score == nullptr) return std::nullopt;
  return raw_reputation(*score);
}

std::string update_answer(std::string_view manifest_bytes) {
  if (!is_valid_utf8(manifest_bytes)) return not_available();
  const Json manifest = parse_json(manifest_bytes);
  if (manifest.is_discarded() || !manifest.is_object()) return not_available();
  const auto release = manifest.find("tarnwick");
  if (release == manifest.end()) return not_available();

  const std::string version = text_member(*release, "version");
  const std::string page = text_member(*release, "page");
  const bool page_on_site = page.starts_with(download_site_prefix);
  const auto offered = parse_version(version);
  const auto current = parse_version(current_version);
  if (!page_on_site || !offered || !current || compare_versions(*offered, *current) <= 0) {
    return not_available();
  }
  return write_answer(Json{
      {"available", true}, {"current", current_version}, {"page", page}, {"version", version}});
}

}  // namespace tarnwick::oracle
