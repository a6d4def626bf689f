// Whether a token's symbol is another's: the known token (the network's own) whose symbol is the
// chosen one or a lookalike of it, this contract's row in the network's token registry with that
// symbol, and the other contracts the exchange's market rows name with it. Pure: the rows are
// read elsewhere. Nothing reassuring comes from what was not read: a registry not read leaves
// the fact partly read, never "not registered".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "assess/evidence.h"
#include "assess/known_tokens.h"
#include "assess/market_rows.h"
#include "assess/reason.h"
#include "assess/registry_rows.h"

namespace tarnwick {

// The registry's rows of one contract as read: `whole` when the read held all of them.
struct ContractRegistryRows {
  std::vector<RegistryRow> rows;
  bool whole = false;
  Reason why;  // the rows were not read
};

// The fact for `token` and its chosen `symbol` (none: unavailable with `symbol_why`). `known` is
// this contract's own known token when it is one for the symbol, else the first known token it
// looks like; it `borrows` when that token is another contract's.
SymbolElsewhereFact symbol_elsewhere(std::string_view token,
                                     const std::optional<std::string>& symbol,
                                     const Reason& symbol_why, const KnownTokens& known,
                                     const ContractRegistryRows& registry,
                                     const MarketRows& market);

}  // namespace tarnwick
