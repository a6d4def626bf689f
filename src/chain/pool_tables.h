// The readers of the exchanges' pool tables, one page at a time (chain/table_page.h), each field in
// every form nodes print it (chain/field_forms.h); other members are ignored. A row lacking a
// field its venue needs, or holding it in another form, makes the whole page unrecognised: a
// venue whose rows cannot be read is never taken for a venue without the token's pools. Pure
// functions of the reply text; nothing throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "assess/liquidity.h"
#include "assess/reason.h"
#include "chain/table_page.h"

namespace tarnwick {

class JsonReader;

// proton.swaps "pools": lt_symbol ("8,SYM" or "SYM"), pool1, pool2 (extended assets), active,
// amplifier or reserved; for a quote, fee.exchange_fee (basis points) when stated. Kept: the pools
// holding the token (contract and symbol), shares all withdrawable.
RowsPage<LiquidityPool> proton_swaps_page(JsonReader& reader, std::string_view reply,
                                          std::string_view token, std::string_view symbol);

// simpledex "pools": id, tokenAContract, tokenASymbol, tokenBContract, tokenBSymbol, reserveA,
// reserveB (raw integers), paused; for a quote, feeRate (basis points) when stated. Kept: the
// pools holding the token; `ids` gets every row's id.
RowsPage<LiquidityPool> simpledex_page(JsonReader& reader, std::string_view reply,
                                       std::string_view token, std::string_view symbol,
                                       std::vector<std::uint64_t>& ids);

// simplelaunch "curves": id, symbol ("SYM" or "4,SYM"), creator, realXpr, graduated, dexPoolId.
// Kept: the curves of the symbol, in reply order (newest first when read in reverse).
struct CurveRow {
  LaunchCurve launch;
  std::uint64_t real_xpr = 0;  // XPR sub-units (4 digits)
};
RowsPage<CurveRow> curves_page(JsonReader& reader, std::string_view reply, std::string_view symbol);

// swap.alcor "pools": id, active, tokenA, tokenB (extended assets), currSlot.sqrtPriceX64; for a
// quote, fee (millionths), tickSpacing, liquidity and currSlot.tick when stated. Kept: the pools
// holding the token.
struct AlcorPoolRow {
  LiquidityPool pool;
  Uint128 sqrt_price_x64 = 0;
};
RowsPage<AlcorPoolRow> alcor_pools_page(JsonReader& reader, std::string_view reply,
                                        std::string_view token, std::string_view symbol);

// swap.alcor "positions" of one pool: id, owner, tickLower, tickUpper, liquidity.
struct PositionRow {
  std::uint64_t id = 0;
  std::string owner;
  std::int64_t tick_lower = 0;
  std::int64_t tick_upper = 0;
  Uint128 liquidity = 0;
};
RowsPage<PositionRow> positions_page(JsonReader& reader, std::string_view reply);

// swap.alcor "locks": pos_id, unlockTime (Unix seconds as a number or decimal text, or a chain
// time text).
struct LockRow {
  std::uint64_t position = 0;
  std::int64_t unlock = 0;
};
RowsPage<LockRow> locks_page(JsonReader& reader, std::string_view reply);

}  // namespace tarnwick
