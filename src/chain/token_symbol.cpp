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

SymbolReads add_symbol_reads(ReadPlan& plan, const std::vector<PlanIndex>& needs,
                             std::string_view token, const std::optional<std::string>& requested,
                             bool with_market, const std::function<bool()>& needed) {
  const auto market = plan.add_one(needs, [=]() -> std::optional<ChainRequest> {
    if (!with_market || !needed()) return std::nullopt;
    return table_rows_request(market_rows_body());
  });
  const auto symbols = plan.add_one(needs, [=]() -> std::optional<ChainRequest> {
    if (!needed()) return std::nullopt;
    return contract_symbols_request(token);
  });
  const auto rows = plan.add_view<MarketRows>({market}, [&plan, market](JsonReader& reader) {
    const std::optional<Reading>& read = plan[market];
    if (!read || !read->reply) {
      return unavailable<MarketRows>(read ? read->why
                                          : reason(ReasonCode::not_asked, "market not read"));
    }
    return read_market_rows(reader, *read->reply);
  });
  const auto choice = plan.add_view<SymbolChoice>(
      {rows, symbols}, [&plan, rows, symbols, token, requested](JsonReader& reader) {
        const std::optional<Reading>& listed = plan[symbols];
        if (!listed) {
          SymbolChoice unread;
          unread.why = reason(ReasonCode::input_unread, "not read");
          return unread;
        }
        std::optional<std::string> in_market;
        if (!requested) in_market = market_symbol(market_fact(*plan[rows], token), token);
        return choose_symbol(requested, contract_symbols_of(reader, *listed), in_market);
      });
  return {market, rows, symbols, choice};
}

SymbolChoice symbol_choice(const ReadPlan& plan, const SymbolReads& reads) {
  return *plan[reads.choice];
}

}  // namespace tarnwick
