#include "assess/market_rows.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace tarnwick {

void take_market_row(MarketFact& fact, const MarketTableRow& row, std::string_view token,
                     std::size_t token_rows_kept) {
  if (row.bid.contract != token && row.ask.contract != token) return;
  if (!fact.found) {
    fact.found = true;
    fact.market_id = row.market_id;
    fact.symbol = row.symbol;
    fact.status_code = row.status_code;
    fact.bid = row.bid;
    fact.ask = row.ask;
  }
  if (fact.token_rows.size() < std::min(token_rows_kept, max_token_rows)) {
    fact.token_rows.push_back(MarketRow{row.status_code, row.bid, row.ask});
  }
}

MarketFact finish_market_fact(MarketFact fact, const MarketRows& markets) {
  if (!markets.why.empty()) return unavailable<MarketFact>(markets.why);
  fact.rows_read = markets.rows_read;
  fact.more = markets.more;
  fact.limit_reached = markets.rows_read >= market_row_limit || markets.more;
  return fact;
}

MarketFact market_fact(const MarketRows& markets, std::string_view token) {
  assert(!token.empty());
  MarketFact fact;
  for (const MarketTableRow& row : markets.rows) take_market_row(fact, row, token);
  return finish_market_fact(std::move(fact), markets);
}

}  // namespace tarnwick
