#include "assess/pool_quote.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

constexpr std::uint64_t most = max_asset_units;  // 2^62 - 1

LiquidityPool constant_product(std::uint64_t token, std::uint64_t pair,
                               std::optional<std::uint32_t> fee_ppm, Uint128 amplifier = 0) {
  LiquidityPool pool;
  pool.token = PoolSide{"tok", "TOK", 4, token};
  pool.pair = PoolSide{"eosio.token", "XPR", 4, pair};
  pool.pricing.amplifier = amplifier;
  pool.pricing.fee_ppm = fee_ppm;
  return pool;
}

// A concentrated pool at s = 2 (2^65 as sqrtPriceX64), 10^12 in range, fee 0.3 %, in the
// interval of ticks 13860..13920.
LiquidityPool concentrated(bool token_is_a) {
  LiquidityPool pool;
  pool.token_is_a = token_is_a;
  pool.pricing = PoolPricing{.fee_ppm = 3000,
                             .amplifier = std::nullopt,
                             .concentrated = true,
                             .sqrt_price_x64 = Uint128{1} << 65,
                             .liquidity = Uint128{1'000'000'000'000},
                             .tick = 13863,
                             .tick_spacing = 60};
  return pool;
}

TEST(PoolQuote, TheAmountOutOfEachKindOfPool) {
  LiquidityPool unstated = concentrated(true);
  unstated.pricing.liquidity.reset();
  const struct {
    std::string name;
    LiquidityPool pool;
    std::uint64_t in;
    std::string out_or_why;
  } cases[] = {
      {"constant product, 0.3 %", constant_product(900'000, 5'000'000, 3000), 200, "1107"},
      {"the largest amounts, no fee", constant_product(most, most, 0), most, "2305843009213693951"},
      {"the largest amounts, 0.3 %", constant_product(most, most, 3000), most,
       "2302379048759191657"},
      {"an amplified pool", constant_product(900'000, 5'000'000, 3000, 100), 200,
       "an amplified pool: its price is not a constant product"},
      {"no fee stated", constant_product(900'000, 5'000'000, std::nullopt), 200,
       "the pool states no fee"},
      {"an empty pool", constant_product(0, 5'000'000, 3000), 200, "the pool is empty"},
      {"concentrated, the token is A: the price falls", concentrated(true), 1'000'000, "3987992"},
      {"concentrated, the token is B: the price rises", concentrated(false), 1'000'000, "249249"},
      {"concentrated, leaving its interval", concentrated(true), 1'000'000'000,
       "the sale would take the price out of its current tick interval"},
      {"concentrated, no liquidity stated", unstated, 1'000'000,
       "the pool's liquidity in range or its tick is not stated"},
  };
  for (const auto& c : cases) {
    const SaleQuote quote = quote_sale(c.pool, c.in);
    EXPECT_EQ(quote.out ? std::to_string(*quote.out) : quote.why, c.out_or_why) << c.name;
  }
  // 1 - paid / quote, rounded, never below 0.
  EXPECT_EQ(cost_bp(700, 1107), 3677U);
  EXPECT_EQ(cost_bp(1200, 1107), 0U);
  EXPECT_EQ(cost_bp(1, 0), std::nullopt);
  // The product of two 128-bit numbers divided back.
  const Uint128 big = ~Uint128{0};
  EXPECT_TRUE(mul_div(big, big, big) == big);
  EXPECT_EQ(mul_div(big, 2, 1), std::nullopt);
}

}  // namespace
}  // namespace tarnwick
