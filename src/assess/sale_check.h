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

// How one dry run ended; all but `outcome` empty for one that went through.
struct RunResult {
  RunOutcome outcome = RunOutcome::inconclusive;
  std::string by;                    // the receiver whose code threw; empty when none is known
  std::optional<std::int64_t> code;  // the chain's exception code
  std::string name;                  // its name
  std::string message;               // the assert text or what is known; at most 200 characters
};

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

enum class Sells : std::uint8_t {
  not_checked,           // no run was conclusive, or too few to say (`why`)
  blocked,               // the token refused every conclusive run
  only_transfers,        // transfers went through, the token refused every conclusive sale
  some_holders_blocked,  // the token refused some runs and not others
  went_through,          // a transfer (none needed with one holder) and a sale went through
};
inline constexpr std::array<std::string_view, 5> sells_names = {
    "not_checked", "blocked", "only_transfers", "some_holders_blocked", "went_through"};

struct SaleReport {
  std::string token;
  std::optional<std::string> symbol;
  Sells sells = Sells::not_checked;
  std::string why;  // why nothing or no sale was checked; empty when nothing is missing
  std::vector<SaleRun> runs;
  std::string node;  // the node that ran the dry runs; empty when none did
};

// A holder the runs are made for.
struct SaleHolder {
  std::string owner;
  Asset balance;
};

// Holders a check makes runs for at most.
inline constexpr std::size_t sale_holder_count = 3;

// The first three of the top holders (largest first) that hold for themselves, with an amount
// above 0: not the token's contract, the burn and escrow accounts, or a venue's contract.
std::vector<SaleHolder> sale_holders(std::span<const HolderEntry> holders, std::string_view token);

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
// `sale_not_run` when no sale was run, else what kept the outcome from being known.
struct SaleOutcome {
  Sells sells = Sells::not_checked;
  std::string why;
};
SaleOutcome sale_outcome(std::span<const SaleRun> runs, bool transfers_needed,
                         std::string_view sale_not_run);

// The answer of /sell, one line:
// {"version":1,"token":..,"symbol":..|null,"sells":..,"why":..|null,"runs":[{"holder":..,
//  "to":..,"kind":..,"quantity":..,"outcome":..[,"by":..|null,"code":N|null,"name":..|null,
//  "message":..]}],"node":..|null}; by, code, name and message on every run but one that went
// through.
std::string sale_json(const SaleReport& report);

}  // namespace tarnwick
