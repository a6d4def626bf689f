// The query of a route about one token of a contract: its `token` and optional `symbol` values,
// refused before any read when they cannot be used.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "service/connection.h"

namespace tarnwick {

struct TokenQuery {
  std::string token;
  std::optional<std::string> symbol;
};

// The query of `target`, or the 400 application/json answer that refuses it before any read:
// {"error":"missing token"} (as /scan), or {"error":"invalid symbol"} for a symbol that is not 1
// to 7 capitals A-Z (an empty `symbol=` is as if absent).
std::variant<TokenQuery, Response> token_query(std::string_view target);

}  // namespace tarnwick
