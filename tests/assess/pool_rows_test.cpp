#include "assess/pool_rows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

// The token is chosen by contract and symbol on either side; the other side is its pair.
TEST(PoolRowsTest, TheTokensPoolsHaveItOnEitherSide) {
  const PoolSide tok{"tok", "TOK", 4, 1'000'000};
  const PoolSide xpr{"eosio.token", "XPR", 4, 500'000};
  const PoolSide other_symbol{"tok", "TOKB", 4, 7};
  const std::vector<SwapsPoolRow> swaps = {{"TOKB", other_symbol, xpr, true, 0, std::nullopt},
                                           {"XPRTOK", xpr, tok, true, 0, 2000}};
  const std::vector<LiquidityPool> swap_pools = swaps_token_pools(swaps, "tok", "TOK");
  ASSERT_EQ(swap_pools.size(), 1u);
  EXPECT_EQ(swap_pools[0].lt_symbol, "XPRTOK");
  EXPECT_FALSE(swap_pools[0].token_is_a);
  EXPECT_EQ(swap_pools[0].pair.symbol, "XPR");
  EXPECT_EQ(swap_pools[0].shares[share_withdrawable], Uint128{1'000'000});

  const std::vector<DexPoolRow> dex = {{8, xpr, other_symbol, false, std::nullopt},
                                       {9, tok, xpr, true, std::nullopt}};
  const std::vector<LiquidityPool> dex_pools = dex_token_pools(dex, "tok", "TOK");
  ASSERT_EQ(dex_pools.size(), 1u);
  EXPECT_EQ(dex_pools[0].id, 9u);
  EXPECT_TRUE(dex_pools[0].token_is_a);
  EXPECT_FALSE(dex_pools[0].active);
  EXPECT_EQ(dex_pools[0].shares[share_unknown], Uint128{1'000'000});

  ConcentratedPoolRow concentrated{3, true, xpr, tok, PoolPricing{}};
  concentrated.pricing.sqrt_price_x64 = Uint128{1} << 65;
  const std::vector<AlcorPoolRow> alcor = alcor_token_pools(
      std::vector<ConcentratedPoolRow>{{2, true, tok, other_symbol, PoolPricing{}}, concentrated},
      "tok", "TOKB");
  ASSERT_EQ(alcor.size(), 1u);
  EXPECT_EQ(alcor[0].pool.id, 2u);
  EXPECT_EQ(alcor_token_pools(std::vector{concentrated}, "tok", "TOK")[0].sqrt_price_x64,
            Uint128{1} << 65);
}

// The launch of a symbol is its first curve, whatever curves of other symbols come before.
TEST(PoolRowsTest, TheSymbolsCurvesInRowOrder) {
  const std::vector<LaunchCurveRow> rows = {
      {5, "TOKB", "a", 0, false, 0}, {4, "TOK", "b", 0, false, 0}, {2, "TOK", "c", 0, false, 0}};
  const std::vector<CurveRow> curves = symbol_curves(rows, "TOK");
  ASSERT_EQ(curves.size(), 2u);
  EXPECT_EQ(curves[0].launch.id, 4u);
  EXPECT_EQ(curves[0].launch.creator, "b");
}

}  // namespace
}  // namespace tarnwick
