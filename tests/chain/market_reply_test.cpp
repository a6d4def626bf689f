#include "chain/market_reply.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "chain/scan_values.h"
#include "chain/xpr_replies.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

using test::market_row_json;
using test::rows_json;

TEST(TokenFactsTest, MarketLiquidity) {
  struct Case {
    std::string name;
    std::string reply;
    std::uint16_t depth;
  };
  const std::string other = market_row_json(1, "other", "eosio.token");
  const std::vector<Case> cases = {
      {"bid side active", rows_json({other, market_row_json(2, "tok", "eosio.token")}), 10000},
      {"ask side active", rows_json({market_row_json(2, "eosio.token", "tok")}), 10000},
      {"status 2", rows_json({market_row_json(2, "tok", "eosio.token", "2")}), 0},
      {"status 0", rows_json({market_row_json(2, "tok", "eosio.token", "0")}), 0},
      {"status 1.0", rows_json({market_row_json(2, "tok", "eosio.token", "1.0")}), 0},
      {"status \"1\"", rows_json({market_row_json(2, "tok", "eosio.token", "\"1\"")}), 0},
      {"status -1", rows_json({market_row_json(2, "tok", "eosio.token", "-1")}), 0},
      {"status null", rows_json({market_row_json(2, "tok", "eosio.token", "null")}), 0},
      {"status true", rows_json({market_row_json(2, "tok", "eosio.token", "true")}), 0},
      {"status 2^64+1",
       rows_json({market_row_json(2, "tok", "eosio.token", "18446744073709551617")}), 0},
      {"no status", R"({"rows":[{"bid_token":{"contract":"tok"}}]})", 0},
      {"first row for the token inactive, second active",
       rows_json({market_row_json(2, "tok", "eosio.token", "2"),
                  market_row_json(3, "tok", "eosio.token", "1")}),
       0},
      {"first row for the token active, second inactive",
       rows_json({market_row_json(2, "tok", "eosio.token", "1"),
                  market_row_json(3, "tok", "eosio.token", "2")}),
       10000},
      {"not in the rows returned", rows_json(test::other_markets(1000)), 0},
      {"contract differs in case", rows_json({market_row_json(2, "TOK", "eosio.token")}), 0},
      {"token only in the symbol", R"({"rows":[{"symbol":"tok","status_code":1}]})", 0},
      {"no rows", rows_json({}), 0},
      {"rows missing", R"({"more":false})", 0},
      {"rows not an array", R"({"rows":{"0":{}}})", 0},
      {"not JSON", "Service Unavailable", 0},
      {"truncated", rows_json({market_row_json(2, "tok", "eosio.token")}).substr(0, 200), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(liquidity_depth(c.reply, "tok"), c.depth) << c.name;
}

// A row that is no object, or names no contract, is read and counted but can name no token; the
// rows after it are read on, each side's symbol code from "sym" or "quantity".
TEST(MarketReplyTest, MalformedRowsAreCountedAndTheRestKeptTyped) {
  const std::string reply = rows_json({market_row_json(1, "other1", "eosio.token"), "7",
                                       R"({"bid_token":{"contract":5},"ask_token":"tok"})",
                                       market_row_json(2, "eosio.token", "tok", "\"1\"")});
  JsonReader reader;
  const MarketRows markets = read_market_rows(reader, reply);
  EXPECT_EQ(markets.rows_read, 4u);
  ASSERT_EQ(markets.rows.size(), 2u);
  const MarketTableRow& last = markets.rows[1];
  EXPECT_EQ(last.market_id, 2u);
  EXPECT_EQ(last.symbol, "TOK2XPR");
  EXPECT_EQ(last.status_code, std::nullopt);
  EXPECT_EQ(last.bid.contract + " " + last.bid.symbol, "eosio.token TOK");
  EXPECT_EQ(last.ask.contract + " " + last.ask.symbol, "tok XPR");

  // A node answering with far more rows than asked keeps a bounded number, the rest counted.
  const std::vector<std::string> many(kept_market_rows + 1, market_row_json(3, "other", "xtokens"));
  const MarketRows bounded = read_market_rows(reader, rows_json(many));
  EXPECT_EQ(bounded.rows_read, kept_market_rows + 1);
  EXPECT_EQ(bounded.rows.size(), kept_market_rows);
  EXPECT_TRUE(bounded.rows_cut);
}

}  // namespace
}  // namespace tarnwick
