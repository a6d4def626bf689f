// The readers of the exchanges' pool tables, as public API nodes print their rows
// (get_table_rows with json:true): booleans as 1/0 or true/false; 64-bit and wider integers as a
// number or a decimal text; assets as "1.0000 SYM"; symbols as "4,SYM"; extended assets as
// {"quantity","contract"}. Every such form is read; other members are ignored. A row lacking a
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

namespace tarnwick {

class JsonReader;

inline constexpr std::string_view row_shape_not_recognised = "row shape not recognised";

// A page of a table: the rows kept, how many rows the page held, whether the table goes on and
// where (`next_key`, the bound of the next page), or why the page cannot be read.
template <class Row>
struct RowsPage {
  std::vector<Row> rows;
  std::size_t rows_seen = 0;
  bool more = false;
  std::string next_key;
  Reason why;  // "reply not JSON", "reply without rows", row_shape_not_recognised
};

// proton.swaps "pools": lt_symbol ("8,SYM" or "SYM"), pool1, pool2 (extended assets), active,
// amplifier or reserved. Kept: the pools holding the token (contract and symbol), shares all
// withdrawable.
RowsPage<LiquidityPool> proton_swaps_page(JsonReader& reader, std::string_view reply,
                                          std::string_view token, std::string_view symbol);

// simpledex "pools": id, tokenAContract, tokenASymbol, tokenBContract, tokenBSymbol, reserveA,
// reserveB (raw integers), paused. Kept: the pools holding the token; `ids` gets every row's id.
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

// swap.alcor "pools": id, active, tokenA, tokenB (extended assets), currSlot.sqrtPriceX64.
// Kept: the pools holding the token, with which side is the token's.
struct AlcorPoolRow {
  LiquidityPool pool;
  bool token_is_a = false;
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

// The head_block_time of a get_info reply, in Unix seconds.
std::optional<std::int64_t> head_block_seconds(JsonReader& reader, std::string_view reply);

}  // namespace tarnwick
