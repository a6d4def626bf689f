#include "chain/token_facts.h"

#include <array>
#include <cstddef>
#include <limits>
#include <string>

#include "assess/hazards.h"
#include "assess/verdict.h"
#include "common/json_reader.h"
#include "common/text.h"

namespace tarnwick {
namespace {

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

bool add(std::int64_t a, std::int64_t b, std::int64_t& out) {
  return !__builtin_add_overflow(a, b, &out);
}
bool sub(std::int64_t a, std::int64_t b, std::int64_t& out) {
  return !__builtin_sub_overflow(a, b, &out);
}
bool mul(std::int64_t a, std::int64_t b, std::int64_t& out) {
  return !__builtin_mul_overflow(a, b, &out);
}

// True when `index` is the end of `text` or the first byte of a UTF-8 character (not a
// continuation byte 10xxxxxx).
bool is_character_boundary(std::string_view text, std::size_t index) {
  if (index >= text.size()) return index == text.size();
  return (static_cast<unsigned char>(text[index]) & 0xC0U) != 0x80U;
}

// The first `count` pieces of `text` split at `separator`; pieces beyond the text are none.
template <std::size_t count>
std::array<std::optional<std::string_view>, count> first_pieces(std::string_view text,
                                                                char separator) {
  std::array<std::optional<std::string_view>, count> pieces{};
  std::size_t start = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) {
      pieces[i] = text.substr(start);
      break;
    }
    pieces[i] = text.substr(start, end - start);
    start = end + 1;
  }
  return pieces;
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

std::optional<std::int64_t> days_from_civil(std::int64_t year, std::int64_t month,
                                            std::int64_t day) {
  if (month <= 2 && !sub(year, 1, year)) return std::nullopt;
  std::int64_t shifted = year;
  if (year < 0 && !sub(year, 399, shifted)) return std::nullopt;
  const std::int64_t era = shifted / 400;
  std::int64_t era_years = 0;
  std::int64_t yoe = 0;
  if (!mul(era, 400, era_years) || !sub(year, era_years, yoe)) return std::nullopt;
  std::int64_t mp = 0;  // March gives 0, February 11
  if (!add(month, 9, mp)) return std::nullopt;
  mp %= 12;
  std::int64_t doy = (153 * mp + 2) / 5;
  if (!add(doy, day, doy) || !sub(doy, 1, doy)) return std::nullopt;
  std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100;  // yoe is 0..399: cannot overflow
  if (!add(doe, doy, doe)) return std::nullopt;
  std::int64_t result = 0;
  if (!mul(era, 146097, result) || !add(result, doe, result) || !sub(result, 719468, result)) {
    return std::nullopt;
  }
  return result;
}

std::optional<std::int64_t> created_seconds(std::string_view created) {
  if (created.size() < 10 || !is_character_boundary(created, 10)) return std::nullopt;
  const auto date = first_pieces<3>(created.substr(0, 10), '-');
  if (!date[0] || !date[1] || !date[2]) return std::nullopt;
  const std::optional<std::int64_t> year = parse_int64(*date[0]);
  const std::optional<std::int64_t> month = parse_int64(*date[1]);
  const std::optional<std::int64_t> day = parse_int64(*date[2]);
  if (!year || !month || !day) return std::nullopt;
  if (*month < 1 || *month > 12 || *day < 1 || *day > 31) return std::nullopt;
  const std::optional<std::int64_t> days = days_from_civil(*year, *month, *day);
  if (!days) return std::nullopt;

  std::int64_t hours = 0;
  std::int64_t minutes = 0;
  std::int64_t seconds = 0;
  if (created.size() >= 19 && is_character_boundary(created, 11) &&
      is_character_boundary(created, 19)) {
    const auto time = first_pieces<3>(created.substr(11, 8), ':');
    hours = time[0] ? parse_int64(*time[0]).value_or(0) : 0;
    minutes = time[1] ? parse_int64(*time[1]).value_or(0) : 0;
    seconds = time[2] ? parse_int64(*time[2]).value_or(0) : 0;
  }
  std::int64_t total = 0;
  std::int64_t hour_seconds = 0;
  std::int64_t minute_seconds = 0;
  if (!mul(hours, 3600, hour_seconds) || !mul(minutes, 60, minute_seconds)) return std::nullopt;
  if (!mul(*days, 86400, total) || !add(total, hour_seconds, total) ||
      !add(total, minute_seconds, total) || !add(total, seconds, total)) {
    return std::nullopt;
  }
  if (total < 0) return std::nullopt;
  return total;
}

std::uint32_t age_in_days(std::int64_t created, std::uint64_t reference_time) {
  if (created < 0) return std::numeric_limits<std::uint32_t>::max();
  const auto created_unsigned = static_cast<std::uint64_t>(created);
  if (created_unsigned > reference_time) return 0;
  const std::uint64_t days = (reference_time - created_unsigned) / 86400;
  if (days > std::numeric_limits<std::uint32_t>::max())
    return std::numeric_limits<std::uint32_t>::max();
  return static_cast<std::uint32_t>(days);
}

}  // namespace tarnwick
