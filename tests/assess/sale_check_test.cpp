#include "assess/sale_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

TEST(SaleCheck, HoldersAreTheFirstThreeHoldingForThemselves) {
  std::vector<HolderEntry> top;
  for (const char* owner : {"snipcoins", "dex", "proton.swaps", "simpledex", "simplelaunch",
                            "swap.alcor", "token.burn", "eosio.null", "zero", "alice", "bob",
                            "carol", "dave"}) {
    top.push_back(HolderEntry{owner, std::string(owner) == "zero" ? "0.0000 SNIP" : "1.2345 SNIP",
                              std::nullopt});
  }
  top[10].amount = "0.0999 SNIP";  // bob: a thousandth is below one sub-unit
  const std::vector<SaleHolder> holders = sale_holders(top, "snipcoins");
  ASSERT_EQ(holders.size(), 3U);
  EXPECT_EQ(holders[0].owner, "alice");
  EXPECT_EQ(holders[2].owner, "carol");

  // Each holder's transfer to the next (the last to the first), then its sale; one thousandth of
  // its balance, at least one sub-unit.
  LiquidityPool pool;
  pool.lt_symbol = "SNIPXPR";
  const std::vector<SaleRun> runs = plan_runs(holders, SalePool{"proton.swaps", &pool});
  std::vector<std::string> seen;
  for (const SaleRun& run : runs) {
    seen.push_back(run.holder + ">" + run.to + " " + run.kind + " " + run.quantity + " " + run.memo);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "alice>bob transfer 0.0012 SNIP ",
                      "alice>proton.swaps proton.swaps 0.0012 SNIP SNIPXPR,1",
                      "bob>carol transfer 0.0001 SNIP ",
                      "bob>proton.swaps proton.swaps 0.0001 SNIP SNIPXPR,1",
                      "carol>alice transfer 0.0012 SNIP ",
                      "carol>proton.swaps proton.swaps 0.0012 SNIP SNIPXPR,1",
                  }));
  EXPECT_EQ(plan_runs(std::span(holders).first(1), std::nullopt).size(), 0U);  // nothing to run
}

LiquidityPool pool_of(std::uint64_t id, std::uint64_t units, bool active = true) {
  LiquidityPool pool;
  pool.id = id;
  pool.lt_symbol = "LT" + std::to_string(id);
  pool.keyed_by_symbol = false;
  pool.token = PoolSide{"snipcoins", "SNIP", 4, units};
  pool.pair = PoolSide{"eosio.token", "XPR", 4, 5};
  pool.active = active;
  return pool;
}

LiquidityVenue venue_of(std::string name, std::vector<LiquidityPool> pools) {
  LiquidityVenue venue;
  venue.venue = std::move(name);
  venue.pools = std::move(pools);
  return venue;
}

TEST(SaleCheck, SalesGoIntoTheDeepestActivePoolWithTheVenuesMemo) {
  LiquidityPool swaps = pool_of(7, 500);
  swaps.keyed_by_symbol = true;
  LiquidityPool dex_b = pool_of(12, 700);
  LiquidityPool launch_curve = pool_of(3, 0);
  LaunchCurve graduated{.id = 3, .creator = "maker", .graduated = true, .dex_pool_id = 12};
  LiquidityVenue launch = venue_of("simplelaunch", {});
  launch.launch = graduated;
  LiquidityVenue capped = venue_of("simpledex", {dex_b});
  capped.status = VenueStatus::capped;
  capped.why = reason(ReasonCode::over_budget, "read limit reached");
  LiquidityVenue on_curve = venue_of("simplelaunch", {launch_curve});
  on_curve.launch = graduated;
  on_curve.launch->graduated = false;
  LiquidityPool dex_a = dex_b;
  dex_a.token_is_a = true;
  struct Case {
    std::string name;
    std::vector<LiquidityVenue> venues;
    std::string memo_or_why;
  };
  const std::vector<Case> cases = {
      {"the deepest, token on side B",
       {venue_of("proton.swaps", {swaps}), venue_of("simpledex", {dex_b}), launch,
        venue_of("swap.alcor", {pool_of(9, 600)})},
       "swap:12:1:false"},
      {"a deeper pool not active", {venue_of("simpledex", {pool_of(5, 900, false), dex_a})},
       "swap:12:1:true"},
      {"a tie: venue order, then key",
       {venue_of("proton.swaps", {}), venue_of("simpledex", {}), launch,
        venue_of("swap.alcor", {pool_of(9, 600), pool_of(4, 600)})},
       "swapexactin#4#alice#0.0001 XPR@eosio.token#0"},
      {"a tie across venues", {venue_of("proton.swaps", {swaps}), venue_of("swap.alcor", {pool_of(1, 500)})},
       "LT7,1"},
      {"still on its launch curve", {venue_of("proton.swaps", {swaps}), on_curve},
       "the token is still on its launch curve: a sale into the curve is not checked yet"},
      {"a venue cut off", {venue_of("proton.swaps", {swaps}), capped},
       "the pool search was cut off at simpledex (read limit reached): the deepest pool is not "
       "known"},
      {"no active pool", {venue_of("simpledex", {pool_of(5, 900, false)}), launch},
       "no active pool holds the token"},
  };
  for (const Case& c : cases) {
    const SaleTarget target = sale_target(c.venues);
    EXPECT_EQ(target.pool ? sale_memo(target.pool->venue, *target.pool->pool, "alice") : target.why,
              c.memo_or_why)
        << c.name;
  }
}

TEST(SaleCheck, TheOutcomeNeverSaysMoreThanWasRun) {
  const auto run = [](bool sale, RunOutcome outcome) {
    SaleRun made;
    made.kind = sale ? "swap.alcor" : "transfer";
    made.result.outcome = outcome;
    return made;
  };
  constexpr auto through = RunOutcome::went_through;
  constexpr auto token = RunOutcome::refused_by_token;
  constexpr auto venue = RunOutcome::refused_by_venue;
  constexpr auto unsure = RunOutcome::inconclusive;
  struct Case {
    std::string name;
    std::vector<SaleRun> runs;
    bool transfers_needed;
    Sells sells;
    std::string why;
  };
  const std::vector<Case> cases = {
      {"nothing run", {}, true, Sells::not_checked, "no pool"},
      {"nothing conclusive", {run(false, unsure), run(true, venue)}, true, Sells::not_checked,
       "no dry run was conclusive"},
      {"every run refused", {run(false, token), run(true, token), run(true, venue)}, true,
       Sells::blocked, ""},
      {"transfers only", {run(false, through), run(true, token), run(false, through)}, true,
       Sells::only_transfers, ""},
      {"one holder refused", {run(false, through), run(true, through), run(false, token)}, true,
       Sells::some_holders_blocked, ""},
      {"a sale refused, no transfer through", {run(false, unsure), run(true, token), run(true, through)},
       true, Sells::some_holders_blocked, ""},
      {"went through", {run(false, through), run(true, through), run(true, venue)}, true,
       Sells::went_through, ""},
      {"one holder: no transfer needed", {run(true, through)}, false, Sells::went_through, ""},
      {"a sale through, no transfer conclusive", {run(false, unsure), run(true, through)}, true,
       Sells::not_checked, "no transfer was conclusive"},
      {"transfers through, no sale run", {run(false, through)}, true, Sells::not_checked,
       "no pool"},
  };
  for (const Case& c : cases) {
    const bool sales_run =
        std::any_of(c.runs.begin(), c.runs.end(), [](const SaleRun& r) { return r.kind != "transfer"; });
    const SaleOutcome outcome = sale_outcome(c.runs, c.transfers_needed, sales_run ? "" : "no pool");
    EXPECT_EQ(sells_names[static_cast<std::size_t>(outcome.sells)],
              sells_names[static_cast<std::size_t>(c.sells)])
        << c.name;
    EXPECT_EQ(outcome.why, c.why) << c.name;
  }
}

}  // namespace
}  // namespace tarnwick
