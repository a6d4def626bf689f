// GET /liquidity?token=<contract>&symbol=<SYM>: the token's pools on the exchanges' AMM venues,
// who can take their liquidity out, and the totals (assess/liquidity.h has the JSON).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "chain/scan_context.h"
#include "chain/token_liquidity.h"
#include "service/connection.h"

namespace tarnwick {

class JsonReader;

// {"error":"missing token"} or {"error":"invalid symbol"} with 400 before any read; else 200
// application/json; charset=utf-8 with the liquidity object. The answer holds the serving thread
// for as long as its reads take (bounded by `settings`).
// `reader` reads the replies, as for /scan and /evidence.
Response liquidity_route(std::string_view target, const ScanContext& context, JsonReader& reader,
                         const LiquiditySettings& settings = production_liquidity_settings);

}  // namespace tarnwick
