// The token's liquidity in the exchanges' AMM pools, as /liquidity reports it: the venues, their
// pools, who can take each pool's token amount out (the shares), and the totals. Pure: the
// arithmetic of concentrated-liquidity positions and of the shares, the texts and the JSON
// answer, with no reading. Shares are computed from token sub-units in 128-bit integers; only a
// concentrated-liquidity position's amounts go through floating point (long double), rounded down.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "assess/reason.h"
#include "assess/token_amounts.h"
#include "common/symbol_code.h"

namespace tarnwick {

// The raw amounts of the two tokens a concentrated-liquidity position holds, with
// a = 1.0001^(tick_lower/2), b = 1.0001^(tick_upper/2), s = sqrt_price_x64 / 2^64, L = liquidity:
// s <= a: A = L(b-a)/(ab), B = 0; s >= b: A = 0, B = L(b-a); otherwise A = L(b-s)/(sb),
// B = L(s-a). Each rounded down and held to max_asset_units. None when tick_lower >= tick_upper.
struct PositionAmounts {
  std::uint64_t a = 0;
  std::uint64_t b = 0;
};
std::optional<PositionAmounts> position_amounts(std::int64_t tick_lower, std::int64_t tick_upper,
                                                Uint128 sqrt_price_x64, Uint128 liquidity);

// Who can take a part of a pool's token amount out.
enum ShareKind : std::size_t {
  share_locked,        // held by a lock until its unlock time
  share_burned,        // owned by an account nobody controls
  share_withdrawable,  // its owners may withdraw it at any time
  share_curve,         // held by a launch's bonding curve until it graduates
  share_unknown,       // not read, or the venue records no owner of it
  share_kind_count
};
inline constexpr std::array<std::string_view, share_kind_count> share_names = {
    "locked", "burned", "withdrawable", "curve", "unknown"};

// Token sub-units per kind.
using ShareUnits = std::array<Uint128, share_kind_count>;
// Basis points per kind, summing to 10000.
using ShareBp = std::array<std::uint32_t, share_kind_count>;

// The parts in basis points of their sum: each rounded down, then the points left over given one
// each to the largest remainders (earlier kinds first on a tie), so they sum to exactly 10000.
// With a sum of 0, all 10000 go to `when_empty`.
ShareBp split_bp(const ShareUnits& parts, ShareKind when_empty);

// A side of a pool: a token (contract and symbol) and its pooled amount.
struct PoolSide {
  std::string contract;
  std::string symbol;
  std::uint8_t precision = 0;
  std::optional<std::uint64_t> units;  // none when the venue's row does not give it
};

// What a quote of a sale into a pool rests on, as the venue's row states it; not part of the
// /liquidity answer. A member the row does not state stays none.
struct PoolPricing {
  std::optional<std::uint32_t> fee_ppm;  // the fee on the amount sold in, in millionths
  std::optional<Uint128> amplifier;      // proton.swaps: 0 for a constant-product pool
  bool concentrated = false;             // swap.alcor: priced by the current slot below
  Uint128 sqrt_price_x64 = 0;            // the current price's square root, Q64.64
  std::optional<Uint128> liquidity;      // the liquidity in range at that price
  std::optional<std::int64_t> tick;      // the current tick
  std::optional<std::int64_t> tick_spacing;
};

struct LiquidityPool {
  bool keyed_by_symbol = false;  // the key is `lt_symbol`, else `id`
  std::string lt_symbol;
  std::uint64_t id = 0;
  PoolSide token;  // the token's own side
  PoolSide pair;
  bool token_is_a = false;  // the token is the venue's first side (pool1, tokenA)
  bool active = false;
  ShareUnits shares{};                          // of the token's amount
  ShareKind when_empty = share_unknown;         // what an empty pool's shares are
  std::optional<std::int64_t> earliest_unlock;  // Unix seconds, among locked parts with an end
  bool unlock_without_end = false;  // a part is locked until after 9999-12-31: with no end date
  std::optional<std::uint32_t> positions_read;  // concentrated liquidity only
  std::string note;
  PoolPricing pricing;
};

// A concentrated-liquidity position of a pool, as its shares need it.
struct Position {
  std::uint64_t id = 0;
  bool burned = false;  // owned by an account nobody controls
  std::int64_t tick_lower = 0;
  std::int64_t tick_upper = 0;
  Uint128 liquidity = 0;
};

// What the locks of a venue's positions say: the latest unlock time (Unix seconds) of each locked
// position, whether every lock was read, and the head block time (none when not read).
struct PositionLocks {
  std::map<std::uint64_t, std::int64_t> unlocks;
  bool whole = true;
  std::optional<std::int64_t> head;
};

// Adds the shares of `pool`'s token amount that `positions` hold (the token's side: A when
// `token_is_a`): burned by owner, else locked while a lock's unlock time is after the head block
// time (past 9999-12-31: locked with no end), else withdrawable; unknown what was not decided.
// Without `positions_whole`, the pool's amount beyond the positions read is unknown. Sets
// earliest_unlock, unlock_without_end and positions_read.
void add_position_shares(LiquidityPool& pool, std::span<const Position> positions,
                         Uint128 sqrt_price_x64, bool token_is_a, bool positions_whole,
                         const PositionLocks& locks);

// A launch on a bonding curve, and the account behind it.
struct LaunchCurve {
  std::uint64_t id = 0;
  std::string creator;
  bool creator_listed = false;  // on the prior-rug list
  bool graduated = false;
  std::uint64_t dex_pool_id = 0;  // meaningful once graduated
};

// The venues' contracts, in the order they are read and shown.
inline constexpr std::string_view venue_contracts[] = {"proton.swaps", "simpledex", "simplelaunch",
                                                       "swap.alcor"};

// The owners nobody controls: a position they own is burned.
inline constexpr std::string_view burn_accounts[] = {"eosio.null", "token.burn"};

enum class VenueStatus { read, capped, unavailable };

struct LiquidityVenue {
  std::string venue;  // the exchange's contract account
  VenueStatus status = VenueStatus::read;
  Reason why;  // set unless read
  std::vector<LiquidityPool> pools;
  std::optional<LaunchCurve> launch;  // the launch venue only
};

struct LiquidityReport {
  std::string token;
  std::optional<std::string> symbol;  // none with symbol_why when no symbol could be chosen
  Reason symbol_why;
  std::vector<std::string> symbols;  // the contract's symbols as read
  bool symbols_more = false;
  std::optional<bool> shared;     // none when the contract's symbols were not read
  std::string shared_counted_as;  // how an unknown `shared` was taken; empty when known
  std::vector<LiquidityVenue> venues;
  std::uint32_t reads = 0;
};

// The answer of /liquidity, one line:
// {"version":1,"token":..,"symbol":..|null,["why":..,]"symbols":[..],"symbols_more":..,
//  "shared":true|false|null,"shared_counted_as":..|null,
//  "venues":[{"venue":..,"status":..,["why":..,]"pools":[..][,"launch":..|null]}],
//  "totals":{..},"reads":N}
// A pool with a part locked past 9999-12-31 adds "unlock_without_end":true after its
// "earliest_unlock" (null when no locked part has an end).
// Totals: `pools` found; `token_amount`, the sum of the token amounts known (at the precision of
// the first such pool), or null; `shares`, the basis points over those same amounts, or null;
// `all_read`: every venue read.
std::string liquidity_json(const LiquidityReport& report);

}  // namespace tarnwick
