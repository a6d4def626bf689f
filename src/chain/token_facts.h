// The facts of a scan, each read from the text of one chain reply. Pure functions of their
// inputs (text in, fact out): any reply, of any shape or size, yields a value and never throws.
// What a failed read means is decided by the caller (scan_token), with the constants below.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarnwick {

// The depth of a token whose market read failed outright: unknown, so not counted as thin.
inline constexpr std::uint16_t depth_when_market_unread = 10000;
// The depth of a token with an active market.
inline constexpr std::uint16_t active_market_depth = 10000;

// From a get_account reply: true when the "owner" or "active" permission's required authority
// names an account (by the actor of its permission, empty actors skipped) other than
// "eosio.prods", or, naming none, lists at least one key. False when the reply is not JSON.
bool owner_privileged(std::string_view account_reply);

// From a get_table_rows reply of the exchange's market table: 10000 when the first row whose
// bid_token or ask_token contract is `token` has a status_code of exactly the non-negative
// integer 1; 0 when that status is anything else, no row names the token, or the reply is not
// JSON with a "rows" array.
std::uint16_t liquidity_depth(std::string_view markets_reply, std::string_view token);

// From a get_account reply: whole days from its "created" time to `reference_time`, 0 when
// created later; 4294967295 (unknown) when the reply is not JSON, "created" is missing or not a
// text, or malformed (see created_seconds).
std::uint32_t account_age_days(std::string_view account_reply, std::uint64_t reference_time);

// From a get_table_rows reply of the reputation table: the score (0 to 100) of the first row's
// "avg_score" through scale_reputation; none when the reply is not JSON, has no rows, or the
// value gives no score.
std::optional<std::uint8_t> reputation_score(std::string_view reputation_reply);

}  // namespace tarnwick
