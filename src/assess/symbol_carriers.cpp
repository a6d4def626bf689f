#include "assess/symbol_carriers.h"

#include <algorithm>
#include <array>

#include "assess/json_writer.h"
#include "assess/lookalike.h"

namespace tarnwick {
namespace {

constexpr std::array<std::string_view, 6> source_order = {
    "known", "registry", "market", "proton.swaps", "simpledex", "swap.alcor"};

class Carriers {
 public:
  explicit Carriers(std::string_view symbol) : symbol_(symbol) {}

  // Notes `contract` carrying `code` where `seen`, when `code` is the symbol or a lookalike.
  SymbolCarrier* note(std::string_view contract, std::string_view code, std::string_view seen) {
    if (contract.empty() || !is_lookalike(code, symbol_)) return nullptr;
    auto at = std::find_if(list_.begin(), list_.end(), [&](const SymbolCarrier& carrier) {
      return carrier.contract == contract && carrier.symbol == code;
    });
    if (at == list_.end()) {
      SymbolCarrier carrier;
      carrier.contract = std::string(contract);
      carrier.symbol = std::string(code);
      carrier.lookalike = code != symbol_;
      list_.push_back(std::move(carrier));
      at = list_.end() - 1;
    }
    if (std::find(at->seen.begin(), at->seen.end(), seen) == at->seen.end()) {
      at->seen.push_back(seen);
    }
    return &*at;
  }

  std::vector<SymbolCarrier> finish() {
    for (SymbolCarrier& carrier : list_) {
      std::sort(carrier.seen.begin(), carrier.seen.end(),
                [](std::string_view a, std::string_view b) {
                  return std::find(source_order.begin(), source_order.end(), a) <
                         std::find(source_order.begin(), source_order.end(), b);
                });
    }
    std::stable_partition(list_.begin(), list_.end(),
                          [](const SymbolCarrier& carrier) { return carrier.known; });
    return std::move(list_);
  }

 private:
  std::string_view symbol_;
  std::vector<SymbolCarrier> list_;
};

}  // namespace

std::vector<SymbolCarrier> symbol_carriers(std::string_view symbol, const KnownTokens& known,
                                           const SymbolSources& sources) {
  Carriers carriers(symbol);
  for (const KnownToken& token : known.known_for(symbol)) {
    if (SymbolCarrier* carrier = carriers.note(token.contract, token.symbol, "known")) {
      carrier->known = true;
    }
  }
  for (const RegistryRow& row : sources.registry) {
    if (SymbolCarrier* carrier = carriers.note(row.contract, row.symbol, "registry")) {
      carrier->name = row.name;
      carrier->blisted = carrier->blisted.value_or(false) || row.blisted;
    }
  }
  for (const MarketTableRow& row : sources.market) {
    carriers.note(row.bid.contract, row.bid.symbol, "market");
    carriers.note(row.ask.contract, row.ask.symbol, "market");
  }
  for (const SwapsPoolRow& row : sources.swaps) {
    carriers.note(row.pool1.contract, row.pool1.symbol, "proton.swaps");
    carriers.note(row.pool2.contract, row.pool2.symbol, "proton.swaps");
  }
  for (const DexPoolRow& row : sources.dex) {
    carriers.note(row.a.contract, row.a.symbol, "simpledex");
    carriers.note(row.b.contract, row.b.symbol, "simpledex");
  }
  for (const ConcentratedPoolRow& row : sources.alcor) {
    carriers.note(row.a.contract, row.a.symbol, "swap.alcor");
    carriers.note(row.b.contract, row.b.symbol, "swap.alcor");
  }
  return carriers.finish();
}

std::string symbol_json(const SymbolReport& report) {
  std::string out;
  {
    JsonObject answer(out);
    answer.member("version", 1);
    answer.member("symbol", report.symbol);
    {
      JsonArray contracts = answer.array("contracts");
      for (const SymbolCarrier& carrier : report.carriers) {
        JsonObject item = contracts.object();
        item.member("contract", carrier.contract);
        item.member("symbol", carrier.symbol);
        item.member("known", carrier.known);
        item.member("lookalike", carrier.lookalike);
        item.member("name", carrier.name);
        item.member("blisted", carrier.blisted);
        item.member("seen", carrier.seen);
      }
    }
    {
      JsonArray unread = answer.array("unread");
      for (const UnreadSource& source : report.unread) {
        JsonObject item = unread.object();
        item.member("what", source.what);
        item.member("why", source.why);
      }
    }
    answer.member("all_read", report.unread.empty());
    answer.member("reads", report.reads);
  }
  return out;
}

}  // namespace tarnwick
