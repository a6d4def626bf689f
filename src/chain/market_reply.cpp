#include "chain/market_reply.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "common/json_reader.h"
#include "common/symbol_code.h"

namespace tarnwick {
namespace {

// The symbol code of a "sym" text ("4,TOK") or, failing that, of a "quantity" ("1.0 TOK");
// empty when neither holds one.
std::string_view side_symbol(std::string_view sym, std::string_view quantity) {
  std::string_view code;
  if (const std::size_t comma = sym.find(','); comma != std::string_view::npos) {
    code = sym.substr(comma + 1);
  } else if (const std::size_t space = quantity.find(' '); space != std::string_view::npos) {
    code = quantity.substr(space + 1);
  }
  return is_symbol_code(code) ? code : std::string_view();
}

// One side of a market row as it stands in the reply; valid until the reader's next read.
struct SideView {
  std::string_view contract;
  std::string_view sym;
  std::string_view quantity;

  void copy_to(MarketSide& side) const {
    side.contract.assign(contract);
    side.symbol.assign(side_symbol(sym, quantity));
  }
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

// The members of a market row that are read, as views into the reply: a row is copied once, whole,
// after its last member (a member named twice counts as its last).
struct MarketRowView {
  std::optional<std::uint64_t> market_id;
  std::string_view symbol;
  std::optional<std::uint64_t> status_code;
  SideView bid;
  SideView ask;

  // Fills a default row in place, so that a row of real names costs no allocation and no move.
  void copy_to(MarketTableRow& row) const {
    row.market_id = market_id;
    row.symbol.assign(symbol);
    row.status_code = status_code;
    bid.copy_to(row.bid);
    ask.copy_to(row.ask);
  }
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

// The rows to make room for at once: a market row as nodes print it takes about 300 bytes (its two
// sides, fees, minimums and reserves), so a real reply needs no second allocation. A reply of
// shorter rows grows the vector by doubling, never by a row at a time.
std::size_t rows_expected(std::size_t reply_size) {
  constexpr std::size_t row_text = 256;
  return std::min<std::size_t>(reply_size / row_text + 1, market_row_limit);
}

// The one walk of a market reply: `markets` gets what the reply says of its rows (their count,
// `more`, why it is unreadable), and take(view) each row, in reply order, as
// views into the reply (copied only by a taker that keeps it). begin() is called when the rows
// begin again (a reply naming "rows" twice is read by its last).
template <class Begin, class Take>
void walk_market_rows(JsonReader& reader, std::string_view markets_reply, MarketRows& markets,
                      Begin begin, Take take) {
  bool has_rows = false;
  const bool json = reader.read_members(markets_reply, [&](std::string_view key, JsonValue& rows) {
    if (is_key(key, "more")) markets.more = more_flag(rows);
    if (!is_key(key, "rows")) return;
    markets.rows_read = 0;
    begin();
    has_rows = for_each_element(rows, [&](JsonValue& row) {
      ++markets.rows_read;
      take(market_row_view(row));
      return true;
    });
  });
  if (!json) {
    markets = unavailable<MarketRows>(ReasonCode::not_json, reply_not_json);
  } else if (!has_rows) {
    markets = unavailable<MarketRows>(ReasonCode::shape_not_recognised, "reply without rows");
  }
}

}  // namespace

MarketRows read_market_rows(JsonReader& reader, std::string_view markets_reply) {
  MarketRows markets;
  walk_market_rows(
      reader, markets_reply, markets,
      [&] {
        markets.rows.clear();
        markets.rows_cut = false;
        markets.rows.reserve(rows_expected(markets_reply.size()));
      },
      [&](const MarketRowView& row) {
        // A row naming no contract can name no token: counted, not kept.
        if (row.bid.contract.empty() && row.ask.contract.empty()) return;
        if (markets.rows.size() == kept_market_rows) {
          markets.rows_cut = true;
        } else {
          row.copy_to(markets.rows.emplace_back());
        }
      });
  return markets;
}

MarketFact read_market(JsonReader& reader, std::string_view markets_reply, std::string_view token,
                       std::size_t token_rows_kept) {
  // Every row is walked, none kept: the token's fact is taken row by row, and only a row naming
  // the token is copied out of the reply (take_market_row passes over any other).
  MarketRows markets;
  MarketFact fact;
  MarketTableRow scratch;
  walk_market_rows(
      reader, markets_reply, markets, [&] { fact = MarketFact(); },
      [&](const MarketRowView& row) {
        if (row.bid.contract != token && row.ask.contract != token) return;
        row.copy_to(scratch);
        take_market_row(fact, scratch, token, token_rows_kept);
      });
  return finish_market_fact(std::move(fact), markets);
}

std::optional<std::string> market_symbol(const MarketFact& market, std::string_view token) {
  if (!market.why.empty() || !market.found) return std::nullopt;
  const std::string& symbol = market.bid.contract == token ? market.bid.symbol : market.ask.symbol;
  if (symbol.empty()) return std::nullopt;
  return symbol;
}

}  // namespace tarnwick
