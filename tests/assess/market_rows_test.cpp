#include "assess/market_rows.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

MarketTableRow row(std::uint64_t id, std::string bid, std::string ask, std::uint64_t status = 1) {
  return MarketTableRow{.market_id = id,
                        .symbol = std::to_string(id),
                        .status_code = status,
                        .bid = {std::move(bid), "TOK"},
                        .ask = {std::move(ask), "XPR"}};
}

TEST(MarketRowsTest, TheFirstRowNamingTheTokenDecidesAndTheFirstFewAreKept) {
  MarketRows many{.rows = {}, .rows_read = 40, .more = false, .why = {}};
  for (std::uint64_t id = 1; id <= 40; ++id) many.rows.push_back(row(id, "tok", "eosio.token"));
  const MarketRows other_then_ask{
      .rows = {row(1, "other", "eosio.token"), row(2, "eosio.token", "tok", 2), row(3, "tok", "x")},
      .rows_read = 3,
      .more = false,
      .why = {}};
  // Rows naming no contract are counted, not kept: a full page is a full page all the same.
  const MarketRows full_page{
      .rows = {row(7, "tok", "eosio.token")}, .rows_read = 1000, .more = false, .why = {}};
  const MarketRows more{.rows = {}, .rows_read = 3, .more = true, .why = {}};
  const struct {
    std::string name;
    MarketRows markets;
    std::optional<std::uint64_t> market_id;
    std::size_t token_rows;
    bool limit_reached;
  } cases[] = {
      {"the token on the ask side of the second row", other_then_ask, 2, 2, false},
      {"40 rows name the token", many, 1, max_token_rows, false},
      {"1000 rows read, one kept", full_page, 7, 1, true},
      {"more rows in the table", more, std::nullopt, 0, true},
  };
  for (const auto& c : cases) {
    const MarketFact fact = market_fact(c.markets, "tok");
    EXPECT_EQ(fact.found, c.market_id.has_value()) << c.name;
    EXPECT_EQ(fact.market_id, c.market_id) << c.name;
    EXPECT_EQ(fact.token_rows.size(), c.token_rows) << c.name;
    EXPECT_EQ(fact.limit_reached, c.limit_reached) << c.name;
  }
  EXPECT_EQ(market_fact(other_then_ask, "tok").status_code, 2u);
  EXPECT_EQ(market_fact(other_then_ask, "tok").token_rows[1].bid.contract, "tok");
}

}  // namespace
}  // namespace tarnwick
