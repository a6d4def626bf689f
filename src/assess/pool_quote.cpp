#include "assess/pool_quote.h"

#include <cmath>
#include <limits>

namespace tarnwick {
namespace {

constexpr Uint128 one_x64 = Uint128{1} << 64;
constexpr std::uint64_t whole_ppm = 1'000'000;
// Liquidity and square-root prices beyond this are no pool's real state; below it every sum
// and product of the swap step stays within the 256-bit arithmetic.
constexpr Uint128 state_limit = Uint128{1} << 126;

SaleQuote none(std::string why) { return {std::nullopt, std::move(why)}; }

SaleQuote paid(std::optional<Uint128> out) {
  if (!out || *out > max_asset_units) return none("the quote is beyond any asset's amount");
  return {static_cast<std::uint64_t>(*out), {}};
}

// The square root of the price at `tick`, 1.0001^(tick/2), in Q64.64.
long double sqrt_price_at(std::int64_t tick) {
  return std::ldexp(std::pow(1.0001L, static_cast<long double>(tick) / 2.0L), 64);
}

SaleQuote constant_product(const LiquidityPool& pool, std::uint64_t units_in,
                           std::uint32_t fee_ppm) {
  if (!pool.token.units || !pool.pair.units) return none("the pool's amounts are not stated");
  const Uint128 x = *pool.token.units;
  const Uint128 y = *pool.pair.units;
  if (x == 0 || y == 0) return none("the pool is empty");
  const Uint128 in = Uint128{units_in} * (whole_ppm - fee_ppm);
  return paid(mul_div(y, in, x * whole_ppm + in));
}

SaleQuote concentrated(const LiquidityPool& pool, std::uint64_t units_in, std::uint32_t fee_ppm) {
  const PoolPricing& pricing = pool.pricing;
  if (!pricing.liquidity || !pricing.tick || !pricing.tick_spacing || *pricing.tick_spacing <= 0) {
    return none("the pool's liquidity in range or its tick is not stated");
  }
  const Uint128 liquidity = *pricing.liquidity;
  const Uint128 price = pricing.sqrt_price_x64;
  if (liquidity == 0 || price == 0) return none("the pool has no liquidity in range");
  if (liquidity >= state_limit || price >= state_limit)
    return none("the pool's state is out of range");
  const Uint128 in = Uint128{units_in} * (whole_ppm - fee_ppm) / whole_ppm;
  std::optional<Uint128> after;
  std::optional<Uint128> out;
  if (pool.token_is_a) {  // the price falls: s' = L s / (L + in s)
    const std::optional<Uint128> moved = mul_div(in, price, one_x64);
    if (!moved || *moved >= state_limit) return none("the pool's state is out of range");
    after = mul_div(liquidity, price, liquidity + *moved);
    if (after) out = mul_div(liquidity, price - *after, one_x64);
  } else {  // the price rises: s' = s + in / L, out = L (s' - s) / (s s')
    const std::optional<Uint128> moved = mul_div(in, one_x64, liquidity);
    if (!moved || *moved >= state_limit) return none("the pool's state is out of range");
    after = price + *moved;
    const std::optional<Uint128> part = mul_div(liquidity, *after - price, price);
    if (part) out = mul_div(*part, one_x64, *after);
  }
  const std::int64_t spacing = *pricing.tick_spacing;
  const std::int64_t tick = *pricing.tick;
  const std::int64_t lower = (tick / spacing - (tick % spacing < 0 ? 1 : 0)) * spacing;
  const long double low = sqrt_price_at(lower);
  const long double high = sqrt_price_at(lower + spacing);
  const auto inside = [&](Uint128 at) {
    const auto value = static_cast<long double>(at);
    return value >= low && value <= high;
  };
  if (!after || !inside(price) || !inside(*after)) {
    return none("the sale would take the price out of its current tick interval");
  }
  return paid(out);
}

}  // namespace

std::optional<Uint128> mul_div(Uint128 a, Uint128 b, Uint128 c) {
  if (c == 0) return std::nullopt;
  constexpr Uint128 mask = (Uint128{1} << 64) - 1;
  const Uint128 a0 = a & mask;
  const Uint128 a1 = a >> 64;
  const Uint128 b0 = b & mask;
  const Uint128 b1 = b >> 64;
  // The 256-bit product as hi * 2^128 + lo.
  const Uint128 low_low = a0 * b0;
  const Uint128 cross_a = a1 * b0;
  const Uint128 cross_b = a0 * b1;
  Uint128 hi = a1 * b1;
  const Uint128 middle = (low_low >> 64) + (cross_a & mask) + (cross_b & mask);
  const Uint128 lo = (middle << 64) | (low_low & mask);
  hi += (cross_a >> 64) + (cross_b >> 64) + (middle >> 64);
  if (hi >= c) return std::nullopt;  // the quotient needs more than 128 bits
  Uint128 remainder = hi;
  Uint128 quotient = 0;
  for (int bit = 127; bit >= 0; --bit) {
    const bool carry = (remainder >> 127) != 0;
    remainder = (remainder << 1) | ((lo >> bit) & 1);
    quotient <<= 1;
    if (carry || remainder >= c) {
      remainder -= c;
      quotient |= 1;
    }
  }
  return quotient;
}

SaleQuote quote_sale(const LiquidityPool& pool, std::uint64_t units_in) {
  const PoolPricing& pricing = pool.pricing;
  if (!pricing.fee_ppm) return none("the pool states no fee");
  if (pricing.concentrated) return concentrated(pool, units_in, *pricing.fee_ppm);
  if (!pricing.amplifier || *pricing.amplifier != 0) {
    return none("an amplified pool: its price is not a constant product");
  }
  return constant_product(pool, units_in, *pricing.fee_ppm);
}

std::optional<std::uint32_t> cost_bp(std::uint64_t proceeds, std::uint64_t quote) {
  if (quote == 0) return std::nullopt;
  if (proceeds >= quote) return 0;
  const Uint128 lost = Uint128{quote - proceeds} * 20'000 + quote;
  return static_cast<std::uint32_t>(lost / (Uint128{quote} * 2));
}

}  // namespace tarnwick
