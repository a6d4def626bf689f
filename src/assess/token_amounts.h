// Token amounts as the chain writes them, "1000.0000 SYM": a count of sub-units, a precision
// (digits after the point) and a symbol code; and the integer measures over them that /evidence
// shows. Every share is computed from sub-units in 128-bit integers, never in floating point, so
// the same replies always give the same basis points.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/symbol_code.h"
#include "common/text.h"

namespace tarnwick {

// The largest amount the chain's token code accepts, in sub-units (2^62 - 1). Every amount
// read is held to it, so a sum of a few thousand amounts times 10000 still fits 128 bits.
inline constexpr std::uint64_t max_asset_units = (std::uint64_t{1} << 62) - 1;

struct Asset {
  std::uint64_t units = 0;     // sub-units: the amount times 10^precision
  std::uint8_t precision = 0;  // 0 to 18
  std::string symbol;          // 1 to 7 capitals A-Z
};

// An asset text: digits, optionally a point and 1 to 18 digits, one space, a symbol code. No
// sign, no other spaces. None for any other shape or an amount above max_asset_units.
std::optional<Asset> parse_asset(std::string_view text);

// Appends `units` as the chain writes an asset of that precision and symbol: "12.3400 TOK".
void append_asset(std::string& out, std::uint64_t units, std::uint8_t precision,
                  std::string_view symbol);

// Appends `value` in decimal.
void append_decimal128(std::string& out, Uint128 value);

// A JSON amount (integer or fraction) in sub-units of `precision`, rounded to the nearest
// sub-unit. An amount above max_asset_units by no more than a float's rounding of it (2^-23 of it
// and one sub-unit: the history index stores amounts as floats, and 2^62 - 1 reads back as 2^62)
// is max_asset_units. None for a negative, non-finite or larger amount, or a precision above 18.
std::optional<std::uint64_t> amount_units(const JsonNumber& amount, std::uint8_t precision);

// floor(10000 x part / whole) in basis points; none when `whole` is 0.
std::optional<Uint128> share_bp(Uint128 part, std::uint64_t whole);

// share_bp held to 10000: a part can exceed its whole only by the rounding of the figures.
std::optional<Uint128> capped_share_bp(Uint128 part, std::uint64_t whole);

// The most that `units`, read back from a float, may lie above the true amount: 2^-23 of it and
// one sub-unit.
Uint128 float_rounding(std::uint64_t units);

// The room left under a cap, in basis points of the supply: floor(10000 x (max - supply) /
// supply); 0 when the supply has reached or passed the cap; none when no cap is recorded (max
// 0) or the supply is 0. Both must be sub-units of one precision: the counts do not carry it, so
// the caller keeps it.
std::optional<Uint128> headroom_bp(std::uint64_t supply_units, std::uint64_t max_units);

// The accounts that hold tokens for others, not for themselves: the exchange, the swap pools,
// the burn account. The token's own contract and its issuer are never among them.
inline constexpr std::string_view escrow_accounts[] = {"dex", "proton.swaps", "token.burn"};

struct HolderUnits {
  std::string_view owner;
  std::uint64_t units = 0;
};

// True when the holders together hold no more than the supply plus the float_rounding of each
// holder's amount: distinct accounts cannot hold more than all there is.
bool within_float_rounding(std::span<const HolderUnits> holders, std::uint64_t supply_units);

// The share of the supply held by the ten largest holders that are not escrow accounts, held to
// 10000; none when the supply is 0. The holders need not be in order.
std::optional<Uint128> top_ten_share_bp(std::span<const HolderUnits> holders,
                                        std::uint64_t supply_units);

}  // namespace tarnwick
