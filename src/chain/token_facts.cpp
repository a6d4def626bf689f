#include "chain/token_facts.h"

#include <string>

#include "assess/hazards.h"
#include "assess/verdict.h"
#include "chain/civil_date.h"
#include "common/json_reader.h"

// Each reply is read in one forward pass. Where a lookup names a member, the pass keeps the last
// member of that name it meets, so a member written twice counts by its last occurrence.

namespace tarnwick {
namespace {

// The text of the last "<key>" member of `object`; empty when it is absent or not a text.
std::string_view text_member(JsonValue& object, std::string_view key) {
  std::string_view found;
  for_each_member(object, [&](std::string_view name, JsonValue& value) {
    if (name == key) found = text_or_empty(value);
  });
  return found;
}

// `value` is an array with at least one element.
bool has_elements(JsonValue& value) {
  bool found = false;
  for_each_element(value, [&](JsonValue&) {
    found = true;
    return false;
  });
  return found;
}

// An authority's "accounts" name an actor, empty ones skipped, other than the block producers.
bool names_outsider(JsonValue& accounts) {
  bool outsider = false;
  for_each_element(accounts, [&](JsonValue& entry) {
    std::string_view actor;
    for_each_member(entry, [&](std::string_view name, JsonValue& value) {
      if (name == "permission") actor = text_member(value, "actor");
    });
    outsider = !actor.empty() && actor != "eosio.prods";
    return !outsider;
  });
  return outsider;
}

// The authority of one permission makes the account privileged.
bool authority_privileged(JsonValue& authority) {
  bool outsider = false;
  bool has_keys = false;
  for_each_member(authority, [&](std::string_view name, JsonValue& value) {
    if (name == "accounts") outsider = names_outsider(value);
    if (name == "keys") has_keys = has_elements(value);
  });
  return outsider || has_keys;
}

// One "owner" or "active" permission whose required authority makes the account privileged.
bool permission_privileged(JsonValue& permission) {
  std::string_view name;
  bool privileged = false;  // stays false without a "required_auth"
  for_each_member(permission, [&](std::string_view key, JsonValue& value) {
    if (key == "perm_name") name = text_or_empty(value);
    if (key == "required_auth") privileged = authority_privileged(value);
  });
  return (name == "owner" || name == "active") && privileged;
}

// The depth given by the first row of `rows` that names `token`; 0 when none does.
std::uint16_t rows_depth(JsonValue& rows, std::string_view token) {
  std::uint16_t depth = 0;
  for_each_element(rows, [&](JsonValue& row) {
    std::string_view bid;
    std::string_view ask;
    std::optional<std::uint64_t> status;
    for_each_member(row, [&](std::string_view key, JsonValue& value) {
      if (key == "bid_token") bid = text_member(value, "contract");
      if (key == "ask_token") ask = text_member(value, "contract");
      if (key == "status_code") status = whole_number(value);
    });
    if (bid != token && ask != token) return true;
    depth = status == 1U ? active_market_depth : 0;
    return false;
  });
  return depth;
}

// The JSON value as the assessment's raw reputation, with the number kinds kept apart.
RawReputation raw_reputation(JsonValue& value) {
  if (const auto content = text(value)) return std::string(*content);
  if (const auto held = number(value)) {
    return std::visit([](auto n) { return RawReputation(n); }, *held);
  }
  return std::monostate{};
}

// Member "avg_score" of the first element of `rows`.
std::optional<RawReputation> first_row_score(JsonValue& rows) {
  std::optional<RawReputation> score;
  for_each_element(rows, [&](JsonValue& row) {
    for_each_member(row, [&](std::string_view key, JsonValue& value) {
      if (key == "avg_score") score = raw_reputation(value);
    });
    return false;
  });
  return score;
}

}  // namespace

bool owner_privileged(JsonReader& reader, std::string_view account_reply) {
  bool privileged = false;
  reader.read_members(account_reply, [&](std::string_view key, JsonValue& value) {
    if (key != "permissions") return;
    privileged = false;
    for_each_element(value, [&](JsonValue& permission) {
      privileged = permission_privileged(permission);
      return !privileged;
    });
  });
  return privileged;
}

std::uint16_t liquidity_depth(JsonReader& reader, std::string_view markets_reply,
                              std::string_view token) {
  std::uint16_t depth = 0;
  reader.read_members(markets_reply, [&](std::string_view key, JsonValue& value) {
    if (key == "rows") depth = rows_depth(value, token);
  });
  return depth;
}

std::optional<std::string_view> created_text(JsonReader& reader, std::string_view account_reply) {
  std::optional<std::string_view> created;
  reader.read_members(account_reply, [&](std::string_view key, JsonValue& value) {
    if (key == "created") created = text(value);
  });
  return created;
}

std::uint32_t account_age_days(JsonReader& reader, std::string_view account_reply,
                               std::uint64_t reference_time) {
  const std::optional<std::string_view> created = created_text(reader, account_reply);
  if (!created) return unknown_age_days;
  const std::optional<std::int64_t> seconds = created_seconds(*created);
  if (!seconds) return unknown_age_days;
  return age_in_days(*seconds, reference_time);
}

std::optional<RawReputation> reputation_value(JsonReader& reader,
                                              std::string_view reputation_reply) {
  std::optional<RawReputation> score;
  reader.read_members(reputation_reply, [&](std::string_view key, JsonValue& value) {
    if (key == "rows") score = first_row_score(value);
  });
  return score;
}

std::optional<std::uint8_t> reputation_score(JsonReader& reader,
                                             std::string_view reputation_reply) {
  const std::optional<RawReputation> value = reputation_value(reader, reputation_reply);
  if (!value) return std::nullopt;
  return scale_reputation(*value);
}

bool owner_privileged(std::string_view account_reply) {
  JsonReader reader;
  return owner_privileged(reader, account_reply);
}

std::uint16_t liquidity_depth(std::string_view markets_reply, std::string_view token) {
  JsonReader reader;
  return liquidity_depth(reader, markets_reply, token);
}

std::uint32_t account_age_days(std::string_view account_reply, std::uint64_t reference_time) {
  JsonReader reader;
  return account_age_days(reader, account_reply, reference_time);
}

std::optional<std::uint8_t> reputation_score(std::string_view reputation_reply) {
  JsonReader reader;
  return reputation_score(reader, reputation_reply);
}

}  // namespace tarnwick
