// The get_table_by_scope reply of a token contract's "stat" table: one scope per symbol the
// contract holds, each the 64-bit value of a symbol code printed as an account name. Pure; never
// throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "assess/reason.h"

namespace tarnwick {

class JsonReader;

// The most scopes the symbols read asks for.
inline constexpr std::uint32_t contract_symbol_limit = 100;

// The symbols of a contract as one read gave them, or why there are none.
struct ContractSymbols {
  std::vector<std::string> symbols;  // distinct codes in reply order
  bool more = false;                 // the reply's `more` was not empty: the list is cut
  Reason why;                        // empty when read
};

// From a get_table_by_scope reply of the "stat" table: its scopes decoded as scope_symbol does (at
// most contract_symbol_limit looked at), and `more` as more_flag reads it (clear without the
// member). Unavailable ("reply not JSON", "reply without rows", "a row whose scope is no symbol
// code") otherwise: a row that cannot be read leaves the whole list unread.
ContractSymbols contract_symbols(JsonReader& reader, std::string_view reply);

// The symbol code whose 64-bit value a "stat" scope prints as an account name (leading dots
// kept: XPR prints as "........edc5c"); none unless it is 1 to 7 letters A-Z.
std::optional<std::string> scope_symbol(std::string_view scope);

}  // namespace tarnwick
