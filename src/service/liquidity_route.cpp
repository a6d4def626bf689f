#include "service/liquidity_route.h"

#include <utility>
#include <variant>

#include "assess/liquidity.h"
#include "service/token_query.h"

namespace tarnwick {

Response liquidity_route(std::string_view target, const ScanContext& context, JsonReader& reader,
                         const LiquiditySettings& settings) {
  std::variant<TokenQuery, Response> query = token_query(target);
  if (Response* refusal = std::get_if<Response>(&query)) return std::move(*refusal);
  const auto& [token, symbol] = std::get<TokenQuery>(query);
  return {status_ok, content_type_json_utf8,
          liquidity_json(gather_liquidity(settings, context, token, symbol, reader))};
}

}  // namespace tarnwick
