#include "chain/token_sale.h"

#include <algorithm>
#include <cassert>
#include <utility>
#include <vector>

#include "chain/balance_reply.h"
#include "chain/chain_info_reply.h"
#include "chain/chain_requests.h"
#include "chain/currency_stats_reply.h"
#include "chain/dry_run_reply.h"
#include "chain/read_plan.h"
#include "chain/token_symbol.h"
#include "chain/top_holders_reply.h"
#include "chain/venue_reads.h"
#include "common/json_reader.h"

namespace tarnwick {
namespace {

SaleReport not_checked(SaleReport report, std::string why) {
  report.sells = Sells::not_checked;
  report.why = std::move(why);
  return report;
}

std::string unread(std::string_view what, const Reason& why) {
  return std::string(what) + " could not be read (" + why.text + ")";
}

// What no node offers: then nothing is checked, whatever else was read.
constexpr std::string_view no_dry_run = "no node offers a dry run";

// How a dry run's reading ended.
RunResult run_result(JsonReader& reader, const Reading& reading, const RunParties& parties,
                     std::int64_t now) {
  if (reading.reply) return dry_run_result(reader, *reading.reply, parties, now);
  if (reading.chain_error) return error_answer_result(*reading.chain_error);
  RunResult result;
  result.message = reading.route_missing ? std::string(no_dry_run) : reading.why.text;
  return result;
}

}  // namespace

ReadBudget sale_budget() { return {30, std::chrono::milliseconds{30'000}}; }

SaleReport check_sale(const ScanContext& context, std::string_view token,
                      const std::optional<std::string>& requested, JsonReader& reader,
                      std::int64_t now) {
  ReadSession session(context.client, reader, sale_budget());
  return check_sale(context, token, requested, session, now);
}

namespace {

// What the reads before the dry runs established, each stage from the one before: why nothing is
// checked (set once, by the first stage that cannot go on), else what the next stage rests on.
struct Stage {
  std::string not_checked;
  std::optional<Tapos> tapos;
  std::optional<Asset> supply;
  std::vector<std::string> candidates;
  HolderChoice chosen;
};

// The pools of the venues read and where a sale goes; `target` points into `venues`.
struct SalePools {
  std::vector<LiquidityVenue> venues;
  SaleTarget target;
};

// Every read of one check, and the stages made from them.
struct SalePlan {
  ReadPlan plan;
  SymbolReads symbol;
  PlanRead<std::optional<Reading>> info;
  PlanRead<std::optional<Reading>> stats;
  PlanRead<std::optional<Reading>> top;
  PlanRead<std::optional<Stage>> holders;  // the candidates, once the supply and holders are read
  std::vector<PlanRead<std::optional<Reading>>> balances;
  PlanRead<std::optional<Stage>> chosen;  // the holders the runs are for
  VenueReads venues;
  PlanRead<std::optional<SalePools>> pools;
  PlanRead<std::optional<std::vector<SaleRun>>> runs;
  std::vector<PlanRead<std::optional<Reading>>> ran;  // the control, then each run
};

Stage first_stage(JsonReader& reader, const SymbolChoice& choice,
                  const std::optional<Reading>& info) {
  Stage stage;
  if (!choice.symbol) {
    stage.not_checked = choice.why.text;
    return stage;
  }
  stage.tapos = info && info->reply ? tapos_of(reader, *info->reply) : std::nullopt;
  if (!stage.tapos) {
    stage.not_checked = info && info->reply ? "get_info gave no irreversible block to refer to"
                                            : unread("get_info", info ? info->why : Reason{});
  }
  return stage;
}

// The supply and the top holders: the holders' amounts are read in the supply's precision.
Stage holders_stage(JsonReader& reader, Stage stage, std::string_view token,
                    std::string_view symbol, const Reading& stats, const Reading& top) {
  if (!stats.reply) return stage.not_checked = unread("the supply", stats.why), stage;
  const SupplyRead read = supply_read(reader, *stats.reply, symbol);
  if (!read.supply) return stage.not_checked = unread("the supply", read.fact.why), stage;
  stage.supply = read.supply;
  const HoldersFact holders =
      fact_of<HoldersFact>(reader, top, [&](JsonReader& in, const std::string& reply) {
        return holders_fact(in, reply, *read.supply);
      });
  if (!holders.why.empty()) {
    return stage.not_checked = unread("the top holders", holders.why), stage;
  }
  stage.candidates = sale_candidates(holders.holders, token);
  if (stage.candidates.empty()) {
    stage.not_checked =
        "no top holder holds the token for itself: only the contract, burn, escrow and venue "
        "accounts";
  }
  return stage;
}

// The candidates' balances as the chain states them: the history index may list a holder that
// has since sold out.
Stage chosen_stage(JsonReader& reader, Stage stage, std::string_view symbol,
                   const std::vector<const Reading*>& read) {
  std::vector<LiveBalance> balances;
  balances.reserve(stage.candidates.size());
  for (std::size_t i = 0; i < stage.candidates.size(); ++i) {
    balances.push_back({stage.candidates[i],
                        read[i]->reply ? live_balances(reader, *read[i]->reply) : std::nullopt});
  }
  if (std::none_of(balances.begin(), balances.end(),
                   [](const LiveBalance& balance) { return balance.assets.has_value(); })) {
    stage.not_checked = read.front()->reply
                            ? "the holders' balances could not be read on the chain (reply not a "
                              "list of assets)"
                            : unread("the holders' balances", read.front()->why);
    return stage;
  }
  stage.chosen = choose_holders(balances, symbol, stage.supply->precision);
  if (stage.chosen.holders.empty()) {
    stage.not_checked = "no holder read holds the token on the chain";
  }
  return stage;
}

void add_reads(SalePlan& sale, const ScanContext& context, const LiquiditySettings& pools_only,
               std::string_view token, const std::optional<std::string>& requested) {
  ReadPlan& plan = sale.plan;
  // The reference block and the symbol, together.
  sale.symbol = add_symbol_reads(plan, {}, token, requested, !requested.has_value());
  sale.info = plan.add_one({}, [] { return info_request(); });
  const auto choice = sale.symbol.choice;
  const auto first = plan.add_view<Stage>({choice, sale.info},
                                          [&plan, choice, info = sale.info](JsonReader& reader) {
                                            return first_stage(reader, *plan[choice], plan[info]);
                                          });
  const auto symbol = [&plan, choice] { return *plan[choice]->symbol; };
  // The supply and the top holders, together, as soon as the symbol is chosen.
  sale.stats = plan.add_one({choice}, [&plan, choice, token]() -> std::optional<ChainRequest> {
    if (!plan[choice]->symbol) return std::nullopt;
    return currency_stats_request(token, *plan[choice]->symbol);
  });
  sale.top = plan.add_one({choice}, [&plan, choice, token]() -> std::optional<ChainRequest> {
    if (!plan[choice]->symbol) return std::nullopt;
    return top_holders_request(token, *plan[choice]->symbol);
  });
  // The pool search, once the supply and holders have started: the holders lead to the
  // balances and the runs, the longest chain of this plan.
  sale.venues = add_venue_reads(plan, choice, pools_only, token, {first});
  const auto stats = sale.stats;
  const auto top = sale.top;
  sale.holders = plan.add_view<Stage>(
      {first, stats, top}, [&plan, first, stats, top, symbol, token](JsonReader& reader) {
        if (!plan[first]->not_checked.empty()) return *plan[first];
        return holders_stage(reader, *plan[first], token, symbol(), *plan[stats], *plan[top]);
      });
  const auto holders = sale.holders;
  for (std::size_t k = 0; k < sale_candidate_count; ++k) {
    sale.balances.push_back(plan.add_one(
        {holders}, [&plan, holders, k, symbol, token]() -> std::optional<ChainRequest> {
          const Stage& stage = *plan[holders];
          if (!stage.not_checked.empty() || k >= stage.candidates.size()) return std::nullopt;
          return currency_balance_request(token, stage.candidates[k], symbol());
        }));
  }
  std::vector<PlanIndex> balance_reads(sale.balances.begin(), sale.balances.end());
  balance_reads.push_back(holders);
  sale.chosen =
      plan.add_view<Stage>(std::move(balance_reads),
                           [&plan, holders, balances = sale.balances, symbol](JsonReader& reader) {
                             const Stage& stage = *plan[holders];
                             if (!stage.not_checked.empty()) return stage;
                             std::vector<const Reading*> read;
                             for (std::size_t k = 0; k < stage.candidates.size(); ++k)
                               read.push_back(&*plan[balances[k]]);
                             return chosen_stage(reader, stage, symbol(), read);
                           });
  std::vector<PlanIndex> venue_reads = {sale.venues.swaps, sale.venues.dex, sale.venues.curves,
                                        sale.venues.graduated, sale.venues.alcor};
  sale.pools = plan.add_view<SalePools>(
      std::move(venue_reads),
      [&plan, &context, choice, venues = sale.venues, token](JsonReader& reader) {
        SalePools pools;
        if (!plan[choice]->symbol) return pools;
        pools.venues = venues_of(reader, plan, venues, context, token, *plan[choice]->symbol);
        pools.target = sale_target(pools.venues);
        return pools;
      });
  // The control and the dry runs, together, once the holders and the pool are known.
  const auto chosen = sale.chosen;
  const auto pools = sale.pools;
  sale.runs =
      plan.add_view<std::vector<SaleRun>>({chosen, pools}, [&plan, chosen, pools](JsonReader&) {
        if (!plan[chosen]->not_checked.empty()) return std::vector<SaleRun>();
        return plan_runs(plan[chosen]->chosen.holders, plan[pools]->target.pool);
      });
  const auto runs = sale.runs;
  for (std::size_t k = 0; k <= sale_candidate_count; ++k) {
    sale.ran.push_back(plan.add_one(
        {runs}, [&plan, first, chosen, runs, k, token]() -> std::optional<ChainRequest> {
          const std::vector<SaleRun>& planned = *plan[runs];
          if (planned.empty() || k > planned.size()) return std::nullopt;
          const Tapos& tapos = *plan[first]->tapos;
          if (k == 0) {
            const std::string& holder = plan[chosen]->chosen.holders.front().owner;
            return dry_run_request(
                TransferAction{control_token, holder, holder, control_quantity, {}}, tapos);
          }
          const SaleRun& run = planned[k - 1];
          return dry_run_request(TransferAction{token, run.holder, run.to, run.quantity, run.memo},
                                 tapos);
        }));
  }
}

}  // namespace

SaleReport check_sale(const ScanContext& context, std::string_view token,
                      const std::optional<std::string>& requested, ReadSession& session,
                      std::int64_t now) {
  LiquiditySettings pools_only;
  pools_only.read_shares = false;
  SalePlan sale;
  add_reads(sale, context, pools_only, token, requested);
  assert(sale.plan.bound() <= sale_budget().max_reads);
  sale.plan.run(session);
  const ReadPlan& plan = sale.plan;
  JsonReader& reader = session.reader();

  SaleReport report;
  report.token = std::string(token);
  report.symbol = plan[sale.symbol.choice]->symbol;
  const Stage& stage = *plan[sale.chosen];
  report.skipped = stage.chosen.skipped;
  if (!stage.not_checked.empty()) return not_checked(std::move(report), stage.not_checked);
  const std::vector<SaleHolder>& holders = stage.chosen.holders;
  const SaleTarget& target = plan[sale.pools]->target;
  report.runs = *plan[sale.runs];
  if (report.runs.empty()) return not_checked(std::move(report), target.why);

  const std::string& first_holder = holders.front().owner;
  std::vector<const Reading*> ran;
  for (std::size_t k = 0; k <= report.runs.size(); ++k) ran.push_back(&*plan[sale.ran[k]]);
  const SaleControl control = control_of(
      run_result(
          reader, *ran[0],
          RunParties{control_token, first_holder, first_holder, control_quantity, {}, {}, {}}, now),
      ran[0]->node);
  report.control = control;
  bool offered = !ran[0]->route_missing;
  for (std::size_t i = 1; i < ran.size(); ++i) {
    SaleRun& run = report.runs[i - 1];
    const bool sells = run.kind != transfer_kind;
    const PoolSide* paid = sells ? &target.pool->pool->pair : nullptr;
    const RunParties parties{token,
                             run.holder,
                             run.to,
                             run.quantity,
                             sells ? std::string_view(run.kind) : std::string_view(),
                             paid ? std::string_view(paid->contract) : std::string_view(),
                             paid ? std::string_view(paid->symbol) : std::string_view()};
    run.result = held_to_control(run_result(reader, *ran[i], parties, now), ran[i]->node, control);
    if (run.result.cost) price_sale(*run.result.cost, *target.pool->pool);
    offered = offered || !ran[i]->route_missing;
    if (report.node.empty() && ran[i]->reply) report.node = ran[i]->node;
  }
  if (!offered) return not_checked(std::move(report), std::string(no_dry_run));
  report.costs = sale_costs(report.runs);
  SaleOutcome outcome = sale_outcome(report.runs, holders.size() > 1, target.why);
  report.sells = outcome.sells;
  report.why = std::move(outcome.why);
  return report;
}

}  // namespace tarnwick
