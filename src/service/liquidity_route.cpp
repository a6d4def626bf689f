#include "service/liquidity_route.h"

#include "assess/liquidity.h"
#include "assess/renderings.h"
#include "service/request_guards.h"

namespace tarnwick {

Response liquidity_route(std::string_view target, const ScanContext& context, JsonReader& reader,
                         const LiquiditySettings& settings) {
  const std::optional<std::string> token = token_param(target, "token");
  if (!token) return {status_bad_request, content_type_json, std::string(scan_missing_token_body)};
  const SymbolParam symbol = symbol_param(target);
  if (symbol.kind == SymbolParam::Kind::invalid) {
    return {status_bad_request, content_type_json, R"({"error":"invalid symbol"})"};
  }
  const std::optional<std::string> requested =
      symbol.kind == SymbolParam::Kind::given ? std::optional(symbol.symbol) : std::nullopt;
  return {status_ok, content_type_json_utf8,
          liquidity_json(gather_liquidity(settings, context, *token, requested, reader))};
}

}  // namespace tarnwick
