// The facts of a scan, each read from the text of one chain reply. Pure functions of their
// inputs (text in, fact out): any reply, of any shape or size, yields a value and never throws.
// What a failed read means is decided by the caller (scan_token), with the constants below.
//
// Each fact is read with a JsonReader, which a scan reuses for all its replies; the forms without
// one use a reader of their own. A member that occurs twice in an object counts by its last
// occurrence.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "assess/hazards.h"
#include "assess/verdict.h"

namespace tarnwick {

class JsonReader;

// The depth of a token whose market read failed outright: unknown, so not counted as thin.
inline constexpr std::uint16_t depth_when_market_unread = full_liquidity_depth;
// The depth of a token with an active market.
inline constexpr std::uint16_t active_market_depth = full_liquidity_depth;

// From a get_account reply: true when the "owner" or "active" permission's required authority
// names an account (by the actor of its permission, empty actors skipped) other than
// "eosio.prods", or, naming none, lists at least one key. False when the reply is not JSON.
bool owner_privileged(JsonReader& reader, std::string_view account_reply);
bool owner_privileged(std::string_view account_reply);

// From a get_table_rows reply of the exchange's market table: 10000 when the first row whose
// bid_token or ask_token contract is `token` has a status_code of exactly the non-negative
// integer 1; 0 when that status is anything else, no row names the token, or the reply is not
// JSON with a "rows" array.
std::uint16_t liquidity_depth(JsonReader& reader, std::string_view markets_reply,
                              std::string_view token);
std::uint16_t liquidity_depth(std::string_view markets_reply, std::string_view token);

// From a get_account reply: the text of its "created" member; none when the reply is not JSON or
// the member is missing or not a text. Valid until the reader's next read.
std::optional<std::string_view> created_text(JsonReader& reader, std::string_view account_reply);

// From a get_account reply: whole days from its "created" time to `reference_time`, 0 when
// created later; 4294967295 (unknown) when there is no created_text or it is malformed (see
// created_seconds).
std::uint32_t account_age_days(JsonReader& reader, std::string_view account_reply,
                               std::uint64_t reference_time);
std::uint32_t account_age_days(std::string_view account_reply, std::uint64_t reference_time);

// From a get_table_rows reply of the reputation table: the first row's "avg_score" as it stands
// (number kinds apart, a string as its text); none when the reply is not JSON, has no rows, or
// the row has no such member.
std::optional<RawReputation> reputation_value(JsonReader& reader,
                                              std::string_view reputation_reply);

// The score (0 to 100) of reputation_value through scale_reputation; none when there is no value
// or it gives no score.
std::optional<std::uint8_t> reputation_score(JsonReader& reader, std::string_view reputation_reply);
std::optional<std::uint8_t> reputation_score(std::string_view reputation_reply);

// Days from 1970-01-01 to year-month-day in the proleptic Gregorian calendar (eras of 400
// years); none when a step overflows. Month and day are not range-checked here: a 31st of
// February is 3 March (2 March in a leap year).
std::optional<std::int64_t> days_from_civil(std::int64_t year, std::int64_t month,
                                            std::int64_t day);

// Unix seconds of a chain "created" text such as "2024-01-15T10:30:00.000", read as UTC.
// The date is bytes 0..9 split at '-' (year, month 1..12, day 1..31; further pieces ignored);
// byte 10 must begin a character (or be the end). The time of day is bytes 11..18 split at ':'
// (hours, minutes, seconds; a missing or unparsable piece counts 0, values not range-checked),
// and is 0 when the text is shorter than 19 bytes or that cut splits a character. Anything after
// byte 18 is ignored. None for a malformed date, any overflow, or a time before 1970.
std::optional<std::int64_t> created_seconds(std::string_view created);

// Whole days from `created` to `reference_time`, 0 when `created` is later. An age beyond the
// 32-bit range saturates at 4294967295, which reads as unknown.
std::uint32_t age_in_days(std::int64_t created, std::uint64_t reference_time);

}  // namespace tarnwick
