// What the differential fuzz target cannot reach: texts longer than the tape's limit (its inputs
// stay far below it), read by the walk, with the reader reused before and after them.
#include "common/json_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chain/account_reply.h"
#include "chain/history_reply.h"
#include "chain/market_reply.h"
#include "chain/reputation_reply.h"
#include "chain/scan_values.h"
#include "chain/xpr_replies.h"
#include "common/calendar.h"

namespace tarnwick {
namespace {

TEST(JsonReader, ReadsTextsBeyondTheTapeLimitAndSmallOnesAfterThem) {
  std::vector<std::string> rows = test::other_markets(6000);
  rows.push_back(test::market_row_json(6001, "eosio.token", "tok"));
  const std::string large = test::rows_json(rows);
  const std::string small = test::rows_json({test::market_row_json(1, "tok", "eosio.token")});
  ASSERT_GT(large.size(), JsonReader::max_tape_text);

  JsonReader reader;
  const struct {
    std::string reply;
    std::uint16_t depth;
  } reads[] = {{small, 10000}, {large, 10000}, {small, 10000}, {large + "]", 0}, {small, 10000}};
  for (const auto& read : reads) {
    EXPECT_EQ(liquidity_depth(reader, read.reply, "tok"), read.depth) << read.reply.size();
  }
}

}  // namespace
}  // namespace tarnwick
