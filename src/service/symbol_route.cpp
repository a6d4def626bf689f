#include "service/symbol_route.h"

#include "assess/symbol_carriers.h"
#include "service/request_guards.h"

namespace tarnwick {

Response symbol_route(std::string_view target, const ScanContext& context, JsonReader& reader,
                      const SymbolSearchSettings& settings) {
  const SymbolParam symbol = symbol_param(target);
  if (symbol.kind == SymbolParam::Kind::none) {
    return {status_bad_request, content_type_json, R"({"error":"missing symbol"})"};
  }
  if (symbol.kind == SymbolParam::Kind::invalid) {
    return {status_bad_request, content_type_json, R"({"error":"invalid symbol"})"};
  }
  return {status_ok, content_type_json_utf8,
          symbol_json(search_symbol(settings, context, symbol.symbol, reader))};
}

}  // namespace tarnwick
