#include "assess/sale_check.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

TEST(SaleCheck, HoldersAreTheFirstThreeTheChainConfirms) {
  std::vector<HolderEntry> top;
  for (const char* owner : {"snipcoins", "dex", "proton.swaps", "simpledex", "simplelaunch",
                            "swap.alcor", "token.burn", "eosio.null", "<img src=x>", "zero",
                            "alice", "alice", "unread", "other", "bob", "carol", "dave", "erin"}) {
    top.push_back(HolderEntry{owner, "1.2345 SNIP", std::nullopt});
  }
  // Six candidates: account names, each once, holding for themselves.
  const std::vector<std::string> candidates = sale_candidates(top, "snipcoins");
  EXPECT_EQ(candidates,
            (std::vector<std::string>{"zero", "alice", "unread", "other", "bob", "carol"}));
  const auto held = [](std::string text) { return std::vector<Asset>{*parse_asset(text)}; };
  const std::vector<LiveBalance> balances = {
      {"zero", std::vector<Asset>{}}, {"alice", held("1.2345 SNIP")}, {"unread", std::nullopt},
      {"other", held("1.2345 SNAP")}, {"bob", held("0.0999 SNIP")},   {"carol", held("1.234 SNIP")},
      {"dave", held("0.0000 SNIP")},  {"erin", held("1.2345 SNIP")},
  };
  const HolderChoice choice = choose_holders(balances, "SNIP", 4);
  std::vector<std::string> skipped;
  for (const SkippedHolder& holder : choice.skipped)
    skipped.push_back(holder.holder + " " + holder.why);
  EXPECT_EQ(skipped, (std::vector<std::string>{"zero zero balance", "unread balance unread",
                                               "other holds another symbol",
                                               "carol holds another symbol", "dave zero balance"}));
  const std::vector<SaleHolder>& holders = choice.holders;
  ASSERT_EQ(holders.size(), 3U);
  EXPECT_EQ(holders[0].owner, "alice");
  EXPECT_EQ(holders[1].owner, "bob");
  EXPECT_EQ(holders[2].owner, "erin");

  // Each holder's transfer to the next (the last to the first), then its sale; one thousandth of
  // its balance, at least one sub-unit.
  LiquidityPool pool;
  pool.lt_symbol = "SNIPXPR";
  const std::vector<SaleRun> runs = plan_runs(holders, SalePool{"proton.swaps", &pool});
  std::vector<std::string> seen;
  for (const SaleRun& run : runs) {
    seen.push_back(run.holder + ">" + run.to + " " + run.kind + " " + run.quantity + " " +
                   run.memo);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "alice>bob transfer 0.0012 SNIP ",
                      "alice>proton.swaps proton.swaps 0.0012 SNIP SNIPXPR,1",
                      "bob>erin transfer 0.0001 SNIP ",
                      "bob>proton.swaps proton.swaps 0.0001 SNIP SNIPXPR,1",
                      "erin>alice transfer 0.0012 SNIP ",
                      "erin>proton.swaps proton.swaps 0.0012 SNIP SNIPXPR,1",
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
      {"a deeper pool not active",
       {venue_of("simpledex", {pool_of(5, 900, false), dex_a})},
       "swap:12:1:true"},
      {"a tie: venue order, then key",
       {venue_of("proton.swaps", {}), venue_of("simpledex", {}), launch,
        venue_of("swap.alcor", {pool_of(9, 600), pool_of(4, 600)})},
       "swapexactin#4#alice#0.0001 XPR@eosio.token#0"},
      {"a tie across venues",
       {venue_of("proton.swaps", {swaps}), venue_of("swap.alcor", {pool_of(1, 500)})},
       "LT7,1"},
      {"still on its launch curve",
       {venue_of("proton.swaps", {swaps}), on_curve},
       "the token is still on its launch curve: a sale into the curve is not checked yet"},
      {"a venue cut off",
       {venue_of("proton.swaps", {swaps}), capped},
       "the pool search was cut off at simpledex (read limit reached): the deepest pool is not "
       "known"},
      {"no active pool",
       {venue_of("simpledex", {pool_of(5, 900, false)}), launch},
       "no active pool holds the token"},
  };
  for (const Case& c : cases) {
    const SaleTarget target = sale_target(c.venues);
    EXPECT_EQ(target.pool ? sale_memo(target.pool->venue, *target.pool->pool, "alice") : target.why,
              c.memo_or_why)
        << c.name;
  }
}

// Runs written as words: the holder's letter, T a transfer (to the next holder) or S a sale, then
// + went through, - refused by the token, v refused by the venue, ? inconclusive, r refused by the
// receiving holder's own contract, c went through on a node that did not refuse the control, L
// went through and lost 37 % beyond the pool's fee, 30 % of it to taxwallet.
// "1:" marks one holder (no transfer needed).
TEST(SaleCheck, TheOutcomeNeverSaysMoreThanWasRun) {
  const std::string every = "the token refused every ";
  const std::string not_refused =
      "the node did not refuse a transfer it must refuse: what it ran could not tell";
  const std::vector<std::array<std::string, 3>> cases = {
      {"", "not_checked", "no pool"},
      {"aT? aSv", "not_checked", "no dry run was conclusive"},
      {"aT- aS-", "blocked", every + "transfer and sale tried"},
      {"aT- aS- bSv", "blocked", "the token refused the sales of a and every transfer tried"},
      {"aT+ aS- bT+", "only_transfers",
       every + "sale tried; transfers between these holders went through"},
      {"aT+ aS+ bT-", "some_holders_blocked",
       "the token refused the transfers of b; the transfers of a went through; every sale tried "
       "went through"},
      {"aT? aS- bS+", "some_holders_blocked",
       "the token refused the sales of a; the sales of b went through"},
      {"aTr aS- bTr bS-", "blocked",
       every + "sale tried; transfers were refused by the receiving holders' own contracts: "
               "could not tell"},
      {"aT+ aS+ bSv", "went_through", ""},
      {"1: aS+", "went_through", ""},
      {"1: aSL", "went_through",
       "a sale went through and lost 37 % beyond the pool's fee; 30 % went to taxwallet"},
      {"aT? aS+", "not_checked", "no transfer was conclusive"},
      {"aTc aSc", "not_checked", "no dry run was conclusive; " + not_refused},
      {"aT+", "not_checked", "no pool"},
  };
  const SaleControl control{"node1", ControlOutcome::refused, "cannot transfer to self"};
  for (const auto& [written, sells, why] : cases) {
    std::vector<SaleRun> runs;
    bool sales_run = false;
    for (std::size_t at = written.find_first_of("TS"); at != std::string::npos;
         at = written.find_first_of("TS", at + 1)) {
      SaleRun& run = runs.emplace_back();
      run.holder = written.substr(at - 1, 1);
      run.kind = written[at] == 'S' ? "swap.alcor" : "transfer";
      run.to = run.kind == "transfer" ? "next" : run.kind;
      sales_run = sales_run || written[at] == 'S';
      const char outcome = written[at + 1];
      const std::string outcomes = "+-v?";
      run.result.outcome =
          static_cast<RunOutcome>(outcome == 'r' || outcome == 'c' ? outcomes.find('?')
                                  : outcome == 'L'                 ? outcomes.find('+')
                                                                   : outcomes.find(outcome));
      if (outcome == 'r') run.result.by = run.to;
      RunResult through{RunOutcome::went_through, {}, {}, {}, {}, {}, {}};
      if (outcome == 'c') run.result = held_to_control(through, "node2", control);
      if (outcome == '+') run.result = held_to_control(through, "node1", control);
      if (outcome == 'L') {
        const Asset sent{200, 4, "TOK"};
        through.cost = SaleCost{.sent = sent,
                                .reached_venue = sent,
                                .taken = {{"taxwallet", Asset{60, 4, "TOK"}}},
                                .paid = Asset{700, 4, "XPR"},
                                .pool_fee_ppm = 3000,
                                .quote = Asset{1107, 4, "XPR"},
                                .cost_bp = 3677,
                                .why = {}};
        run.result = through;
      }
    }
    const SaleOutcome outcome =
        sale_outcome(runs, !written.starts_with("1:"), sales_run ? "" : "no pool");
    EXPECT_EQ(sells_names[static_cast<std::size_t>(outcome.sells)], sells) << written;
    EXPECT_EQ(outcome.why, why) << written;
  }
}

}  // namespace
}  // namespace tarnwick
