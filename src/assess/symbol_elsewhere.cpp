#include "assess/symbol_elsewhere.h"

#include <algorithm>

namespace tarnwick {
namespace {

std::optional<KnownSymbol> known_symbol(std::string_view token, std::string_view symbol,
                                        const KnownTokens& known) {
  const std::vector<KnownToken> alike = known.known_for(symbol);
  if (alike.empty()) return std::nullopt;
  const auto own = std::find_if(alike.begin(), alike.end(),
                                [&](const KnownToken& each) { return each.contract == token; });
  const KnownToken& chosen = own != alike.end() ? *own : alike.front();
  return KnownSymbol{chosen.contract, chosen.symbol, own != alike.end()};
}

std::vector<std::string> market_contracts(std::string_view token, std::string_view symbol,
                                          const MarketRows& market) {
  std::vector<std::string> contracts;
  const auto add = [&](const MarketSide& side) {
    if (side.symbol != symbol || side.contract == token) return;
    if (std::find(contracts.begin(), contracts.end(), side.contract) != contracts.end()) return;
    contracts.push_back(side.contract);
  };
  for (const MarketTableRow& row : market.rows) {
    add(row.bid);
    add(row.ask);
  }
  return contracts;
}

}  // namespace

SymbolElsewhereFact symbol_elsewhere(std::string_view token,
                                     const std::optional<std::string>& symbol,
                                     const Reason& symbol_why, const KnownTokens& known,
                                     const ContractRegistryRows& registry,
                                     const MarketRows& market) {
  SymbolElsewhereFact fact;
  if (!symbol) {
    fact.why = symbol_why;
    return fact;
  }
  fact.symbol = *symbol;
  fact.known = known_symbol(token, *symbol, known);
  fact.borrows = fact.known && !fact.known->is_this;
  if (market.why.empty()) fact.market_contracts = market_contracts(token, *symbol, market);

  if (!registry.why.empty()) {
    fact.partly = true;
    fact.why =
        reason(registry.why.code, "the registry could not be read (" + registry.why.text + ")");
    return fact;
  }
  const auto row = std::find_if(
      registry.rows.begin(), registry.rows.end(),
      [&](const RegistryRow& each) { return each.contract == token && each.symbol == *symbol; });
  if (row != registry.rows.end()) {
    fact.registry = RegistryListing{.listed = true, .name = row->name, .blisted = row->blisted};
  } else if (registry.whole) {
    fact.registry = RegistryListing{};
  } else {
    fact.partly = true;
    fact.why = reason(ReasonCode::over_budget,
                      "the registry holds more rows of this contract than were read");
  }
  return fact;
}

}  // namespace tarnwick
