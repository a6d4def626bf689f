#include "chain/currency_stats_reply.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "chain/top_holders_reply.h"
#include "chain/xpr_replies.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

// Supply and holders as the chain and the history index really write them.
TEST(EvidenceReplies, SupplyAndHoldersReadTruly) {
  JsonReader reader;
  struct SupplyCase {
    std::string name, supply, max_supply;
    bool capped, over_cap;
    std::optional<Uint128> headroom_bp;
  };
  const std::vector<SupplyCase> supplies = {
      {"cap at the asset maximum is no cap", "1000.00000000 WAX", "46116860184.27387903 WAX", false,
       false, std::nullopt},
      {"capped, none issued yet", "0.00000000 WAX", "100.00000000 WAX", true, false, std::nullopt},
      {"above its cap", "200.00000000 WAX", "100.00000000 WAX", true, true, Uint128{0}},
  };
  for (const SupplyCase& c : supplies) {
    const SupplyRead read = supply_read(
        reader, test::currency_stats_json("WAX", c.supply, c.max_supply, "eosio"), "WAX");
    ASSERT_TRUE(read.supply) << c.name;
    EXPECT_EQ(read.fact.capped, c.capped) << c.name;
    EXPECT_EQ(read.fact.over_cap, c.over_cap) << c.name;
    EXPECT_EQ(read.fact.headroom_bp, c.headroom_bp) << c.name;
  }

  struct HoldersCase {
    std::string name;
    std::uint64_t supply_units;
    std::vector<std::pair<std::string, std::string>> holders;
    bool read;
    std::optional<Uint128> top_ten_bp;
  };
  const std::vector<HoldersCase> holders = {
      {"holding more than the supply",
       10'000'000,
       {{"alice", "1500"}, {"bob", "900"}},
       false,
       std::nullopt},
      {"above the supply within float rounding",
       10'000'000,
       {{"alice", "1000.0001"}},
       true,
       Uint128{10000}},
      {"a holder at the asset maximum",
       max_asset_units,
       {{"alice", "461168601842738.79"}},
       true,
       Uint128{10000}},
  };
  for (const HoldersCase& c : holders) {
    const Asset supply{.units = c.supply_units, .precision = 4, .symbol = "TOK"};
    const HoldersFact fact =
        holders_fact(reader, test::top_holders_json("tok", "TOK", c.holders), supply);
    EXPECT_EQ(fact.why.empty(), c.read) << c.name << ": " << fact.why.text;
    EXPECT_EQ(fact.top_ten_bp, c.top_ten_bp) << c.name;
  }
}

}  // namespace
}  // namespace tarnwick
