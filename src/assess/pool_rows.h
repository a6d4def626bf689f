// The rows of the exchanges' pool tables as read (chain/pool_tables.h reads them), and the token's
// own pools chosen from them: a pool is the token's when one of its sides is the token's contract
// and symbol, and its token side is the side that is. Rows keep the reply's order; a row type
// whose table is keyed by a number has it as `id`, so a pager can drop a row sent twice. Pure.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "assess/liquidity.h"
#include "assess/token_amounts.h"

namespace tarnwick {

// A row of proton.swaps "pools", keyed by `lt_symbol`. Both sides carry their amounts.
struct SwapsPoolRow {
  std::string lt_symbol;  // the code of the pool's liquidity token
  PoolSide pool1;
  PoolSide pool2;
  bool active = false;
  Uint128 amplifier = 0;                 // 0 for a constant-product pool
  std::optional<std::uint32_t> fee_ppm;  // fee.exchange_fee, in millionths, when stated
};

// A row of simpledex "pools". Both sides carry their reserves.
struct DexPoolRow {
  std::uint64_t id = 0;
  PoolSide a;
  PoolSide b;
  bool paused = false;
  std::optional<std::uint32_t> fee_ppm;  // feeRate, in millionths, when stated
};

// A row of simplelaunch "curves".
struct LaunchCurveRow {
  std::uint64_t id = 0;
  std::string symbol;  // the code of the launched token's symbol
  std::string creator;
  std::uint64_t real_xpr = 0;  // XPR sub-units (4 digits)
  bool graduated = false;
  std::uint64_t dex_pool_id = 0;
};

// A row of swap.alcor "pools" (concentrated liquidity). Its pricing is concentrated, with the
// current slot's sqrtPriceX64 always read and the other members when stated.
struct ConcentratedPoolRow {
  std::uint64_t id = 0;
  bool active = false;
  PoolSide a;
  PoolSide b;
  PoolPricing pricing;
};

// The launch of a symbol on simplelaunch, and the XPR its curve holds.
struct CurveRow {
  LaunchCurve launch;
  std::uint64_t real_xpr = 0;  // XPR sub-units (4 digits)
};

// The token's swap.alcor pool and its current price.
struct AlcorPoolRow {
  LiquidityPool pool;
  Uint128 sqrt_price_x64 = 0;
};

// The token's proton.swaps pools: keyed by lt_symbol, the whole token amount withdrawable (its
// owners may take it out at any time; an empty pool too), priced by amplifier and fee.
std::vector<LiquidityPool> swaps_token_pools(std::span<const SwapsPoolRow> rows,
                                             std::string_view token, std::string_view symbol);

// The token's simpledex pools: keyed by id, active unless paused, constant-product, the token
// amount's shares unknown (the LP supply is not read).
std::vector<LiquidityPool> dex_token_pools(std::span<const DexPoolRow> rows, std::string_view token,
                                           std::string_view symbol);

// The curves of `symbol` in row order (the launch is the first; newest first when the table is
// read in reverse). The creator is not yet looked up on the prior-rug list.
std::vector<CurveRow> symbol_curves(std::span<const LaunchCurveRow> rows, std::string_view symbol);

// The token's swap.alcor pools, keyed by id; their shares are left to the positions.
std::vector<AlcorPoolRow> alcor_token_pools(std::span<const ConcentratedPoolRow> rows,
                                            std::string_view token, std::string_view symbol);

}  // namespace tarnwick
