#include "chain/token_liquidity.h"

#include <algorithm>
#include <map>
#include <variant>

#include "chain/account_reply.h"
#include "chain/chain_info_reply.h"
#include "chain/chain_requests.h"
#include "chain/code_hash_reply.h"
#include "chain/creator_reply.h"
#include "chain/currency_stats_reply.h"
#include "chain/history_reply.h"
#include "chain/market_reply.h"
#include "chain/pool_tables.h"
#include "chain/read_session.h"
#include "chain/reputation_reply.h"
#include "chain/scan_values.h"
#include "chain/stat_scopes_reply.h"
#include "chain/token_symbol.h"
#include "chain/top_holders_reply.h"
#include "common/calendar.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

using Clock = std::chrono::steady_clock;

LiquidityVenue named_venue(std::string_view name) {
  LiquidityVenue venue;
  venue.venue = std::string(name);
  return venue;
}

// The status that tells least of the two wins: unavailable over capped over read.
void mark(LiquidityVenue& venue, VenueStatus status, Reason why) {
  if (static_cast<int>(status) <= static_cast<int>(venue.status)) return;
  venue.status = status;
  venue.why = std::move(why);
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
bool read_pages(ReadSession& session, LiquidityVenue& venue, PageQuery query, PageBound bound,
                std::string_view what, ReadPage read_page, Keep keep) {
  std::vector<std::string> bounds_used;
  for (std::uint32_t page_number = 0;; ++page_number) {
    if (page_number == bound.pages) {
      mark(venue, VenueStatus::capped, reason(ReasonCode::over_budget, "page limit reached"));
      return false;
    }
    const Reading reading = session.read(
        table_rows_request(table_page_body(query.code, query.scope, query.table, query.lower,
                                           query.upper, bound.rows, query.reverse)));
    if (reading.why.code == ReasonCode::over_budget) {
      mark(venue, VenueStatus::capped, reading.why);
      return false;
    }
    if (!reading.reply) {
      mark(venue, VenueStatus::unavailable,
           reason(reading.why.code, std::string(what) + ": " + reading.why.text));
      return false;
    }
    const RowsPage<Row> page = read_page(*reading.reply);
    if (!page.why.empty()) {
      mark(venue, VenueStatus::unavailable,
           page.why.code == ReasonCode::row_not_recognised
               ? page.why
               : reason(page.why.code, std::string(what) + ": " + page.why.text));
      return false;
    }
    if (!keep(page) || !page.more) return true;
    if (page.next_key.empty()) {
      mark(venue, VenueStatus::capped,
           reason(ReasonCode::shape_not_recognised, "the node gave no next key"));
      return false;
    }
    std::string& next_bound = query.reverse ? query.upper : query.lower;
    bounds_used.push_back(next_bound);
    if (std::find(bounds_used.begin(), bounds_used.end(), page.next_key) != bounds_used.end()) {
      mark(venue, VenueStatus::capped,
           reason(ReasonCode::shape_not_recognised, "the node repeated a next key"));
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
SymbolChoice resolve_symbol(ReadSession& session, std::string_view token,
                            const std::optional<std::string>& requested) {
  std::optional<std::string> market;
  if (!requested && session.refusal().empty()) {
    const Reading markets = session.read(table_rows_request(market_rows_body()));
    if (markets.reply)
      market = market_symbol(read_market(session.reader(), *markets.reply, token), token);
  }
  return choose_symbol(requested, read_contract_symbols(session, token), market);
}

LiquidityVenue proton_swaps(ReadSession& session, const LiquiditySettings& settings,
                            std::string_view token, std::string_view symbol) {
  LiquidityVenue venue = named_venue("proton.swaps");
  const PageBound one_page{settings.swaps_rows, 1};
  read_pages<LiquidityPool>(
      session, venue, PageQuery{"proton.swaps", "proton.swaps", "pools", "", "", false}, one_page,
      "pools",
      [&](std::string_view reply) {
        return proton_swaps_page(session.reader(), reply, token, symbol);
      },
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

DexRead simpledex(ReadSession& session, const LiquiditySettings& settings, std::string_view token,
                  std::string_view symbol) {
  DexRead dex;
  read_pages<LiquidityPool>(
      session, dex.venue, PageQuery{"simpledex", "simpledex", "pools", "", "", false},
      settings.dex_pools, "pools",
      [&](std::string_view reply) {
        return simpledex_page(session.reader(), reply, token, symbol, dex.ids);
      },
      [&](const RowsPage<LiquidityPool>& page) {
        append_new(dex.venue.pools, page.rows, as_is);
        return true;
      });
  return dex;
}

// The launch's curve (newest first, the first of the symbol). Before graduation the curve holds
// the launch's liquidity; after it, the SimpleDEX pool it graduated to does, read alone when the
// pages of `dex` did not reach it.
LiquidityVenue simplelaunch(ReadSession& session, const ScanContext& context,
                            const LiquiditySettings& settings, std::string_view token,
                            std::string_view symbol, DexRead& dex) {
  LiquidityVenue venue = named_venue("simplelaunch");
  if (token != launch_token_contract) return venue;
  std::optional<CurveRow> curve;
  read_pages<CurveRow>(
      session, venue, PageQuery{"simplelaunch", "simplelaunch", "curves", "", "", true},
      settings.curves, "curves",
      [&](std::string_view reply) { return curves_page(session.reader(), reply, symbol); },
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
      session, dex.venue, PageQuery{"simpledex", "simpledex", "pools", bound, bound, false},
      PageBound{1, 1}, "graduated pool",
      [&](std::string_view reply) {
        return simpledex_page(session.reader(), reply, token, symbol, dex.ids);
      },
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

LiquidityVenue swap_alcor(ReadSession& session, const LiquiditySettings& settings,
                          std::string_view token, std::string_view symbol) {
  LiquidityVenue venue = named_venue("swap.alcor");
  std::vector<AlcorPool> pools;
  read_pages<AlcorPoolRow>(
      session, venue, PageQuery{"swap.alcor", "swap.alcor", "pools", "", "", true},
      settings.alcor_pools, "pools",
      [&](std::string_view reply) {
        return alcor_pools_page(session.reader(), reply, token, symbol);
      },
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
        session, venue,
        PageQuery{"swap.alcor", decimal(pool.row.pool.id), "positions", "", "", false},
        settings.positions, "positions",
        [&](std::string_view reply) { return positions_page(session.reader(), reply); },
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
        session, venue,
        PageQuery{"swap.alcor", "swap.alcor", "locks", decimal(*lowest), decimal(*highest), false},
        settings.locks, "locks",
        [&](std::string_view reply) { return locks_page(session.reader(), reply); },
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
    const Reading info = session.read(info_request());
    if (info.why.code == ReasonCode::over_budget) {
      mark(venue, VenueStatus::capped, info.why);
    } else {
      head = info.reply ? head_block_seconds(session.reader(), *info.reply) : std::nullopt;
      if (!head) {
        mark(venue, VenueStatus::unavailable,
             reason(info.reply ? ReasonCode::shape_not_recognised : info.why.code,
                    "get_info: no head block time"));
      }
    }
  }
  const PositionLocks locks{.unlocks = std::move(unlocks), .whole = locks_whole, .head = head};
  for (AlcorPool& pool : pools) {
    std::vector<Position> positions;
    for (const PositionRow& row : pool.positions) {
      positions.push_back(Position{.id = row.id,
                                   .burned = burned_owner(row.owner),
                                   .tick_lower = row.tick_lower,
                                   .tick_upper = row.tick_upper,
                                   .liquidity = row.liquidity});
    }
    add_position_shares(pool.row.pool, positions, pool.row.sqrt_price_x64, pool.row.token_is_a,
                        pool.positions_whole, locks);
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
  ClientTransport transport(context.client);
  ReadSession session(transport, reader, liquidity_budget(settings));
  return gather_liquidity(settings, context, token, requested, session);
}

LiquidityReport gather_liquidity(const LiquiditySettings& settings, const ScanContext& context,
                                 std::string_view token,
                                 const std::optional<std::string>& requested,
                                 ReadSession& session) {
  LiquidityReport report;
  report.token = std::string(token);
  const SymbolChoice choice = resolve_symbol(session, token, requested);
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
    report.reads = session.reads();
    return report;
  }
  const std::string& symbol = *choice.symbol;
  report.venues.push_back(proton_swaps(session, settings, token, symbol));
  DexRead dex = simpledex(session, settings, token, symbol);
  LiquidityVenue launch = simplelaunch(session, context, settings, token, symbol, dex);
  report.venues.push_back(std::move(dex.venue));
  report.venues.push_back(std::move(launch));
  report.venues.push_back(swap_alcor(session, settings, token, symbol));
  report.reads = session.reads();
  return report;
}

ReadBudget liquidity_budget(const LiquiditySettings& settings) {
  return {settings.max_reads, settings.total_time, settings.read_deadline};
}

}  // namespace tarnwick
