#include "assess/market_rows.h"

#include <cassert>

namespace tarnwick {

MarketFact market_fact(const MarketRows& markets, std::string_view token) {
  assert(!token.empty());
  if (!markets.why.empty()) return unavailable<MarketFact>(markets.why);
  MarketFact fact;
  fact.rows_read = markets.rows_read;
  fact.more = markets.more;
  fact.limit_reached = markets.rows_read >= market_row_limit || markets.more;
  for (const MarketTableRow& row : markets.rows) {
    if (row.bid.contract != token && row.ask.contract != token) continue;
    if (!fact.found) {
      fact.found = true;
      fact.market_id = row.market_id;
      fact.symbol = row.symbol;
      fact.status_code = row.status_code;
      fact.bid = row.bid;
      fact.ask = row.ask;
    }
    if (fact.token_rows.size() == max_token_rows) break;
    fact.token_rows.push_back(MarketRow{row.status_code, row.bid, row.ask});
  }
  return fact;
}

}  // namespace tarnwick
