#include "chain/token_symbol.h"

#include <algorithm>

#include "chain/chain_requests.h"
#include "chain/market_reply.h"
#include "chain/read_session.h"
#include "chain/stat_scopes_reply.h"
#include "common/json_reader.h"

namespace tarnwick {

ChainRequest contract_symbols_request(std::string_view token) {
  return stat_scopes_request(token, contract_symbol_limit);
}

ContractSymbols contract_symbols_of(JsonReader& reader, const Reading& reading) {
  if (!reading.reply) {
    ContractSymbols unread;
    unread.why = reading.why;
    return unread;
  }
  return contract_symbols(reader, *reading.reply);
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
      choice.why = reason(ReasonCode::not_held, "the contract holds no such symbol");
    } else {
      choice.symbol = requested;
    }
    return choice;
  }
  if (!listed) {
    choice.why = reason(ReasonCode::not_chosen,
                        "the contract's symbols could not be read (" + contract.why.text + ")");
  } else if (*choice.shared) {
    choice.why = reason(ReasonCode::not_chosen, "the contract holds several token symbols");
  } else if (market_symbol) {
    choice.symbol = market_symbol;
  } else if (choice.symbols.size() == 1) {
    choice.symbol = choice.symbols.front();
  } else {
    choice.why = reason(ReasonCode::not_held, "the contract holds no token symbol");
  }
  return choice;
}

std::vector<ChainRequest> symbol_choice_requests(std::string_view token, bool requested) {
  std::vector<ChainRequest> requests;
  if (!requested) requests.push_back(table_rows_request(market_rows_body()));
  requests.push_back(contract_symbols_request(token));
  return requests;
}

SymbolChoice symbol_choice_of(JsonReader& reader, std::span<const Reading> readings,
                              std::string_view token, const std::optional<std::string>& requested) {
  std::optional<std::string> market;
  if (!requested && readings.front().reply) {
    market = market_symbol(read_market(reader, *readings.front().reply, token), token);
  }
  return choose_symbol(requested, contract_symbols_of(reader, readings.back()), market);
}

}  // namespace tarnwick
