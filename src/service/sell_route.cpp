#include "service/sell_route.h"

#include <chrono>
#include <cstdint>
#include <utility>
#include <variant>

#include "assess/sale_check.h"
#include "chain/token_sale.h"
#include "service/token_query.h"

namespace tarnwick {

Response sell_route(std::string_view target, const ScanContext& context, JsonReader& reader) {
  std::variant<TokenQuery, Response> query = token_query(target);
  if (Response* refusal = std::get_if<Response>(&query)) return std::move(*refusal);
  const auto& [token, symbol] = std::get<TokenQuery>(query);
  const auto now = static_cast<std::int64_t>(unix_seconds(std::chrono::system_clock::now()));
  return {status_ok, content_type_json_utf8,
          sale_json(check_sale(context, token, symbol, reader, now))};
}

}  // namespace tarnwick
