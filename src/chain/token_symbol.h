// Which symbol of a token contract a route is about. A contract account may hold many tokens (a
// factory, a launchpad, wrapped tokens): its "stat" table has one scope per symbol code. The
// symbols are read with one get_table_by_scope of that table; the choice between them is a pure
// function, so that a shared contract never leads to a silent choice.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "assess/market_rows.h"
#include "assess/reason.h"
#include "chain/read_plan.h"
#include "chain/read_session.h"
#include "chain/stat_scopes_reply.h"

namespace tarnwick {

class JsonReader;

// The read of the contract's symbols: one get_table_by_scope of its "stat" table.
ChainRequest contract_symbols_request(std::string_view token);
// The contract's symbols from that reading; unavailable with the reading's reason when it brought
// no reply.
ContractSymbols contract_symbols_of(JsonReader& reader, const Reading& reading);

// The choice, with what it rests on.
struct SymbolChoice {
  std::optional<std::string> symbol;  // the chosen code, or none with `why`
  Reason why;
  std::vector<std::string> symbols;  // the contract's symbols as read (empty when not read)
  bool more = false;
  // More than one symbol, or the list is cut; none when the list was not read: then whether the
  // contract is shared is unknown, and never taken for "not shared".
  std::optional<bool> shared;
};

// The symbol a route reads:
// - requested: it, unless the contract's list was read whole (not cut by `more`) and lacks it:
//   then none, "the contract holds no such symbol";
// - not requested, list not read: none, "the contract's symbols could not be read (<reason>)":
//   a market row does not tell whether the contract holds other symbols;
// - not requested, shared contract: none, "the contract holds several token symbols" (the list
//   goes with it, for the person to choose);
// - otherwise the market row's symbol, else the only symbol of the list, else none, "the
//   contract holds no token symbol".
SymbolChoice choose_symbol(const std::optional<std::string>& requested,
                           const ContractSymbols& contract,
                           const std::optional<std::string>& market_symbol);

// The reads behind a route's choice, as reads of a plan that need `needs`: the market row (when
// `with_market`; a requested symbol needs none), the contract's symbols, and the choice made from
// them (choose_symbol) once both have ended. `ready()` says whether the reads are needed at all
// (none are made when it says no; the choice is then unread).
struct SymbolReads {
  PlanRead<std::optional<Reading>> market;          // none kept: not read
  PlanRead<std::optional<MarketRows>> market_rows;  // its rows; unreadable when not read
  PlanRead<std::optional<Reading>> symbols;
  PlanRead<std::optional<SymbolChoice>> choice;
};
SymbolReads add_symbol_reads(
    ReadPlan& plan, const std::vector<PlanIndex>& needs, std::string_view token,
    const std::optional<std::string>& requested, bool with_market,
    const std::function<bool()>& needed = [] { return true; });
// The choice of `reads` in a plan that has run; none chosen ("not read") when it was not needed.
SymbolChoice symbol_choice(const ReadPlan& plan, const SymbolReads& reads);

// How a route takes a contract whose symbols were not read, after "counted as": judged as both
// the contract and the symbol's issuer when a symbol was asked for, else nothing chosen.
inline constexpr std::string_view shared_unknown_judged_both =
    "possibly shared: judged as both the contract and the token's issuer";
inline constexpr std::string_view shared_unknown_nothing_chosen =
    "possibly shared: no symbol chosen, so supply and holders are unread";
inline constexpr std::string_view shared_unknown_pools_of_symbol =
    "possibly shared: the pools of the symbol asked for are read";
inline constexpr std::string_view shared_unknown_no_venue =
    "possibly shared: no symbol chosen, so no venue is read";

}  // namespace tarnwick
