#include "service/token_query.h"

#include <utility>

#include "assess/renderings.h"
#include "service/request_guards.h"

namespace tarnwick {

std::variant<TokenQuery, Response> token_query(std::string_view target) {
  std::optional<std::string> token = token_param(target, "token");
  if (!token)
    return Response{status_bad_request, content_type_json, std::string(scan_missing_token_body)};
  SymbolParam symbol = symbol_param(target);
  if (symbol.kind == SymbolParam::Kind::invalid) {
    return Response{status_bad_request, content_type_json, R"({"error":"invalid symbol"})"};
  }
  return TokenQuery{std::move(*token), symbol.kind == SymbolParam::Kind::given
                                           ? std::optional(std::move(symbol.symbol))
                                           : std::nullopt};
}

}  // namespace tarnwick
