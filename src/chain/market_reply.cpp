#include "chain/market_reply.h"

#include <utility>
#include <vector>

#include "common/json_reader.h"
#include "common/symbol_code.h"

namespace tarnwick {
namespace {

// The symbol code of a "sym" text ("4,TOK") or, failing that, of a "quantity" ("1.0 TOK");
// empty when neither holds one.
std::string side_symbol(std::string_view sym, std::string_view quantity) {
  std::string_view code;
  if (const std::size_t comma = sym.find(','); comma != std::string_view::npos) {
    code = sym.substr(comma + 1);
  } else if (const std::size_t space = quantity.find(' '); space != std::string_view::npos) {
    code = quantity.substr(space + 1);
  }
  return is_symbol_code(code) ? std::string(code) : std::string();
}

// One side of a market row as it stands in the reply; valid until the reader's next read.
struct SideView {
  std::string_view contract;
  std::string_view sym;
  std::string_view quantity;

  MarketSide side() const { return MarketSide{std::string(contract), side_symbol(sym, quantity)}; }
};

SideView side_view(JsonValue& side) {
  SideView view;
  for_each_member(side, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "contract")) view.contract = text_or_empty(value);
    if (is_key(key, "sym")) view.sym = text_or_empty(value);
    if (is_key(key, "quantity")) view.quantity = text_or_empty(value);
  });
  return view;
}

// The members of a market row that the market fact rests on, as views into the reply.
struct MarketRowView {
  std::optional<std::uint64_t> market_id;
  std::string_view symbol;
  std::optional<std::uint64_t> status_code;
  SideView bid;
  SideView ask;
};

MarketRowView market_row_view(JsonValue& row) {
  MarketRowView view;
  for_each_member(row, [&](std::string_view name, JsonValue& value) {
    if (is_key(name, "market_id")) view.market_id = whole_number(value);
    if (is_key(name, "symbol")) view.symbol = text_or_empty(value);
    if (is_key(name, "status_code")) view.status_code = whole_number(value);
    if (is_key(name, "bid_token")) view.bid = side_view(value);
    if (is_key(name, "ask_token")) view.ask = side_view(value);
  });
  return view;
}

}  // namespace

MarketFact read_market(JsonReader& reader, std::string_view markets_reply, std::string_view token) {
  std::uint64_t rows_read = 0;
  bool has_rows = false;
  std::optional<MarketRowView> found;  // views, so that rows not naming the token cost no copies
  std::vector<MarketRow> token_rows;
  bool more = false;
  const bool json = reader.read_members(markets_reply, [&](std::string_view key, JsonValue& rows) {
    if (is_key(key, "more")) more = more_flag(rows);
    if (!is_key(key, "rows")) return;
    rows_read = 0;
    found.reset();
    token_rows.clear();
    has_rows = for_each_element(rows, [&](JsonValue& row) {
      ++rows_read;
      const MarketRowView view = market_row_view(row);
      if (view.bid.contract != token && view.ask.contract != token) return true;
      if (!found) found = view;
      if (token_rows.size() < max_token_rows) {
        token_rows.push_back(MarketRow{view.status_code, view.bid.side(), view.ask.side()});
      }
      return true;
    });
  });
  if (!json) return unavailable<MarketFact>(ReasonCode::not_json, reply_not_json);
  if (!has_rows)
    return unavailable<MarketFact>(ReasonCode::shape_not_recognised, "reply without rows");
  MarketFact fact;
  fact.token_rows = std::move(token_rows);
  fact.rows_read = rows_read;
  fact.more = more;
  fact.limit_reached = rows_read >= market_row_limit || more;
  if (found) {
    fact.found = true;
    fact.market_id = found->market_id;
    fact.symbol = std::string(found->symbol);
    fact.status_code = found->status_code;
    fact.bid = found->bid.side();
    fact.ask = found->ask.side();
  }
  return fact;
}

std::optional<std::string> market_symbol(const MarketFact& market, std::string_view token) {
  if (!market.why.empty() || !market.found) return std::nullopt;
  const std::string& symbol = market.bid.contract == token ? market.bid.symbol : market.ask.symbol;
  if (symbol.empty()) return std::nullopt;
  return symbol;
}

}  // namespace tarnwick
