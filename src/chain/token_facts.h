// The facts of a scan, each read from the text of one chain reply: the one reading of each reply,
// from which both the verdict (assess/scan_record.h) and /evidence take what they show. Pure
// functions of their inputs (text in, fact out): any reply, of any shape or size, yields a fact and
// never throws. A reply that is not JSON, or lacks the fields a fact rests on, leaves that fact
// unavailable with a short reason: never a guess. A failed read is recorded by the caller.
//
// Each fact is read with a JsonReader, which a scan reuses for all its replies; the forms without
// one use a reader of their own. A member that occurs twice in an object counts by its last
// occurrence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "assess/evidence.h"
#include "assess/hazards.h"
#include "assess/verdict.h"
#include "common/calendar.h"

namespace tarnwick {

class JsonReader;

// The depth of a token whose market read failed outright: unknown, so not counted as thin.
inline constexpr std::uint16_t depth_when_market_unread = full_liquidity_depth;
// The depth of a token with an active market.
inline constexpr std::uint16_t active_market_depth = full_liquidity_depth;

// The most actions a history read asks for; later ones in a reply are not looked at.
inline constexpr std::size_t history_action_limit = 100;
// The most market rows the market read asks for.
inline constexpr std::uint64_t market_row_limit = 1000;
// The most accounts listed for one permission, and the most permissions kept from one reply (all
// of them still count for OWNER_KEYS), so a hostile reply cannot make the answer grow with it.
inline constexpr std::size_t max_listed_accounts = 32;
inline constexpr std::size_t max_listed_permissions = 64;

// What the first get_account reply says: the permissions fact and the head block time.
struct AccountRead {
  PermissionsFact permissions;
  std::optional<std::string> created;           // its "created" text, when it is a text
  std::optional<std::int64_t> head_block_time;  // Unix seconds; none when absent or unreadable
};

// The first get_account reply. OWNER_KEYS (`owner_keys`): some permission named "owner" or
// "active" has a required authority that names an account (by the actor of its permission, empty
// actors skipped) other than "eosio.prods", or, naming none, lists at least one key; false when
// the reply is not JSON. Lists every owner and active permission, and every permission through
// which the code or ABI can be set (linked to eosio setcode, setabi or every eosio action, named
// in eosio_any_linked_actions, and their parents up to owner); with none linked or named, active
// by the chain's default, and its parents.
AccountRead read_account(JsonReader& reader, std::string_view account_reply);

// The market reply: the rows read and the first row whose bid_token or ask_token contract is
// `token` (the row that decides LIQUIDITY_THIN), each side's symbol code taken from "sym"
// ("4,TOK") or "quantity" ("1.0 TOK"). `more` is set by true or a non-empty text (a node's
// next key), and then the limit counts as reached. Unavailable when the reply is not JSON or has
// no "rows" array.
MarketFact read_market(JsonReader& reader, std::string_view markets_reply, std::string_view token);

// The second get_account reply: its "created" time and the age in whole days at
// `reference_time`. Unavailable when there is no created text or it does not read as an age.
CreationFact read_creation(JsonReader& reader, std::string_view account_reply,
                           std::uint64_t reference_time);

// The history reply: the token's actions (act.account is the token) in the hour up to
// `head_block_time`, their counts by name, the newest one's time. With `symbol`, only the actions
// of that one token count: those whose act.data.quantity is an amount of it ("1.0000 SYM") or
// whose act.data.symbol is it ("SYM" or "4,SYM"); `symbol_actions` tells how many of those were
// read.
ActivityFact read_activity(JsonReader& reader, std::string_view history_reply,
                           std::string_view token, std::optional<std::int64_t> head_block_time,
                           std::optional<std::string_view> symbol = std::nullopt);

// The most market rows naming the token that a market fact keeps for its symbols.
inline constexpr std::size_t max_token_rows = 32;

// The reputation reply: the first row's "avg_score" as it stands (number kinds apart, a string as
// its text) and its score through scale_reputation. Read with no score when the rows are empty or
// the row has no usable value; unavailable when the reply is not JSON or has no "rows" array.
ReputationFact read_reputation(JsonReader& reader, std::string_view reputation_reply,
                               std::string_view contract);

// The verdict's values of single replies, as scan_outcome takes them from the facts above.
bool owner_privileged(JsonReader& reader, std::string_view account_reply);
bool owner_privileged(std::string_view account_reply);
std::uint16_t liquidity_depth(JsonReader& reader, std::string_view markets_reply,
                              std::string_view token);
std::uint16_t liquidity_depth(std::string_view markets_reply, std::string_view token);
std::uint32_t account_age_days(JsonReader& reader, std::string_view account_reply,
                               std::uint64_t reference_time);
std::uint32_t account_age_days(std::string_view account_reply, std::uint64_t reference_time);
std::optional<RawReputation> reputation_value(JsonReader& reader,
                                              std::string_view reputation_reply);
std::optional<std::uint8_t> reputation_score(JsonReader& reader, std::string_view reputation_reply);
std::optional<std::uint8_t> reputation_score(std::string_view reputation_reply);

// From a get_account reply: the text of its "created" member; none when the reply is not JSON or
// the member is missing or not a text. Valid until the reader's next read.
std::optional<std::string_view> created_text(JsonReader& reader, std::string_view account_reply);

}  // namespace tarnwick
