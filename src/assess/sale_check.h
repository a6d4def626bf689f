// The sale check behind /sell: whether the token lets its holders move it and sell it, as dry runs
// on the node show it. For up to three top holders, a plain transfer of a thousandth of the
// balance to the next of them and a sale of the same quantity into the token's deepest pool; each
// run went through, was refused by the token or by the venue, or could not tell. The outcome
// never says more than was run: one sale that went through says nothing of a cap or a tax. Pure:
// the choice of holders and pool, the memos, the outcome and the JSON answer; no reading.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "assess/evidence.h"
#include "assess/liquidity.h"
#include "assess/token_amounts.h"

namespace tarnwick {

enum class RunOutcome : std::uint8_t {
  went_through,
  refused_by_token,  // the token's contract, or a contract its action sent to, refused it
  refused_by_venue,  // the venue refused the sale: slippage, a paused pool, a minimum
  inconclusive,      // anything else: a limit of the node, a holder's own contract, no answer
};
inline constexpr std::array<std::string_view, 4> run_outcome_names = {
    "went_through", "refused_by_token", "refused_by_venue", "inconclusive"};

// The longest message a run shows, in characters.
inline constexpr std::size_t max_message_characters = 200;

// What a sale that went through paid the holder, as the trace shows it.
struct Proceeds {
  std::string quantity;  // asset text
  std::string contract;  // the contract of the asset paid
};

// A part of the token taken on a sale's way to the venue: who got it, and how much.
struct TakenPart {
  std::string to;
  Asset quantity;
};

// What a sale that went through cost, as its trace shows it, beside what the pool states it
// should pay. Each transfer counts once (at its entry in the token's own contract: the
// notifications repeat it).
struct SaleCost {
  Asset sent;                    // the run's quantity
  Asset reached_venue;           // the token's transfers to the venue
  std::vector<TakenPart> taken;  // the token's transfers from the holder or the contract to others
  Asset paid;                    // the proceeds
  std::optional<std::uint32_t> pool_fee_ppm;  // the pool's stated fee, in millionths
  std::optional<Asset> quote;                 // what the pool states it pays for `sent`
  std::optional<std::uint32_t> cost_bp;       // 1 - paid / quote, rounded, never below 0
  std::string why;                            // why there is no quote; empty with one
};

// How one dry run ended; all but `outcome` (and a sale's `proceeds` and `cost`) empty for one
// that went through.
struct RunResult {
  RunOutcome outcome = RunOutcome::inconclusive;
  std::string by;                    // the receiver whose code threw; empty when none is known
  std::optional<std::int64_t> code;  // the chain's exception code
  std::string name;                  // its name
  std::string message;               // the assert text or what is known; at most 200 characters
  std::optional<Proceeds> proceeds;  // a sale that went through: what the venue paid
  std::optional<SaleCost> cost;      // the same: what it cost
};

// Adds to a sale's cost the pool's quote for what was sent and the cost in basis points.
void price_sale(SaleCost& cost, const LiquidityPool& pool);

// A cost below this many basis points beyond the pool's fee is the pool's own rounding or a
// share it keeps elsewhere; from it on the answer calls it a loss.
inline constexpr std::uint32_t tax_threshold_bp = 100;

// The control run beside the dry runs: a transfer of 0.0001 XPR on eosio.token from the first
// holder to itself, which that contract refuses first thing. A node that does not refuse it does
// not run contracts as the chain does, so no run it answers went through.
inline constexpr std::string_view control_token = "eosio.token";
inline constexpr std::string_view control_quantity = "0.0001 XPR";

enum class ControlOutcome : std::uint8_t {
  refused,       // eosio.token refused it: the node runs contracts
  went_through,  // the node let it through
  inconclusive,  // anything else: no answer, another refusal, a node behind
};
inline constexpr std::array<std::string_view, 3> control_outcome_names = {"refused", "went_through",
                                                                          "inconclusive"};

struct SaleControl {
  std::string node;  // the node that answered it; empty when none did
  ControlOutcome outcome = ControlOutcome::inconclusive;
  std::string message;
};

// The control's outcome from its run's result and the node that answered it.
SaleControl control_of(const RunResult& result, std::string node);

// What the control leaves of a run's result: one that went through on a node other than the one
// that refused the control, or with no control refused, is inconclusive.
RunResult held_to_control(RunResult result, std::string_view node, const SaleControl& control);

// The message of a run that went through on a node whose control was not refused.
inline constexpr std::string_view control_not_refused =
    "the node did not refuse a transfer it must refuse";

// The kind of a plain transfer; a sale's kind is its venue's contract.
inline constexpr std::string_view transfer_kind = "transfer";

struct SaleRun {
  std::string holder;
  std::string to;
  std::string kind;
  std::string quantity;  // asset text
  std::string memo;
  RunResult result;
};

// The costs of the sales that went through: the largest cost, every account that took a part of
// the token, and why a figure is missing.
struct SaleCosts {
  std::optional<std::uint32_t> sell_cost_bp;
  std::vector<std::string> taken_by;
  std::string why;  // empty when every sale that went through has its cost
};
SaleCosts sale_costs(std::span<const SaleRun> runs);

enum class Sells : std::uint8_t {
  not_checked,           // no run was conclusive, or too few to say (`why`)
  blocked,               // the token refused every conclusive run
  only_transfers,        // transfers went through, the token refused every conclusive sale
  some_holders_blocked,  // the token refused some runs and not others
  went_through,          // a transfer (none needed with one holder) and a sale went through
};
inline constexpr std::array<std::string_view, 5> sells_names = {
    "not_checked", "blocked", "only_transfers", "some_holders_blocked", "went_through"};

// A candidate the runs were not made for, and why.
struct SkippedHolder {
  std::string holder;
  std::string why;
};

struct SaleReport {
  std::string token;
  std::optional<std::string> symbol;
  Sells sells = Sells::not_checked;
  std::string why;  // what was refused by whom, or what kept it from being known; may be empty
  std::vector<SkippedHolder> skipped;
  std::optional<SaleControl> control;  // none when no run was made
  std::vector<SaleRun> runs;
  SaleCosts costs;
  std::string node;  // the node that ran the dry runs; empty when none did
};

// A holder the runs are made for, with its balance as the chain states it.
struct SaleHolder {
  std::string owner;
  Asset balance;
};

// Holders a check makes runs for at most, and candidates whose balances it reads for them.
inline constexpr std::size_t sale_holder_count = 3;
inline constexpr std::size_t sale_candidate_count = 6;

// The first six of the top holders (largest first) that hold for themselves, each once: account
// names, not the token's contract, the burn and escrow accounts, or a venue's contract. The
// history index's amounts are not trusted: the chain's balances decide (choose_holders).
std::vector<std::string> sale_candidates(std::span<const HolderEntry> holders,
                                         std::string_view token);

// A candidate's balance as the chain gave it: none when it was not read.
struct LiveBalance {
  std::string holder;
  std::optional<std::vector<Asset>> assets;  // the reply's list; empty: the holder holds none
};

// The first three candidates whose live balance of `symbol` (its code and precision) is above 0,
// each with it; the candidates before the third chosen that were not, in `skipped` with why:
// "zero balance", "balance unread", "holds another symbol".
struct HolderChoice {
  std::vector<SaleHolder> holders;
  std::vector<SkippedHolder> skipped;
};
HolderChoice choose_holders(std::span<const LiveBalance> balances, std::string_view symbol,
                            std::uint8_t precision);

// The pool a sale goes into and its venue's contract.
struct SalePool {
  std::string_view venue;
  const LiquidityPool* pool = nullptr;
};

// Where the sales go: the active pool with the largest token amount (ties: venue order, then
// key), or why no sale is run: the token is still on its launch curve (a sale into a curve is not
// checked yet), a venue was not read whole (the deepest pool may be there), or no active pool
// holds the token. `venues` are in the fixed venue order and outlive the answer.
struct SaleTarget {
  std::optional<SalePool> pool;
  std::string why;  // set exactly when there is no pool
};
SaleTarget sale_target(std::span<const LiquidityVenue> venues);

// The memo by which `venue` takes a transfer as a sale into `pool` for `holder`, asking at least
// one sub-unit back: proton.swaps "<LT_SYMBOL>,1"; simpledex "swap:<ID>:1:<true|false>" (true
// when the token is side A); swap.alcor "swapexactin#<ID>#<holder>#<one sub-unit of the other
// token>@<its contract>#0".
std::string sale_memo(std::string_view venue, const LiquidityPool& pool, std::string_view holder);

// The runs of `holders`, each holder's in turn: a transfer of a thousandth of its balance (at
// least one sub-unit) to the next holder (the last to the first; none with one holder), then a
// sale of the same quantity into `pool`, when there is one. Their results are not yet known.
std::vector<SaleRun> plan_runs(std::span<const SaleHolder> holders,
                               const std::optional<SalePool>& pool);

// The outcome of `runs` (conclusive runs: went through, refused by the token) and its `why`:
// what the token refused (never more than it refused: "every sale tried" only when it refused
// each), what else refused or kept a run from being known (the receiving holders' own contracts,
// the control), `sale_not_run` when no sale was run; clauses joined by "; ".
struct SaleOutcome {
  Sells sells = Sells::not_checked;
  std::string why;
};
SaleOutcome sale_outcome(std::span<const SaleRun> runs, bool transfers_needed,
                         std::string_view sale_not_run);

// The answer of /sell, one line:
// {"version":1,"token":..,"symbol":..|null,"sells":..,"why":..|null,"skipped":[{"holder":..,
//  "why":..}],"control":{"node":..|null,"outcome":..,"message":..}|null,"runs":[{"holder":..,
//  "to":..,"kind":..,"quantity":..,"outcome":..[,"proceeds":{"quantity":..,"contract":..},
//  "cost":{"sent":..,"reached_venue":..,"taken":[{"to":..,"quantity":..}],"pool_fee_ppm":N|null,
//  "quote":..|null,"cost_bp":N|null}][,"by":..|null,"code":N|null,"name":..|null,
//  "message":..]}],"costs":{"sell_cost_bp":N|null,"taken_by":[..],"why":..|null},"node":..|null};
// proceeds and cost on a sale that went through, by, code, name and message on every run but one
// that went through.
std::string sale_json(const SaleReport& report);

}  // namespace tarnwick
