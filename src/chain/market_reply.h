// The reply of the exchange's market table: the rows that name the token, the one that decides
// the liquidity condition, and the symbol on the token's side. Pure; never throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "assess/evidence.h"
#include "assess/hazards.h"

namespace tarnwick {

class JsonReader;

// The depth of a token whose market read failed outright: unknown, so not counted as thin.
inline constexpr std::uint16_t depth_when_market_unread = full_liquidity_depth;
// The depth of a token with an active market.
inline constexpr std::uint16_t active_market_depth = full_liquidity_depth;

// The most market rows the market read asks for.
inline constexpr std::uint64_t market_row_limit = 1000;

// The most market rows naming the token that a market fact keeps for its symbols.
inline constexpr std::size_t max_token_rows = 32;

// The market reply: the rows read and the first row whose bid_token or ask_token contract is
// `token` (the row that decides LIQUIDITY_THIN), each side's symbol code taken from "sym"
// ("4,TOK") or "quantity" ("1.0 TOK"). `more` is set by true or a non-empty text (a node's
// next key), and then the limit counts as reached. Unavailable when the reply is not JSON or has
// no "rows" array.
MarketFact read_market(JsonReader& reader, std::string_view markets_reply, std::string_view token);

// The symbol code on the token's side of the market row; none without a row or a readable code.
std::optional<std::string> market_symbol(const MarketFact& market, std::string_view token);

}  // namespace tarnwick
