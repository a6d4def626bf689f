#include "chain/token_symbol.h"

#include <algorithm>

#include "chain/evidence_replies.h"
#include "common/json_reader.h"

namespace tarnwick {

ContractSymbols contract_symbols(JsonReader& reader, std::string_view reply) {
  ContractSymbols out;
  bool has_rows = false;
  const bool json = reader.read_members(reply, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "more")) out.more = more_flag(value);
    if (!is_key(key, "rows")) return;
    out.symbols.clear();
    std::size_t seen = 0;
    // A `rows` that is no array is no answer: never a contract without symbols.
    has_rows = for_each_element(value, [&](JsonValue& row) {
      const std::optional<std::string> symbol = scope_symbol(text_member(row, "scope"));
      if (symbol &&
          std::find(out.symbols.begin(), out.symbols.end(), *symbol) == out.symbols.end()) {
        out.symbols.push_back(*symbol);
      }
      return ++seen < contract_symbol_limit;
    });
  });
  if (!json) {
    out = ContractSymbols{};
    out.why = "reply not JSON";
  } else if (!has_rows) {
    out = ContractSymbols{};
    out.why = "reply without rows";
  }
  return out;
}

SymbolChoice choose_symbol(const std::optional<std::string>& requested,
                           const ContractSymbols& contract,
                           const std::optional<std::string>& market_symbol) {
  SymbolChoice choice;
  const bool listed = contract.why.empty();
  if (listed) {
    choice.symbols = contract.symbols;
    choice.more = contract.more;
    choice.shared = contract.more || contract.symbols.size() > 1;
  }
  if (requested) {
    const bool held =
        std::find(choice.symbols.begin(), choice.symbols.end(), *requested) != choice.symbols.end();
    if (listed && !contract.more && !held) {
      choice.why = "the contract holds no such symbol";
    } else {
      choice.symbol = requested;
    }
    return choice;
  }
  if (!listed) {
    choice.why = "the contract's symbols could not be read (" + contract.why + ")";
  } else if (*choice.shared) {
    choice.why = "the contract holds several token symbols";
  } else if (market_symbol) {
    choice.symbol = market_symbol;
  } else if (choice.symbols.size() == 1) {
    choice.symbol = choice.symbols.front();
  } else {
    choice.why = "the contract holds no token symbol";
  }
  return choice;
}

}  // namespace tarnwick
