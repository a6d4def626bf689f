// The reply of the exchange's market table: its rows, typed (assess/market_rows.h), and the market
// fact of one token read from them. Pure; never throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "assess/evidence.h"
#include "assess/hazards.h"
#include "assess/market_rows.h"

namespace tarnwick {

class JsonReader;

// The depth of a token whose market read failed outright: unknown, so not counted as thin.
inline constexpr std::uint16_t depth_when_market_unread = full_liquidity_depth;
// The depth of a token with an active market.
inline constexpr std::uint16_t active_market_depth = full_liquidity_depth;

// The market reply's rows: market_id, symbol and status_code as texts and whole numbers, and of
// bid_token and ask_token the contract and the symbol code of "sym" ("4,TOK") or, failing that,
// "quantity" ("1.0 TOK"). A row holding a member in another form is still a row, with that member
// none or empty. `more` as more_flag reads it. Unreadable when the reply is not JSON or has no
// "rows" array.
MarketRows read_market_rows(JsonReader& reader, std::string_view markets_reply);

// The market fact of `token` from the reply: market_fact of its rows (the first row naming the
// token decides LIQUIDITY_THIN), keeping at most `token_rows_kept` of the rows naming the token
// (0: none, and no allocation for them; the first row's fields are set all the same).
// `token` must be an account name (checked, as not empty, by an assertion).
MarketFact read_market(JsonReader& reader, std::string_view markets_reply, std::string_view token,
                       std::size_t token_rows_kept = max_token_rows);

// The symbol code on the token's side of the market row; none without a row or a readable code.
std::optional<std::string> market_symbol(const MarketFact& market, std::string_view token);

}  // namespace tarnwick
