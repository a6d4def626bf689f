#include "chain/token_sale.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "chain/balance_reply.h"
#include "chain/chain_info_reply.h"
#include "chain/chain_requests.h"
#include "chain/currency_stats_reply.h"
#include "chain/dry_run_reply.h"
#include "chain/token_liquidity.h"
#include "chain/token_symbol.h"
#include "chain/top_holders_reply.h"
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

SaleReport check_sale(const ScanContext& context, std::string_view token,
                      const std::optional<std::string>& requested, ReadSession& session,
                      std::int64_t now) {
  JsonReader& reader = session.reader();
  SaleReport report;
  report.token = std::string(token);

  // 1. The reference block and the symbol, together.
  std::vector<ChainRequest> first = symbol_choice_requests(token, requested.has_value());
  first.push_back(info_request());
  const std::vector<Reading> chosen = session.read(first);
  const Reading& info = chosen.back();
  const SymbolChoice choice =
      symbol_choice_of(reader, std::span(chosen.data(), chosen.size() - 1), token, requested);
  report.symbol = choice.symbol;
  if (!choice.symbol) return not_checked(std::move(report), choice.why.text);
  const std::optional<Tapos> tapos = info.reply ? tapos_of(reader, *info.reply) : std::nullopt;
  if (!tapos) {
    return not_checked(std::move(report), info.reply
                                              ? "get_info gave no irreversible block to refer to"
                                              : unread("get_info", info.why));
  }

  // 2. The supply and the top holders, together: the holders' amounts are read in the supply's
  // precision.
  const std::array<ChainRequest, 2> second = {currency_stats_request(token, *choice.symbol),
                                              top_holders_request(token, *choice.symbol)};
  const std::vector<Reading> held = session.read(second);
  if (!held[0].reply) return not_checked(std::move(report), unread("the supply", held[0].why));
  const SupplyRead stats = supply_read(reader, *held[0].reply, *choice.symbol);
  if (!stats.supply) return not_checked(std::move(report), unread("the supply", stats.fact.why));
  const HoldersFact top =
      fact_of<HoldersFact>(reader, held[1], [&](JsonReader& in, const std::string& reply) {
        return holders_fact(in, reply, *stats.supply);
      });
  if (!top.why.empty()) return not_checked(std::move(report), unread("the top holders", top.why));
  const std::vector<std::string> candidates = sale_candidates(top.holders, token);
  if (candidates.empty()) {
    return not_checked(std::move(report),
                       "no top holder holds the token for itself: only the contract, burn, "
                       "escrow and venue accounts");
  }

  // 3. The candidates' balances as the chain states them, together: the history index may list
  // a holder that has since sold out.
  std::vector<ChainRequest> balance_reads;
  balance_reads.reserve(candidates.size());
  for (const std::string& holder : candidates) {
    balance_reads.push_back(currency_balance_request(token, holder, *choice.symbol));
  }
  const std::vector<Reading> balance_replies = session.read(balance_reads);
  std::vector<LiveBalance> balances;
  balances.reserve(candidates.size());
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const Reading& read = balance_replies[i];
    balances.push_back(
        {candidates[i], read.reply ? live_balances(reader, *read.reply) : std::nullopt});
  }
  if (std::none_of(balances.begin(), balances.end(),
                   [](const LiveBalance& balance) { return balance.assets.has_value(); })) {
    return not_checked(std::move(report),
                       balance_replies.front().reply
                           ? "the holders' balances could not be read on the chain (reply not "
                             "a list of assets)"
                           : unread("the holders' balances", balance_replies.front().why));
  }
  HolderChoice chosen_holders = choose_holders(balances, *choice.symbol, stats.supply->precision);
  report.skipped = std::move(chosen_holders.skipped);
  const std::vector<SaleHolder>& holders = chosen_holders.holders;
  if (holders.empty()) {
    return not_checked(std::move(report), "no holder read holds the token on the chain");
  }

  // 4. The deepest pool, within its own bound.
  ReadSession search(session, pool_search_reads);
  LiquiditySettings pools_only;
  pools_only.read_shares = false;
  const std::vector<LiquidityVenue> venues =
      read_venues(pools_only, context, token, *choice.symbol, search);
  const SaleTarget target = sale_target(venues);

  // 5. The control and the dry runs, together.
  report.runs = plan_runs(holders, target.pool);
  if (report.runs.empty()) {
    return not_checked(std::move(report), target.why);
  }
  const std::string& first_holder = holders.front().owner;
  std::vector<ChainRequest> runs = {dry_run_request(
      TransferAction{control_token, first_holder, first_holder, control_quantity, {}}, *tapos)};
  for (const SaleRun& run : report.runs) {
    runs.push_back(
        dry_run_request(TransferAction{token, run.holder, run.to, run.quantity, run.memo}, *tapos));
  }
  const std::vector<Reading> ran = session.read(runs);
  const SaleControl control = control_of(
      run_result(
          reader, ran[0],
          RunParties{control_token, first_holder, first_holder, control_quantity, {}, {}, {}}, now),
      ran[0].node);
  report.control = control;
  bool offered = !ran[0].route_missing;
  for (std::size_t i = 1; i < ran.size(); ++i) {
    SaleRun& run = report.runs[i - 1];
    const bool sale = run.kind != transfer_kind;
    const PoolSide* paid = sale ? &target.pool->pool->pair : nullptr;
    const RunParties parties{token,
                             run.holder,
                             run.to,
                             run.quantity,
                             sale ? std::string_view(run.kind) : std::string_view(),
                             paid ? std::string_view(paid->contract) : std::string_view(),
                             paid ? std::string_view(paid->symbol) : std::string_view()};
    run.result = held_to_control(run_result(reader, ran[i], parties, now), ran[i].node, control);
    if (run.result.cost) price_sale(*run.result.cost, *target.pool->pool);
    offered = offered || !ran[i].route_missing;
    if (report.node.empty() && ran[i].reply) report.node = ran[i].node;
  }
  if (!offered) return not_checked(std::move(report), std::string(no_dry_run));
  report.costs = sale_costs(report.runs);
  SaleOutcome outcome = sale_outcome(report.runs, holders.size() > 1, target.why);
  report.sells = outcome.sells;
  report.why = std::move(outcome.why);
  return report;
}

}  // namespace tarnwick
