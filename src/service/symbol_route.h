// GET /symbol?symbol=<SYM>: the contracts seen carrying a symbol code or a lookalike of it, the
// network's own token first (assess/symbol_carriers.h has the JSON).
#pragma once

#include <string_view>

#include "chain/scan_context.h"
#include "chain/symbol_search.h"
#include "service/connection.h"

namespace tarnwick {

class JsonReader;

// {"error":"missing symbol"} or {"error":"invalid symbol"} with 400 before any read; else 200
// application/json; charset=utf-8 with the contracts found. The answer holds the serving thread
// for as long as its reads take: at most 30 seconds.
Response symbol_route(std::string_view target, const ScanContext& context, JsonReader& reader,
                      const SymbolSearchSettings& settings = production_symbol_settings);

}  // namespace tarnwick
