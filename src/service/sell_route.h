// GET /sell?token=<contract>&symbol=<SYM>: whether a sale can go through, as dry runs of a
// transfer and of a sale on the node show it (assess/sale_check.h has the JSON).
#pragma once

#include <string_view>

#include "chain/scan_context.h"
#include "service/connection.h"

namespace tarnwick {

class JsonReader;

// {"error":"missing token"} or {"error":"invalid symbol"} with 400 before any read; else 200
// application/json; charset=utf-8 with the sale check. The answer holds the serving thread for
// as long as its reads take: at most 30 seconds. `reader` reads the replies, as for /scan.
Response sell_route(std::string_view target, const ScanContext& context, JsonReader& reader);

}  // namespace tarnwick
