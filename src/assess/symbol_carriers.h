// The contracts seen carrying a symbol code or a lookalike of it (assess/lookalike.h), for
// /symbol: the network's own token first and marked, then every other (contract, symbol) in the
// order first seen, each with its registry row's name and blacklisting when one was read and
// where it was seen. What was not read is listed beside them: a contract missing from the list
// is only not seen in what was read. Pure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "assess/known_tokens.h"
#include "assess/market_rows.h"
#include "assess/pool_rows.h"
#include "assess/registry_rows.h"

namespace tarnwick {

// The rows read, each table's whatever was read of it.
struct SymbolSources {
  std::vector<RegistryRow> registry;
  std::vector<MarketTableRow> market;
  std::vector<SwapsPoolRow> swaps;
  std::vector<DexPoolRow> dex;
  std::vector<ConcentratedPoolRow> alcor;
};

struct SymbolCarrier {
  std::string contract;
  std::string symbol;
  bool known = false;               // the network's own token
  bool lookalike = false;           // its code is not the one asked but folds to it
  std::optional<std::string> name;  // its registry row's; none without one read
  std::optional<bool> blisted;
  // "known", "registry", "market", then the venues' contracts, each once, in that order.
  std::vector<std::string_view> seen;
};

// A table not read whole, and why.
struct UnreadSource {
  std::string what;  // "registry", "market", a venue's contract
  std::string why;
};

struct SymbolReport {
  std::string symbol;
  std::vector<SymbolCarrier> carriers;
  std::vector<UnreadSource> unread;
  std::uint32_t reads = 0;
};

std::vector<SymbolCarrier> symbol_carriers(std::string_view symbol, const KnownTokens& known,
                                           const SymbolSources& sources);

// {"version":1,"symbol":..,"contracts":[{"contract":..,"symbol":..,"known":..,"lookalike":..,
//  "name":..|null,"blisted":..|null,"seen":[..]}],"unread":[{"what":..,"why":..}],
//  "all_read":..,"reads":N}
std::string symbol_json(const SymbolReport& report);

}  // namespace tarnwick
