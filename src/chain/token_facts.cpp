#include "chain/token_facts.h"

#include <string>

#include "assess/hazards.h"
#include "assess/verdict.h"
#include "chain/civil_date.h"
#include "chain/json_lookup.h"
#include "chain/json_parse.h"

namespace tarnwick {
namespace {

// The authority of one permission makes the account privileged.
bool authority_privileged(const Json& authority) {
  for (const Json& entry : elements(member(&authority, "accounts"))) {
    const std::string_view actor = text_or_empty(member(member(&entry, "permission"), "actor"));
    if (actor.empty()) continue;
    if (actor != "eosio.prods") return true;
  }
  return !elements(member(&authority, "keys")).empty();
}

// The JSON value as the assessment's raw reputation, with the number kinds kept apart.
RawReputation raw_reputation(const Json& value) {
  if (value.is_number_unsigned()) return value.get<std::uint64_t>();
  if (value.is_number_integer()) return value.get<std::int64_t>();
  if (value.is_number_float()) return value.get<double>();
  if (value.is_string()) return value.get<std::string>();
  return std::monostate{};
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

std::uint32_t account_age_days(std::string_view account_reply, std::uint64_t reference_time) {
  const Json reply = parse_json(account_reply);
  if (reply.is_discarded()) return unknown_age_days;
  const std::optional<std::string_view> created = text(member(&reply, "created"));
  if (!created) return unknown_age_days;
  const std::optional<std::int64_t> seconds = created_seconds(*created);
  if (!seconds) return unknown_age_days;
  return age_in_days(*seconds, reference_time);
}

std::optional<std::uint8_t> reputation_score(std::string_view reputation_reply) {
  const Json reply = parse_json(reputation_reply);
  if (reply.is_discarded()) return std::nullopt;
  const auto rows = elements(member(&reply, "rows"));
  if (rows.empty()) return std::nullopt;
  const Json* score = member(&rows.front(), "avg_score");
  if (score == nullptr) return std::nullopt;
  return scale_reputation(raw_reputation(*score));
}

}  // namespace tarnwick
