// The rows of the exchange's market table as read, and the market fact of one token chosen from
// them: the first row naming the token decides the liquidity condition, and the first few rows
// naming it give its symbols. Pure; nothing throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "assess/evidence.h"
#include "assess/reason.h"

namespace tarnwick {

// The most market rows the market read asks for.
inline constexpr std::uint64_t market_row_limit = 1000;

// The most rows a reply's rows keep: four times what is asked for, so that a node answering with
// more than it was asked keeps the reading's memory bounded. Rows beyond are counted, not kept.
inline constexpr std::size_t kept_market_rows = 4 * market_row_limit;

// The most market rows naming the token that a market fact keeps for its symbols.
inline constexpr std::size_t max_token_rows = 32;

// One market of the exchange as its row states it. A member the row does not hold, or holds in a
// form not read, is none or empty; a side's symbol is the code of its "sym" or "quantity".
struct MarketTableRow {
  std::optional<std::uint64_t> market_id;
  std::string symbol;
  std::optional<std::uint64_t> status_code;
  MarketSide bid;
  MarketSide ask;
};

// The market table's reply: its rows that name a contract on either side, in reply order;
// `rows_read` counts every element of the reply's rows, kept or not (a row naming no contract,
// or no object at all, can name no token). Unreadable, with why, when the reply is not JSON or
// has no rows array.
struct MarketRows {
  std::vector<MarketTableRow> rows;
  std::uint64_t rows_read = 0;
  bool more = false;      // the table holds rows beyond those read
  bool rows_cut = false;  // rows naming a contract beyond kept_market_rows were not kept
  Reason why;
};

// The market fact of `token` (the rows whose bid or ask contract is `token`): the first such row
// decides, the first max_token_rows of them are kept in order, and the limit counts as reached
// with `more` or market_row_limit rows read. Unavailable, with the rows' why, when they are.
// `token` must not be empty, as rows naming no contract are not kept (checked by an assertion).
MarketFact market_fact(const MarketRows& markets, std::string_view token);
// The same a row at a time, for a walk that keeps no rows: each row, in reply order, taken into
// `fact` (of the rows naming the token, the first `token_rows_kept` of up to
// max_token_rows kept); then the rows' count and `more` (or why they are unreadable).
void take_market_row(MarketFact& fact, const MarketTableRow& row, std::string_view token,
                     std::size_t token_rows_kept = max_token_rows);
MarketFact finish_market_fact(MarketFact fact, const MarketRows& markets);

}  // namespace tarnwick
