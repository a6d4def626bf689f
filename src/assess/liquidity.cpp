#include "assess/liquidity.h"

#include <algorithm>
#include <cmath>

#include "assess/json_writer.h"
#include "assess/token_answer.h"
#include "common/calendar.h"

namespace tarnwick {
namespace {

// The amount as an asset text at the side's precision; none (null) when not known.
std::optional<std::string> side_amount(const PoolSide& side) {
  if (!side.units) return std::nullopt;
  std::string text;
  append_asset(text, *side.units, side.precision, side.symbol);
  return text;
}

// {"locked":bp,"burned":bp,...} in the order of share_names.
void write_shares(JsonObject& parent, std::string_view key, const ShareBp& bp) {
  JsonObject out = parent.object(key);
  for (std::size_t kind = 0; kind < share_kind_count; ++kind) {
    out.member(share_names[kind], bp[kind]);
  }
}

// The time as UTC text; none (null) without one.
std::optional<std::string> unlock_text(const std::optional<std::int64_t>& seconds) {
  if (!seconds) return std::nullopt;
  return utc_time_text(*seconds);
}

void write_pair(JsonObject& pool, const PoolSide& pair) {
  JsonObject out = pool.object("pair");
  out.member("contract", pair.contract);
  out.member("symbol", pair.symbol);
}

void write_pool(JsonObject& out, const LiquidityPool& pool) {
  if (pool.keyed_by_symbol) {
    out.member("lt_symbol", pool.lt_symbol);
  } else {
    out.member("id", pool.id);
  }
  write_pair(out, pool.pair);
  out.member("token_amount", side_amount(pool.token));
  out.member("pair_amount", side_amount(pool.pair));
  out.member("active", pool.active);
  write_shares(out, "shares", split_bp(pool.shares, pool.when_empty));
  out.member("earliest_unlock", unlock_text(pool.earliest_unlock));
  if (pool.unlock_without_end) out.member("unlock_without_end", true);
  if (pool.positions_read) out.member("positions_read", *pool.positions_read);
  if (!pool.note.empty()) out.member("note", pool.note);
}

void write_pools(JsonObject& venue, const std::vector<LiquidityPool>& pools) {
  JsonArray list = venue.array("pools");
  for (const LiquidityPool& pool : pools) {
    JsonObject item = list.object();
    write_pool(item, pool);
  }
}

void write_launch(JsonObject& venue, const std::optional<LaunchCurve>& launch) {
  if (!launch) {
    venue.member("launch", std::nullopt);
    return;
  }
  JsonObject out = venue.object("launch");
  out.member("id", launch->id);
  out.member("creator", launch->creator);
  out.member("creator_prior_rug", launch->creator_listed);
  out.member("graduated", launch->graduated);
  out.member("dex_pool_id", launch->graduated ? std::optional(launch->dex_pool_id) : std::nullopt);
}

std::string_view status_name(VenueStatus status) {
  switch (status) {
    case VenueStatus::read: return "read";
    case VenueStatus::capped: return "capped";
    case VenueStatus::unavailable: return "unavailable";
  }
  return "unavailable";
}

void write_venue(JsonObject& out, const LiquidityVenue& venue) {
  out.member("venue", venue.venue);
  out.member("status", status_name(venue.status));
  if (venue.status != VenueStatus::read) out.member("why", venue.why.text);
  write_pools(out, venue.pools);
  if (venue.venue == "simplelaunch") write_launch(out, venue.launch);
}

void write_venues(JsonObject& answer, const std::vector<LiquidityVenue>& venues) {
  JsonArray list = answer.array("venues");
  for (const LiquidityVenue& venue : venues) {
    JsonObject item = list.object();
    write_venue(item, venue);
  }
}

// The pools of every venue together: how many, the sum of the token amounts known and their
// shares (only amounts of the first known precision are added: a token has one precision, and a
// row claiming another is not summed with it), and whether every venue was read.
void write_totals(JsonObject& answer, const LiquidityReport& report) {
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
  JsonObject out = answer.object("totals");
  out.member("pools", pools);
  out.member("token_amount", sum ? side_amount(*sum) : std::nullopt);
  if (sum && *sum->units > 0) {
    write_shares(out, "shares", split_bp(shares, share_unknown));
  } else {
    out.member("shares", std::nullopt);
  }
  out.member("all_read", all_read);
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
  std::string out;
  {
    JsonObject answer(out);
    write_token_head(answer, 1, report.token);
    answer.member("symbol", report.symbol);
    if (!report.symbol) answer.member("why", report.symbol_why.text);
    answer.member("symbols", report.symbols);
    answer.member("symbols_more", report.symbols_more);
    answer.member("shared", report.shared);
    answer.member("shared_counted_as", shared_counted_as(report.shared, report.shared_counted_as));
    write_venues(answer, report.venues);
    write_totals(answer, report);
    answer.member("reads", report.reads);
  }
  return out;
}

}  // namespace tarnwick
