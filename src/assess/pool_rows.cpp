#include "assess/pool_rows.h"

namespace tarnwick {
namespace {

bool holds(const PoolSide& side, std::string_view token, std::string_view symbol) {
  return side.contract == token && side.symbol == symbol;
}

// The pool of two sides with the token's side first, and whether that is side A; none when
// neither side is the token's (side A is taken when both are).
std::optional<LiquidityPool> token_pool(const PoolSide& a, const PoolSide& b,
                                        std::string_view token, std::string_view symbol) {
  const bool first = holds(a, token, symbol);
  if (!first && !holds(b, token, symbol)) return std::nullopt;
  LiquidityPool pool;
  pool.token = first ? a : b;
  pool.token_is_a = first;
  pool.pair = first ? b : a;
  return pool;
}

}  // namespace

std::vector<LiquidityPool> swaps_token_pools(std::span<const SwapsPoolRow> rows,
                                             std::string_view token, std::string_view symbol) {
  std::vector<LiquidityPool> pools;
  for (const SwapsPoolRow& row : rows) {
    std::optional<LiquidityPool> pool = token_pool(row.pool1, row.pool2, token, symbol);
    if (!pool) continue;
    pool->keyed_by_symbol = true;
    pool->lt_symbol = row.lt_symbol;
    pool->active = row.active;
    pool->shares[share_withdrawable] = pool->token.units.value_or(0);
    pool->when_empty = share_withdrawable;
    pool->pricing.amplifier = row.amplifier;
    pool->pricing.fee_ppm = row.fee_ppm;
    pools.push_back(std::move(*pool));
  }
  return pools;
}

std::vector<LiquidityPool> dex_token_pools(std::span<const DexPoolRow> rows, std::string_view token,
                                           std::string_view symbol) {
  std::vector<LiquidityPool> pools;
  for (const DexPoolRow& row : rows) {
    std::optional<LiquidityPool> pool = token_pool(row.a, row.b, token, symbol);
    if (!pool) continue;
    pool->id = row.id;
    pool->active = !row.paused;
    // The first 1000 LP tokens of a pool are locked for good, but the LP supply is not read, so
    // how much of the pool that is cannot be said.
    pool->shares[share_unknown] = pool->token.units.value_or(0);
    pool->note = "1000 LP locked for good; the rest not read";
    pool->pricing.amplifier = Uint128{0};
    pool->pricing.fee_ppm = row.fee_ppm;
    pools.push_back(std::move(*pool));
  }
  return pools;
}

std::vector<CurveRow> symbol_curves(std::span<const LaunchCurveRow> rows, std::string_view symbol) {
  std::vector<CurveRow> curves;
  for (const LaunchCurveRow& row : rows) {
    if (row.symbol != symbol) continue;
    curves.push_back(CurveRow{.launch = {.id = row.id,
                                         .creator = row.creator,
                                         .creator_listed = false,
                                         .graduated = row.graduated,
                                         .dex_pool_id = row.dex_pool_id},
                              .real_xpr = row.real_xpr});
  }
  return curves;
}

std::vector<AlcorPoolRow> alcor_token_pools(std::span<const ConcentratedPoolRow> rows,
                                            std::string_view token, std::string_view symbol) {
  std::vector<AlcorPoolRow> pools;
  for (const ConcentratedPoolRow& row : rows) {
    std::optional<LiquidityPool> pool = token_pool(row.a, row.b, token, symbol);
    if (!pool) continue;
    pool->id = row.id;
    pool->active = row.active;
    pool->pricing = row.pricing;
    pools.push_back(
        AlcorPoolRow{.pool = std::move(*pool), .sqrt_price_x64 = row.pricing.sqrt_price_x64});
  }
  return pools;
}

}  // namespace tarnwick
