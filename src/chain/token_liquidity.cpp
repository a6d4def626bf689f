#include "chain/token_liquidity.h"

#include <algorithm>
#include <map>
#include <variant>

#include "chain/chain_requests.h"
#include "chain/evidence_replies.h"
#include "chain/pool_rows.h"
#include "chain/token_facts.h"
#include "chain/token_symbol.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

using Clock = std::chrono::steady_clock;

// The reads of one answer, counted and timed against the settings.
class Reads {
 public:
  Reads(const LiquiditySettings& settings, const ChainClient& client)
      : settings_(settings), client_(client), start_(Clock::now()) {}

  // Why no further read may start; empty while one may.
  std::string_view refusal() const {
    if (count_ >= settings_.max_reads) return "read limit reached";
    if (Clock::now() - start_ + settings_.read_deadline > settings_.total_time) {
      return "time limit reached";
    }
    return {};
  }

  // One read; REQUIRES: refusal() is empty.
  ReadOutcome post(std::string_view url, std::string_view body) {
    ++count_;
    return client_.post_json(url, body);
  }

  const ChainClient& client() const { return client_; }
  std::uint32_t count() const { return count_; }

 private:
  const LiquiditySettings& settings_;
  const ChainClient& client_;
  Clock::time_point start_;
  std::uint32_t count_ = 0;
};

LiquidityVenue named_venue(std::string_view name) {
  LiquidityVenue venue;
  venue.venue = std::string(name);
  return venue;
}

// The status that tells least of the two wins: unavailable over capped over read.
void mark(LiquidityVenue& venue, VenueStatus status, std::string_view why) {
  if (static_cast<int>(status) <= static_cast<int>(venue.status)) return;
  venue.status = status;
  venue.why = std::string(why);
}

struct PageQuery {
  std::string_view code;
  std::string scope;
  std::string_view table;
  std::string lower;
  std::string upper;
  bool reverse = false;
};

// Reads pages of a table until it ends, `keep(page)` returns false (it has what it needs) or the
// bound stops it, which marks the venue capped. A failed read or an unreadable page marks it
// unavailable, `what` naming the table. True when the table was read to its end or keep stopped.
//
// A node that names as the next page a bound this read already used would have it read the same
// rows again: the venue is capped there instead.
template <class Row, class ReadPage, class Keep>
bool read_pages(Reads& reads, LiquidityVenue& venue, PageQuery query, PageBound bound,
                std::string_view what, ReadPage read_page, Keep keep) {
  std::vector<std::string> bounds_used;
  for (std::uint32_t page_number = 0;; ++page_number) {
    if (page_number == bound.pages) {
      mark(venue, VenueStatus::capped, "page limit reached");
      return false;
    }
    if (const std::string_view refusal = reads.refusal(); !refusal.empty()) {
      mark(venue, VenueStatus::capped, refusal);
      return false;
    }
    const ReadOutcome outcome =
        reads.post(get_table_rows_url(reads.client().base_url()),
                   table_page_body(query.code, query.scope, query.table, query.lower, query.upper,
                                   bound.rows, query.reverse));
    const std::string* reply = std::get_if<std::string>(&outcome);
    if (reply == nullptr) {
      mark(venue, VenueStatus::unavailable, std::string(what) + ": read failed");
      return false;
    }
    const RowsPage<Row> page = read_page(*reply);
    if (!page.why.empty()) {
      mark(venue, VenueStatus::unavailable,
           page.why == row_shape_not_recognised ? page.why : std::string(what) + ": " + page.why);
      return false;
    }
    if (!keep(page) || !page.more) return true;
    if (page.next_key.empty()) {
      mark(venue, VenueStatus::capped, "the node gave no next key");
      return false;
    }
    std::string& next_bound = query.reverse ? query.upper : query.lower;
    bounds_used.push_back(next_bound);
    if (std::find(bounds_used.begin(), bounds_used.end(), page.next_key) != bounds_used.end()) {
      mark(venue, VenueStatus::capped, "the node repeated a next key");
      return false;
    }
    next_bound = page.next_key;
  }
}

// The key of a row of a table read by pages (the AMM pools, the positions).
std::uint64_t row_key(const LiquidityPool& pool) { return pool.id; }
std::uint64_t row_key(const AlcorPoolRow& row) { return row.pool.id; }
std::uint64_t row_key(const PositionRow& row) { return row.id; }

// Appends `make(row)` for each row of a page whose key no row kept already has: a row a node
// sends twice is counted once.
template <class Row, class Kept, class Make>
void append_new(std::vector<Kept>& kept, const std::vector<Row>& rows, Make make) {
  for (const Row& row : rows) {
    const bool known = std::any_of(kept.begin(), kept.end(),
                                   [&](const Kept& held) { return row_key(held) == row_key(row); });
    if (!known) kept.push_back(make(row));
  }
}

const auto as_is = [](const auto& row) { return row; };

std::string decimal(std::uint64_t value) {
  std::string out;
  append_decimal128(out, value);
  return out;
}

// The symbol: the market row (when none is requested) and the contract's symbols.
SymbolChoice resolve_symbol(Reads& reads, JsonReader& reader, std::string_view token,
                            const std::optional<std::string>& requested) {
  const ChainClient& client = reads.client();
  std::optional<std::string> market;
  if (!requested && reads.refusal().empty()) {
    const ReadOutcome markets =
        reads.post(get_table_rows_url(client.base_url()), market_rows_body());
    if (const std::string* reply = std::get_if<std::string>(&markets)) {
      market = market_symbol(read_market(reader, *reply, token), token);
    }
  }
  ContractSymbols contract;
  if (const std::string_view refusal = reads.refusal(); !refusal.empty()) {
    contract.why = refusal;
  } else {
    const ReadOutcome scopes = reads.post(get_table_by_scope_url(client.base_url()),
                                          stat_scopes_body(token, contract_symbol_limit));
    const std::string* reply = std::get_if<std::string>(&scopes);
    contract = reply != nullptr
                   ? contract_symbols(reader, *reply)
                   : ContractSymbols{.symbols = {}, .more = false, .why = "read failed"};
  }
  return choose_symbol(requested, contract, market);
}

LiquidityVenue proton_swaps(Reads& reads, JsonReader& reader, const LiquiditySettings& settings,
                            std::string_view token, std::string_view symbol) {
  LiquidityVenue venue = named_venue("proton.swaps");
  const PageBound one_page{settings.swaps_rows, 1};
  read_pages<LiquidityPool>(
      reads, venue, PageQuery{"proton.swaps", "proton.swaps", "pools", "", "", false}, one_page,
      "pools",
      [&](std::string_view reply) { return proton_swaps_page(reader, reply, token, symbol); },
      [&](const RowsPage<LiquidityPool>& page) {
        venue.pools.insert(venue.pools.end(), page.rows.begin(), page.rows.end());
        return true;
      });
  return venue;
}

struct DexRead {
  LiquidityVenue venue = named_venue("simpledex");
  std::vector<std::uint64_t> ids;  // of every row read
};

DexRead simpledex(Reads& reads, JsonReader& reader, const LiquiditySettings& settings,
                  std::string_view token, std::string_view symbol) {
  DexRead dex;
  read_pages<LiquidityPool>(
      reads, dex.venue, PageQuery{"simpledex", "simpledex", "pools", "", "", false},
      settings.dex_pools, "pools",
      [&](std::string_view reply) { return simpledex_page(reader, reply, token, symbol, dex.ids); },
      [&](const RowsPage<LiquidityPool>& page) {
        append_new(dex.venue.pools, page.rows, as_is);
        return true;
      });
  return dex;
}

// The launch's curve (newest first, the first of the symbol). Before graduation the curve holds
// the launch's liquidity; after it, the SimpleDEX pool it graduated to does, read alone when the
// pages of `dex` did not reach it.
LiquidityVenue simplelaunch(Reads& reads, JsonReader& reader, const ScanContext& context,
                            const LiquiditySettings& settings, std::string_view token,
                            std::string_view symbol, DexRead& dex) {
  LiquidityVenue venue = named_venue("simplelaunch");
  if (token != launch_token_contract) return venue;
  std::optional<CurveRow> curve;
  read_pages<CurveRow>(
      reads, venue, PageQuery{"simplelaunch", "simplelaunch", "curves", "", "", true},
      settings.curves, "curves",
      [&](std::string_view reply) { return curves_page(reader, reply, symbol); },
      [&](const RowsPage<CurveRow>& page) {
        if (!page.rows.empty()) curve = page.rows.front();
        return !curve;
      });
  if (!curve) return venue;
  LaunchCurve& launch = venue.launch.emplace(curve->launch);
  launch.creator_listed = context.prior_rugs.contains(launch.creator);
  if (!launch.graduated) {
    LiquidityPool pool;
    pool.id = launch.id;
    pool.token.contract = std::string(token);
    pool.token.symbol = std::string(symbol);
    pool.pair = PoolSide{
        .contract = "eosio.token", .symbol = "XPR", .precision = 4, .units = curve->real_xpr};
    pool.active = true;
    pool.when_empty = share_curve;
    venue.pools.push_back(std::move(pool));
    return venue;
  }
  const std::uint64_t pool_id = launch.dex_pool_id;
  if (std::find(dex.ids.begin(), dex.ids.end(), pool_id) != dex.ids.end()) return venue;
  if (dex.venue.status == VenueStatus::read) return venue;  // read whole: there is no such pool
  const std::string bound = decimal(pool_id);
  read_pages<LiquidityPool>(
      reads, dex.venue, PageQuery{"simpledex", "simpledex", "pools", bound, bound, false},
      PageBound{1, 1}, "graduated pool",
      [&](std::string_view reply) { return simpledex_page(reader, reply, token, symbol, dex.ids); },
      [&](const RowsPage<LiquidityPool>& page) {
        for (const LiquidityPool& pool : page.rows) {
          if (pool.id == pool_id) dex.venue.pools.push_back(pool);
        }
        return false;  // one row asked for: a `more` after it is not this pool
      });
  return venue;
}

struct AlcorPool {
  AlcorPoolRow row;
  std::vector<PositionRow> positions;
  bool positions_whole = false;
};

std::uint64_t row_key(const AlcorPool& pool) { return pool.row.pool.id; }

bool burned_owner(std::string_view owner) {
  return std::find(std::begin(burn_accounts), std::end(burn_accounts), owner) !=
         std::end(burn_accounts);
}

// The shares of one pool from its positions: burned by owner, else locked while a lock's unlock
// time is after the head block time, else withdrawable; unknown what was not decided. The
// positions not read count as unknown for the pool's amount beyond those read.
void alcor_shares(AlcorPool& alcor, const std::map<std::uint64_t, std::int64_t>& unlocks,
                  bool locks_whole, std::optional<std::int64_t> head) {
  LiquidityPool& pool = alcor.row.pool;
  Uint128 read_units = 0;
  for (const PositionRow& position : alcor.positions) {
    const std::optional<PositionAmounts> amounts = position_amounts(
        position.tick_lower, position.tick_upper, alcor.row.sqrt_price_x64, position.liquidity);
    if (!amounts) continue;
    const std::uint64_t units = alcor.row.token_is_a ? amounts->a : amounts->b;
    read_units += units;
    ShareKind kind = share_unknown;
    const auto lock = unlocks.find(position.id);
    if (burned_owner(position.owner)) {
      kind = share_burned;
    } else if (lock != unlocks.end()) {
      if (lock->second > latest_time_text_seconds) {
        kind = share_locked;  // a time past the year 9999: a lock without an end
        pool.unlock_without_end = true;
      } else if (head && lock->second > *head) {
        kind = share_locked;
        if (!pool.earliest_unlock || lock->second < *pool.earliest_unlock) {
          pool.earliest_unlock = lock->second;
        }
      } else if (head) {
        kind = share_withdrawable;
      }
    } else if (locks_whole) {
      kind = share_withdrawable;
    }
    pool.shares[kind] += units;
  }
  const std::uint64_t pooled = pool.token.units.value_or(0);
  if (!alcor.positions_whole && pooled > read_units)
    pool.shares[share_unknown] += pooled - read_units;
  pool.positions_read = static_cast<std::uint32_t>(alcor.positions.size());
}

LiquidityVenue swap_alcor(Reads& reads, JsonReader& reader, const LiquiditySettings& settings,
                          std::string_view token, std::string_view symbol) {
  LiquidityVenue venue = named_venue("swap.alcor");
  std::vector<AlcorPool> pools;
  read_pages<AlcorPoolRow>(
      reads, venue, PageQuery{"swap.alcor", "swap.alcor", "pools", "", "", true},
      settings.alcor_pools, "pools",
      [&](std::string_view reply) { return alcor_pools_page(reader, reply, token, symbol); },
      [&](const RowsPage<AlcorPoolRow>& page) {
        append_new(pools, page.rows, [](const AlcorPoolRow& row) {
          return AlcorPool{.row = row, .positions = {}, .positions_whole = false};
        });
        return true;
      });
  if (venue.status == VenueStatus::unavailable) return venue;

  std::optional<std::uint64_t> lowest;
  std::optional<std::uint64_t> highest;
  for (AlcorPool& pool : pools) {
    pool.positions_whole = read_pages<PositionRow>(
        reads, venue,
        PageQuery{"swap.alcor", decimal(pool.row.pool.id), "positions", "", "", false},
        settings.positions, "positions",
        [&](std::string_view reply) { return positions_page(reader, reply); },
        [&](const RowsPage<PositionRow>& page) {
          append_new(pool.positions, page.rows, as_is);
          return true;
        });
    for (const PositionRow& position : pool.positions) {
      lowest = std::min(lowest.value_or(position.id), position.id);
      highest = std::max(highest.value_or(position.id), position.id);
    }
  }

  std::map<std::uint64_t, std::int64_t> unlocks;  // the latest unlock time of each position
  bool locks_whole = true;
  if (lowest) {
    locks_whole = read_pages<LockRow>(
        reads, venue,
        PageQuery{"swap.alcor", "swap.alcor", "locks", decimal(*lowest), decimal(*highest), false},
        settings.locks, "locks", [&](std::string_view reply) { return locks_page(reader, reply); },
        [&](const RowsPage<LockRow>& page) {
          for (const LockRow& lock : page.rows) {
            const auto [at, added] = unlocks.emplace(lock.position, lock.unlock);
            if (!added) at->second = std::max(at->second, lock.unlock);
          }
          return true;
        });
  }
  std::optional<std::int64_t> head;
  if (!unlocks.empty()) {
    if (const std::string_view refusal = reads.refusal(); !refusal.empty()) {
      mark(venue, VenueStatus::capped, refusal);
    } else {
      const ReadOutcome info = reads.post(get_info_url(reads.client().base_url()), "{}");
      const std::string* reply = std::get_if<std::string>(&info);
      head = reply != nullptr ? head_block_seconds(reader, *reply) : std::nullopt;
      if (!head) mark(venue, VenueStatus::unavailable, "get_info: no head block time");
    }
  }
  for (AlcorPool& pool : pools) {
    alcor_shares(pool, unlocks, locks_whole, head);
    venue.pools.push_back(std::move(pool.row.pool));
  }
  return venue;
}

}  // namespace

LiquidityReport gather_liquidity(const LiquiditySettings& settings, const ScanContext& context,
                                 std::string_view token,
                                 const std::optional<std::string>& requested) {
  JsonReader reader;
  return gather_liquidity(settings, context, token, requested, reader);
}

LiquidityReport gather_liquidity(const LiquiditySettings& settings, const ScanContext& context,
                                 std::string_view token,
                                 const std::optional<std::string>& requested, JsonReader& reader) {
  Reads reads(settings, context.client);
  LiquidityReport report;
  report.token = std::string(token);
  const SymbolChoice choice = resolve_symbol(reads, reader, token, requested);
  report.symbol = choice.symbol;
  report.symbol_why = choice.why;
  report.symbols = choice.symbols;
  report.symbols_more = choice.more;
  report.shared = choice.shared;
  if (!choice.shared) {
    report.shared_counted_as =
        choice.symbol ? shared_unknown_pools_of_symbol : shared_unknown_no_venue;
  }
  if (!choice.symbol) {
    for (const std::string_view venue :
         {"proton.swaps", "simpledex", "simplelaunch", "swap.alcor"}) {
      LiquidityVenue& unread = report.venues.emplace_back(named_venue(venue));
      unread.status = VenueStatus::unavailable;
      unread.why = choice.why;
    }
    report.reads = reads.count();
    return report;
  }
  const std::string& symbol = *choice.symbol;
  report.venues.push_back(proton_swaps(reads, reader, settings, token, symbol));
  DexRead dex = simpledex(reads, reader, settings, token, symbol);
  LiquidityVenue launch = simplelaunch(reads, reader, context, settings, token, symbol, dex);
  report.venues.push_back(std::move(dex.venue));
  report.venues.push_back(std::move(launch));
  report.venues.push_back(swap_alcor(reads, reader, settings, token, symbol));
  report.reads = reads.count();
  return report;
}

}  // namespace tarnwick
