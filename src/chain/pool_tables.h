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
#include "assess/pool_rows.h"
#include "assess/reason.h"
#include "chain/table_page.h"

namespace tarnwick {

class JsonReader;

// Each pool table is read whole into its typed rows (assess/pool_rows.h); the token's pools are
// chosen from those rows by assess's pure steps.

// proton.swaps "pools": lt_symbol ("8,SYM" or "SYM"), pool1, pool2 (extended assets), active,
// amplifier or reserved; fee.exchange_fee (basis points) when stated.
RowsPage<SwapsPoolRow> proton_swaps_rows(JsonReader& reader, std::string_view reply);

// simpledex "pools": id, tokenAContract, tokenASymbol, tokenBContract, tokenBSymbol, reserveA,
// reserveB (raw integers), paused; feeRate (basis points) when stated.
RowsPage<DexPoolRow> simpledex_rows(JsonReader& reader, std::string_view reply);

// simplelaunch "curves": id, symbol ("SYM" or "4,SYM"), creator, realXpr, graduated, dexPoolId.
RowsPage<LaunchCurveRow> curve_rows(JsonReader& reader, std::string_view reply);

// swap.alcor "pools": id, active, tokenA, tokenB (extended assets), currSlot.sqrtPriceX64; fee
// (millionths), tickSpacing, liquidity and currSlot.tick when stated.
RowsPage<ConcentratedPoolRow> alcor_pool_rows(JsonReader& reader, std::string_view reply);

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
