// The routes: the one answer a request gets. Guards first (405, then 403), then the routes in
// fixed order, first match wins:
//   target begins "/health"            -> 200 text/plain "ok"
//   path is "/" or "/index.html"       -> 200 the cockpit page
//   path is "/update"                  -> the update notice
//   target begins "/oracle"            -> the oracle line for the `token` query value
//   target begins "/scan"              -> the scan JSON for the `token` query value
//   path is "/evidence"                -> the evidence JSON for the `token` and `symbol` values
//   path is "/liquidity"               -> the pools of the `token` (and `symbol`) query values
//   path is "/sell"                    -> the dry runs of a sale of that token
//   anything else                      -> 404 text/plain "not found"
// The last six routes read from outside the machine and hold the single serving thread while
// they do; a request to them that a browser marks as sent by a page of another site gets 403
// text/plain "forbidden origin" instead (origin_allowed), so no web page can queue them.
// Prefix tests look at the whole target (query included) byte-wise and case-sensitively; path
// tests compare the target without its query for equality.
// Without a valid token /scan, /evidence and /oracle answer 400 before anything is read from the
// chain; a token that cannot be read is not an HTTP error but "200 OK" with the no-data body.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "chain/scan_context.h"
#include "service/connection.h"

namespace tarnwick {

class JsonReader;

// 405 "method not allowed" when the method guard fails, else 403 "forbidden host" when the Host
// guard fails, else none: the request may be routed.
std::optional<Response> guard_rejection(std::string_view request);

// The answer for a request that passed the guards. The context is lent read-only to the scan
// routes, and `reader` reads their replies (the serving loop keeps one between requests).
Response route_request(std::string_view request, const ScanContext& context, JsonReader& reader);

// The answer for any request bytes: the guard rejection, or the routed answer. The form without
// a reader uses one of its own.
Response answer_request(std::string_view request, const ScanContext& context, JsonReader& reader);
Response answer_request(std::string_view request, const ScanContext& context);

}  // namespace tarnwick
