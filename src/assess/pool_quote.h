// What a pool should pay for a sale, from its state as the venue's row states it: the quote that
// a sale's proceeds are measured against. Exact integer arithmetic (256-bit products), so amounts
// up to the largest an asset holds (2^62 - 1) never overflow; only the bounds of a concentrated
// pool's current tick interval go through floating point. Pure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "assess/liquidity.h"
#include "common/text.h"

namespace tarnwick {

// floor(a * b / c) with the product held in 256 bits; none when c is 0 or the result does not
// fit 128 bits.
std::optional<Uint128> mul_div(Uint128 a, Uint128 b, Uint128 c);

// The amount of the pool's other side, in its sub-units, that selling `units_in` of the token
// into `pool` pays after the pool's fee:
//   - a constant-product pool (amplifier 0): out = y * in' / (x + in'), with in' the amount in
//     less the fee and x, y the token's and the other side's amounts;
//   - a concentrated-liquidity pool: the swap within the liquidity in range at the current price,
//     while the price after it stays inside the current tick interval (tickSpacing wide);
// none otherwise (an amplified pool, a fee or amount not stated, an empty pool, a price leaving
// the interval), with why.
struct SaleQuote {
  std::optional<std::uint64_t> out;
  std::string why;  // set exactly when there is no quote
};
SaleQuote quote_sale(const LiquidityPool& pool, std::uint64_t units_in);

// 1 - proceeds / quote in basis points, rounded to the nearest, never below 0; none for a quote
// of 0.
std::optional<std::uint32_t> cost_bp(std::uint64_t proceeds, std::uint64_t quote);

}  // namespace tarnwick
