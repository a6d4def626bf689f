#include "chain/stat_scopes_reply.h"

#include <algorithm>

#include "common/account_name.h"
#include "common/json_reader.h"
#include "common/symbol_code.h"

namespace tarnwick {

std::optional<std::string> scope_symbol(std::string_view scope) {
  const std::optional<std::uint64_t> code = encode_account_name(scope);
  if (!code) return std::nullopt;
  std::string symbol;
  std::uint64_t rest = *code;
  while (rest != 0 && symbol.size() < 8) {
    const auto letter = static_cast<char>(rest & 0xFFU);
    if (letter < 'A' || letter > 'Z') return std::nullopt;
    symbol += letter;
    rest >>= 8;
  }
  if (!is_symbol_code(symbol)) return std::nullopt;
  return symbol;
}

ContractSymbols contract_symbols(JsonReader& reader, std::string_view reply) {
  ContractSymbols out;
  ElementsRead rows;
  const bool json = reader.read_members(reply, [&](std::string_view key, JsonValue& value) {
    if (is_key(key, "more")) out.more = more_flag(value);
    if (!is_key(key, "rows")) return;
    out.symbols.clear();
    rows = read_elements(value, contract_symbol_limit, [&](JsonValue& row) {
      const std::optional<std::string> symbol = scope_symbol(text_member(row, "scope"));
      if (!symbol) return false;
      if (std::find(out.symbols.begin(), out.symbols.end(), *symbol) == out.symbols.end()) {
        out.symbols.push_back(*symbol);
      }
      return true;
    });
  });
  // A `rows` that is no array, or with a row that names no symbol, is no answer: never a
  // contract without symbols, nor one with fewer than its table holds.
  if (!json) {
    out = ContractSymbols{};
    out.why = reason(ReasonCode::not_json, "reply not JSON");
  } else if (!rows.listed) {
    out = ContractSymbols{};
    out.why = reason(ReasonCode::shape_not_recognised, "reply without rows");
  } else if (!rows.whole()) {
    out = ContractSymbols{};
    out.why = reason(ReasonCode::row_not_recognised, "a row whose scope is no symbol code");
  }
  return out;
}

}  // namespace tarnwick
