#include "assess/sale_check.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include "assess/pool_quote.h"
#include "common/account_name.h"

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

std::vector<std::string> sale_candidates(std::span<const HolderEntry> holders,
                                         std::string_view token) {
  std::vector<std::string> chosen;
  for (const HolderEntry& holder : holders) {
    if (chosen.size() == sale_candidate_count) break;
    const std::string& owner = holder.owner;
    if (!is_account_name(owner) || holds_for_others(owner, token)) continue;
    if (std::find(chosen.begin(), chosen.end(), owner) != chosen.end()) continue;
    chosen.push_back(owner);
  }
  return chosen;
}

HolderChoice choose_holders(std::span<const LiveBalance> balances, std::string_view symbol,
                            std::uint8_t precision) {
  HolderChoice choice;
  for (const LiveBalance& balance : balances) {
    if (choice.holders.size() == sale_holder_count) break;
    if (!balance.assets) {
      choice.skipped.push_back({balance.holder, "balance unread"});
      continue;
    }
    const auto held = std::find_if(balance.assets->begin(), balance.assets->end(),
                                   [&](const Asset& asset) { return asset.symbol == symbol; });
    if (held == balance.assets->end()) {
      choice.skipped.push_back(
          {balance.holder, balance.assets->empty() ? "zero balance" : "holds another symbol"});
    } else if (held->precision != precision) {
      choice.skipped.push_back({balance.holder, "holds another symbol"});
    } else if (held->units == 0) {
      choice.skipped.push_back({balance.holder, "zero balance"});
    } else {
      choice.holders.push_back(SaleHolder{balance.holder, *held});
    }
  }
  return choice;
}

SaleControl control_of(const RunResult& result, std::string node) {
  SaleControl control{std::move(node), ControlOutcome::inconclusive, result.message};
  if (result.outcome == RunOutcome::refused_by_token && result.by == control_token) {
    control.outcome = ControlOutcome::refused;
  } else if (result.outcome == RunOutcome::went_through) {
    control.outcome = ControlOutcome::went_through;
    control.message = "the node let a transfer to self through";
  }
  return control;
}

RunResult held_to_control(RunResult result, std::string_view node, const SaleControl& control) {
  const bool witnessed = control.outcome == ControlOutcome::refused && node == control.node;
  if (result.outcome != RunOutcome::went_through || witnessed) return result;
  RunResult held;
  held.message = std::string(control_not_refused);
  return held;
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

void price_sale(SaleCost& cost, const LiquidityPool& pool) {
  cost.pool_fee_ppm = pool.pricing.fee_ppm;
  const SaleQuote quote = quote_sale(pool, cost.sent.units);
  if (!quote.out) {
    cost.why = quote.why;
    return;
  }
  cost.quote = Asset{*quote.out, pool.pair.precision, pool.pair.symbol};
  cost.cost_bp = tarnwick::cost_bp(cost.paid.units, *quote.out);
}

SaleCosts sale_costs(std::span<const SaleRun> runs) {
  SaleCosts costs;
  bool witnessed = false;
  for (const SaleRun& run : runs) {
    const std::optional<SaleCost>& cost = run.result.cost;
    if (!cost || run.result.outcome != RunOutcome::went_through) continue;
    witnessed = true;
    if (cost->cost_bp && (!costs.sell_cost_bp || *cost->cost_bp > *costs.sell_cost_bp)) {
      costs.sell_cost_bp = cost->cost_bp;
    }
    if (!cost->cost_bp && costs.why.empty()) costs.why = "could not measure: " + cost->why;
    for (const TakenPart& part : cost->taken) {
      if (std::find(costs.taken_by.begin(), costs.taken_by.end(), part.to) ==
          costs.taken_by.end()) {
        costs.taken_by.push_back(part.to);
      }
    }
  }
  if (!witnessed) costs.why = "no sale went through";
  return costs;
}

namespace {

// A whole percent of basis points, rounded.
std::string percent_of_bp(Uint128 bp) {
  std::string out;
  append_decimal128(out, (bp + 50) / 100);
  return out + " %";
}

// The costliest sale that went through, when it lost at least the threshold beyond the pool's
// fee, and where the token went: "a sale went through and lost 34 % beyond the pool's fee; 30 %
// went to taxwallet". Empty otherwise.
std::string losses_in_words(std::span<const SaleRun> runs) {
  const SaleCost* worst = nullptr;
  for (const SaleRun& run : runs) {
    const std::optional<SaleCost>& cost = run.result.cost;
    if (run.result.outcome != RunOutcome::went_through || !cost || !cost->cost_bp) continue;
    if (worst == nullptr || *cost->cost_bp > *worst->cost_bp) worst = &*cost;
  }
  if (worst == nullptr || *worst->cost_bp < tax_threshold_bp) return {};
  std::string why =
      "a sale went through and lost " + percent_of_bp(*worst->cost_bp) + " beyond the pool's fee";
  for (const TakenPart& part : worst->taken) {
    if (worst->sent.units == 0) break;
    const Uint128 bp = Uint128{part.quantity.units} * 10'000 / worst->sent.units;
    why += "; " + percent_of_bp(bp) + " went to " + part.to;
  }
  return why;
}

// The holders of `runs` that pass `test`, each once, in run order: "alice, bob".
template <class Test>
std::string holders_of(std::span<const SaleRun> runs, Test&& test) {
  std::vector<std::string_view> seen;
  for (const SaleRun& run : runs) {
    if (test(run) && std::find(seen.begin(), seen.end(), run.holder) == seen.end()) {
      seen.push_back(run.holder);
    }
  }
  std::string out;
  for (const std::string_view holder : seen) (out.empty() ? out : out += ", ") += holder;
  return out;
}

// The runs of one kind that `test` picks out, in words: "every sale tried" when it picks each
// of them, "the sales of alice, bob" when some; empty when none.
template <class Test>
std::string which_runs(std::span<const SaleRun> runs, bool sales, Test&& test) {
  const auto of_kind = [&](const SaleRun& run) { return is_sale(run) == sales; };
  const auto picked = [&](const SaleRun& run) { return of_kind(run) && test(run); };
  const auto total = std::count_if(runs.begin(), runs.end(), of_kind);
  const auto count = std::count_if(runs.begin(), runs.end(), picked);
  if (count == 0) return {};
  if (count == total) return sales ? "every sale tried" : "every transfer tried";
  return (sales ? "the sales of " : "the transfers of ") + holders_of(runs, picked);
}

void add_clause(std::string& why, std::string_view clause) {
  if (clause.empty()) return;
  if (!why.empty()) why += "; ";
  why += clause;
}

// What the token refused, and what went through beside it: "the token refused every sale tried;
// transfers between these holders went through". Empty when the token refused nothing.
std::string refusals_in_words(std::span<const SaleRun> runs) {
  const auto refused = [](const SaleRun& run) {
    return run.result.outcome == RunOutcome::refused_by_token;
  };
  const auto through = [](const SaleRun& run) {
    return run.result.outcome == RunOutcome::went_through;
  };
  const std::string transfers = which_runs(runs, false, refused);
  const std::string sales = which_runs(runs, true, refused);
  if (transfers.empty() && sales.empty()) return {};
  std::string why = "the token refused ";
  if (transfers == "every transfer tried" && sales == "every sale tried") {
    why += "every transfer and sale tried";
  } else {
    why += sales.empty() ? transfers : transfers.empty() ? sales : sales + " and " + transfers;
  }
  const std::string transfers_through = which_runs(runs, false, through);
  add_clause(why, transfers_through == "every transfer tried"
                      ? std::string("transfers between these holders went through")
                  : transfers_through.empty() ? std::string()
                                              : transfers_through + " went through");
  const std::string sales_through = which_runs(runs, true, through);
  add_clause(why, sales_through.empty() ? std::string() : sales_through + " went through");
  return why;
}

// What kept runs from being known that is nobody's refusal of the token: the holders' own
// contracts, a node that does not run contracts as the chain does.
std::string others_in_words(std::span<const SaleRun> runs) {
  const auto by_receiver = [](const SaleRun& run) {
    return run.result.outcome == RunOutcome::inconclusive && !is_sale(run) &&
           !run.result.by.empty() && run.result.by == run.to;
  };
  const auto by_sender = [](const SaleRun& run) {
    return run.result.outcome == RunOutcome::inconclusive && !run.result.by.empty() &&
           run.result.by == run.holder;
  };
  const auto uncontrolled = [](const SaleRun& run) {
    return run.result.outcome == RunOutcome::inconclusive &&
           run.result.message == control_not_refused;
  };
  const auto any = [&](auto test) { return std::any_of(runs.begin(), runs.end(), test); };
  std::string why;
  if (any(by_receiver)) {
    add_clause(why,
               "transfers were refused by the receiving holders' own contracts: could not tell");
  }
  if (any(by_sender)) {
    add_clause(why, "runs were refused by the sending holders' own contracts: could not tell");
  }
  if (any(uncontrolled)) {
    add_clause(why, std::string(control_not_refused) + ": what it ran could not tell");
  }
  return why;
}

}  // namespace

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

  Sells sells = Sells::not_checked;
  std::string unknown;  // why the outcome is not known
  if (conclusive_count == 0) {
    unknown = runs.empty() ? "" : "no dry run was conclusive";
  } else if (refused_count == conclusive_count) {
    sells = Sells::blocked;
  } else if (conclusive_sales > 0 && refused_sales == conclusive_sales && transfers_through > 0) {
    sells = Sells::only_transfers;
  } else if (refused_count > 0) {
    sells = Sells::some_holders_blocked;
  } else if ((transfers_through > 0 || !transfers_needed) && sales_through > 0) {
    sells = Sells::went_through;
  } else if (sales_through == 0) {
    unknown = sale_not_run.empty() ? "no sale was conclusive" : "";
  } else {
    unknown = "no transfer was conclusive";
  }
  std::string why = refusals_in_words(runs);
  add_clause(why, losses_in_words(runs));
  add_clause(why, unknown);
  add_clause(why, others_in_words(runs));
  add_clause(why, sale_not_run);
  return {sells, std::move(why)};
}

}  // namespace tarnwick
