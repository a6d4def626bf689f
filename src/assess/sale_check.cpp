#include "assess/sale_check.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include "assess/json_members.h"
#include "assess/renderings.h"
#include "common/text.h"

namespace tarnwick {
namespace {

template <std::size_t size>
bool among(const std::string_view (&accounts)[size], std::string_view account) {
  return std::find(std::begin(accounts), std::end(accounts), account) != std::end(accounts);
}

bool holds_for_others(std::string_view owner, std::string_view token) {
  return owner == token || among(burn_accounts, owner) || among(escrow_accounts, owner) ||
         among(venue_contracts, owner);
}

std::string asset_text(std::uint64_t units, std::uint8_t precision, std::string_view symbol) {
  std::string out;
  append_asset(out, units, precision, symbol);
  return out;
}

// Whether `a` comes before `b` among the pools of one venue: by key.
bool key_before(const LiquidityPool& a, const LiquidityPool& b) {
  return a.keyed_by_symbol ? a.lt_symbol < b.lt_symbol : a.id < b.id;
}

bool conclusive(const SaleRun& run) {
  return run.result.outcome == RunOutcome::went_through ||
         run.result.outcome == RunOutcome::refused_by_token;
}

bool is_sale(const SaleRun& run) { return run.kind != transfer_kind; }

}  // namespace

std::vector<SaleHolder> sale_holders(std::span<const HolderEntry> holders, std::string_view token) {
  std::vector<SaleHolder> chosen;
  for (const HolderEntry& holder : holders) {
    if (chosen.size() == sale_holder_count) break;
    if (holds_for_others(holder.owner, token)) continue;
    const std::optional<Asset> balance = parse_asset(holder.amount);
    if (!balance || balance->units == 0) continue;
    chosen.push_back(SaleHolder{holder.owner, *balance});
  }
  return chosen;
}

SaleTarget sale_target(std::span<const LiquidityVenue> venues) {
  for (const LiquidityVenue& venue : venues) {
    if (venue.launch && !venue.launch->graduated) {
      return {std::nullopt,
              "the token is still on its launch curve: a sale into the curve is not checked yet"};
    }
  }
  for (const LiquidityVenue& venue : venues) {
    if (venue.status == VenueStatus::capped) {
      return {std::nullopt, "the pool search was cut off at " + venue.venue + " (" +
                                venue.why.text + "): the deepest pool is not known"};
    }
    if (venue.status == VenueStatus::unavailable) {
      return {std::nullopt, "the pools of " + venue.venue + " could not be read (" +
                                venue.why.text + "): the deepest pool is not known"};
    }
  }
  std::optional<SalePool> deepest;
  for (const LiquidityVenue& venue : venues) {
    for (const LiquidityPool& pool : venue.pools) {
      // A launch curve's token amount is not stated: it is no pool to sell into.
      if (!pool.active || !pool.token.units || *pool.token.units == 0) continue;
      const bool deeper = !deepest || *pool.token.units > *deepest->pool->token.units ||
                          (*pool.token.units == *deepest->pool->token.units &&
                           deepest->venue == venue.venue && key_before(pool, *deepest->pool));
      if (deeper) deepest = SalePool{venue.venue, &pool};
    }
  }
  if (!deepest) return {std::nullopt, "no active pool holds the token"};
  return {deepest, {}};
}

std::string sale_memo(std::string_view venue, const LiquidityPool& pool, std::string_view holder) {
  std::string memo;
  if (venue == "proton.swaps") {
    memo = pool.lt_symbol + ",1";
  } else if (venue == "simpledex") {
    memo = "swap:";
    append_decimal128(memo, pool.id);
    memo += pool.token_is_a ? ":1:true" : ":1:false";
  } else if (venue == "swap.alcor") {
    memo = "swapexactin#";
    append_decimal128(memo, pool.id);
    memo += '#';
    memo += holder;
    memo += '#';
    append_asset(memo, 1, pool.pair.precision, pool.pair.symbol);
    memo += '@';
    memo += pool.pair.contract;
    memo += "#0";
  }
  return memo;
}

std::vector<SaleRun> plan_runs(std::span<const SaleHolder> holders,
                               const std::optional<SalePool>& pool) {
  std::vector<SaleRun> runs;
  for (std::size_t i = 0; i < holders.size(); ++i) {
    const SaleHolder& holder = holders[i];
    const Asset& balance = holder.balance;
    const std::string quantity = asset_text(std::max<std::uint64_t>(balance.units / 1000, 1),
                                            balance.precision, balance.symbol);
    if (holders.size() > 1) {
      runs.push_back(SaleRun{.holder = holder.owner,
                             .to = holders[(i + 1) % holders.size()].owner,
                             .kind = std::string(transfer_kind),
                             .quantity = quantity,
                             .memo = {},
                             .result = {}});
    }
    if (pool) {
      runs.push_back(SaleRun{.holder = holder.owner,
                             .to = std::string(pool->venue),
                             .kind = std::string(pool->venue),
                             .quantity = quantity,
                             .memo = sale_memo(pool->venue, *pool->pool, holder.owner),
                             .result = {}});
    }
  }
  return runs;
}

SaleOutcome sale_outcome(std::span<const SaleRun> runs, bool transfers_needed,
                         std::string_view sale_not_run) {
  const auto count = [&](auto test) { return std::count_if(runs.begin(), runs.end(), test); };
  const auto refused = [](const SaleRun& run) {
    return run.result.outcome == RunOutcome::refused_by_token;
  };
  const auto through = [](const SaleRun& run) {
    return run.result.outcome == RunOutcome::went_through;
  };
  const auto conclusive_count = count(conclusive);
  const auto refused_count = count(refused);
  const auto conclusive_sales =
      count([](const SaleRun& run) { return is_sale(run) && conclusive(run); });
  const auto refused_sales =
      count([&](const SaleRun& run) { return is_sale(run) && refused(run); });
  const auto sales_through =
      count([&](const SaleRun& run) { return is_sale(run) && through(run); });
  const auto transfers_through =
      count([&](const SaleRun& run) { return !is_sale(run) && through(run); });
  const std::string no_sale(sale_not_run);

  if (conclusive_count == 0) {
    return {Sells::not_checked, runs.empty() ? no_sale : std::string("no dry run was conclusive")};
  }
  if (refused_count == conclusive_count) return {Sells::blocked, no_sale};
  if (conclusive_sales > 0 && refused_sales == conclusive_sales && transfers_through > 0) {
    return {Sells::only_transfers, no_sale};
  }
  if (refused_count > 0) return {Sells::some_holders_blocked, no_sale};
  if ((transfers_through > 0 || !transfers_needed) && sales_through > 0) {
    return {Sells::went_through, no_sale};
  }
  if (sales_through == 0) {
    return {Sells::not_checked, no_sale.empty() ? "no sale was conclusive" : no_sale};
  }
  return {Sells::not_checked, "no transfer was conclusive"};
}

std::string sale_json(const SaleReport& report) {
  std::string out = "{\"version\":1,\"token\":";
  append_json_quoted(out, report.token);
  append_text_or_null(out, "symbol", report.symbol ? *report.symbol : std::string_view());
  append_text_member(out, "sells", sells_names[static_cast<std::size_t>(report.sells)]);
  append_text_or_null(out, "why", report.why);
  out += ",\"runs\":[";
  for (std::size_t i = 0; i < report.runs.size(); ++i) {
    const SaleRun& run = report.runs[i];
    out += i > 0 ? ",{\"holder\":" : "{\"holder\":";
    append_json_quoted(out, run.holder);
    append_text_member(out, "to", run.to);
    append_text_member(out, "kind", run.kind);
    append_text_member(out, "quantity", run.quantity);
    const RunResult& result = run.result;
    append_text_member(out, "outcome", run_outcome_names[static_cast<std::size_t>(result.outcome)]);
    if (result.outcome != RunOutcome::went_through) {
      append_text_or_null(out, "by", result.by);
      append_key(out, "code");
      out += result.code ? std::to_string(*result.code) : "null";
      append_text_or_null(out, "name", result.name);
      append_text_member(out, "message", result.message);
    }
    out += '}';
  }
  out += ']';
  append_text_or_null(out, "node", report.node);
  out += '}';
  return out;
}

}  // namespace tarnwick
