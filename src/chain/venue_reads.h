// The reads of the exchanges' AMM venues for one symbol of a token, as reads of a plan, each
// started as soon as what it needs is read: every venue's first page at once (proton.swaps,
// simpledex, simplelaunch for the launchpad's own token contract, swap.alcor pools); each table's
// further pages as its pages come; the SimpleDEX pool a graduated launch went to, when the
// SimpleDEX pages missed it, once both are read; the positions of each swap.alcor pool of the
// token once that venue's pools are read; their locks once every position is read; get_info for
// the head block time when a lock was found. Each read has its page bound; what a bound or the
// time leaves unread makes its venue `capped`, a read that fails `unavailable`: a venue not read
// is never shown as one without the token's pools.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "assess/liquidity.h"
#include "chain/pool_tables.h"
#include "chain/read_plan.h"
#include "chain/scan_context.h"
#include "chain/table_pager.h"
#include "chain/token_symbol.h"

namespace tarnwick {

// The bounds of one /liquidity answer. Tests lower them.
struct LiquiditySettings {
  // Time of the whole answer: its end travels with every read (ReadBudget).
  std::chrono::milliseconds total_time{30'000};
  std::uint32_t swaps_rows = 100;    // proton.swaps: one read
  PageBound dex_pools{200, 3};       // simpledex pools, by next_key
  PageBound curves{100, 3};          // simplelaunch curves, newest first
  PageBound alcor_pools{200, 3};     // swap.alcor pools, newest first
  PageBound positions{200, 2};       // per swap.alcor pool of the token
  std::uint32_t position_pools = 4;  // swap.alcor pools whose positions are read, the first found
  PageBound locks{200, 2};           // swap.alcor locks of the positions read
  // False: the pools alone, their token amounts as the venues' rows state them; no positions,
  // locks or head block time are read, and a swap.alcor pool's shares stay unknown.
  bool read_shares = true;
};

inline const LiquiditySettings production_liquidity_settings{};

// The launchpad's token contract, whose tokens each have a bonding curve on simplelaunch.
inline constexpr std::string_view launch_token_contract = "simpletoken";

// Every table keeps every row it reads (assess/pool_rows.h); the token's pools are chosen from
// them once read.
struct VenueReads {
  PlanRead<TablePages<SwapsPoolRow>> swaps;
  PlanRead<TablePages<DexPoolRow>> dex;
  PlanRead<TablePages<LaunchCurveRow>> curves;
  PlanRead<TablePages<DexPoolRow>> graduated;
  PlanRead<TablePages<ConcentratedPoolRow>> alcor;
  PlanRead<std::optional<std::vector<AlcorPoolRow>>> alcor_token;  // the token's, once read
  std::vector<PlanRead<TablePages<PositionRow>>> positions;        // of the k-th pool of the token
  // Without shares: none.
  std::optional<PlanRead<TablePages<LockRow>>> locks;
  std::optional<PlanRead<std::optional<Reading>>> info;
};

// Adds the venues' reads of the symbol `choice` chooses to `plan`; none is made without one. The
// first pages wait for `after` too (reads the plan would rather start first). `token` and
// `settings` must outlive the plan.
VenueReads add_venue_reads(ReadPlan& plan, PlanRead<std::optional<SymbolChoice>> choice,
                           const LiquiditySettings& settings, std::string_view token,
                           const std::vector<PlanIndex>& after = {});

// The venues, in the fixed order, from what the reads of a plan that has run keep.
std::vector<LiquidityVenue> venues_of(JsonReader& reader, const ReadPlan& plan,
                                      const VenueReads& reads, const ScanContext& context,
                                      std::string_view token, std::string_view symbol);

}  // namespace tarnwick
