#include "assess/liquidity.h"

#include <algorithm>
#include <cmath>

#include "assess/json_members.h"
#include "assess/renderings.h"
#include "common/calendar.h"
#include "common/text.h"

namespace tarnwick {
namespace {

// The amount as an asset text at the side's precision, or null when not known.
void append_side_amount(std::string& out, const PoolSide& side) {
  if (!side.units) {
    out += "null";
    return;
  }
  out += '"';
  append_asset(out, *side.units, side.precision, side.symbol);
  out += '"';
}

void append_shares(std::string& out, const ShareBp& bp) {
  out += '{';
  for (std::size_t kind = 0; kind < share_kind_count; ++kind) {
    if (kind > 0) out += ',';
    append_json_quoted(out, share_names[kind]);
    out += ':';
    append_decimal(out, bp[kind]);
  }
  out += '}';
}

void append_unlock(std::string& out, const std::optional<std::int64_t>& seconds) {
  if (seconds) {
    append_json_quoted(out, utc_time_text(*seconds));
  } else {
    out += "null";
  }
}

void append_pool(std::string& out, const LiquidityPool& pool) {
  out += '{';
  if (pool.keyed_by_symbol) {
    out += "\"lt_symbol\":";
    append_json_quoted(out, pool.lt_symbol);
  } else {
    out += "\"id\":";
    append_decimal128(out, pool.id);
  }
  out += ",\"pair\":{\"contract\":";
  append_json_quoted(out, pool.pair.contract);
  append_text_member(out, "symbol", pool.pair.symbol);
  out += '}';
  append_key(out, "token_amount");
  append_side_amount(out, pool.token);
  append_key(out, "pair_amount");
  append_side_amount(out, pool.pair);
  append_bool_member(out, "active", pool.active);
  append_key(out, "shares");
  append_shares(out, split_bp(pool.shares, pool.when_empty));
  append_key(out, "earliest_unlock");
  append_unlock(out, pool.earliest_unlock);
  if (pool.unlock_without_end) append_bool_member(out, "unlock_without_end", true);
  if (pool.positions_read) {
    append_key(out, "positions_read");
    append_decimal(out, *pool.positions_read);
  }
  if (!pool.note.empty()) append_text_member(out, "note", pool.note);
  out += '}';
}

void append_launch(std::string& out, const std::optional<LaunchCurve>& launch) {
  append_key(out, "launch");
  if (!launch) {
    out += "null";
    return;
  }
  out += "{\"id\":";
  append_decimal128(out, launch->id);
  append_text_member(out, "creator", launch->creator);
  append_bool_member(out, "creator_prior_rug", launch->creator_listed);
  append_bool_member(out, "graduated", launch->graduated);
  append_key(out, "dex_pool_id");
  if (launch->graduated) {
    append_decimal128(out, launch->dex_pool_id);
  } else {
    out += "null";
  }
  out += '}';
}

std::string_view status_name(VenueStatus status) {
  switch (status) {
    case VenueStatus::read: return "read";
    case VenueStatus::capped: return "capped";
    case VenueStatus::unavailable: return "unavailable";
  }
  return "unavailable";
}

void append_venue(std::string& out, const LiquidityVenue& venue) {
  out += "{\"venue\":";
  append_json_quoted(out, venue.venue);
  append_text_member(out, "status", status_name(venue.status));
  if (venue.status != VenueStatus::read) append_text_member(out, "why", venue.why.text);
  out += ",\"pools\":[";
  for (std::size_t i = 0; i < venue.pools.size(); ++i) {
    if (i > 0) out += ',';
    append_pool(out, venue.pools[i]);
  }
  out += ']';
  if (venue.venue == "simplelaunch") append_launch(out, venue.launch);
  out += '}';
}

// The pools of every venue together: how many, the sum of the token amounts known and their
// shares (only amounts of the first known precision are added: a token has one precision, and a
// row claiming another is not summed with it), and whether every venue was read.
void append_totals(std::string& out, const LiquidityReport& report) {
  std::size_t pools = 0;
  std::optional<PoolSide> sum;
  ShareUnits shares{};
  bool all_read = true;
  for (const LiquidityVenue& venue : report.venues) {
    all_read = all_read && venue.status == VenueStatus::read;
    for (const LiquidityPool& pool : venue.pools) {
      ++pools;
      if (!pool.token.units) continue;
      if (!sum) {
        sum = pool.token;
        sum->units = 0;
      }
      if (pool.token.precision != sum->precision) continue;
      sum->units = std::min<std::uint64_t>(max_asset_units, *sum->units + *pool.token.units);
      const ShareBp bp = split_bp(pool.shares, pool.when_empty);
      // Each pool's shares weigh by its token amount, so an empty pool weighs nothing.
      for (std::size_t kind = 0; kind < share_kind_count; ++kind) {
        shares[kind] += Uint128{bp[kind]} * *pool.token.units;
      }
    }
  }
  out += ",\"totals\":{\"pools\":";
  append_decimal128(out, pools);
  append_key(out, "token_amount");
  if (sum) {
    append_side_amount(out, *sum);
  } else {
    out += "null";
  }
  append_key(out, "shares");
  if (sum && *sum->units > 0) {
    append_shares(out, split_bp(shares, share_unknown));
  } else {
    out += "null";
  }
  append_bool_member(out, "all_read", all_read);
  out += '}';
}

long double sqrt_price_at(std::int64_t tick) {
  return std::pow(1.0001L, static_cast<long double>(tick) / 2.0L);
}

std::uint64_t round_down(long double amount) {
  if (!(amount > 0.0L)) return 0;  // negative, zero and NaN
  if (amount >= static_cast<long double>(max_asset_units)) return max_asset_units;
  return static_cast<std::uint64_t>(std::floor(amount));
}

}  // namespace

std::optional<PositionAmounts> position_amounts(std::int64_t tick_lower, std::int64_t tick_upper,
                                                Uint128 sqrt_price_x64, Uint128 liquidity) {
  if (tick_lower >= tick_upper) return std::nullopt;
  const long double a = sqrt_price_at(tick_lower);
  const long double b = sqrt_price_at(tick_upper);
  const long double s = std::ldexp(static_cast<long double>(sqrt_price_x64), -64);
  const auto l = static_cast<long double>(liquidity);
  if (s <= a) return PositionAmounts{.a = round_down(l * (b - a) / (a * b)), .b = 0};
  if (s >= b) return PositionAmounts{.a = 0, .b = round_down(l * (b - a))};
  return PositionAmounts{.a = round_down(l * (b - s) / (s * b)), .b = round_down(l * (s - a))};
}

ShareBp split_bp(const ShareUnits& parts, ShareKind when_empty) {
  ShareBp bp{};
  Uint128 whole = 0;
  for (const Uint128 part : parts) whole += part;
  if (whole == 0) {
    bp[when_empty] = 10000;
    return bp;
  }
  std::array<Uint128, share_kind_count> remainders{};
  std::uint32_t given = 0;
  for (std::size_t kind = 0; kind < share_kind_count; ++kind) {
    const Uint128 scaled = parts[kind] * 10000;
    bp[kind] = static_cast<std::uint32_t>(scaled / whole);
    remainders[kind] = scaled % whole;
    given += bp[kind];
  }
  for (; given < 10000; ++given) {
    std::size_t largest = 0;
    for (std::size_t kind = 1; kind < share_kind_count; ++kind) {
      if (remainders[kind] > remainders[largest]) largest = kind;
    }
    ++bp[largest];
    remainders[largest] = 0;
  }
  return bp;
}

void add_position_shares(LiquidityPool& pool, std::span<const Position> positions,
                         Uint128 sqrt_price_x64, bool token_is_a, bool positions_whole,
                         const PositionLocks& locks) {
  Uint128 read_units = 0;
  for (const Position& position : positions) {
    const std::optional<PositionAmounts> amounts = position_amounts(
        position.tick_lower, position.tick_upper, sqrt_price_x64, position.liquidity);
    if (!amounts) continue;
    const std::uint64_t units = token_is_a ? amounts->a : amounts->b;
    read_units += units;
    ShareKind kind = share_unknown;
    const auto lock = locks.unlocks.find(position.id);
    if (position.burned) {
      kind = share_burned;
    } else if (lock != locks.unlocks.end()) {
      if (lock->second > latest_time_text_seconds) {
        kind = share_locked;  // a time past the year 9999: a lock without an end
        pool.unlock_without_end = true;
      } else if (locks.head && lock->second > *locks.head) {
        kind = share_locked;
        if (!pool.earliest_unlock || lock->second < *pool.earliest_unlock) {
          pool.earliest_unlock = lock->second;
        }
      } else if (locks.head) {
        kind = share_withdrawable;
      }
    } else if (locks.whole) {
      kind = share_withdrawable;
    }
    pool.shares[kind] += units;
  }
  const std::uint64_t pooled = pool.token.units.value_or(0);
  if (!positions_whole && pooled > read_units) pool.shares[share_unknown] += pooled - read_units;
  pool.positions_read = static_cast<std::uint32_t>(positions.size());
}

std::string liquidity_json(const LiquidityReport& report) {
  std::string out = "{\"version\":1,\"token\":";
  append_json_quoted(out, report.token);
  append_key(out, "symbol");
  if (report.symbol) {
    append_json_quoted(out, *report.symbol);
  } else {
    out += "null";
    append_text_member(out, "why", report.symbol_why.text);
  }
  append_key(out, "symbols");
  append_text_list(out, report.symbols);
  append_bool_member(out, "symbols_more", report.symbols_more);
  append_key(out, "shared");
  out += !report.shared ? "null" : *report.shared ? "true" : "false";
  append_key(out, "shared_counted_as");
  if (report.shared) {
    out += "null";
  } else {
    append_json_quoted(out, report.shared_counted_as);
  }
  out += ",\"venues\":[";
  for (std::size_t i = 0; i < report.venues.size(); ++i) {
    if (i > 0) out += ',';
    append_venue(out, report.venues[i]);
  }
  out += ']';
  append_totals(out, report);
  append_key(out, "reads");
  append_decimal(out, report.reads);
  out += '}';
  return out;
}

}  // namespace tarnwick
