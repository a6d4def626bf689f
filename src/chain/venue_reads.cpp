#include "chain/venue_reads.h"

#include <algorithm>
#include <map>
#include <utility>

#include "chain/chain_info_reply.h"
#include "chain/chain_requests.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

LiquidityVenue named_venue(std::string_view name) {
  LiquidityVenue venue;
  venue.venue = std::string(name);
  return venue;
}

// The status that tells least of the two wins: unavailable over capped over read.
void mark(LiquidityVenue& venue, VenueStatus status, const Reason& why) {
  if (static_cast<int>(status) <= static_cast<int>(venue.status)) return;
  venue.status = status;
  venue.why = why;
}

// How a table's reading ended marks its venue.
template <class Row>
void mark(LiquidityVenue& venue, const TablePages<Row>& pages) {
  if (pages.end == PagesEnd::capped) mark(venue, VenueStatus::capped, pages.why);
  if (pages.end == PagesEnd::unavailable) mark(venue, VenueStatus::unavailable, pages.why);
}

std::string decimal(std::uint64_t value) {
  std::string out;
  append_decimal128(out, value);
  return out;
}

bool burned_owner(std::string_view owner) {
  return std::find(std::begin(burn_accounts), std::end(burn_accounts), owner) !=
         std::end(burn_accounts);
}

// The launch's curve: the newest of the symbol.
std::optional<CurveRow> launch_curve(const TablePages<LaunchCurveRow>& curves,
                                     std::string_view symbol) {
  std::vector<CurveRow> launches = symbol_curves(curves.rows, symbol);
  if (launches.empty()) return std::nullopt;
  return std::move(launches.front());
}

bool holds_id(const std::vector<DexPoolRow>& rows, std::uint64_t id) {
  return std::any_of(rows.begin(), rows.end(), [&](const DexPoolRow& row) { return row.id == id; });
}

// The latest unlock time of each locked position.
std::map<std::uint64_t, std::int64_t> unlock_times(const std::vector<LockRow>& locks) {
  std::map<std::uint64_t, std::int64_t> unlocks;
  for (const LockRow& lock : locks) {
    const auto [at, added] = unlocks.emplace(lock.position, lock.unlock);
    if (!added) at->second = std::max(at->second, lock.unlock);
  }
  return unlocks;
}

}  // namespace

VenueReads add_venue_reads(ReadPlan& plan, PlanRead<std::optional<SymbolChoice>> choice,
                           const LiquiditySettings& settings, std::string_view token,
                           const std::vector<PlanIndex>& after) {
  std::vector<PlanIndex> first_needs = after;
  first_needs.push_back(choice);
  const auto symbol = [&plan, choice]() -> const std::optional<std::string>& {
    return plan[choice]->symbol;
  };
  const auto first_page = [symbol](const PageQuery& query) {
    return [symbol, query]() -> std::optional<PageQuery> {
      if (!symbol()) return std::nullopt;
      return query;
    };
  };
  VenueReads reads;
  reads.swaps = add_pages<SwapsPoolRow>(
      plan, first_needs, "pools", PageBound{settings.swaps_rows, 1},
      {.query = first_page({"proton.swaps", "proton.swaps", "pools", "", "", false}),
       .read_rows = proton_swaps_rows});
  const auto dex_key = [](const DexPoolRow& row) { return row.id; };
  reads.dex = add_pages<DexPoolRow>(
      plan, first_needs, "pools", settings.dex_pools,
      {.query = first_page({"simpledex", "simpledex", "pools", "", "", false}),
       .read_rows = simpledex_rows,
       .key = dex_key});
  const bool launchpad = token == launch_token_contract;
  reads.curves = add_pages<LaunchCurveRow>(
      plan, first_needs, "curves", settings.curves,
      {.query = [symbol, launchpad]() -> std::optional<PageQuery> {
         if (!launchpad || !symbol()) return std::nullopt;
         return PageQuery{"simplelaunch", "simplelaunch", "curves", "", "", true};
       },
       .read_rows = curve_rows,
       .enough =
           [symbol](const std::vector<LaunchCurveRow>& rows) {
             return std::any_of(rows.begin(), rows.end(),
                                [&](const LaunchCurveRow& row) { return row.symbol == *symbol(); });
           },
       .key = [](const LaunchCurveRow& row) { return row.id; }});
  reads.alcor = add_pages<ConcentratedPoolRow>(
      plan, first_needs, "pools", settings.alcor_pools,
      {.query = first_page({"swap.alcor", "swap.alcor", "pools", "", "", true}),
       .read_rows = alcor_pool_rows,
       .key = [](const ConcentratedPoolRow& row) { return row.id; }});

  // The graduated launch's pool, read alone when the SimpleDEX pages missed it (they were cut
  // short).
  const PlanRead<TablePages<DexPoolRow>> dex = reads.dex;
  const PlanRead<TablePages<LaunchCurveRow>> curves = reads.curves;
  reads.graduated = add_pages<DexPoolRow>(
      plan, {dex, curves}, "graduated pool", PageBound{1, 1},
      {.query = [&plan, dex, curves, symbol]() -> std::optional<PageQuery> {
         if (!symbol()) return std::nullopt;
         const std::optional<CurveRow> curve = launch_curve(plan[curves], *symbol());
         if (!curve || !curve->launch.graduated || plan[dex].end == PagesEnd::whole ||
             holds_id(plan[dex].rows, curve->launch.dex_pool_id)) {
           return std::nullopt;
         }
         const std::string bound = decimal(curve->launch.dex_pool_id);
         return PageQuery{"simpledex", "simpledex", "pools", bound, bound, false};
       },
       .read_rows = simpledex_rows,
       // One row asked for: a `more` after it is not this pool.
       .enough = [](const std::vector<DexPoolRow>&) { return true; }});

  const PlanRead<TablePages<ConcentratedPoolRow>> alcor_pages = reads.alcor;
  reads.alcor_token = plan.add_view<std::vector<AlcorPoolRow>>(
      {alcor_pages}, [&plan, alcor_pages, symbol, token](JsonReader&) {
        if (!symbol()) return std::vector<AlcorPoolRow>();
        return alcor_token_pools(plan[alcor_pages].rows, token, *symbol());
      });
  // The positions of each swap.alcor pool of the token found, the first position_pools of them.
  const auto alcor = reads.alcor_token;
  for (std::uint32_t k = 0; settings.read_shares && k < settings.position_pools; ++k) {
    reads.positions.push_back(add_pages<PositionRow>(
        plan, {alcor}, "positions", settings.positions,
        {.query = [&plan, alcor, alcor_pages, k]() -> std::optional<PageQuery> {
           const std::vector<AlcorPoolRow>& pools = *plan[alcor];
           // Pools that could not be read leave nothing to look into.
           if (plan[alcor_pages].end == PagesEnd::unavailable || k >= pools.size()) {
             return std::nullopt;
           }
           return PageQuery{"swap.alcor", decimal(pools[k].pool.id), "positions", "", "", false};
         },
         .read_rows = [](JsonReader& reader,
                         std::string_view reply) { return positions_page(reader, reply); },
         .key = [](const PositionRow& row) { return row.id; }}));
  }
  if (!settings.read_shares) return reads;
  // The locks of the positions read, once all are.
  const std::vector<PlanRead<TablePages<PositionRow>>> positions = reads.positions;
  std::vector<PlanIndex> every_position(positions.begin(), positions.end());
  every_position.push_back(alcor);
  reads.locks = add_pages<LockRow>(
      plan, std::move(every_position), "locks", settings.locks,
      {.query = [&plan, positions]() -> std::optional<PageQuery> {
         std::optional<std::uint64_t> lowest;
         std::optional<std::uint64_t> highest;
         for (const auto& read : positions) {
           for (const PositionRow& position : plan[read].rows) {
             lowest = std::min(lowest.value_or(position.id), position.id);
             highest = std::max(highest.value_or(position.id), position.id);
           }
         }
         if (!lowest) return std::nullopt;
         return PageQuery{"swap.alcor",     "swap.alcor",      "locks",
                          decimal(*lowest), decimal(*highest), false};
       },
       .read_rows = [](JsonReader& reader,
                       std::string_view reply) { return locks_page(reader, reply); }});
  const PlanRead<TablePages<LockRow>> locks = *reads.locks;
  reads.info = plan.add_one({locks}, [&plan, locks]() -> std::optional<ChainRequest> {
    if (plan[locks].rows.empty()) return std::nullopt;
    return info_request();
  });
  return reads;
}

std::vector<LiquidityVenue> venues_of(JsonReader& reader, const ReadPlan& plan,
                                      const VenueReads& reads, const ScanContext& context,
                                      std::string_view token, std::string_view symbol) {
  LiquidityVenue swaps = named_venue("proton.swaps");
  mark(swaps, plan[reads.swaps]);
  swaps.pools = swaps_token_pools(plan[reads.swaps].rows, token, symbol);

  LiquidityVenue dex = named_venue("simpledex");
  mark(dex, plan[reads.dex]);
  dex.pools = dex_token_pools(plan[reads.dex].rows, token, symbol);

  // The launch's curve (newest first, the first of the symbol). Before graduation the curve
  // holds the launch's liquidity; after it, the SimpleDEX pool it graduated to does.
  LiquidityVenue launch = named_venue("simplelaunch");
  mark(launch, plan[reads.curves]);
  if (const std::optional<CurveRow> curve = launch_curve(plan[reads.curves], symbol)) {
    LaunchCurve& read = launch.launch.emplace(curve->launch);
    read.creator_listed = context.prior_rugs.contains(read.creator);
    if (read.graduated) {
      const TablePages<DexPoolRow>& graduated = plan[reads.graduated];
      mark(dex, graduated);
      for (LiquidityPool& pool : dex_token_pools(graduated.rows, token, symbol)) {
        if (pool.id == read.dex_pool_id) dex.pools.push_back(std::move(pool));
      }
    } else {
      LiquidityPool pool;
      pool.id = read.id;
      pool.token.contract = std::string(token);
      pool.token.symbol = std::string(symbol);
      pool.pair = PoolSide{
          .contract = "eosio.token", .symbol = "XPR", .precision = 4, .units = curve->real_xpr};
      pool.active = true;
      pool.when_empty = share_curve;
      launch.pools.push_back(std::move(pool));
    }
  }

  LiquidityVenue alcor = named_venue("swap.alcor");
  const std::vector<AlcorPoolRow>& pools = *plan[reads.alcor_token];
  mark(alcor, plan[reads.alcor]);
  if (plan[reads.alcor].end == PagesEnd::unavailable) {
    return {std::move(swaps), std::move(dex), std::move(launch), std::move(alcor)};
  }
  for (const auto& read : reads.positions) mark(alcor, plan[read]);
  const bool shares = reads.locks.has_value();
  if (shares && pools.size() > reads.positions.size()) {
    mark(alcor, VenueStatus::capped, reason(ReasonCode::over_budget, "read limit reached"));
  }
  PositionLocks locks{.unlocks = {}, .whole = true, .head = std::nullopt};
  if (shares) {
    const TablePages<LockRow>& lock_pages = plan[*reads.locks];
    mark(alcor, lock_pages);
    locks.unlocks = unlock_times(lock_pages.rows);
    locks.whole = lock_pages.end == PagesEnd::not_needed || lock_pages.end == PagesEnd::whole;
  }
  if (const std::optional<Reading>& info = shares ? plan[*reads.info] : std::nullopt) {
    if (info->why.code == ReasonCode::over_budget) {
      mark(alcor, VenueStatus::capped, info->why);
    } else {
      locks.head = info->reply ? head_block_seconds(reader, *info->reply) : std::nullopt;
      if (!locks.head) {
        mark(alcor, VenueStatus::unavailable,
             reason(info->reply ? ReasonCode::shape_not_recognised : info->why.code,
                    "get_info: no head block time"));
      }
    }
  }
  for (std::size_t k = 0; k < pools.size(); ++k) {
    AlcorPoolRow row = pools[k];
    std::vector<Position> positions;
    bool whole = false;
    if (k < reads.positions.size()) {
      const TablePages<PositionRow>& read = plan[reads.positions[k]];
      whole = read.end == PagesEnd::whole;
      for (const PositionRow& position : read.rows) {
        positions.push_back(Position{.id = position.id,
                                     .burned = burned_owner(position.owner),
                                     .tick_lower = position.tick_lower,
                                     .tick_upper = position.tick_upper,
                                     .liquidity = position.liquidity});
      }
    }
    add_position_shares(row.pool, positions, row.sqrt_price_x64, row.pool.token_is_a, whole, locks);
    alcor.pools.push_back(std::move(row.pool));
  }
  return {std::move(swaps), std::move(dex), std::move(launch), std::move(alcor)};
}

}  // namespace tarnwick
